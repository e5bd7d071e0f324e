#include "ui/platform/localized_text.h"

#include <utility>

namespace win32_ui::modern {

LocalizedText LocalizedText::from_text(std::wstring text) {
  LocalizedText result;
  result.kind = kLiteral;
  result.text = std::move(text);
  return result;
}

LocalizedText LocalizedText::from_key(std::wstring key, std::vector<std::wstring> args) {
  LocalizedText result;
  result.kind = kKey;
  result.text = std::move(key);
  result.args = std::move(args);
  return result;
}

}  // namespace win32_ui::modern
