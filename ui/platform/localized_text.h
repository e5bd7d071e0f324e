// A text as the toolkit hands it around before it is shown: a literal, a
// catalogue key with arguments, or a plural catalogue key with a count.
//
// Widgets, windows and dialogs keep texts in this form and turn them into
// display text only when they show them (LocalizationContext::resolve), so a
// language switch never leaves a stale translation behind. A plain value:
// copy and move it freely, on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace win32_ui::modern {

struct LocalizedText {
  static constexpr std::int32_t kLiteral = 0;
  static constexpr std::int32_t kKey = 1;
  static constexpr std::int32_t kPlural = 2;

  // kLiteral, kKey or kPlural; any other value resolves like kKey.
  std::int32_t kind = kLiteral;
  // The text itself for kLiteral; the case-sensitive catalogue key otherwise.
  std::wstring text;
  // Replace "{0}", "{1}", ... in the resolved text, whatever the kind.
  std::vector<std::wstring> args;
  // kPlural: chooses the plural form and replaces "{count}".
  double count = 0.0;

  static LocalizedText from_text(std::wstring text);
  static LocalizedText from_key(std::wstring key, std::vector<std::wstring> args);
};

}  // namespace win32_ui::modern
