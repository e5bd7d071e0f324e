#include "account/application_account.h"

#include "account/service_address.h"

namespace quorvel::windows {

halvarin::sdk::ClientConfiguration make_client_configuration() {
  halvarin::sdk::ClientConfiguration configuration;
  configuration.base_url = std::string(halvarin::sdk::kServiceRoot);
  configuration.client_id = "quorvel.desktop";
  configuration.application_id = "quorvel";
  configuration.application_version = std::string(kAccountApplicationVersion);
  configuration.recovery_url = std::string(halvarin::sdk::kProductPage);
  configuration.account_url = std::string(halvarin::sdk::kAccountPage);
  configuration.locale = account_locale_for_language(GetUserDefaultUILanguage());
  configuration.allow_loopback_http = is_loopback_development_root(configuration.base_url);
  configuration.allow_test_tls_override = false;
  configuration.heartbeat_enabled = true;
  return configuration;
}

std::string account_locale_for_language(LANGID language) {
  return PRIMARYLANGID(language) == LANG_CHINESE ? "zh-CN" : "en-US";
}

bool is_loopback_development_root(std::string_view base_url) {
  return base_url.starts_with("http://127.0.0.1") || base_url.starts_with("http://localhost");
}

}  // namespace quorvel::windows
