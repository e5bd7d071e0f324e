#include "account/pkce_parameters.h"

#include <windows.h>
#include <bcrypt.h>

#include <array>
#include <cstdint>

#include "account/base64url.h"
#include "account/random_token.h"

namespace halvarin::sdk {
namespace {

constexpr size_t kVerifierBytes = 48;
constexpr size_t kStateBytes = 24;
constexpr size_t kNonceBytes = 24;

template <size_t N>
bool fill_random(std::array<uint8_t, N>& bytes) {
  return BCRYPT_SUCCESS(
      BCryptGenRandom(nullptr, bytes.data(), static_cast<ULONG>(N), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

PkceParameters failed(const char* message) {
  PkceParameters parameters;
  parameters.error.kind = kErrorInternal;
  parameters.error.message = message;
  return parameters;
}

}  // namespace

PkceParameters make_pkce_parameters() {
  std::array<uint8_t, kVerifierBytes> verifier{};
  std::array<uint8_t, kStateBytes> state{};
  std::array<uint8_t, kNonceBytes> nonce{};
  const bool drawn = fill_random(verifier) && fill_random(state) && fill_random(nonce);
  if (!drawn) return failed("The operating system random number generator failed.");
  PkceParameters parameters;
  parameters.code_verifier = base64url_encode(verifier.data(), verifier.size());
  parameters.code_challenge = pkce_challenge(parameters.code_verifier);
  parameters.state = base64url_encode(state.data(), state.size());
  parameters.nonce = base64url_encode(nonce.data(), nonce.size());
  SecureZeroMemory(verifier.data(), verifier.size());
  if (parameters.code_challenge.empty()) return failed("SHA-256 initialization failed.");
  return parameters;
}

}  // namespace halvarin::sdk
