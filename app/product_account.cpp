#include "app/product_account.h"

#include <utility>

#include "account/account_actions.h"
#include "account/client.h"
#include "account/error.h"

namespace quorvel::windows {
namespace {

class ProductAccount final : public AccountPort {
 public:
  ProductAccount() : client_(make_account_client()) {}

  bool has_account() const override { return quorvel::windows::has_account(client_); }
  std::optional<halvarin::sdk::AccountIdentity> query_account() override {
    return quorvel::windows::query_account(client_);
  }
  halvarin::sdk::AuthResult sign_in(std::stop_token stop_token, std::string locale) override {
    return sign_in_account(client_, std::move(stop_token), std::move(locale));
  }
  halvarin::sdk::Error disconnect() override { return disconnect_account(client_); }
  halvarin::sdk::Error open_account_page() override {
    return quorvel::windows::open_account_page(client_);
  }
  bool open_support_page() override {
    return succeeded(quorvel::windows::open_support_page(client_));
  }

 private:
  static bool succeeded(const halvarin::sdk::Error& error) {
    return error.kind == halvarin::sdk::kErrorNone;
  }

  halvarin::sdk::Client client_;
};

}  // namespace

std::unique_ptr<AccountPort> make_product_account() { return std::make_unique<ProductAccount>(); }

}  // namespace quorvel::windows
