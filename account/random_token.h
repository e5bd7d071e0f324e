// The random secrets of the account client: installation ids, credentials
// and the PKCE verifier, state and nonce of a browser sign-in, all drawn from
// the system's preferred random number generator and written as base64url.
// No state; safe on any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halvarin::sdk {

inline constexpr size_t kMaxRandomTokenBytes = 1024;

// Base64url of `byte_count` fresh random bytes (24 bytes give 32
// characters, 32 give 43). Empty when `byte_count` is outside 1 to 1024 or
// the generator fails; callers treat empty as the generator's failure.
std::string random_token(size_t byte_count);

// The PKCE S256 challenge of a verifier: base64url of the SHA-256 of its
// bytes (43 characters); empty when hashing fails.
std::string pkce_challenge(std::string_view verifier);

}  // namespace halvarin::sdk
