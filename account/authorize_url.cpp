#include "account/authorize_url.h"

#include "account/callback_page.h"
#include "account/percent_encoding.h"

namespace halvarin::sdk {

std::string loopback_redirect_uri(uint16_t port) {
  return "http://127.0.0.1:" + std::to_string(port) + "/callback";
}

std::string make_authorize_url(const ClientConfiguration& configuration,
                               const AuthorizeRequest& request) {
  std::string url = configuration.base_url;
  url += "/oauth/authorize?response_type=code&client_id=";
  url += percent_encode(configuration.client_id);
  url += "&redirect_uri=";
  url += percent_encode(request.redirect_uri);
  url += "&scope=";
  url += percent_encode(request.scopes);
  url += "&state=";
  url += percent_encode(request.state);
  url += "&nonce=";
  url += percent_encode(request.nonce);
  url += "&code_challenge=";
  url += percent_encode(request.code_challenge);
  url += "&code_challenge_method=S256&ui_locales=";
  url += percent_encode(callback_page_locale(configuration.locale));
  if (!request.context_id.empty()) {
    url += "&installation_authorization=";
    url += percent_encode(request.context_id);
  }
  return url;
}

}  // namespace halvarin::sdk
