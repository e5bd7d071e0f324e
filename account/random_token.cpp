#include "account/random_token.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstdint>
#include <vector>

#include "account/base64url.h"
#include "account/sha256.h"

namespace halvarin::sdk {

std::string random_token(size_t byte_count) {
  if (byte_count == 0 || byte_count > kMaxRandomTokenBytes) return {};
  std::vector<uint8_t> bytes(byte_count);
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()),
                                      BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return {};
  }
  // The secret leaves this function only in its encoded form.
  std::string token = base64url_encode(bytes.data(), bytes.size());
  SecureZeroMemory(bytes.data(), bytes.size());
  return token;
}

std::string pkce_challenge(std::string_view verifier) {
  const std::vector<uint8_t> digest =
      sha256({reinterpret_cast<const uint8_t*>(verifier.data()), verifier.size()});
  if (digest.empty()) return {};
  return base64url_encode(digest.data(), digest.size());
}

}  // namespace halvarin::sdk
