// The account dialog with the real account client against the fake service
// behind its TLS front, the test browser standing in for the user's: a
// sign-in that the browser completes closes the sign-in dialog by itself,
// and a Cancel before the browser answers closes the loopback listener.
// Skips without the service fixture.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "account/account_actions.h"
#include "account/ui/account_dialog.h"
#include "tests/account/client_fixture.h"
#include "tests/account/test_browser.h"
#include "tests/account/ui/account_ui_fixture.h"

namespace halvarin::sdk::ui {
namespace {

using test::press_key;

class AccountDialogEndToEndTest : public sdk::test::ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    if (IsSkipped()) return;
    hooks_.open_url = [this](const std::wstring& url) {
      return browser_ != nullptr && browser_->open(url);
    };
    app_.set_language(L"en-US");
  }

  AccountOperations operations_of(Client& client) {
    AccountOperations operations;
    operations.sign_in = [&client](std::stop_token stop) {
      return quorvel::windows::sign_in_account(client, stop, "en-US");
    };
    operations.disconnect = [&client] { return quorvel::windows::disconnect_account(client); };
    operations.open_account_details = [&client] {
      return quorvel::windows::open_account_page(client);
    };
    return operations;
  }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  win32_ui::scaffold::Application app_{win32_ui::kThemeModeSystem, win32_ui::kDefaultAccent,
                                       system_};
  test::DialogWatcher watcher_;
  sdk::test::TestBrowser* browser_ = nullptr;
};

TEST_F(AccountDialogEndToEndTest, SigningInClosesTheSignInDialogByItself) {
  std::unique_ptr<Client> client = first_run();
  sdk::test::TestBrowser browser({following()});
  browser_ = &browser;
  watcher_.then(L"Account", [](HWND dialog) { press_key(dialog, VK_RETURN); });

  const AccountDialogResult result =
      show_account_dialog(app_, nullptr, std::nullopt, operations_of(*client), Language::english);
  browser.wait_finished();

  EXPECT_EQ(result.action, kAccountDialogSignedIn);
  EXPECT_EQ(result.error.kind, kErrorNone) << result.error.message;
  ASSERT_TRUE(result.identity.has_value());
  EXPECT_EQ(result.identity->email, "ada@example.com");
  EXPECT_TRUE(client->has_account());
}

TEST_F(AccountDialogEndToEndTest, CancelBeforeTheBrowserAnswersClosesTheListener) {
  std::unique_ptr<Client> client = first_run();
  // A browser that opens the page and never comes back.
  sdk::test::TestBrowser browser;
  browser_ = &browser;
  watcher_.then(L"Account", [](HWND dialog) { press_key(dialog, VK_RETURN); })
      .then(L"Connect a Halvarin account", [&browser](HWND dialog) {
        // The listener is up once the browser was sent to the service.
        browser.wait_opened();
        press_key(dialog, VK_ESCAPE);
      });

  const AccountDialogResult result =
      show_account_dialog(app_, nullptr, std::nullopt, operations_of(*client), Language::english);

  EXPECT_EQ(result.action, kAccountDialogNothing);
  EXPECT_EQ(result.error.kind, kErrorCancelled);
  EXPECT_EQ(result.error.message, "The browser sign-in was cancelled.");
  EXPECT_FALSE(result.identity.has_value());
  EXPECT_EQ(watcher_.pending_steps(), 0u);
  ASSERT_NE(browser.port(), 0);
  EXPECT_EQ(sdk::test::connect_error_on_port(browser.port()), WSAECONNREFUSED);
  EXPECT_FALSE(client->has_account());
}

}  // namespace
}  // namespace halvarin::sdk::ui
