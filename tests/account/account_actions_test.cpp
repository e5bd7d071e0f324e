// The application's account actions against the fake service: the client
// they create is started once, and each action reaches the client with what
// the application asks for.
#include "account/account_actions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "account/account_pages.h"
#include "tests/account/client_fixture.h"
#include "tests/support/counting_clock.h"

namespace halvarin::sdk::test {
namespace {

using Paths = std::vector<std::string>;
using quorvel::windows::test::CountingClock;

std::map<std::string, std::string> query_of(const std::string& url) {
  const size_t question = url.find('?');
  if (question == std::string::npos) return {};
  return parse_form(url.substr(question + 1)).value_or(std::map<std::string, std::string>{});
}

class AccountActionsTest : public ClientTest {};

TEST_F(AccountActionsTest, MakingTheClientRunsTheFirstRunOnce) {
  Client client = quorvel::windows::make_account_client(configuration_, hooks_);
  EXPECT_EQ(paths_after(0), (Paths{kInitialize, kHeartbeat}));
  EXPECT_EQ(session_text(), session_text_of(latest_anonymous_refresh()));
  EXPECT_FALSE(quorvel::windows::has_account(client));
  EXPECT_EQ(client.start().kind, kErrorNone);
  EXPECT_EQ(account_service().request_count(), 2u);
}

TEST_F(AccountActionsTest, MakingTheClientIgnoresAFailedStartAndKeepsIt) {
  account_service().script("POST", kInitializeRoute,
                           {answer_step(403, R"({"code":"AUTH_FORBIDDEN"})")});
  Client client = quorvel::windows::make_account_client(configuration_, hooks_);
  EXPECT_EQ(paths_after(0), (Paths{kInitialize}));
  const Error kept = client.start();
  EXPECT_EQ(kept.kind, kErrorRejected);
  EXPECT_EQ(kept.code, "AUTH_FORBIDDEN");
  EXPECT_FALSE(quorvel::windows::query_account(client).has_value());
  EXPECT_EQ(account_service().request_count(), 1u);
}

TEST_F(AccountActionsTest, QueriesDisconnectAndPagesReachTheClient) {
  configuration_.account_url = "https://accounts.example.test/user/";
  configuration_.recovery_url = "https://www.example.test/quorvel/";
  std::vector<std::wstring> opened;
  bool opens = true;
  std::unique_ptr<Client> signed_in_client = signed_in();
  signed_in_client.reset();
  // A restart of the signed-in application, whose pages are recorded.
  hooks_.open_url = [&](const std::wstring& url) {
    opened.push_back(url);
    return opens;
  };
  Client client = quorvel::windows::make_account_client(configuration_, hooks_);

  const std::optional<AccountIdentity> identity = quorvel::windows::query_account(client);
  ASSERT_TRUE(identity.has_value());
  EXPECT_EQ(identity->access_token, oauth().issued().back().access_token);
  EXPECT_EQ(identity->email, "ada@example.com");
  EXPECT_TRUE(quorvel::windows::has_account(client));

  EXPECT_EQ(quorvel::windows::open_account_page(client).kind, kErrorNone);
  EXPECT_EQ(quorvel::windows::open_support_page(client).kind, kErrorNone);
  EXPECT_EQ(opened, (std::vector<std::wstring>{L"https://accounts.example.test/user/",
                                               L"https://www.example.test/quorvel/support/"}));
  opens = false;
  const Error refused = quorvel::windows::open_support_page(client);
  EXPECT_EQ(refused.kind, kErrorBrowser);
  EXPECT_EQ(refused.message, open_product_support_page(configuration_, hooks_).message);

  const size_t before = account_service().request_count();
  EXPECT_EQ(quorvel::windows::disconnect_account(client).kind, kErrorNone);
  EXPECT_EQ(paths_after(before), (Paths{kDisconnect, kHeartbeat}));
  EXPECT_FALSE(quorvel::windows::query_account(client).has_value());
  EXPECT_FALSE(quorvel::windows::has_account(client));
}

TEST_F(AccountActionsTest, SignInAsksForTheApplicationsScopesLocaleAndThreeMinutes) {
  auto clock = std::make_shared<CountingClock>();
  hooks_.steady_clock = clock;
  TestBrowser browser;  // never comes back
  hooks_.open_url = [&browser](const std::wstring& url) { return browser.open(url); };
  Client client = quorvel::windows::make_account_client(configuration_, hooks_);
  const int64_t reads_after_start = clock->reads();

  std::promise<AuthResult> outcome;
  std::future<AuthResult> result = outcome.get_future();
  std::stop_source stop;
  std::thread worker([&] {
    outcome.set_value(quorvel::windows::sign_in_account(client, stop.get_token(), "zh-CN"));
  });
  ASSERT_TRUE(browser.wait_opened());
  const std::map<std::string, std::string> query = query_of(browser.authorize_url());
  EXPECT_EQ(query.at("scope"), "openid profile email offline_access");
  EXPECT_EQ(query.at("ui_locales"), "zh-CN");

  // The browser wait's first read of the clock places its deadline; it
  // runs out after exactly 180 s of the hooks' clock.
  EXPECT_TRUE(clock->wait_for_reads(reads_after_start + 1));
  const int64_t reads = clock->reads();
  clock->advance(180 * kNsPerSecond - 1);
  // Three more reads: a whole pass has seen the last nanosecond and waited on.
  EXPECT_TRUE(clock->wait_for_reads(reads + 3));
  EXPECT_NE(result.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  clock->advance(1);
  const bool ended = result.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  if (!ended) stop.request_stop();
  worker.join();
  ASSERT_TRUE(ended) << "the sign-in did not end at its deadline";
  const AuthResult signed_in = result.get();
  EXPECT_EQ(signed_in.error.kind, kErrorTimeout) << signed_in.error.message;
  EXPECT_EQ(signed_in.error.message, "Timed out waiting for browser sign-in.");
}

TEST_F(AccountActionsTest, SignInEndsWithTheStopOfItsToken) {
  TestBrowser browser;  // never comes back
  hooks_.open_url = [&browser](const std::wstring& url) { return browser.open(url); };
  Client client = quorvel::windows::make_account_client(configuration_, hooks_);

  AuthResult result;
  std::stop_source stop;
  std::thread worker([&] {
    result = quorvel::windows::sign_in_account(client, stop.get_token(), "en-US");
  });
  ASSERT_TRUE(browser.wait_opened());
  EXPECT_EQ(query_of(browser.authorize_url()).at("ui_locales"), "en-US");
  stop.request_stop();
  worker.join();
  EXPECT_EQ(result.error.kind, kErrorCancelled) << result.error.message;
  EXPECT_FALSE(quorvel::windows::has_account(client));
}

}  // namespace
}  // namespace halvarin::sdk::test
