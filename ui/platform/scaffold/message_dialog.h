// The program's way to tell or ask the user anything: a modal dialog with a
// heading naming the kind of message, the message text and a standard
// button set, and message_box, which takes MessageBoxW-style flags and
// returns the same command ids. UI thread only.
#pragma once

#include <windows.h>

#include <string_view>

#include "ui/platform/localized_text.h"
#include "ui/platform/scaffold/dialog_actions.h"

namespace win32_ui::scaffold {

class Application;

inline constexpr int kMessageIconInformation = 0;
inline constexpr int kMessageIconWarning = 1;
inline constexpr int kMessageIconError = 2;
inline constexpr int kMessageIconQuestion = 3;

struct MessageDialogOptions {
  modern::LocalizedText title = dialog_text_key(L"information");
  modern::LocalizedText message;
  HWND owner = nullptr;
  // kMessageIcon...; any other value is information.
  int icon = kMessageIconInformation;
  // A button set of dialog_actions_for.
  int buttons = 0;
  // 0 is the set's first button.
  DialogResult default_result = kDialogResultNone;
  float zoom = 1.0f;
};

DialogResult show_message_dialog(Application& application, const MessageDialogOptions& options);

// MB_ button sets, MB_ICON kinds and MB_DEFBUTTONn are honoured; every other
// flag is ignored. An empty caption gives an empty title.
DialogResult message_box(Application& application, HWND owner, std::wstring_view text,
                         std::wstring_view caption, unsigned flags);

}  // namespace win32_ui::scaffold
