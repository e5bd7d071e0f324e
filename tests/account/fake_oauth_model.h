// FakeOAuthModel is the account service's OAuth side as the client's tests
// meet it, served by a FakeAccountService beside the FakeInstallationModel
// whose installations and anonymous tokens it shares:
//
//   GET  /.well-known/jwks.json   the Rs256Signer's public key under kKeyId.
//   POST authorization-context    bearer: a live anonymous access token; the
//                                 body exactly installation_id (that token's
//                                 installation), client_id, state,
//                                 code_challenge: 201 {"id":…}.
//   GET  /oauth/authorize         checks every parameter (and a given
//                                 context's client, state and challenge),
//                                 then, as the user decides, 302 to
//                                 redirect_uri?code=…&state=… or
//                                 ?error=access_denied&state=…; a one-time
//                                 code bound to client, redirect URI,
//                                 challenge, nonce, user and context.
//   POST /oauth/token             authorization_code: the code must be
//                                 known, unused and match redirect URI,
//                                 client and base64url(SHA-256(verifier));
//                                 refresh_token: a live user refresh token,
//                                 rotated (the previous one stays valid
//                                 until its successor is used). Anything
//                                 else, anonymous refresh tokens included:
//                                 400 {"error":"invalid_grant",…}.
//
// User access tokens come from the installation model (so claims and the
// heartbeat accept them) and can be expired there. ID tokens are signed at
// answer time with "exp" an hour after the real clock. Written from the
// OAuth 2.0, PKCE and OpenID Connect protocols, not from the client.
// Thread-safe; the model must outlive the service's routes to it.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tests/account/fake_account_service.h"
#include "tests/account/fake_installation_model.h"

namespace halvarin::sdk::test {

inline constexpr char kKeySetRoute[] = "/.well-known/jwks.json";
inline constexpr char kAuthorizationContextRoute[] =
    "/api/v1/auth/installations/authorization-context";
inline constexpr char kAuthorizeRoute[] = "/oauth/authorize";
inline constexpr char kTokenRoute[] = "/oauth/token";
inline constexpr char kKeyId[] = "quorvel-test-key";

struct FakeUser {
  std::string subject = "user-ada";
  std::string email = "ada@example.com";
  std::string name = "Ada Lovelace";
};

// What the user does on the authorize page.
enum class FakeConsent {
  kApprove,
  kDeny,
  // A code and error=access_denied in one redirect, as a faulty service.
  kApproveWithError,
};

struct FakeAuthorizationContext {
  std::string id;
  std::string installation_id;
  std::string client_id;
  std::string state;
  std::string code_challenge;
};

struct FakeTokenSet {
  std::string access_token;
  std::string refresh_token;
};

class FakeOAuthModel {
 public:
  static constexpr int64_t kExpiresIn = 3600;

  // Routes the OAuth endpoints of `service` here; tokens name `issuer` and
  // are for `client_id`.
  FakeOAuthModel(FakeAccountService& service, FakeInstallationModel& installations,
                 std::string issuer, std::string client_id);
  FakeOAuthModel(const FakeOAuthModel&) = delete;
  FakeOAuthModel& operator=(const FakeOAuthModel&) = delete;

  void set_user(FakeUser user);
  void set_consent(FakeConsent consent);
  // The next token answer carries `id_token` instead of a good one.
  void set_next_id_token(std::string id_token);

  // The JSON object text of a good ID token payload of the user (with
  // "nonce" when it is not empty), for tests that alter one claim.
  std::string id_token_payload(const std::string& nonce) const;
  static std::string id_token_header();

  // A code of the user for `redirect_uri` and `code_challenge`, as the
  // authorize page would give it to another sign-in (for tests that hand
  // the client a code it did not ask for).
  std::string grant_code(const std::string& redirect_uri, const std::string& code_challenge,
                         const std::string& nonce);
  // Marks `code` as used, as an exchange that came first.
  void redeem_code(const std::string& code);

  // A session of the user as a past sign-in left it (for refresh tests).
  FakeTokenSet issue_session();
  bool refresh_token_valid(const std::string& refresh_token) const;
  // 401 from then on wherever the token is presented.
  void expire_access_token(const std::string& access_token);

  std::vector<FakeAuthorizationContext> contexts() const;
  // The token sets the token endpoint answered with, oldest first.
  std::vector<FakeTokenSet> issued() const;

 private:
  struct Grant {
    std::string client_id;
    std::string redirect_uri;
    std::string code_challenge;
    std::string nonce;
    FakeUser user;
    std::string context_id;
    bool used = false;
  };
  struct RefreshRecord {
    FakeUser user;
    std::string predecessor;
    bool valid = true;
  };

  FakeAnswer key_set(const FakeRequest& request);
  FakeAnswer authorization_context(const FakeRequest& request);
  FakeAnswer authorize(const FakeRequest& request);
  FakeAnswer token(const FakeRequest& request);
  FakeAnswer exchange_code(const std::map<std::string, std::string>& form);
  FakeAnswer refresh(const std::map<std::string, std::string>& form);
  // A token answer for `user`; the lock is held.
  FakeAnswer token_answer(const FakeUser& user, const std::string& nonce,
                          const std::string& predecessor);
  // A good ID token payload of `user`; no lock needed.
  std::string payload_for(const FakeUser& user, const std::string& nonce) const;
  // The query's parameters checked as an authorize request; an error text
  // when one is missing or wrong. The lock is held.
  std::string authorize_fault(const std::map<std::string, std::string>& query) const;

  FakeInstallationModel& installations_;
  const std::string issuer_;
  const std::string client_id_;

  mutable std::mutex mutex_;
  uint64_t serial_ = 0;
  FakeUser user_;
  FakeConsent consent_ = FakeConsent::kApprove;
  std::optional<std::string> next_id_token_;
  std::vector<FakeAuthorizationContext> contexts_;
  std::map<std::string, Grant> grants_;
  std::map<std::string, RefreshRecord> refresh_tokens_;
  std::vector<FakeTokenSet> issued_;
};

// The query or form parameters of `text` ("a=1&b=2"), percent- and
// plus-decoded; nothing when a name repeats.
std::optional<std::map<std::string, std::string>> parse_form(std::string_view text);

}  // namespace halvarin::sdk::test
