#include "account/authorize_url.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace halvarin::sdk {
namespace {

ClientConfiguration service(std::string locale) {
  ClientConfiguration configuration;
  configuration.base_url = "https://account.example.test";
  configuration.client_id = "quorvel desktop";
  configuration.locale = std::move(locale);
  return configuration;
}

TEST(AuthorizeUrlTest, BuildsTheRedirectUriFromThePort) {
  EXPECT_EQ(loopback_redirect_uri(1), "http://127.0.0.1:1/callback");
  EXPECT_EQ(loopback_redirect_uri(50123), "http://127.0.0.1:50123/callback");
  EXPECT_EQ(loopback_redirect_uri(65535), "http://127.0.0.1:65535/callback");
}

TEST(AuthorizeUrlTest, EncodesEveryValueInItsFixedPlace) {
  const AuthorizeRequest request{.redirect_uri = "http://127.0.0.1:50123/callback",
                                 .scopes = "openid profile email offline_access",
                                 .code_challenge = "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM",
                                 .state = "st+te/1",
                                 .nonce = "n~o_n.c-e",
                                 .context_id = "ctx:42 &x"};
  EXPECT_EQ(make_authorize_url(service("en-US"), request),
            "https://account.example.test/oauth/authorize?response_type=code"
            "&client_id=quorvel%20desktop"
            "&redirect_uri=http%3A%2F%2F127.0.0.1%3A50123%2Fcallback"
            "&scope=openid%20profile%20email%20offline_access"
            "&state=st%2Bte%2F1"
            "&nonce=n~o_n.c-e"
            "&code_challenge=E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"
            "&code_challenge_method=S256"
            "&ui_locales=en-US"
            "&installation_authorization=ctx%3A42%20%26x");
}

TEST(AuthorizeUrlTest, LeavesTheInstallationOutWithoutAContextId) {
  const AuthorizeRequest request{.redirect_uri = "http://127.0.0.1:7/callback",
                                 .scopes = "openid",
                                 .code_challenge = "c",
                                 .state = "s",
                                 .nonce = "n",
                                 .context_id = ""};
  EXPECT_EQ(make_authorize_url(service("zh"), request),
            "https://account.example.test/oauth/authorize?response_type=code"
            "&client_id=quorvel%20desktop&redirect_uri=http%3A%2F%2F127.0.0.1%3A7%2Fcallback"
            "&scope=openid&state=s&nonce=n&code_challenge=c&code_challenge_method=S256"
            "&ui_locales=zh-CN");
}

TEST(AuthorizeUrlTest, AsksForThePageLocaleOfTheConfiguration) {
  struct Case {
    std::string locale;
    std::string expected;
  };
  const std::vector<Case> cases = {{"zh", "zh-CN"},     {"ZH_tw", "zh-CN"}, {"zhx", "en-US"},
                                   {"en-GB", "en-US"},  {"", "en-US"}};
  const AuthorizeRequest request{.redirect_uri = "r", .scopes = "openid", .code_challenge = "c",
                                 .state = "s", .nonce = "n", .context_id = ""};
  for (const Case& c : cases) {
    EXPECT_TRUE(make_authorize_url(service(c.locale), request)
                    .ends_with("&code_challenge_method=S256&ui_locales=" + c.expected))
        << c.locale;
  }
}

}  // namespace
}  // namespace halvarin::sdk
