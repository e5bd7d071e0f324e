// The installation requests' bodies, byte for byte, written out here from
// their layout: compact JSON, string members in a fixed order.
#include "account/installation_body.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace halvarin::sdk {
namespace {

const std::string kId = "AAAABBBBCCCCDDDDEEEEFFFFGGGGHHHH";
const std::string kCredential = "credential-0123456789abcdefghijklmnopqrstuv";
const std::string kNext = "next-credential-0123456789abcdefghijklmnopq";

ClientConfiguration configuration() {
  ClientConfiguration configuration;
  configuration.application_id = "quorvel";
  return configuration;
}

TEST(InstallationBodyTest, WritesTheMembersInOrderWithoutBlanks) {
  struct Case {
    const char* name;
    std::string next;
    std::string fingerprint;
    std::string expected;
  };
  const std::string head = R"({"application_code":"quorvel","installation_id":")" + kId +
                           R"(","credential":")" + kCredential + "\"";
  const std::vector<Case> cases = {
      {"initialize and restore", "", "", head + "}"},
      {"claim", kNext, "", head + R"(,"next_credential":")" + kNext + "\"}"},
      {"initialize with a fingerprint", "", "fp-1", head + R"(,"fingerprint":"fp-1"})"},
      {"both", kNext, "fp-1",
       head + R"(,"next_credential":")" + kNext + R"(","fingerprint":"fp-1"})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(
        build_installation_body(configuration(), {kId, kCredential, false}, c.next, c.fingerprint),
        c.expected);
  }
}

TEST(InstallationBodyTest, DisconnectSendsTheApplicationThenThePlatformCredential) {
  EXPECT_EQ(build_disconnect_body(configuration(), {kId, kNext, true}, kCredential),
            R"({"application_code":"quorvel","installation_id":")" + kId + R"(","credential":")" +
                kNext + R"(","platform_credential":")" + kCredential + "\"}");
}

TEST(InstallationBodyTest, EscapesQuotesBackslashesAndControlBytes) {
  const std::string body = build_installation_body(
      configuration(), {"id\"with\\slash\x01", "cred\nline", false}, {}, {});
  EXPECT_EQ(body, R"({"application_code":"quorvel","installation_id":"id\"with\\slash\u0001",)"
                  R"("credential":"cred\nline"})");
}

}  // namespace
}  // namespace halvarin::sdk
