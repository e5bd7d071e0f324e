// The thread that runs one browser sign-in while the sign-in dialog waits.
// The dialog owns the worker, the sign-in operation, the result slot and its
// mutex for its whole run; the worker calls the operation with its own stop
// token, stores the AuthResult under the mutex and posts WM_CLOSE to the
// dialog. start_sign_in_worker runs on the UI thread; run_sign_in_worker is
// the worker's body and never waits for the UI thread.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

#include "account/auth_result.h"

namespace win32_ui::scaffold {
class Dialog;
}

namespace halvarin::sdk::ui {

using SignInOperation = std::function<AuthResult(std::stop_token)>;

// What the worker thread receives; every pointer outlives the worker.
struct SignInWorkerContext {
  HWND dialog_window = nullptr;
  const SignInOperation* sign_in = nullptr;
  std::mutex* result_mutex = nullptr;
  std::optional<AuthResult>* result = nullptr;
};

// Starts a thread running run_sign_in_worker; throws std::system_error when
// no thread can be created.
using SignInWorkerLauncher = std::function<std::jthread(SignInWorkerContext)>;

// The product's launcher: a std::jthread that passes its own stop token.
std::jthread launch_sign_in_worker(SignInWorkerContext context);

// The state a sign-in dialog shares with its worker.
struct SignInWorkerState {
  std::jthread* worker = nullptr;
  const SignInOperation* sign_in = nullptr;
  std::mutex* result_mutex = nullptr;
  std::optional<AuthResult>* result = nullptr;
};

// Starts the worker for the shown dialog. When the thread cannot be
// started, stores kind 14 "Unable to initialize browser sign-in." and closes
// the dialog instead: an exception here would leave the dialog's callback
// and end the program.
void start_sign_in_worker(win32_ui::scaffold::Dialog& dialog, const SignInWorkerState& state,
                          const SignInWorkerLauncher& launch);

void run_sign_in_worker(std::stop_token stop, SignInWorkerContext context);

// The result of a sign-in that could not start: kind 14.
AuthResult sign_in_start_failure();

}  // namespace halvarin::sdk::ui
