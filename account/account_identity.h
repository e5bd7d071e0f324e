// AccountIdentity is the signed-in user's session: the three tokens the
// service issued, the user's claims and when the access token expires.
// A plain value; the session state hands out copies.
#pragma once

#include <cstdint>
#include <string>

namespace halvarin::sdk {

struct AccountIdentity {
  std::string access_token;
  std::string refresh_token;
  std::string id_token;
  // The ID token's "sub" claim.
  std::string subject;
  std::string email;
  std::string name;
  // When the access token expires, in 100-ns ticks since 1970-01-01 UTC
  // (not the FILETIME epoch); 0 when unknown.
  int64_t expires_at = 0;
};

}  // namespace halvarin::sdk
