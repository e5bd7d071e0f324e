#include "account/client_configuration.h"

#include <functional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace halvarin::sdk {
namespace {

constexpr const char* kPasses = "";
constexpr const char* kRule1 = "base_url is required";
constexpr const char* kRule2 =
    "base_url must use HTTPS; HTTP is limited to explicit loopback development";
constexpr const char* kRule3 = "base_url must not have a trailing slash";
constexpr const char* kRule4 = "recovery_url must be an HTTPS URL";
constexpr const char* kRule5 = "account_url must be an HTTPS URL";
constexpr const char* kRule6 = "client_id must be a stable ASCII identifier";
constexpr const char* kRule7 = "application_id must be a stable ASCII identifier";
constexpr const char* kRule8 = "application_version is invalid";
constexpr const char* kRule9 = "distribution_channel must be a stable ASCII identifier";
constexpr const char* kRule10 = "locale is invalid";
constexpr const char* kRule11 = "timeouts must be greater than zero";
constexpr const char* kRule12 = "connect_timeout must not exceed request_timeout";
constexpr const char* kRule13 = "retry policy is invalid";

// A configuration that passes every rule; each case changes what it tests.
ClientConfiguration valid_configuration() {
  ClientConfiguration c;
  c.base_url = "https://account.example.test";
  c.client_id = "quorvel.desktop";
  c.application_id = "quorvel";
  return c;
}

struct ValidationCase {
  const char* name;
  std::function<void(ClientConfiguration&)> change;
  const char* expected;
};

std::string https_url_of(size_t bytes) {
  const std::string prefix = "https://example.test/";
  return prefix + std::string(bytes - prefix.size(), 'p');
}

const std::vector<ValidationCase>& validation_cases() {
  static const std::vector<ValidationCase> cases = {
      {"unchanged", [](ClientConfiguration&) {}, kPasses},
      {"scheme only passes rules 1 to 3", [](auto& c) { c.base_url = "https://"; }, kPasses},
      {"empty base_url", [](auto& c) { c.base_url.clear(); }, kRule1},
      {"empty base_url and locale: first rule only",
       [](auto& c) { c.base_url.clear(); c.locale.clear(); }, kRule1},
      {"HTTPS prefix is case-sensitive", [](auto& c) { c.base_url = "HTTPS://x.test"; }, kRule2},
      {"plain HTTP to another host", [](auto& c) { c.base_url = "http://example.com:80"; }, kRule2},
      {"plain HTTP host with the flag",
       [](auto& c) { c.base_url = "http://example.com:80"; c.allow_loopback_http = true; }, kRule2},
      {"loopback with a port without the flag",
       [](auto& c) { c.base_url = "http://127.0.0.1:8080"; }, kRule2},
      {"loopback with a port and the flag",
       [](auto& c) { c.base_url = "http://127.0.0.1:8080"; c.allow_loopback_http = true; }, kPasses},
      {"localhost with a port and the flag",
       [](auto& c) { c.base_url = "http://localhost:8080"; c.allow_loopback_http = true; }, kPasses},
      {"IPv6 loopback with a port and the flag",
       [](auto& c) { c.base_url = "http://[::1]:1"; c.allow_loopback_http = true; }, kPasses},
      {"localhost without a colon and the flag",
       [](auto& c) { c.base_url = "http://localhost"; c.allow_loopback_http = true; }, kRule2},
      {"127.0.0.1 without a colon and the flag",
       [](auto& c) { c.base_url = "http://127.0.0.1"; c.allow_loopback_http = true; }, kRule2},
      // The loopback rule is a prefix test: with the flag this root, whose
      // host is evil.example, passes. Harmless while base_url is built in.
      {"prefix test lets userinfo through with the flag",
       [](auto& c) { c.base_url = "http://localhost:1@evil.example"; c.allow_loopback_http = true; },
       kPasses},
      {"HTTPS root with a trailing slash",
       [](auto& c) { c.base_url = "https://account.example.test/"; }, kRule3},
      {"a slash behind the scheme is a trailing slash",
       [](auto& c) { c.base_url = "https:///"; }, kRule3},
      {"HTTPS root with a path and a trailing slash",
       [](auto& c) { c.base_url = "https://account.example.test/api/"; }, kRule3},
      {"loopback root with a trailing slash",
       [](auto& c) { c.base_url = "http://127.0.0.1:9/"; c.allow_loopback_http = true; }, kRule3},
      {"empty recovery_url", [](auto& c) { c.recovery_url.clear(); }, kPasses},
      {"empty account_url", [](auto& c) { c.account_url.clear(); }, kPasses},
      {"plain HTTP recovery_url", [](auto& c) { c.recovery_url = "http://example.test/"; }, kRule4},
      {"2048-byte recovery_url", [](auto& c) { c.recovery_url = https_url_of(2048); }, kPasses},
      {"2049-byte recovery_url", [](auto& c) { c.recovery_url = https_url_of(2049); }, kRule4},
      {"plain HTTP account_url", [](auto& c) { c.account_url = "http://example.test/user/"; }, kRule5},
      {"2049-byte account_url", [](auto& c) { c.account_url = https_url_of(2049); }, kRule5},
      {"one-letter client_id", [](auto& c) { c.client_id = "q"; }, kPasses},
      {"128-byte client_id", [](auto& c) { c.client_id = std::string(128, 'a'); }, kPasses},
      {"129-byte client_id", [](auto& c) { c.client_id = std::string(129, 'a'); }, kRule6},
      {"empty client_id", [](auto& c) { c.client_id.clear(); }, kRule6},
      {"client_id with a blank", [](auto& c) { c.client_id = "quorvel desktop"; }, kRule6},
      {"client_id beginning with a dot", [](auto& c) { c.client_id = ".quorvel"; }, kRule6},
      {"client_id ending with a hyphen", [](auto& c) { c.client_id = "quorvel-"; }, kRule6},
      {"client_id beginning with an underscore", [](auto& c) { c.client_id = "_quorvel"; }, kRule6},
      {"empty application_id", [](auto& c) { c.application_id.clear(); }, kRule7},
      {"application_id ending with a dot", [](auto& c) { c.application_id = "quorvel."; }, kRule7},
      {"empty application_version", [](auto& c) { c.application_version.clear(); }, kRule8},
      {"64-byte application_version of any bytes",
       [](auto& c) { c.application_version = std::string(64, '\xFF'); }, kPasses},
      {"65-byte application_version",
       [](auto& c) { c.application_version = std::string(65, '1'); }, kRule8},
      {"32-byte channel", [](auto& c) { c.distribution_channel = std::string(32, 'c'); }, kPasses},
      {"33-byte channel", [](auto& c) { c.distribution_channel = std::string(33, 'c'); }, kRule9},
      {"channel ending with an underscore",
       [](auto& c) { c.distribution_channel = "store_"; }, kRule9},
      {"empty locale", [](auto& c) { c.locale.clear(); }, kRule10},
      {"32-byte locale", [](auto& c) { c.locale = std::string(32, 'x'); }, kPasses},
      {"33-byte locale", [](auto& c) { c.locale = std::string(33, 'x'); }, kRule10},
      {"zero connect_timeout", [](auto& c) { c.connect_timeout = 0; }, kRule11},
      {"negative request_timeout", [](auto& c) { c.request_timeout = -1; }, kRule11},
      {"equal time-outs",
       [](auto& c) { c.connect_timeout = 5000; c.request_timeout = 5000; }, kPasses},
      {"connect longer than request",
       [](auto& c) { c.connect_timeout = 5001; c.request_timeout = 5000; }, kRule12},
      {"eight attempts", [](auto& c) { c.retry.max_attempts = 8; }, kPasses},
      {"one attempt", [](auto& c) { c.retry.max_attempts = 1; }, kPasses},
      {"no attempts", [](auto& c) { c.retry.max_attempts = 0; }, kRule13},
      {"nine attempts", [](auto& c) { c.retry.max_attempts = 9; }, kRule13},
      {"zero initial delay", [](auto& c) { c.retry.initial_delay = 0; }, kPasses},
      {"negative initial delay", [](auto& c) { c.retry.initial_delay = -1; }, kRule13},
      {"max delay equal to the initial delay",
       [](auto& c) { c.retry.initial_delay = 300; c.retry.max_delay = 300; }, kPasses},
      {"zero delays",
       [](auto& c) { c.retry.initial_delay = 0; c.retry.max_delay = 0; }, kPasses},
      {"max delay below the initial delay",
       [](auto& c) { c.retry.initial_delay = 300; c.retry.max_delay = 299; }, kRule13},
  };
  return cases;
}

TEST(ValidateConfigurationTest, ReturnsTheMessageOfTheFirstBrokenRule) {
  for (const ValidationCase& c : validation_cases()) {
    ClientConfiguration configuration = valid_configuration();
    c.change(configuration);
    const Error error = validate_configuration(configuration);
    if (*c.expected == '\0') {
      EXPECT_EQ(error.kind, kErrorNone) << c.name << ": " << error.message;
      EXPECT_EQ(error.message, "") << c.name;
    } else {
      EXPECT_EQ(error.kind, kErrorConfigurationInvalid) << c.name;
      EXPECT_EQ(error.message, c.expected) << c.name;
    }
    EXPECT_EQ(error.code, "") << c.name;
    EXPECT_EQ(error.request_id, "") << c.name;
    EXPECT_EQ(error.http_status, 0) << c.name;
  }
}

TEST(ValidateConfigurationTest, DefaultRecordFailsOnlyForItsMissingBaseUrl) {
  ClientConfiguration configuration;
  EXPECT_EQ(validate_configuration(configuration).message, kRule1);
  configuration.base_url = "https://account.example.test";
  EXPECT_EQ(validate_configuration(configuration).message, kRule6);
  configuration.client_id = "c";
  configuration.application_id = "a";
  EXPECT_EQ(validate_configuration(configuration).kind, kErrorNone);
}

TEST(IsStableIdentifierTest, AcceptsAsciiWordsJoinedByDotsHyphensAndUnderscores) {
  struct Case {
    std::string text;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"a", true},
      {"Z", true},
      {"7", true},
      {"quorvel.desktop", true},
      {"a-b_c.d9", true},
      {"a..b", true},
      {std::string(128, 'x'), true},
      {std::string(129, 'x'), false},
      {"", false},
      {"a b", false},
      {".a", false},
      {"a.", false},
      {"-a", false},
      {"a-", false},
      {"_a", false},
      {"a_", false},
      {".", false},
      {"a/b", false},
      {"a+b", false},
      {"caf\xC3\xA9", false},
      {std::string("a\0b", 3), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_stable_identifier(c.text), c.expected) << c.text;
  }
}

TEST(MakeConfigurationErrorTest, CarriesTheMessageAsKindTwo) {
  const Error error = make_configuration_error("The sign-in operation is not available.");
  EXPECT_EQ(error.kind, kErrorConfigurationInvalid);
  EXPECT_EQ(error.message, "The sign-in operation is not available.");
  EXPECT_EQ(error.code, "");
  EXPECT_EQ(error.request_id, "");
  EXPECT_EQ(error.http_status, 0);
}

TEST(ClientConfigurationTest, DefaultsMatchTheRecord) {
  const ClientConfiguration c;
  EXPECT_EQ(c.base_url, "");
  EXPECT_EQ(c.client_id, "");
  EXPECT_EQ(c.application_id, "");
  EXPECT_EQ(c.application_version, "unknown");
  EXPECT_EQ(c.distribution_channel, "direct");
  EXPECT_EQ(c.recovery_url, kServiceSiteRootPage);
  EXPECT_EQ(c.account_url, kAccountPage);
  EXPECT_TRUE(c.account_url.ends_with("/user/"));
  EXPECT_EQ(c.locale, "en-US");
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

// Every string field set to a long value (past any small-string buffer) and
// every other field changed from its default.
ClientConfiguration filled_configuration(const std::stop_source& stop) {
  ClientConfiguration c;
  const std::string tail(40, 'z');
  c.base_url = "https://account.example.test" + tail;
  c.client_id = "client" + tail;
  c.application_id = "app" + tail;
  c.application_version = "9.9" + tail;
  c.distribution_channel = "store";
  c.recovery_url = "https://example.test/product/" + tail;
  c.account_url = "https://example.test/user/" + tail;
  c.locale = "zh-CN";
  c.connect_timeout = 1;
  c.request_timeout = 2;
  c.retry = {3, 4, 5};
  c.cancel_token = stop.get_token();
  c.allow_loopback_http = true;
  c.allow_test_tls_override = true;
  c.heartbeat_enabled = false;
  return c;
}

void expect_emptied(const ClientConfiguration& c) {
  EXPECT_EQ(c.base_url, "");
  EXPECT_EQ(c.client_id, "");
  EXPECT_EQ(c.application_id, "");
  EXPECT_EQ(c.application_version, "");
  EXPECT_EQ(c.distribution_channel, "");
  EXPECT_EQ(c.recovery_url, "");
  EXPECT_EQ(c.account_url, "");
  EXPECT_EQ(c.locale, "");
  EXPECT_FALSE(c.cancel_token.stop_possible());
}

void expect_filled(const ClientConfiguration& c, const ClientConfiguration& expected) {
  EXPECT_EQ(c.base_url, expected.base_url);
  EXPECT_EQ(c.client_id, expected.client_id);
  EXPECT_EQ(c.application_id, expected.application_id);
  EXPECT_EQ(c.application_version, expected.application_version);
  EXPECT_EQ(c.distribution_channel, expected.distribution_channel);
  EXPECT_EQ(c.recovery_url, expected.recovery_url);
  EXPECT_EQ(c.account_url, expected.account_url);
  EXPECT_EQ(c.locale, expected.locale);
  EXPECT_EQ(c.connect_timeout, 1);
  EXPECT_EQ(c.request_timeout, 2);
  EXPECT_EQ(c.retry.initial_delay, 3);
  EXPECT_EQ(c.retry.max_delay, 4);
  EXPECT_EQ(c.retry.max_attempts, 5);
  EXPECT_TRUE(c.cancel_token.stop_possible());
  EXPECT_TRUE(c.allow_loopback_http);
  EXPECT_TRUE(c.allow_test_tls_override);
  EXPECT_FALSE(c.heartbeat_enabled);
}

TEST(ClientConfigurationTest, MoveConstructionEmptiesTheSource) {
  std::stop_source stop;
  const ClientConfiguration expected = filled_configuration(stop);
  ClientConfiguration source = filled_configuration(stop);
  const ClientConfiguration target(std::move(source));
  expect_filled(target, expected);
  expect_emptied(source);
  stop.request_stop();
  EXPECT_TRUE(target.cancel_token.stop_requested());
  EXPECT_FALSE(source.cancel_token.stop_requested());
}

TEST(ClientConfigurationTest, MoveAssignmentEmptiesTheSource) {
  std::stop_source stop;
  const ClientConfiguration expected = filled_configuration(stop);
  ClientConfiguration source = filled_configuration(stop);
  ClientConfiguration target = valid_configuration();
  target = std::move(source);
  expect_filled(target, expected);
  expect_emptied(source);

  // Short strings, held inside the string object itself, are emptied too.
  ClientConfiguration defaults;
  ClientConfiguration other;
  other = std::move(defaults);
  EXPECT_EQ(other.locale, "en-US");
  expect_emptied(defaults);
}

TEST(ClientConfigurationTest, CopiesShareTheCancelToken) {
  std::stop_source stop;
  const ClientConfiguration original = filled_configuration(stop);
  ClientConfiguration copy = original;
  expect_filled(copy, original);
  expect_filled(original, copy);
  stop.request_stop();
  EXPECT_TRUE(copy.cancel_token.stop_requested());
}

}  // namespace
}  // namespace halvarin::sdk
