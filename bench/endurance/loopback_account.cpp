#include "bench/endurance/loopback_account.h"

#include <optional>
#include <string>
#include <utility>

#include "account/account_actions.h"
#include "account/client_configuration.h"
#include "account/connectivity_hint.h"
#include "account/platform_hooks.h"
#include "tests/account/fake_account_service.h"
#include "tests/account/fake_installation_model.h"
#include "tests/account/fake_oauth_model.h"
#include "tests/account/scoped_local_app_data.h"

namespace quorvel::bench {
namespace {

namespace sdk = halvarin::sdk;

constexpr char kClientId[] = "quorvel.desktop";

// The product's account port, on a client of the loopback service.
class LoopbackAccount final : public windows::AccountPort {
 public:
  explicit LoopbackAccount(sdk::Client client) : client_(std::move(client)) {}

  bool has_account() const override { return windows::has_account(client_); }
  std::optional<sdk::AccountIdentity> query_account() override {
    return windows::query_account(client_);
  }
  sdk::AuthResult sign_in(std::stop_token stop_token, std::string locale) override {
    return windows::sign_in_account(client_, std::move(stop_token), std::move(locale));
  }
  sdk::Error disconnect() override { return windows::disconnect_account(client_); }
  sdk::Error open_account_page() override { return windows::open_account_page(client_); }
  bool open_support_page() override {
    return windows::open_support_page(client_).kind == sdk::kErrorNone;
  }

 private:
  sdk::Client client_;
};

}  // namespace

struct LoopbackAccountService::Models {
  sdk::test::ScopedLocalAppData local_app_data;
  sdk::test::FakeAccountService service;
  sdk::test::FakeInstallationModel installations{service};
  std::string root = "http://127.0.0.1:" + std::to_string(service.port());
  sdk::test::FakeOAuthModel oauth{service, installations, root, kClientId};
};

LoopbackAccountService::LoopbackAccountService() : models_(std::make_unique<Models>()) {}

LoopbackAccountService::~LoopbackAccountService() = default;

bool LoopbackAccountService::listening() const { return models_->service.listening(); }

std::unique_ptr<windows::AccountPort> LoopbackAccountService::make_account() {
  sdk::ClientConfiguration configuration;
  configuration.base_url = models_->root;
  configuration.client_id = kClientId;
  configuration.application_id = "quorvel";
  configuration.connect_timeout = 2000;
  configuration.request_timeout = 2000;
  configuration.allow_loopback_http = true;
  sdk::PlatformHooks hooks;
  hooks.open_url = [opens = browser_opens_](const std::wstring&) {
    ++*opens;
    return true;
  };
  hooks.connectivity_level = [] { return sdk::kConnectivityUnknown; };
  return std::make_unique<LoopbackAccount>(
      windows::make_account_client(std::move(configuration), std::move(hooks)));
}

}  // namespace quorvel::bench
