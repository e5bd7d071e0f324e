#include "tests/account/fake_oauth_model.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <functional>
#include <utility>

#include "tests/account/flat_json_object.h"
#include "tests/account/rs256_signer.h"

namespace halvarin::sdk::test {
namespace {

constexpr char kLoopbackRedirectPrefix[] = "http://127.0.0.1:";
constexpr char kRedirectPath[] = "/callback";
// base64url of a SHA-256 digest.
constexpr size_t kChallengeLength = 43;

FakeAnswer json_answer(int status, std::string body) {
  return FakeAnswer{status, {"Content-Type: application/json", "Cache-Control: no-store"},
                    std::move(body), false};
}

std::string json_literal(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

FakeAnswer oauth_error(const std::string& error, const std::string& description) {
  return json_answer(400, "{\"error\":" + json_literal(error) +
                              ",\"error_description\":" + json_literal(description) +
                              ",\"request_id\":\"oauth-request\"}");
}

FakeAnswer invalid_grant(const std::string& description) {
  return oauth_error("invalid_grant", description);
}

std::string bearer_of(const FakeRequest& request) {
  const std::string authorization = request.header("Authorization");
  constexpr std::string_view kScheme = "Bearer ";
  if (!authorization.starts_with(kScheme)) return {};
  return authorization.substr(kScheme.size());
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string form_decode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
               hex_value(text[i + 2]) >= 0) {
      out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// RFC 3986 unreserved characters stay; everything else is escaped.
std::string query_encode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

std::string value_of(const std::map<std::string, std::string>& form, const std::string& name) {
  const auto found = form.find(name);
  return found == form.end() ? std::string() : found->second;
}

bool has_exactly(const std::map<std::string, std::string>& form,
                 const std::vector<std::string>& names) {
  if (form.size() != names.size()) return false;
  for (const std::string& name : names) {
    if (value_of(form, name).empty()) return false;
  }
  return true;
}

bool is_loopback_redirect(const std::string& uri) {
  if (!uri.starts_with(kLoopbackRedirectPrefix) || !uri.ends_with(kRedirectPath)) return false;
  const std::string port = uri.substr(sizeof(kLoopbackRedirectPrefix) - 1,
                                      uri.size() - (sizeof(kLoopbackRedirectPrefix) - 1) -
                                          (sizeof(kRedirectPath) - 1));
  return !port.empty() && port.size() <= 5 &&
         port.find_first_not_of("0123456789") == std::string::npos;
}

bool has_scope(const std::string& scopes, const std::string& wanted) {
  size_t start = 0;
  while (start <= scopes.size()) {
    const size_t end = std::min(scopes.find(' ', start), scopes.size());
    if (scopes.compare(start, end - start, wanted) == 0 && end - start == wanted.size()) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

int64_t unix_seconds_now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::optional<std::map<std::string, std::string>> parse_form(std::string_view text) {
  std::map<std::string, std::string> form;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find('&', start), text.size());
    const std::string_view segment = text.substr(start, end - start);
    start = end + 1;
    if (segment.empty()) continue;
    const size_t equals = segment.find('=');
    const std::string name = form_decode(segment.substr(0, equals));
    const std::string value =
        equals == std::string_view::npos ? std::string() : form_decode(segment.substr(equals + 1));
    if (!form.emplace(name, value).second) return std::nullopt;
  }
  return form;
}

FakeOAuthModel::FakeOAuthModel(FakeAccountService& service, FakeInstallationModel& installations,
                               std::string issuer, std::string client_id)
    : installations_(installations), issuer_(std::move(issuer)), client_id_(std::move(client_id)) {
  using namespace std::placeholders;
  service.route("GET", kKeySetRoute, std::bind(&FakeOAuthModel::key_set, this, _1));
  service.route("POST", kAuthorizationContextRoute,
                std::bind(&FakeOAuthModel::authorization_context, this, _1));
  service.route("GET", kAuthorizeRoute, std::bind(&FakeOAuthModel::authorize, this, _1));
  service.route("POST", kTokenRoute, std::bind(&FakeOAuthModel::token, this, _1));
}

void FakeOAuthModel::set_user(FakeUser user) {
  std::lock_guard lock(mutex_);
  user_ = std::move(user);
}

void FakeOAuthModel::set_consent(FakeConsent consent) {
  std::lock_guard lock(mutex_);
  consent_ = consent;
}

void FakeOAuthModel::set_next_id_token(std::string id_token) {
  std::lock_guard lock(mutex_);
  next_id_token_ = std::move(id_token);
}

std::string FakeOAuthModel::id_token_header() {
  return std::string("{\"alg\":\"RS256\",\"kid\":\"") + kKeyId + "\",\"typ\":\"JWT\"}";
}

std::string FakeOAuthModel::id_token_payload(const std::string& nonce) const {
  std::lock_guard lock(mutex_);
  return payload_for(user_, nonce);
}

std::string FakeOAuthModel::payload_for(const FakeUser& user, const std::string& nonce) const {
  const int64_t now = unix_seconds_now();
  std::string payload = "{\"iss\":" + json_literal(issuer_) + ",\"aud\":" +
                        json_literal(client_id_) + ",\"exp\":" + std::to_string(now + kExpiresIn) +
                        ",\"iat\":" + std::to_string(now);
  if (!nonce.empty()) payload += ",\"nonce\":" + json_literal(nonce);
  return payload + ",\"sub\":" + json_literal(user.subject) + ",\"email\":" +
         json_literal(user.email) + ",\"name\":" + json_literal(user.name) + "}";
}

std::string FakeOAuthModel::grant_code(const std::string& redirect_uri,
                                       const std::string& code_challenge,
                                       const std::string& nonce) {
  std::lock_guard lock(mutex_);
  const std::string code = "code-" + std::to_string(++serial_);
  grants_[code] = Grant{client_id_, redirect_uri, code_challenge, nonce, user_, {}, false};
  return code;
}

void FakeOAuthModel::redeem_code(const std::string& code) {
  std::lock_guard lock(mutex_);
  const auto found = grants_.find(code);
  if (found != grants_.end()) found->second.used = true;
}

FakeTokenSet FakeOAuthModel::issue_session() {
  std::lock_guard lock(mutex_);
  FakeTokenSet tokens{installations_.mint_user_token(user_.subject),
                      "user-refresh-" + std::to_string(++serial_)};
  refresh_tokens_[tokens.refresh_token] = RefreshRecord{user_, {}, true};
  return tokens;
}

bool FakeOAuthModel::refresh_token_valid(const std::string& refresh_token) const {
  std::lock_guard lock(mutex_);
  const auto found = refresh_tokens_.find(refresh_token);
  return found != refresh_tokens_.end() && found->second.valid;
}

void FakeOAuthModel::expire_access_token(const std::string& access_token) {
  installations_.expire_token(access_token);
}

std::vector<FakeAuthorizationContext> FakeOAuthModel::contexts() const {
  std::lock_guard lock(mutex_);
  return contexts_;
}

std::vector<FakeTokenSet> FakeOAuthModel::issued() const {
  std::lock_guard lock(mutex_);
  return issued_;
}

FakeAnswer FakeOAuthModel::key_set(const FakeRequest&) {
  const Rs256Signer& signer = Rs256Signer::instance();
  return json_answer(200, std::string("{\"keys\":[{\"kty\":\"RSA\",\"use\":\"sig\",\"alg\":"
                                      "\"RS256\",\"kid\":\"") +
                              kKeyId + "\",\"n\":\"" + signer.modulus() + "\",\"e\":\"" +
                              signer.exponent() + "\"}]}");
}

FakeAnswer FakeOAuthModel::authorization_context(const FakeRequest& request) {
  const std::optional<std::string> installation =
      installations_.anonymous_installation(bearer_of(request));
  if (!installation) return json_answer(401, "{\"code\":\"AUTH_TOKEN_INVALID\"}");
  const std::optional<FlatJsonObject> body = parse_flat_json_object(request.body);
  const std::vector<std::string> expected = {"installation_id", "client_id", "state",
                                             "code_challenge"};
  if (!body || member_names(*body) != expected || *member(*body, "installation_id") != *installation ||
      *member(*body, "client_id") != client_id_ || member(*body, "state")->empty() ||
      member(*body, "code_challenge")->size() != kChallengeLength) {
    return json_answer(400, "{\"code\":\"VALIDATION_FAILED\"}");
  }
  std::lock_guard lock(mutex_);
  FakeAuthorizationContext context{"context-" + std::to_string(++serial_), *installation,
                                   client_id_, *member(*body, "state"),
                                   *member(*body, "code_challenge")};
  contexts_.push_back(context);
  return json_answer(201, "{\"id\":" + json_literal(context.id) + "}");
}

std::string FakeOAuthModel::authorize_fault(const std::map<std::string, std::string>& query) const {
  if (value_of(query, "response_type") != "code") return "response_type";
  if (value_of(query, "client_id") != client_id_) return "client_id";
  if (!is_loopback_redirect(value_of(query, "redirect_uri"))) return "redirect_uri";
  if (!has_scope(value_of(query, "scope"), "openid")) return "scope";
  if (value_of(query, "state").empty()) return "state";
  if (value_of(query, "nonce").empty()) return "nonce";
  if (value_of(query, "code_challenge").size() != kChallengeLength) return "code_challenge";
  if (value_of(query, "code_challenge_method") != "S256") return "code_challenge_method";
  if (value_of(query, "ui_locales").empty()) return "ui_locales";
  const auto context_id = query.find("installation_authorization");
  if (context_id == query.end()) return {};
  for (const FakeAuthorizationContext& context : contexts_) {
    if (context.id != context_id->second) continue;
    if (context.client_id != value_of(query, "client_id") ||
        context.state != value_of(query, "state") ||
        context.code_challenge != value_of(query, "code_challenge")) {
      return "installation_authorization";
    }
    return {};
  }
  return "installation_authorization";
}

FakeAnswer FakeOAuthModel::authorize(const FakeRequest& request) {
  const size_t question = request.target.find('?');
  const std::optional<std::map<std::string, std::string>> query =
      parse_form(question == std::string::npos ? std::string_view()
                                               : std::string_view(request.target).substr(question + 1));
  if (!query) return oauth_error("invalid_request", "repeated parameter");
  std::lock_guard lock(mutex_);
  if (const std::string fault = authorize_fault(*query); !fault.empty()) {
    return oauth_error("invalid_request", "bad " + fault);
  }
  const std::string redirect_uri = value_of(*query, "redirect_uri");
  const std::string state = "&state=" + query_encode(value_of(*query, "state"));
  std::string location;
  if (consent_ == FakeConsent::kDeny) {
    location = redirect_uri + "?error=access_denied" + state;
  } else {
    const std::string code = "code-" + std::to_string(++serial_);
    const auto context = query->find("installation_authorization");
    grants_[code] = Grant{client_id_,
                          redirect_uri,
                          value_of(*query, "code_challenge"),
                          value_of(*query, "nonce"),
                          user_,
                          context == query->end() ? std::string() : context->second,
                          false};
    location = redirect_uri + "?code=" + query_encode(code) + state;
    if (consent_ == FakeConsent::kApproveWithError) location += "&error=access_denied";
  }
  return FakeAnswer{302, {"Location: " + location, "Cache-Control: no-store"}, {}, false};
}

FakeAnswer FakeOAuthModel::token(const FakeRequest& request) {
  if (request.header("Content-Type") != "application/x-www-form-urlencoded") {
    return oauth_error("invalid_request", "not a form");
  }
  const std::optional<std::map<std::string, std::string>> form = parse_form(request.body);
  if (!form) return oauth_error("invalid_request", "repeated parameter");
  if (value_of(*form, "client_id") != client_id_) {
    return json_answer(401, "{\"error\":\"invalid_client\"}");
  }
  const std::string grant_type = value_of(*form, "grant_type");
  if (grant_type == "authorization_code") return exchange_code(*form);
  if (grant_type == "refresh_token") return refresh(*form);
  return oauth_error("unsupported_grant_type", "grant_type");
}

FakeAnswer FakeOAuthModel::exchange_code(const std::map<std::string, std::string>& form) {
  if (!has_exactly(form, {"grant_type", "client_id", "code", "redirect_uri", "code_verifier"})) {
    return oauth_error("invalid_request", "members");
  }
  const std::string challenge = base64url(sha256_of(value_of(form, "code_verifier")));
  std::lock_guard lock(mutex_);
  const auto found = grants_.find(value_of(form, "code"));
  if (found == grants_.end()) return invalid_grant("The code is not known.");
  Grant& grant = found->second;
  if (grant.used) return invalid_grant("The code was already used.");
  grant.used = true;
  if (grant.redirect_uri != value_of(form, "redirect_uri")) {
    return invalid_grant("The redirect URI does not match.");
  }
  if (grant.client_id != value_of(form, "client_id")) return invalid_grant("Another client.");
  if (grant.code_challenge != challenge) return invalid_grant("The code verifier is wrong.");
  return token_answer(grant.user, grant.nonce, {});
}

FakeAnswer FakeOAuthModel::refresh(const std::map<std::string, std::string>& form) {
  if (!has_exactly(form, {"grant_type", "client_id", "refresh_token"})) {
    return oauth_error("invalid_request", "members");
  }
  const std::string presented = value_of(form, "refresh_token");
  std::lock_guard lock(mutex_);
  const auto found = refresh_tokens_.find(presented);
  if (found == refresh_tokens_.end() || !found->second.valid) {
    return invalid_grant("The refresh token is not valid.");
  }
  // Using a token retires the one it replaced; it stays valid itself until
  // its own successor is used.
  const auto predecessor = refresh_tokens_.find(found->second.predecessor);
  if (predecessor != refresh_tokens_.end()) predecessor->second.valid = false;
  return token_answer(found->second.user, {}, presented);
}

FakeAnswer FakeOAuthModel::token_answer(const FakeUser& user, const std::string& nonce,
                                        const std::string& predecessor) {
  FakeTokenSet tokens{installations_.mint_user_token(user.subject),
                      "user-refresh-" + std::to_string(++serial_)};
  refresh_tokens_[tokens.refresh_token] = RefreshRecord{user, predecessor, true};
  issued_.push_back(tokens);
  std::string id_token;
  if (next_id_token_) {
    id_token = std::move(*next_id_token_);
    next_id_token_.reset();
  } else {
    id_token = Rs256Signer::instance().token(id_token_header(), payload_for(user, nonce));
  }
  return json_answer(200, "{\"access_token\":" + json_literal(tokens.access_token) +
                              ",\"token_type\":\"Bearer\",\"expires_in\":" +
                              std::to_string(kExpiresIn) + ",\"refresh_token\":" +
                              json_literal(tokens.refresh_token) +
                              ",\"id_token\":" + json_literal(id_token) + "}");
}

}  // namespace halvarin::sdk::test
