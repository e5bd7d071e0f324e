#include "account/ui/account_messages.h"

#include <string>

#include "ui/platform/scaffold/message_dialog.h"

namespace halvarin::sdk {

void show_account_message(win32_ui::scaffold::Application& application, HWND owner,
                          std::wstring_view title, std::wstring_view message, int icon) {
  win32_ui::scaffold::MessageDialogOptions options;
  options.title = win32_ui::modern::LocalizedText::from_text(std::wstring(title));
  options.message = win32_ui::modern::LocalizedText::from_text(std::wstring(message));
  options.icon = icon;
  options.buttons = 0;
  options.default_result = win32_ui::scaffold::kDialogResultNone;
  options.owner = owner;
  (void)win32_ui::scaffold::show_message_dialog(application, options);
}

void show_error_message(win32_ui::scaffold::Application& application, HWND owner,
                        std::wstring_view title, std::wstring_view message) {
  show_account_message(application, owner, title, message, win32_ui::scaffold::kMessageIconError);
}

namespace ui {

void show_operation_failed(win32_ui::scaffold::Application& application, HWND owner,
                           Language language, std::wstring_view chinese,
                           std::wstring_view english) {
  const bool is_chinese = language == Language::chinese;
  show_error_message(application, owner, account_texts(language).failure_title,
                     is_chinese ? chinese : english);
}

}  // namespace ui
}  // namespace halvarin::sdk
