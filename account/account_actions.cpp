#include "account/account_actions.h"

#include <utility>

#include "account/application_account.h"
#include "account/sign_in_options.h"

namespace quorvel::windows {

using halvarin::sdk::Client;

Client make_account_client() {
  return make_account_client(make_client_configuration(), halvarin::sdk::PlatformHooks{});
}

Client make_account_client(halvarin::sdk::ClientConfiguration configuration,
                           halvarin::sdk::PlatformHooks hooks) {
  Client client(std::move(configuration), std::move(hooks));
  (void)client.start();
  return client;
}

std::optional<halvarin::sdk::AccountIdentity> query_account(Client& client) {
  return client.current_account();
}

bool has_account(const Client& client) { return client.has_account(); }

halvarin::sdk::Error disconnect_account(Client& client) { return client.disconnect_account(); }

halvarin::sdk::Error open_account_page(Client& client) { return client.open_account_management(); }

halvarin::sdk::Error open_support_page(Client& client) { return client.open_product_support(); }

halvarin::sdk::AuthResult sign_in_account(Client& client, std::stop_token stop_token,
                                          std::string locale) {
  halvarin::sdk::SignInOptions options;
  options.browser_timeout = halvarin::sdk::kSignInBrowserTimeoutSeconds;
  options.scopes = std::string(halvarin::sdk::kSignInScopes);
  options.locale = std::move(locale);
  options.stop_token = std::move(stop_token);
  return client.sign_in_interactive(options);
}

}  // namespace quorvel::windows
