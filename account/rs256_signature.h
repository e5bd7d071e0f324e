// The RS256 signature check of ID tokens: RSA PKCS#1 v1.5 over the SHA-256
// of the signed text, with a public key given as its big-endian modulus and
// exponent (the "n" and "e" of a published key). No state; safe on any
// thread.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace halvarin::sdk {

// The BCRYPT_RSAKEY_BLOB ("RSAPUBLICBLOB") of a public key: six
// little-endian 32-bit fields (magic "RSA1", bit length = modulus bytes × 8,
// exponent bytes, modulus bytes, 0, 0), then the exponent and the modulus
// as given.
std::vector<uint8_t> rsa_public_key_blob(std::span<const uint8_t> modulus,
                                         std::span<const uint8_t> exponent);

// True only when `signature` is a valid RS256 signature of `signed_text`
// under the key; false when any input is empty or any CNG call fails.
bool verify_rs256(std::string_view signed_text, std::span<const uint8_t> signature,
                  std::span<const uint8_t> modulus, std::span<const uint8_t> exponent);

}  // namespace halvarin::sdk
