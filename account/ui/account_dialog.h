// The account dialog: shows who is connected to this application and runs
// the operation the user picks (sign in or switch, account details,
// disconnect) through the operations the application hands in. It never
// calls the account service itself. UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

#include "account/account_identity.h"
#include "account/auth_result.h"
#include "account/error.h"
#include "account/ui/account_texts.h"
#include "account/ui/sign_in_worker.h"
#include "ui/platform/scaffold/dialog.h"

namespace win32_ui::scaffold {
class Application;
}

namespace halvarin::sdk {

// Any of the three may be empty; choosing an empty one fails with kind 2.
struct AccountOperations {
  std::function<AuthResult(std::stop_token)> sign_in;
  std::function<Error()> disconnect;
  std::function<Error()> open_account_details;
};

enum AccountDialogAction : int {
  kAccountDialogNothing = 0,
  kAccountDialogSignedIn = 1,
  kAccountDialogDisconnected = 2,
  kAccountDialogDetailsOpened = 3,
};

struct AccountDialogResult {
  int action = kAccountDialogNothing;
  // The account connected after the dialog.
  std::optional<AccountIdentity> identity;
  Error error;
};

namespace ui {

// The buttons' results.
inline constexpr win32_ui::scaffold::DialogResult kSignInButton = 6;
inline constexpr win32_ui::scaffold::DialogResult kDetailsButton = 4;
inline constexpr win32_ui::scaffold::DialogResult kDisconnectButton = 3;
inline constexpr win32_ui::scaffold::DialogResult kNotNowButton = 2;

AccountDialogResult show_account_dialog(win32_ui::scaffold::Application& application, HWND owner,
                                        std::optional<AccountIdentity> identity,
                                        const AccountOperations& operations, Language language);
// The same with the sign-in thread's launcher given.
AccountDialogResult show_account_dialog(win32_ui::scaffold::Application& application, HWND owner,
                                        std::optional<AccountIdentity> identity,
                                        const AccountOperations& operations, Language language,
                                        const SignInWorkerLauncher& launch);

win32_ui::scaffold::DialogOptions account_dialog_options(Language language, bool signed_in,
                                                         HWND owner);
std::vector<win32_ui::scaffold::DialogAction> account_dialog_actions(Language language,
                                                                     bool signed_in);

}  // namespace ui
}  // namespace halvarin::sdk
