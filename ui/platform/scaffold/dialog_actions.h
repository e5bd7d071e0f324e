// The buttons of the toolkit's modal dialogs: the results they end a dialog
// with (the Win32 command identifiers), one button's description, and the
// standard button sets of message dialogs. Plain values; any thread.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ui/platform/localized_text.h"

namespace win32_ui::scaffold {

using DialogResult = std::int32_t;
// The dialog was not shown.
inline constexpr DialogResult kDialogResultNone = 0;
inline constexpr DialogResult kDialogResultOk = 1;
inline constexpr DialogResult kDialogResultCancel = 2;
inline constexpr DialogResult kDialogResultAbort = 3;
inline constexpr DialogResult kDialogResultRetry = 4;
inline constexpr DialogResult kDialogResultIgnore = 5;
inline constexpr DialogResult kDialogResultYes = 6;
inline constexpr DialogResult kDialogResultNo = 7;
inline constexpr DialogResult kDialogResultTryAgain = 10;
inline constexpr DialogResult kDialogResultContinue = 11;

struct DialogAction {
  DialogResult result = kDialogResultNone;
  modern::LocalizedText label;
  // Drawn as the primary button; takes the initial focus unless the
  // dialog's default result names another button.
  bool is_default = false;
};

// The buttons of set `set`, left to right, the first one the default:
// 0 ok; 1 ok, cancel; 2 yes, no; 3 yes, no, cancel; 4 retry, cancel;
// 5 abort, retry, ignore; 6 cancel, try again, continue. Any other number
// gives set 0.
std::vector<DialogAction> dialog_actions_for(int set);

// The key text "scaffold.dialog." + name, without arguments.
modern::LocalizedText dialog_text_key(std::wstring_view name);

}  // namespace win32_ui::scaffold
