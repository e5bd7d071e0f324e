// The product's account service inside the App against the account tests'
// fake service behind its TLS front: a start that failed at launch because
// the service could not be reached is repeated in the background once the
// retry interval has passed, and the shell then shows the restored sign-in;
// one that fails again leaves the shell as it was. Skips without the front.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "account/client.h"
#include "app/app.h"
#include "app/app_messages.h"
#include "app/product_account.h"
#include "tests/account/client_fixture.h"
#include "tests/fakes/app/fake_main_window.h"
#include "tests/support/test_registry_key.h"

namespace quorvel::windows {
namespace {

using halvarin::sdk::AccountIdentity;
using halvarin::sdk::kStartRetryIntervalNs;
using halvarin::sdk::test::account_service;
using halvarin::sdk::test::action_step;
using halvarin::sdk::test::handler_step;
using halvarin::sdk::test::kHeartbeat;
using halvarin::sdk::test::kKeySet;
using halvarin::sdk::test::kToken;
using halvarin::sdk::test::kNsPerSecond;

// Bounds the wait for the background start; a passing run takes well
// under a second.
constexpr DWORD kStartEndLimitMs = 60000;

class AppAccountStartTest : public halvarin::sdk::test::ClientTest {
 protected:
  void TearDown() override {
    app_.reset();
    ClientTest::TearDown();
  }

  // Starts an App whose account service is the product's, on the test's
  // configuration, hooks and clock, with its main window shown.
  App& start_app() {
    AppPlatform platform;
    platform.settings_key = key_.path();
    platform.make_account = [this] {
      std::unique_ptr<AccountPort> account = make_product_account(configuration_, hooks_);
      account_ = account.get();
      return account;
    };
    platform.make_main_window = [log = main_log_](HINSTANCE, HWND,
                                                  win32_ui::scaffold::Application&) {
      return std::make_unique<quorvel::test::FakeMainWindow>(log);
    };
    platform.message = [this](HWND, std::wstring_view key, const std::vector<std::wstring>&,
                              unsigned) {
      message_keys_.emplace_back(key);
      return IDOK;
    };
    app_ = std::make_unique<App>(GetModuleHandleW(nullptr), std::move(platform));
    app_->start_up(SW_SHOWNORMAL);
    pump();
    return *app_;
  }

  void pump() {
    MSG message{};
    for (int turn = 0; turn < 10000 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++turn) {
      if (message.message == kAccountStartEndedMessage) ++start_ends_seen_;
      app_->process_message(message);
    }
  }

  // Runs the App's loop until `done` holds or the limit has passed; whether
  // it held.
  template <typename Done>
  bool pump_until(Done done) {
    const ULONGLONG deadline = GetTickCount64() + kStartEndLimitMs;
    while (!done()) {
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return false;
      MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
      pump();
    }
    return true;
  }
  // Until the help menu has been closed `closes` times in all.
  bool pump_until_help_menu_closes(int closes) {
    return pump_until([&] { return main_log_->help_menu_closes >= closes; });
  }
  // Until the App has handled `count` ends of a background start in all.
  bool pump_until_start_ends(int count) {
    return pump_until([&] { return start_ends_seen_ >= count; });
  }

  quorvel::test::TestRegistryKey key_;
  std::shared_ptr<quorvel::test::FakeMainWindowLog> main_log_ =
      std::make_shared<quorvel::test::FakeMainWindowLog>();
  std::vector<std::wstring> message_keys_;
  int start_ends_seen_ = 0;
  // The App's account service, once made.
  AccountPort* account_ = nullptr;
  std::unique_ptr<App> app_;
};

TEST_F(AppAccountStartTest, ASignInNotRestoredAtLaunchComesBackInTheBackgroundAfterTheInterval) {
  signed_in();
  // The launch's refresh of the saved session finds no service; the
  // repeated one is held a moment, as a real service answers.
  script_from_now("POST", halvarin::sdk::test::kTokenRoute,
                  {action_step(halvarin::sdk::test::FakeAction::kGarbage),
                   action_step(halvarin::sdk::test::FakeAction::kAnswer, 1000)});
  const size_t before = account_service().request_count();

  App& app = start_app();
  EXPECT_EQ(paths_after(before), (std::vector<std::string>{kToken})) << "the launch's start";
  ASSERT_NE(main_log_->window, nullptr);
  EXPECT_FALSE(app.settings_state().signed_in);

  // Within the interval nothing is tried again.
  clock_->advance(kStartRetryIntervalNs - kNsPerSecond);
  EXPECT_FALSE(app.settings_state().signed_in);
  EXPECT_EQ(account_service().request_count(), before + 1);

  // Once it has passed, asking begins the start and answers at once,
  // without waiting for the service.
  clock_->advance(kNsPerSecond);
  const int closes = main_log_->help_menu_closes;
  EXPECT_FALSE(app.settings_state().signed_in);
  ASSERT_TRUE(pump_until_help_menu_closes(closes + 1)) << "the shell never heard of the start";

  EXPECT_TRUE(app.settings_state().signed_in);
  EXPECT_EQ(paths_after(before), (std::vector<std::string>{kToken, kToken, kKeySet, kHeartbeat}));
  const std::optional<AccountIdentity> identity = account_->query_account();
  ASSERT_TRUE(identity.has_value());
  EXPECT_EQ(identity->access_token, oauth().issued().back().access_token);
  EXPECT_EQ(identity->email, "ada@example.com");
  EXPECT_TRUE(message_keys_.empty());
}

// The repeated start fails again, for want of the service or because it is
// busy: nothing the help menu shows has changed, so a help menu the user
// has open stays open.
struct FailedAgainCase {
  const char* name;
  halvarin::sdk::test::FakeStep repeated_answer;
  friend void PrintTo(const FailedAgainCase& c, std::ostream* os) { *os << c.name; }
};

class AppAccountStartFailedAgainTest : public AppAccountStartTest,
                                       public testing::WithParamInterface<FailedAgainCase> {};

TEST_P(AppAccountStartFailedAgainTest, LeavesTheHelpMenuOpen) {
  signed_in();
  script_from_now("POST", halvarin::sdk::test::kTokenRoute,
                  {action_step(halvarin::sdk::test::FakeAction::kGarbage), GetParam().repeated_answer});
  const size_t before = account_service().request_count();
  App& app = start_app();
  ASSERT_NE(main_log_->window, nullptr);
  EXPECT_FALSE(app.settings_state().signed_in);
  const int closes = main_log_->help_menu_closes;

  clock_->advance(kStartRetryIntervalNs);
  EXPECT_FALSE(app.settings_state().signed_in);
  ASSERT_TRUE(pump_until_start_ends(1)) << "the background start never ended";

  EXPECT_EQ(main_log_->help_menu_closes, closes);
  EXPECT_FALSE(app.settings_state().signed_in);
  EXPECT_EQ(paths_after(before), (std::vector<std::string>{kToken, kToken}));
  EXPECT_TRUE(message_keys_.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AppAccountStartFailedAgainTest,
    testing::Values(
        FailedAgainCase{"Unreachable", action_step(halvarin::sdk::test::FakeAction::kGarbage)},
        FailedAgainCase{"Busy", halvarin::sdk::test::answer_step(503)}),
    [](const testing::TestParamInfo<FailedAgainCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quorvel::windows
