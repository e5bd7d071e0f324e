// The secrets of one browser sign-in: the PKCE verifier and its S256
// challenge, the state that ties the browser's answer to this sign-in, and
// the nonce that ties the ID token to it. Made fresh for every sign-in from
// the system's preferred random number generator; nothing is kept.
#pragma once

#include <string>

#include "account/error.h"

namespace halvarin::sdk {

struct PkceParameters {
  // Base64url of 48 random bytes: 64 characters.
  std::string code_verifier;
  // Base64url of the SHA-256 of the verifier's characters: 43 characters.
  std::string code_challenge;
  // Base64url of 24 random bytes each: 32 characters.
  std::string state;
  std::string nonce;
  // Kind 0 when the four texts are set; otherwise they are empty.
  Error error;
};

// Kind 14 when random bytes or the hash are unavailable.
PkceParameters make_pkce_parameters();

}  // namespace halvarin::sdk
