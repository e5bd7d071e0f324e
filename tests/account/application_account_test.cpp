#include "account/application_account.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "account/service_address.h"

namespace quorvel::windows {
namespace {

using halvarin::sdk::ClientConfiguration;

TEST(MakeClientConfigurationTest, FillsEveryFieldForTheApplication) {
  const ClientConfiguration c = make_client_configuration();
  EXPECT_EQ(c.base_url, halvarin::sdk::kServiceRoot);
  EXPECT_EQ(c.client_id, "quorvel.desktop");
  EXPECT_EQ(c.application_id, "quorvel");
  EXPECT_EQ(c.application_version, "1.0.4");
  EXPECT_EQ(c.distribution_channel, "direct");
  EXPECT_EQ(c.recovery_url, "https://www.halvarin.com/quorvel/");
  EXPECT_EQ(c.account_url, "https://www.halvarin.com/user/");
  EXPECT_EQ(c.locale, account_locale_for_language(GetUserDefaultUILanguage()));
  EXPECT_EQ(c.connect_timeout, 10000);
  EXPECT_EQ(c.request_timeout, 30000);
  EXPECT_EQ(c.retry.initial_delay, 150);
  EXPECT_EQ(c.retry.max_delay, 2000);
  EXPECT_EQ(c.retry.max_attempts, 3);
  EXPECT_FALSE(c.cancel_token.stop_possible());
  EXPECT_FALSE(c.allow_loopback_http);
  EXPECT_FALSE(c.allow_test_tls_override);
  EXPECT_TRUE(c.heartbeat_enabled);
}

TEST(MakeClientConfigurationTest, PassesValidation) {
  const halvarin::sdk::Error error = halvarin::sdk::validate_configuration(make_client_configuration());
  EXPECT_EQ(error.kind, halvarin::sdk::kErrorNone) << error.message;
}

TEST(MakeClientConfigurationTest, ServiceRootIsAnHttpsRootWithoutPath) {
  const std::string_view root = halvarin::sdk::kServiceRoot;
  ASSERT_TRUE(root.starts_with("https://"));
  const std::string_view host = root.substr(8);
  EXPECT_FALSE(host.empty());
  EXPECT_EQ(host.find_first_of("/?#@:"), std::string_view::npos);
}

TEST(AccountLocaleTest, ChineseUiLanguagesGiveZhCn) {
  struct Case {
    LANGID language;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {0x0804, "zh-CN"},  // Chinese (PRC)
      {0x0404, "zh-CN"},  // Chinese (Taiwan)
      {0x0C04, "zh-CN"},  // Chinese (Hong Kong SAR)
      {0x1004, "zh-CN"},  // Chinese (Singapore)
      {0x7C04, "zh-CN"},  // Chinese (Traditional), neutral
      {0x0004, "zh-CN"},  // Chinese, neutral
      {0x0409, "en-US"},  // English (United States)
      {0x0809, "en-US"},  // English (United Kingdom)
      {0x0411, "en-US"},  // Japanese
      {0x0412, "en-US"},  // Korean
      {0x0407, "en-US"},  // German
      {0x0000, "en-US"},
      {0x0404 | 0x0400, "zh-CN"},  // only the low 10 bits count
      {0x0C05, "en-US"},  // Czech: sublanguage bits do not make it Chinese
  };
  for (const Case& c : cases) {
    EXPECT_EQ(account_locale_for_language(c.language), c.expected) << std::hex << c.language;
  }
}

TEST(LoopbackDevelopmentRootTest, AcceptsPlainHttpLoopbackPrefixesOnly) {
  struct Case {
    std::string root;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"http://127.0.0.1", true},  // exactly 16 bytes
      {"http://127.0.0.1:8080", true},
      {"http://localhost", true},
      {"http://localhost:8080", true},
      {"http://127.0.0.", false},  // 15 bytes
      {"http://localhos", false},
      {"http://[::1]:1", false},
      {"https://127.0.0.1:8080", false},
      {"HTTP://localhost:8080", false},
      {std::string(halvarin::sdk::kServiceRoot), false},
      {"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_loopback_development_root(c.root), c.expected) << c.root;
  }
}

}  // namespace
}  // namespace quorvel::windows
