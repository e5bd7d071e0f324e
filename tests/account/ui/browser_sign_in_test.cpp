// The browser sign-in dialog on the test display: it closes itself when the
// sign-in returns, stops and joins the sign-in when the user closes it, and
// survives a worker thread that cannot start.
#include "account/ui/browser_sign_in.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "tests/account/ui/account_ui_fixture.h"

namespace halvarin::sdk::ui {
namespace {

using test::AccountUiTest;
using test::press_key;

constexpr wchar_t kTitle[] = L"Connect a Halvarin account";

using BrowserSignInTest = AccountUiTest;

TEST_F(BrowserSignInTest, AnEmptyOperationFailsWithoutADialog) {
  const AuthResult result = show_browser_sign_in(app_, nullptr, {}, Language::english);

  EXPECT_EQ(result.error.kind, kErrorConfigurationInvalid);
  EXPECT_EQ(result.error.message, "The product did not provide a sign-in operation.");
  EXPECT_TRUE(result.email.empty());
  EXPECT_TRUE(watcher_.titles().empty());
}

TEST_F(BrowserSignInTest, ClosesItselfWhenTheSignInReturns) {
  struct Case {
    const char* name;
    AuthResult returned;
  };
  const Case cases[] = {
      {"signed in", test::signed_in_as("ada@example.com")},
      {"fails at once", test::failed_with(kErrorConfigurationInvalid, "bad configuration")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SignInOperation sign_in = [&](std::stop_token) { return c.returned; };

    const AuthResult result = show_browser_sign_in(app_, nullptr, sign_in, Language::english);

    EXPECT_EQ(result.error.kind, c.returned.error.kind);
    EXPECT_EQ(result.error.message, c.returned.error.message);
    EXPECT_EQ(result.email, c.returned.email);
  }
}

TEST_F(BrowserSignInTest, ClosingTheDialogStopsTheSignIn) {
  struct Case {
    const char* name;
    void (*close)(HWND);
  };
  const Case cases[] = {
      {"Cancel button", [](HWND dialog) { press_key(dialog, VK_SPACE); }},
      {"Escape", [](HWND dialog) { press_key(dialog, VK_ESCAPE); }},
      {"close box", [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::DialogWatcher watcher;
    watcher.then(kTitle, c.close);
    bool saw_stop = false;
    const SignInOperation sign_in = [&](std::stop_token stop) {
      return test::wait_for_stop(stop, saw_stop);
    };

    const AuthResult result = show_browser_sign_in(app_, nullptr, sign_in, Language::english);

    EXPECT_TRUE(saw_stop);
    EXPECT_EQ(result.error.kind, kErrorCancelled);
    EXPECT_EQ(result.error.message, "The browser sign-in was cancelled.");
    EXPECT_EQ(watcher.titles(), std::vector<std::wstring>{kTitle});
  }
}

TEST_F(BrowserSignInTest, AResultStoredJustBeforeCancelIsTheOneReturned) {
  std::mutex mutex;
  std::condition_variable pressed;
  bool cancel_pressed = false;
  watcher_.then(kTitle, [&](HWND dialog) {
    press_key(dialog, VK_ESCAPE);
    const std::lock_guard<std::mutex> lock(mutex);
    cancel_pressed = true;
    pressed.notify_all();
  });
  // Returns its result as the user presses Cancel, without looking at the
  // stop request.
  const SignInOperation sign_in = [&](std::stop_token) {
    std::unique_lock<std::mutex> lock(mutex);
    pressed.wait(lock, [&] { return cancel_pressed; });
    return test::signed_in_as("ada@example.com");
  };

  const AuthResult result = show_browser_sign_in(app_, nullptr, sign_in, Language::english);

  EXPECT_EQ(result.error.kind, kErrorNone);
  EXPECT_EQ(result.email, "ada@example.com");
}

TEST_F(BrowserSignInTest, TheWorkerNeverOutlivesTheCall) {
  watcher_.then(kTitle, [](HWND dialog) { press_key(dialog, VK_ESCAPE); });
  std::mutex mutex;
  bool worker_done = false;
  const SignInWorkerLauncher launch = [&](SignInWorkerContext context) {
    return std::jthread([&mutex, &worker_done, context](std::stop_token stop) {
      run_sign_in_worker(stop, context);
      const std::lock_guard<std::mutex> lock(mutex);
      worker_done = true;
    });
  };
  bool saw_stop = false;
  const SignInOperation sign_in = [&](std::stop_token stop) {
    return test::wait_for_stop(stop, saw_stop);
  };

  const AuthResult result =
      show_browser_sign_in(app_, nullptr, sign_in, Language::english, launch);

  const std::lock_guard<std::mutex> lock(mutex);
  EXPECT_TRUE(worker_done);
  EXPECT_EQ(result.error.kind, kErrorCancelled);
}

TEST_F(BrowserSignInTest, AWorkerThatCannotStartEndsWithKind14) {
  bool called = false;
  const SignInOperation sign_in = [&](std::stop_token) {
    called = true;
    return test::signed_in_as("ada@example.com");
  };
  const SignInWorkerLauncher refuse = [](SignInWorkerContext) -> std::jthread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };

  AuthResult result;
  EXPECT_NO_THROW(result = show_browser_sign_in(app_, nullptr, sign_in, Language::english, refuse));

  EXPECT_FALSE(called);
  EXPECT_EQ(result.error.kind, kErrorInternal);
  EXPECT_EQ(result.error.message, "Unable to initialize browser sign-in.");
}

TEST_F(BrowserSignInTest, ShowsTheChineseTitleAndDrawsItsText) {
  bool drawn = false;
  watcher_.then(L"连接 Halvarin 账户", [&](HWND dialog) {
    drawn = test::save_window_picture(dialog, "account_sign_in_zh.png");
    press_key(dialog, VK_ESCAPE);
  });
  bool saw_stop = false;
  const SignInOperation sign_in = [&](std::stop_token stop) {
    return test::wait_for_stop(stop, saw_stop);
  };

  const AuthResult result = show_browser_sign_in(app_, nullptr, sign_in, Language::chinese);

  EXPECT_EQ(watcher_.pending_steps(), 0u);
  EXPECT_TRUE(drawn);
  EXPECT_EQ(result.error.kind, kErrorCancelled);
}

}  // namespace
}  // namespace halvarin::sdk::ui
