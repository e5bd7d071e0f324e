// AuthResult is the outcome of a sign-in or a session restore: the identity's
// seven fields followed by an Error. When the error's kind is not 0 the
// identity fields are empty. A plain value.
#pragma once

#include <cstdint>
#include <string>

#include "account/error.h"

namespace halvarin::sdk {

struct AuthResult {
  std::string access_token;
  std::string refresh_token;
  std::string id_token;
  std::string subject;
  std::string email;
  std::string name;
  // 100-ns ticks since 1970-01-01 UTC; 0 when unknown or on failure.
  int64_t expires_at = 0;
  Error error;
};

}  // namespace halvarin::sdk
