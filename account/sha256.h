// SHA-256 through the system's CNG provider, for the PKCE challenge, the
// installation identity and the ID-token signature check. No state; safe on
// any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halvarin::sdk {

inline constexpr size_t kSha256DigestBytes = 32;

// The 32-byte digest of `bytes`; empty when any CNG call fails.
std::vector<uint8_t> sha256(std::span<const uint8_t> bytes);

// 64 lower-case hexadecimal digits of the digest of `text`'s bytes; empty
// when hashing fails.
std::string sha256_hex(std::string_view text);

}  // namespace halvarin::sdk
