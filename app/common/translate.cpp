#include "app/common/translate.h"

#include <utility>

#include "app/common/text_catalog.h"
#include "app/common/ui_language.h"
#include "ui/platform/localization_context.h"
#include "ui/platform/localized_text.h"
#include "ui/platform/scaffold/application.h"

namespace quorvel::windows {

std::wstring translate(win32_ui::scaffold::Application& application, std::wstring_view key,
                       std::vector<std::wstring> args) {
  return application.localize(
      win32_ui::modern::LocalizedText::from_key(std::wstring(key), std::move(args)));
}

std::wstring translate_for_locale(std::wstring_view locale, std::wstring_view key,
                                  std::vector<std::wstring> args) {
  using win32_ui::modern::LocalizationContext;
  using win32_ui::modern::LocalizedText;
  LocalizationContext context(normalize_language_tag(locale), nullptr);
  context.set_bundle(text_catalog_bundle());
  return context.resolve(LocalizedText::from_key(std::wstring(key), std::move(args)));
}

}  // namespace quorvel::windows
