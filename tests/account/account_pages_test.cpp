// Opening the account-management and product-support pages through a
// recording open-URL hook: which URL reaches the browser, and the refusals.
#include "account/account_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace halvarin::sdk {
namespace {

using quorvel::test::utf8;

// Records every URL handed to the browser and answers `opens`.
struct RecordingBrowser {
  bool opens = true;
  std::vector<std::wstring> urls;

  PlatformHooks hooks() {
    PlatformHooks hooks;
    hooks.open_url = [this](const std::wstring& url) {
      urls.push_back(url);
      return opens;
    };
    return hooks;
  }
};

TEST(SupportPageUrlTest, DerivesTheSupportPageOfAnHttpsProductPage) {
  struct Case {
    std::string recovery_url;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"https://x/quorvel/", "https://x/quorvel/support/"},
      {"https://x/quorvel///", "https://x/quorvel/support/"},
      {"https://x/quorvel", "https://x/quorvel/support/"},
      {"https://x", "https://x/support/"},
      {"https://x/quorvel/?lang=en", ""},
      {"https://x/quorvel/#top", ""},
      {"http://x/quorvel/", ""},
      {"HTTPS://x/quorvel/", ""},
      {"https://", ""},
      {"https:///", ""},
      {"https:////", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(support_page_url(c.recovery_url), c.expected) << c.recovery_url;
  }
}

TEST(AccountPagesTest, HandsTheBrowserTheExactUrl) {
  ClientConfiguration configuration;
  configuration.account_url = "https://www.halvarin.com/user/\xC3\xA9t\xC3\xA9";
  configuration.recovery_url = "https://www.halvarin.com/quorvel//";
  RecordingBrowser browser;
  EXPECT_EQ(open_account_management_page(configuration, browser.hooks()).kind, kErrorNone);
  EXPECT_EQ(open_product_support_page(configuration, browser.hooks()).kind, kErrorNone);
  ASSERT_EQ(browser.urls.size(), 2u);
  EXPECT_EQ(browser.urls[0], L"https://www.halvarin.com/user/\u00e9t\u00e9");
  EXPECT_EQ(browser.urls[1], L"https://www.halvarin.com/quorvel/support/");
}

TEST(AccountPagesTest, RefusesWhatCannotBeOpenedWithThePagesName) {
  struct Case {
    const char* name;
    std::string account_url;
    std::string recovery_url;
    bool support;
    bool browser_opens;
    int32_t kind;
    std::string message;
    size_t browser_calls;
  };
  const std::string product = "https://x/quorvel/";
  const std::vector<Case> cases = {
      {"no account URL", "", product, false, true, kErrorConfigurationInvalid,
       "No account management URL is configured.", 0},
      {"no product page", "https://x/user/", "", true, true, kErrorConfigurationInvalid,
       "No product support URL is configured.", 0},
      {"a product page with a query", "https://x/user/", "https://x/q?a=1", true, true,
       kErrorConfigurationInvalid, "No product support URL is configured.", 0},
      {"an account URL that is not UTF-8", "https://x/user/\xC3\x28", product, false, true,
       kErrorConfigurationInvalid, "The account management URL is invalid.", 0},
      {"the browser refuses the support page", "https://x/user/", product, true, false,
       kErrorBrowser, "The product support page could not be opened.", 1},
      {"the browser refuses the account page", "https://x/user/", product, false, false,
       kErrorBrowser, "The account management page could not be opened.", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClientConfiguration configuration;
    configuration.account_url = c.account_url;
    configuration.recovery_url = c.recovery_url;
    RecordingBrowser browser;
    browser.opens = c.browser_opens;
    const Error error = c.support ? open_product_support_page(configuration, browser.hooks())
                                  : open_account_management_page(configuration, browser.hooks());
    EXPECT_EQ(error.kind, c.kind);
    EXPECT_EQ(error.message, c.message);
    EXPECT_TRUE(error.code.empty());
    EXPECT_EQ(error.http_status, 0);
    EXPECT_EQ(browser.urls.size(), c.browser_calls);
  }
}

TEST(AccountPagesTest, OpenConfiguredPageNamesThePageItWasGiven) {
  RecordingBrowser browser;
  const Error empty = open_configured_page("", "product support", browser.hooks());
  EXPECT_EQ(empty.message, "No product support URL is configured.");
  const Error invalid = open_configured_page("https://x/\xFF", "product support", browser.hooks());
  EXPECT_EQ(invalid.kind, kErrorConfigurationInvalid);
  EXPECT_EQ(invalid.message, "The product support URL is invalid.");
  EXPECT_TRUE(browser.urls.empty());
  EXPECT_EQ(open_configured_page("https://x/", "account management", browser.hooks()).kind,
            kErrorNone);
  ASSERT_EQ(browser.urls.size(), 1u);
  EXPECT_EQ(utf8(browser.urls[0]), "https://x/");
}

}  // namespace
}  // namespace halvarin::sdk
