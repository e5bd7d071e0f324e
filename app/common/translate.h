// Catalogue texts for the product's windows and message boxes, looked up by
// key in the application's current UI language or in a named one. UI thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace win32_ui::scaffold {
class Application;
}

namespace quorvel::windows {

// The text of `key` in the application's current UI language, through its
// catalogue, with the toolkit's built-in texts ("scaffold.dialog.ok") as
// fallback and "{0}", "{1}", ... replaced by `args` in order. A key known to
// neither comes back as the key itself.
std::wstring translate(win32_ui::scaffold::Application& application, std::wstring_view key,
                       std::vector<std::wstring> args = {});

// The text of `key` in the normalised `locale` ("en-US" or "zh-CN"), with
// "{0}", "{1}", ... replaced by `args` in order. A key the catalogue does not
// hold comes back as the key itself.
std::wstring translate_for_locale(std::wstring_view locale, std::wstring_view key,
                                  std::vector<std::wstring> args = {});

}  // namespace quorvel::windows
