#include "account/ui/browser_sign_in.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "account/client_configuration.h"
#include "ui/platform/scaffold/dialog.h"
#include "ui/views/widgets/text.h"

namespace halvarin::sdk::ui {
namespace {

namespace scaffold = win32_ui::scaffold;
using win32_ui::modern::LocalizedText;

scaffold::DialogOptions sign_in_dialog_options(const AccountTexts& texts, HWND owner) {
  scaffold::DialogOptions options;
  options.title = LocalizedText::from_text(std::wstring(texts.sign_in_dialog_title));
  options.owner = owner;
  options.width = 560.0f;
  options.height = 230.0f;
  options.min_width = 460.0f;
  options.min_height = 210.0f;
  options.zoom = 1.0f;
  options.default_result = scaffold::kDialogResultNone;
  options.close_result = scaffold::kDialogResultCancel;
  return options;
}

}  // namespace

AuthResult cancelled_sign_in() {
  AuthResult result;
  result.error.kind = kErrorCancelled;
  result.error.message = "The browser sign-in was cancelled.";
  return result;
}

AuthResult show_browser_sign_in(scaffold::Application& application, HWND owner,
                                const SignInOperation& sign_in, Language language) {
  return show_browser_sign_in(application, owner, sign_in, language, launch_sign_in_worker);
}

AuthResult show_browser_sign_in(scaffold::Application& application, HWND owner,
                                const SignInOperation& sign_in, Language language,
                                const SignInWorkerLauncher& launch) {
  if (!sign_in) {
    AuthResult missing;
    missing.error = make_configuration_error("The product did not provide a sign-in operation.");
    return missing;
  }
  std::mutex result_mutex;
  std::optional<AuthResult> result;
  // Declared after the state it uses, so that an exception leaving this
  // function still stops and joins the worker before that state goes.
  std::jthread worker;

  const AccountTexts& texts = account_texts(language);
  auto body = std::make_unique<win32_ui::modern::Text>(std::wstring(texts.sign_in_dialog_text), 2,
                                                       win32_ui::layout::Size{0.0f, 32.0f});
  std::vector<scaffold::DialogAction> actions{
      {scaffold::kDialogResultCancel, LocalizedText::from_text(std::wstring(texts.cancel)), true}};

  scaffold::Dialog dialog(application);
  const SignInWorkerState state{&worker, &sign_in, &result_mutex, &result};
  dialog.on_shown([&state, &launch](scaffold::Dialog& shown) {
    start_sign_in_worker(shown, state, launch);
  });
  (void)dialog.show_modal(sign_in_dialog_options(texts, owner), std::move(body),
                          std::move(actions));

  if (worker.joinable()) {
    worker.request_stop();
    worker.join();
  }
  const std::lock_guard<std::mutex> lock(result_mutex);
  if (result.has_value()) return std::move(*result);
  return cancelled_sign_in();
}

}  // namespace halvarin::sdk::ui
