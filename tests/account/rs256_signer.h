// Rs256Signer is the fake account service's token signer: one RSA 2048 key
// pair made with CNG once per test process, published as a JSON Web Key
// ("n" and "e" in base64url) and signing compact JWTs (RS256: PKCS#1 v1.5
// over SHA-256) from header and payload texts the test writes, so that
// faulty tokens are as easy to make as good ones. Written from the JWS and
// JWK formats; it uses nothing of the client. Thread-safe after creation.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "account/cng_handles.h"

namespace halvarin::sdk::test {

// Base64url without padding, written here from RFC 4648 so the fake does
// not lean on the client's encoder.
std::string base64url(std::string_view bytes);
std::string base64url(const std::vector<uint8_t>& bytes);

// The SHA-256 digest of `text` through CNG; empty on failure.
std::vector<uint8_t> sha256_of(std::string_view text);

class Rs256Signer {
 public:
  // The process's signer; its key is made on first use.
  static Rs256Signer& instance();

  // False when CNG could not make or export the key.
  bool ready() const { return key_.valid(); }
  // Base64url of the big-endian modulus and public exponent.
  const std::string& modulus() const { return modulus_; }
  const std::string& exponent() const { return exponent_; }

  // The PKCS#1 v1.5 SHA-256 signature of `signed_text`; empty on failure.
  std::vector<uint8_t> sign(std::string_view signed_text) const;

  // base64url(header) "." base64url(payload) "." base64url(signature).
  std::string token(std::string_view header, std::string_view payload) const;

 private:
  Rs256Signer();

  halvarin::sdk::UniqueCngAlgorithm provider_;
  halvarin::sdk::UniqueCngKey key_;
  std::string modulus_;
  std::string exponent_;
};

}  // namespace halvarin::sdk::test
