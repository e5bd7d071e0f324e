#include "bench/endurance/loopback_account.h"

#include <string>
#include <utility>

#include "app/product_account.h"
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
  // The product's own account port, on a client of the loopback service.
  return windows::make_product_account(std::move(configuration), std::move(hooks));
}

}  // namespace quorvel::bench
