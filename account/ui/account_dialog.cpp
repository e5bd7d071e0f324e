#include "account/ui/account_dialog.h"

#include <memory>
#include <string>
#include <utility>

#include "account/client_configuration.h"
#include "account/ui/account_messages.h"
#include "account/ui/account_panel.h"
#include "account/ui/browser_sign_in.h"
#include "ui/views/stack_panel.h"
#include "ui/views/widgets/text.h"

namespace halvarin::sdk::ui {
namespace {

namespace scaffold = win32_ui::scaffold;
namespace modern = win32_ui::modern;
using modern::LocalizedText;

constexpr int kVertical = 1;
constexpr int kNoteStyle = 3;

LocalizedText literal(std::wstring_view text) { return LocalizedText::from_text(std::wstring(text)); }

std::unique_ptr<modern::View> note_text(std::wstring_view text) {
  return std::make_unique<modern::Text>(std::wstring(text), kNoteStyle,
                                        win32_ui::layout::Size{0.0f, 32.0f});
}

std::unique_ptr<modern::View> account_dialog_body(Language language,
                                                  const std::optional<AccountIdentity>& identity) {
  const AccountTexts& texts = account_texts(language);
  auto body = std::make_unique<modern::StackPanel>(kVertical, 14.0f, win32_ui::layout::Thickness{});
  body->add_child(note_text(identity ? texts.intro_connected : texts.intro_no_account));
  body->add_child(build_account_panel(language, identity));
  if (identity) body->add_child(note_text(texts.switching_note));
  return body;
}

AccountIdentity identity_of(const AuthResult& result) {
  return AccountIdentity{result.access_token, result.refresh_token, result.id_token,
                         result.subject,      result.email,         result.name,
                         result.expires_at};
}

Error run_or_missing(const std::function<Error()>& operation, const char* missing) {
  if (!operation) return make_configuration_error(missing);
  return operation();
}

}  // namespace

scaffold::DialogOptions account_dialog_options(Language language, bool signed_in, HWND owner) {
  scaffold::DialogOptions options;
  options.title = literal(account_texts(language).dialog_title);
  options.owner = owner;
  options.width = 640.0f;
  options.height = 310.0f;
  options.min_width = 520.0f;
  options.min_height = 270.0f;
  options.zoom = 1.0f;
  options.default_result = signed_in ? kDetailsButton : kSignInButton;
  options.close_result = kNotNowButton;
  return options;
}

std::vector<scaffold::DialogAction> account_dialog_actions(Language language, bool signed_in) {
  const AccountTexts& texts = account_texts(language);
  std::vector<scaffold::DialogAction> actions;
  actions.push_back(
      {kSignInButton, literal(signed_in ? texts.switch_account : texts.sign_in), !signed_in});
  if (signed_in) {
    actions.push_back({kDetailsButton, literal(texts.account_details), true});
    actions.push_back({kDisconnectButton, literal(texts.disconnect), false});
  }
  actions.push_back({kNotNowButton, literal(texts.not_now), false});
  return actions;
}

AccountDialogResult show_account_dialog(scaffold::Application& application, HWND owner,
                                        std::optional<AccountIdentity> identity,
                                        const AccountOperations& operations, Language language) {
  return show_account_dialog(application, owner, std::move(identity), operations, language,
                             launch_sign_in_worker);
}

AccountDialogResult show_account_dialog(scaffold::Application& application, HWND owner,
                                        std::optional<AccountIdentity> identity,
                                        const AccountOperations& operations, Language language,
                                        const SignInWorkerLauncher& launch) {
  const bool signed_in = identity.has_value();
  scaffold::Dialog dialog(application);
  const scaffold::DialogResult chosen =
      dialog.show_modal(account_dialog_options(language, signed_in, owner),
                        account_dialog_body(language, identity),
                        account_dialog_actions(language, signed_in));
  const AccountTexts chinese = account_texts(Language::chinese);
  const AccountTexts english = account_texts(Language::english);

  if (chosen == kSignInButton) {
    AuthResult outcome = show_browser_sign_in(application, owner, operations.sign_in, language,
                                             launch);
    if (outcome.error.kind == kErrorNone) {
      return {kAccountDialogSignedIn, identity_of(outcome), Error{}};
    }
    if (outcome.error.kind != kErrorCancelled) {
      show_operation_failed(application, owner, language, chinese.sign_in_failed,
                            english.sign_in_failed);
    }
    return {kAccountDialogNothing, std::move(identity), std::move(outcome.error)};
  }
  if (chosen == kDetailsButton) {
    Error error = run_or_missing(operations.open_account_details,
                                 "The product did not provide an account-details operation.");
    if (error.kind != kErrorNone) {
      show_operation_failed(application, owner, language, chinese.details_failed,
                            english.details_failed);
      return {kAccountDialogNothing, std::move(identity), std::move(error)};
    }
    return {kAccountDialogDetailsOpened, std::move(identity), std::move(error)};
  }
  if (chosen == kDisconnectButton) {
    Error error = run_or_missing(operations.disconnect,
                                 "The product did not provide an account-disconnect operation.");
    if (error.kind != kErrorNone) {
      show_operation_failed(application, owner, language, chinese.disconnect_failed,
                            english.disconnect_failed);
      return {kAccountDialogNothing, std::move(identity), std::move(error)};
    }
    return {kAccountDialogDisconnected, std::nullopt, std::move(error)};
  }
  return {kAccountDialogNothing, std::move(identity), Error{}};
}

}  // namespace halvarin::sdk::ui
