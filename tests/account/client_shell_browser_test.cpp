// A sign-in through the real ShellExecuteW: the client opens the authorize
// URL with the shell, and the test prefix's web browser (a host program the
// CTest fixture registers with Wine) fetches it from the fake service and
// follows the redirect to the loopback listener. Skips without that
// fixture, so that no real browser is ever started.
#include "account/client.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/account/client_fixture.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk::test {
namespace {

constexpr char kNoShellBrowser[] = "no test web browser registered in the Wine prefix";

class ClientShellBrowserTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    if (IsSkipped()) return;
    const std::map<std::string, std::string> ports =
        quorvel::test::fixture_ports(L"QUORVEL_ACCOUNT_SERVICE_DIR");
    if (ports.count("shell_browser") == 0) GTEST_SKIP() << kNoShellBrowser;
    hooks_.open_url = open_url_in_browser;
  }
};

TEST_F(ClientShellBrowserTest, SignsInThroughTheShellAndTheHostBrowser) {
  std::unique_ptr<Client> client = first_run();
  const size_t before = account_service().request_count();
  options_.browser_timeout = 30;

  const AuthResult result = client->sign_in_interactive(options_);
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(paths_after(before),
            (std::vector<std::string>{kContext, kAuthorize, kToken, kKeySet, kClaim}));
  const FakeRequest authorize = requests_after(before).at(1);
  EXPECT_TRUE(authorize.header("User-Agent").starts_with("Python-urllib"))
      << authorize.header("User-Agent");
  EXPECT_EQ(result.email, "ada@example.com");
  EXPECT_TRUE(client->has_account());
}

}  // namespace
}  // namespace halvarin::sdk::test
