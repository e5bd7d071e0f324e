// The account dialogs' own texts in Chinese and English. They do not go
// through the application's catalogue: the client carries them itself.
// Plain constants; any thread.
#pragma once

#include <string_view>

namespace halvarin::sdk::ui {

// 1 is Chinese; every other value shows the English texts.
enum class Language : int { english = 0, chinese = 1 };

struct AccountTexts {
  std::wstring_view dialog_title;
  std::wstring_view intro_connected;
  std::wstring_view intro_no_account;
  std::wstring_view unnamed_account_title;
  std::wstring_view no_account_title;
  std::wstring_view no_account_line;
  std::wstring_view switching_note;
  std::wstring_view sign_in;
  std::wstring_view switch_account;
  std::wstring_view account_details;
  std::wstring_view disconnect;
  std::wstring_view not_now;
  std::wstring_view sign_in_failed;
  std::wstring_view details_failed;
  std::wstring_view disconnect_failed;
  std::wstring_view failure_title;
  std::wstring_view sign_in_dialog_title;
  std::wstring_view sign_in_dialog_text;
  std::wstring_view cancel;
};

const AccountTexts& account_texts(Language language);

}  // namespace halvarin::sdk::ui
