#include "account/ui/sign_in_worker.h"

#include <objbase.h>

#include <system_error>
#include <utility>

#include "ui/platform/scaffold/dialog.h"

namespace halvarin::sdk::ui {
namespace {

void store_result(std::mutex& mutex, std::optional<AuthResult>& slot, AuthResult result) {
  const std::lock_guard<std::mutex> lock(mutex);
  if (slot.has_value()) {
    *slot = result;
  } else {
    slot.emplace(std::move(result));
  }
}

}  // namespace

AuthResult sign_in_start_failure() {
  AuthResult result;
  result.error.kind = kErrorInternal;
  result.error.message = "Unable to initialize browser sign-in.";
  return result;
}

std::jthread launch_sign_in_worker(SignInWorkerContext context) {
  return std::jthread(run_sign_in_worker, context);
}

void start_sign_in_worker(win32_ui::scaffold::Dialog& dialog, const SignInWorkerState& state,
                          const SignInWorkerLauncher& launch) {
  const SignInWorkerContext context{dialog.window().hwnd(), state.sign_in, state.result_mutex,
                                    state.result};
  try {
    *state.worker = launch(context);
  } catch (const std::system_error&) {
    store_result(*state.result_mutex, *state.result, sign_in_start_failure());
    dialog.close_with_result(win32_ui::scaffold::kDialogResultCancel);
  }
}

void run_sign_in_worker(std::stop_token stop, SignInWorkerContext context) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  AuthResult result;
  if (SUCCEEDED(com) || com == RPC_E_CHANGED_MODE) {
    result = (*context.sign_in)(stop);
  } else {
    result = sign_in_start_failure();
  }
  store_result(*context.result_mutex, *context.result, std::move(result));
  if (context.dialog_window != nullptr && IsWindow(context.dialog_window)) {
    PostMessageW(context.dialog_window, WM_CLOSE, 0, 0);
  }
  if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace halvarin::sdk::ui
