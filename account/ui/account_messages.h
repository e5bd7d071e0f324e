// The account dialogs' message boxes: a literal title and message in the
// toolkit's message dialog with an OK button. UI thread only.
#pragma once

#include <windows.h>

#include <string_view>

#include "account/ui/account_texts.h"

namespace win32_ui::scaffold {
class Application;
}

namespace halvarin::sdk {

void show_account_message(win32_ui::scaffold::Application& application, HWND owner,
                          std::wstring_view title, std::wstring_view message, int icon);
// show_account_message with the error icon.
void show_error_message(win32_ui::scaffold::Application& application, HWND owner,
                        std::wstring_view title, std::wstring_view message);

namespace ui {

// "Account operation failed" with the message of the language.
void show_operation_failed(win32_ui::scaffold::Application& application, HWND owner,
                           Language language, std::wstring_view chinese,
                           std::wstring_view english);

}  // namespace ui
}  // namespace halvarin::sdk
