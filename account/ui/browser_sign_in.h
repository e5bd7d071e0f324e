// The browser sign-in dialog: a modal dialog that stays open while the
// sign-in runs on a worker thread, closes itself when the sign-in returns
// and, when the user closes it first, stops and joins the worker before
// returning. UI thread only; the worker never outlives the call.
#pragma once

#include <windows.h>

#include "account/auth_result.h"
#include "account/ui/account_texts.h"
#include "account/ui/sign_in_worker.h"

namespace win32_ui::scaffold {
class Application;
}

namespace halvarin::sdk::ui {

// An empty operation gives kind 2 at once, without a dialog; closing the
// dialog before the worker stored a result gives kind 3.
AuthResult show_browser_sign_in(win32_ui::scaffold::Application& application, HWND owner,
                                const SignInOperation& sign_in, Language language);
// The same with the thread launcher given, so that a start failure can be
// provoked.
AuthResult show_browser_sign_in(win32_ui::scaffold::Application& application, HWND owner,
                                const SignInOperation& sign_in, Language language,
                                const SignInWorkerLauncher& launch);

AuthResult cancelled_sign_in();

}  // namespace halvarin::sdk::ui
