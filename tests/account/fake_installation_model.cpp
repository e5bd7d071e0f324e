#include "tests/account/fake_installation_model.h"

#include <functional>

#include "tests/account/flat_json_object.h"

namespace halvarin::sdk::test {
namespace {

constexpr char kApplicationCode[] = "quorvel";
// The credentials the client makes: 32 random bytes in base64url.
constexpr size_t kCredentialLength = 43;

FakeAnswer json_answer(int status, std::string body) {
  return FakeAnswer{status, {"Content-Type: application/json"}, std::move(body), false};
}
FakeAnswer code_answer(int status, const std::string& code) {
  return json_answer(status, "{\"code\":\"" + code + "\"}");
}
FakeAnswer bad_request() { return code_answer(400, "VALIDATION_FAILED"); }
FakeAnswer credential_invalid() { return code_answer(401, "AUTH_ANONYMOUS_CREDENTIAL_INVALID"); }
FakeAnswer token_invalid() { return code_answer(401, "AUTH_TOKEN_INVALID"); }
FakeAnswer claimed_answer() { return code_answer(409, "AUTH_INSTALLATION_CLAIMED"); }

std::string bearer_of(const FakeRequest& request) {
  const std::string authorization = request.header("Authorization");
  constexpr std::string_view kScheme = "Bearer ";
  if (!authorization.starts_with(kScheme)) return {};
  return authorization.substr(kScheme.size());
}

// The body's members when they are exactly `names`, in this order, each
// non-empty, with the product's application code; nothing otherwise.
std::optional<FlatJsonObject> read_body(const FakeRequest& request,
                                        const std::vector<std::string>& names) {
  std::optional<FlatJsonObject> body = parse_flat_json_object(request.body);
  if (!body || member_names(*body) != names) return std::nullopt;
  for (const auto& entry : *body) {
    if (entry.second.empty()) return std::nullopt;
  }
  if (member(*body, "application_code") != kApplicationCode) return std::nullopt;
  return body;
}

// A JSON string literal of `text`; the fake's answers carry what the
// client sent, which may hold quotes or backslashes.
std::string json_literal(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

const std::vector<std::string> kAnonymousMembers = {"application_code", "installation_id",
                                                    "credential"};

}  // namespace

FakeInstallationModel::FakeInstallationModel(FakeAccountService& service) {
  using namespace std::placeholders;
  service.route("POST", kInitializeRoute, std::bind(&FakeInstallationModel::initialize, this, _1));
  service.route("POST", kRestoreRoute, std::bind(&FakeInstallationModel::restore, this, _1));
  service.route("POST", kClaimRoute, std::bind(&FakeInstallationModel::claim, this, _1));
  service.route("POST", kDisconnectRoute, std::bind(&FakeInstallationModel::disconnect, this, _1));
  service.route("POST", kHeartbeatRoute, std::bind(&FakeInstallationModel::heartbeat, this, _1));
}

std::string FakeInstallationModel::mint_user_token(const std::string& owner) {
  std::lock_guard lock(mutex_);
  std::string token = "user-access-" + std::to_string(++serial_) + "-" + owner;
  user_tokens_[token] = owner;
  return token;
}

void FakeInstallationModel::expire_token(const std::string& token) {
  std::lock_guard lock(mutex_);
  user_tokens_.erase(token);
  anonymous_tokens_.erase(token);
}

std::optional<std::string> FakeInstallationModel::anonymous_installation(
    const std::string& access_token) const {
  std::lock_guard lock(mutex_);
  if (anonymous_tokens_.count(access_token) == 0) return std::nullopt;
  for (const FakeIssuedSession& session : sessions_) {
    if (session.access_token == access_token) return session.installation_id;
  }
  return std::nullopt;
}

void FakeInstallationModel::forget(const std::string& installation_id) {
  std::lock_guard lock(mutex_);
  installations_.erase(installation_id);
}

std::optional<FakeInstallation> FakeInstallationModel::installation(
    const std::string& installation_id) const {
  std::lock_guard lock(mutex_);
  const auto found = installations_.find(installation_id);
  if (found == installations_.end()) return std::nullopt;
  return found->second;
}

std::vector<FakeIssuedSession> FakeInstallationModel::issued_sessions() const {
  std::lock_guard lock(mutex_);
  return sessions_;
}

FakeAnswer FakeInstallationModel::initialize(const FakeRequest& request) {
  const std::optional<FlatJsonObject> body = read_body(request, kAnonymousMembers);
  if (!body) return bad_request();
  const std::string id = *member(*body, "installation_id");
  const std::string credential = *member(*body, "credential");
  std::lock_guard lock(mutex_);
  const auto found = installations_.find(id);
  if (found == installations_.end()) {
    FakeInstallation created;
    created.application_code = kApplicationCode;
    created.platform_credential = credential;
    created.anonymous_user_id = "anonymous-user-" + std::to_string(++serial_);
    installations_[id] = created;
    return session_answer(201, id);
  }
  if (found->second.claimed) return claimed_answer();
  if (found->second.platform_credential != credential) return credential_invalid();
  return session_answer(200, id);
}

FakeAnswer FakeInstallationModel::restore(const FakeRequest& request) {
  const std::optional<FlatJsonObject> body = read_body(request, kAnonymousMembers);
  if (!body) return bad_request();
  const std::string id = *member(*body, "installation_id");
  std::lock_guard lock(mutex_);
  const auto found = installations_.find(id);
  if (found == installations_.end()) return credential_invalid();
  if (found->second.claimed) return claimed_answer();
  if (found->second.platform_credential != *member(*body, "credential")) {
    return credential_invalid();
  }
  return session_answer(200, id);
}

FakeAnswer FakeInstallationModel::claim(const FakeRequest& request) {
  const std::optional<FlatJsonObject> body =
      read_body(request, {"application_code", "installation_id", "credential", "next_credential"});
  if (!body) return bad_request();
  const std::string next = *member(*body, "next_credential");
  if (next.size() != kCredentialLength) return bad_request();
  std::lock_guard lock(mutex_);
  const auto owner = user_tokens_.find(bearer_of(request));
  if (owner == user_tokens_.end()) return token_invalid();
  const auto found = installations_.find(*member(*body, "installation_id"));
  if (found == installations_.end()) return code_answer(404, "AUTH_INSTALLATION_NOT_FOUND");
  FakeInstallation& installation = found->second;
  const std::string& expected =
      installation.claimed ? installation.application_credential : installation.platform_credential;
  if (*member(*body, "credential") != expected) {
    return code_answer(403, "AUTH_INSTALLATION_CREDENTIAL_INVALID");
  }
  installation.claimed = true;
  installation.application_credential = next;
  installation.owner = owner->second;
  return FakeAnswer{204, {}, {}, false};
}

FakeAnswer FakeInstallationModel::disconnect(const FakeRequest& request) {
  const std::optional<FlatJsonObject> body = read_body(
      request, {"application_code", "installation_id", "credential", "platform_credential"});
  if (!body) return bad_request();
  const std::string id = *member(*body, "installation_id");
  std::lock_guard lock(mutex_);
  const auto owner = user_tokens_.find(bearer_of(request));
  if (owner == user_tokens_.end()) return token_invalid();
  const auto found = installations_.find(id);
  if (found == installations_.end()) return code_answer(404, "AUTH_INSTALLATION_NOT_FOUND");
  FakeInstallation& installation = found->second;
  if (!installation.claimed) return code_answer(409, "AUTH_INSTALLATION_NOT_CLAIMED");
  if (installation.owner != owner->second) return code_answer(403, "AUTH_INSTALLATION_OWNER");
  if (*member(*body, "credential") != installation.application_credential ||
      *member(*body, "platform_credential") != installation.platform_credential) {
    return code_answer(403, "AUTH_INSTALLATION_CREDENTIAL_INVALID");
  }
  installation.claimed = false;
  installation.application_credential.clear();
  installation.owner.clear();
  return session_answer(200, id);
}

FakeAnswer FakeInstallationModel::heartbeat(const FakeRequest& request) {
  const std::string token = bearer_of(request);
  std::lock_guard lock(mutex_);
  if (user_tokens_.count(token) == 0 && anonymous_tokens_.count(token) == 0) {
    return token_invalid();
  }
  return FakeAnswer{204, {}, {}, false};
}

FakeAnswer FakeInstallationModel::session_answer(int status, const std::string& installation_id) {
  const std::string serial = std::to_string(++serial_);
  FakeIssuedSession session{installation_id, installations_.at(installation_id).anonymous_user_id,
                            "anonymous-access-" + serial, "anonymous-refresh-" + serial};
  anonymous_tokens_.insert(session.access_token);
  sessions_.push_back(session);
  return json_answer(status, "{\"user_id\":" + json_literal(session.user_id) +
                                 ",\"installation_id\":" + json_literal(installation_id) +
                                 ",\"access_token\":" + json_literal(session.access_token) +
                                 ",\"refresh_token\":" + json_literal(session.refresh_token) +
                                 ",\"expires_in\":" + std::to_string(kExpiresIn) + "}");
}

}  // namespace halvarin::sdk::test
