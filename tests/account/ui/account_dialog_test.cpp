// The account dialog on the test display, driven by keys and WM_CLOSE:
// which operation each input runs, what the dialog returns and when the
// failure message appears.
#include "account/ui/account_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "tests/account/ui/account_ui_fixture.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk::ui {
namespace {

using test::AccountUiTest;
using test::press_key;

constexpr wchar_t kAccount[] = L"Account";
constexpr wchar_t kFailed[] = L"Account operation failed";

AccountIdentity given_identity() {
  AccountIdentity identity;
  identity.subject = "subject-0";
  identity.email = "grace@example.com";
  identity.name = "Grace";
  return identity;
}

Error failure(int32_t kind, std::string message) {
  Error error;
  error.kind = kind;
  error.message = std::move(message);
  return error;
}

enum class Input { escape, close, enter, tab_space, tab3_space };

void give(Input input, HWND dialog) {
  switch (input) {
    case Input::escape:
      press_key(dialog, VK_ESCAPE);
      break;
    case Input::close:
      PostMessageW(dialog, WM_CLOSE, 0, 0);
      break;
    case Input::enter:
      press_key(dialog, VK_RETURN);
      break;
    case Input::tab_space:
      press_key(dialog, VK_TAB);
      press_key(dialog, VK_SPACE);
      break;
    case Input::tab3_space:
      press_key(dialog, VK_TAB);
      press_key(dialog, VK_TAB);
      press_key(dialog, VK_TAB);
      press_key(dialog, VK_SPACE);
      break;
  }
}

enum class Outcome { success, fails, cancelled, missing };

struct Case {
  const char* name;
  bool signed_in;
  Input input;
  // What the chosen operation does.
  Outcome outcome;
  int action;
  // "given", "none" or "signed in".
  const char* identity;
  int32_t error_kind;
  const char* error_message;
  bool failure_dialog;
};

const Case kCases[] = {
    {"escape signed in", true, Input::escape, Outcome::success, 0, "given", 0, "", false},
    {"escape signed out", false, Input::escape, Outcome::success, 0, "none", 0, "", false},
    {"close signed in", true, Input::close, Outcome::success, 0, "given", 0, "", false},
    {"close signed out", false, Input::close, Outcome::success, 0, "none", 0, "", false},
    {"details", true, Input::enter, Outcome::success, 3, "given", 0, "", false},
    {"details fails", true, Input::enter, Outcome::fails, 0, "given", 12, "refused", true},
    {"details missing", true, Input::enter, Outcome::missing, 0, "given", 2,
     "The product did not provide an account-details operation.", true},
    {"sign in", false, Input::enter, Outcome::success, 1, "signed in", 0, "", false},
    {"sign in cancelled", false, Input::enter, Outcome::cancelled, 0, "none", 3,
     "The browser sign-in was cancelled.", false},
    {"sign in fails", false, Input::enter, Outcome::fails, 0, "none", 12, "refused", true},
    {"switch cancelled", true, Input::tab3_space, Outcome::cancelled, 0, "given", 3,
     "The browser sign-in was cancelled.", false},
    {"switch fails", true, Input::tab3_space, Outcome::fails, 0, "given", 12, "refused", true},
    {"switch", true, Input::tab3_space, Outcome::success, 1, "signed in", 0, "", false},
    {"sign in missing", false, Input::enter, Outcome::missing, 0, "none", 2,
     "The product did not provide a sign-in operation.", true},
    {"disconnect", true, Input::tab_space, Outcome::success, 2, "none", 0, "", false},
    {"disconnect fails", true, Input::tab_space, Outcome::fails, 0, "given", 12, "refused", true},
    {"disconnect missing", true, Input::tab_space, Outcome::missing, 0, "given", 2,
     "The product did not provide an account-disconnect operation.", true},
};

// Scripted operations; each notes its name in `ran` when called.
AccountOperations operations_for(Outcome outcome, std::vector<std::string>& ran) {
  AccountOperations operations;
  if (outcome == Outcome::missing) return operations;
  const Error error = outcome == Outcome::fails ? failure(kErrorRejected, "refused") : Error{};
  operations.disconnect = [error, &ran] {
    ran.push_back("disconnect");
    return error;
  };
  operations.open_account_details = [error, &ran] {
    ran.push_back("details");
    return error;
  };
  operations.sign_in = [outcome, &ran](std::stop_token) {
    ran.push_back("sign in");
    if (outcome == Outcome::fails) return test::failed_with(kErrorRejected, "refused");
    if (outcome == Outcome::cancelled) return test::client_cancelled();
    return test::signed_in_as("ada@example.com");
  };
  return operations;
}

using AccountDialogTest = AccountUiTest;

TEST_F(AccountDialogTest, EachInputRunsItsOperationAndReportsTheOutcome) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    test::DialogWatcher watcher;
    const Input input = c.input;
    watcher.then(kAccount, [input](HWND dialog) { give(input, dialog); });
    if (c.failure_dialog) {
      watcher.then(kFailed, [](HWND dialog) { press_key(dialog, VK_RETURN); });
    }
    std::optional<AccountIdentity> identity;
    if (c.signed_in) identity = given_identity();

    std::vector<std::string> ran;
    const AccountDialogResult result = show_account_dialog(
        app_, nullptr, identity, operations_for(c.outcome, ran), Language::english);

    EXPECT_EQ(result.action, c.action);
    EXPECT_EQ(result.error.kind, c.error_kind);
    EXPECT_EQ(result.error.message, c.error_message);
    const std::string expected_identity = c.identity;
    if (expected_identity == "none") {
      EXPECT_FALSE(result.identity.has_value());
    } else {
      ASSERT_TRUE(result.identity.has_value());
      const bool signed_in_now = expected_identity == "signed in";
      EXPECT_EQ(result.identity->email,
                signed_in_now ? "ada@example.com" : "grace@example.com");
      EXPECT_EQ(result.identity->subject, signed_in_now ? "subject-1" : "subject-0");
      if (signed_in_now) {
        EXPECT_EQ(result.identity->access_token, "access-1");
      }
    }
    EXPECT_EQ(watcher.pending_steps(), 0u);
    const bool failure_shown =
        std::find(watcher.titles().begin(), watcher.titles().end(), kFailed) !=
        watcher.titles().end();
    EXPECT_EQ(failure_shown, c.failure_dialog);
    std::vector<std::string> expected_ran;
    if (c.outcome != Outcome::missing) {
      if (c.input == Input::tab3_space || (c.input == Input::enter && !c.signed_in)) {
        expected_ran.push_back("sign in");
      } else if (c.input == Input::enter) {
        expected_ran.push_back("details");
      } else if (c.input == Input::tab_space) {
        expected_ran.push_back("disconnect");
      }
    }
    EXPECT_EQ(ran, expected_ran);
  }
}

TEST_F(AccountDialogTest, TheFailureMessageIsInTheDialogsLanguage) {
  watcher_.then(L"账户", [](HWND dialog) { press_key(dialog, VK_RETURN); })
      .then(L"账户操作失败", [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); });

  std::vector<std::string> ran;
  const AccountDialogResult result = show_account_dialog(
      app_, nullptr, given_identity(), operations_for(Outcome::fails, ran), Language::chinese);

  EXPECT_EQ(result.action, 0);
  EXPECT_EQ(result.error.kind, kErrorRejected);
  EXPECT_EQ(watcher_.pending_steps(), 0u);
}

TEST_F(AccountDialogTest, AThreadThatCannotStartShowsTheSignInFailure) {
  watcher_.then(kAccount, [](HWND dialog) { press_key(dialog, VK_RETURN); })
      .then(kFailed, [](HWND dialog) { press_key(dialog, VK_RETURN); });
  const SignInWorkerLauncher refuse = [](SignInWorkerContext) -> std::jthread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };

  std::vector<std::string> ran;
  const AccountDialogResult result =
      show_account_dialog(app_, nullptr, std::nullopt, operations_for(Outcome::success, ran),
                          Language::english, refuse);

  EXPECT_EQ(result.action, 0);
  EXPECT_EQ(result.error.kind, kErrorInternal);
  EXPECT_EQ(result.error.message, "Unable to initialize browser sign-in.");
  // The sign-in dialog closes before the watcher's next look.
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(watcher_.pending_steps(), 0u);
  EXPECT_EQ(watcher_.titles().back(), kFailed);
}

TEST_F(AccountDialogTest, OptionsFollowTheAccountState) {
  for (const bool signed_in : {true, false}) {
    const win32_ui::scaffold::DialogOptions options =
        account_dialog_options(Language::english, signed_in, nullptr);
    EXPECT_EQ(options.width, 640.0f);
    EXPECT_EQ(options.height, 310.0f);
    EXPECT_EQ(options.min_width, 520.0f);
    EXPECT_EQ(options.min_height, 270.0f);
    EXPECT_EQ(options.zoom, 1.0f);
    EXPECT_EQ(options.default_result, signed_in ? 4 : 6);
    EXPECT_EQ(options.close_result, 2);
  }
}

TEST_F(AccountDialogTest, ButtonsInOrderForEachState) {
  struct Expected {
    int result;
    std::wstring label;
    bool primary;
  };
  struct StateCase {
    Language language;
    bool signed_in;
    std::vector<Expected> buttons;
  };
  const StateCase cases[] = {
      {Language::english, true,
       {{6, L"Switch account", false},
        {4, L"Account details", true},
        {3, L"Disconnect account", false},
        {2, L"Not now", false}}},
      {Language::english, false, {{6, L"Sign in", true}, {2, L"Not now", false}}},
      {Language::chinese, true,
       {{6, L"切换账户", false}, {4, L"账户详情", true}, {3, L"断开账户", false}, {2, L"稍后再说", false}}},
      {Language::chinese, false, {{6, L"登录账户", true}, {2, L"稍后再说", false}}},
  };
  for (const StateCase& c : cases) {
    const auto actions = account_dialog_actions(c.language, c.signed_in);
    ASSERT_EQ(actions.size(), c.buttons.size());
    for (size_t i = 0; i < actions.size(); ++i) {
      SCOPED_TRACE(quorvel::test::utf8(c.buttons[i].label));
      EXPECT_EQ(actions[i].result, c.buttons[i].result);
      EXPECT_EQ(actions[i].label.text, c.buttons[i].label);
      EXPECT_EQ(actions[i].is_default, c.buttons[i].primary);
    }
  }
}

TEST_F(AccountDialogTest, OpensAtItsSizeAndDrawsTheAccount) {
  struct LookCase {
    Language language;
    bool signed_in;
    const wchar_t* title;
    const char* picture;
  };
  const LookCase cases[] = {
      {Language::english, true, L"Account", "account_dialog_en_signed_in.png"},
      {Language::english, false, L"Account", "account_dialog_en_signed_out.png"},
      {Language::chinese, true, L"账户", "account_dialog_zh_signed_in.png"},
  };
  for (const LookCase& c : cases) {
    SCOPED_TRACE(c.picture);
    test::DialogWatcher watcher;
    RECT client{};
    bool drawn = false;
    watcher.then(c.title, [&](HWND dialog) {
      GetClientRect(dialog, &client);
      drawn = test::save_window_picture(dialog, c.picture);
      press_key(dialog, VK_ESCAPE);
    });
    std::optional<AccountIdentity> identity;
    if (c.signed_in) identity = given_identity();

    std::vector<std::string> ran;
    const AccountDialogResult result = show_account_dialog(
        app_, nullptr, identity, operations_for(Outcome::success, ran), c.language);

    EXPECT_EQ(result.action, 0);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 310);
    EXPECT_TRUE(drawn);
  }
}

}  // namespace
}  // namespace halvarin::sdk::ui
