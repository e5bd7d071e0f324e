// FakeInstallationModel is the account service's installation side as the
// client's tests meet it, served by a FakeAccountService: anonymous
// initialize and restore, claim and disconnect of an installation, and the
// analytics heartbeat. It keeps the installations it knows, the anonymous
// sessions it issued and the user access tokens a test minted (standing in
// for a browser sign-in, or issued by the OAuth side's token endpoint).
//
//   initialize  an unknown id is created with the sent credential as its
//               platform credential: 201 and an anonymous session; a known
//               unclaimed id with its platform credential: 200.
//   restore     a known unclaimed id with its platform credential: 200.
//   both        an unknown id or a wrong credential: 401
//               {"code":"AUTH_ANONYMOUS_CREDENTIAL_INVALID"}; a claimed
//               installation: 409 {"code":"AUTH_INSTALLATION_CLAIMED"}.
//   claim       bearer: a user access token; credential: the platform
//               credential while unclaimed, else the application
//               credential; stores next_credential and the owner: 204.
//   disconnect  bearer: the owner's token; the application and platform
//               credentials: unclaims, 200 and an anonymous session.
//   heartbeat   any token the model issued or minted: 204.
//
// Written from the service's side of the protocol, not from the client.
// Bodies are read strictly (one object of string members), and a request
// with members other than its endpoint's gets 400. Thread-safe; the model
// must outlive the service's routes to it (ServiceTest resets them).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/account/fake_account_service.h"

namespace halvarin::sdk::test {

inline constexpr char kInitializeRoute[] = "/api/v1/auth/anonymous/initialize";
inline constexpr char kRestoreRoute[] = "/api/v1/auth/anonymous/restore";
inline constexpr char kClaimRoute[] = "/api/v1/auth/installations/claim";
inline constexpr char kDisconnectRoute[] = "/api/v1/auth/installations/disconnect";
inline constexpr char kHeartbeatRoute[] = "/api/v1/analytics/heartbeat";

struct FakeInstallation {
  std::string application_code;
  std::string platform_credential;
  bool claimed = false;
  std::string application_credential;
  // The user whose token claimed the installation.
  std::string owner;
  std::string anonymous_user_id;
};

struct FakeIssuedSession {
  std::string installation_id;
  std::string user_id;
  std::string access_token;
  std::string refresh_token;
};

class FakeInstallationModel {
 public:
  static constexpr int64_t kExpiresIn = 3600;

  // Routes the installation endpoints and the heartbeat of `service` here.
  explicit FakeInstallationModel(FakeAccountService& service);
  FakeInstallationModel(const FakeInstallationModel&) = delete;
  FakeInstallationModel& operator=(const FakeInstallationModel&) = delete;

  // A user access token of `owner`, as a sign-in would give it.
  std::string mint_user_token(const std::string& owner);

  // Ends an access token (user or anonymous): 401 from then on.
  void expire_token(const std::string& token);

  // The installation of a live anonymous access token; nothing for any
  // other token.
  std::optional<std::string> anonymous_installation(const std::string& access_token) const;

  // Drops the installation's records, as a service that lost them.
  void forget(const std::string& installation_id);

  std::optional<FakeInstallation> installation(const std::string& installation_id) const;
  // The anonymous sessions issued, oldest first.
  std::vector<FakeIssuedSession> issued_sessions() const;

 private:
  FakeAnswer initialize(const FakeRequest& request);
  FakeAnswer restore(const FakeRequest& request);
  FakeAnswer claim(const FakeRequest& request);
  FakeAnswer disconnect(const FakeRequest& request);
  FakeAnswer heartbeat(const FakeRequest& request);
  // Issues a new anonymous session of `installation_id`; the lock is held.
  FakeAnswer session_answer(int status, const std::string& installation_id);

  mutable std::mutex mutex_;
  uint64_t serial_ = 0;
  std::map<std::string, FakeInstallation> installations_;
  std::vector<FakeIssuedSession> sessions_;
  // User access token to its owner.
  std::map<std::string, std::string> user_tokens_;
  std::set<std::string> anonymous_tokens_;
};

}  // namespace halvarin::sdk::test
