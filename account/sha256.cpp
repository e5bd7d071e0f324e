#include "account/sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>

#include "account/cng_handles.h"

namespace halvarin::sdk {
namespace {

// BCryptHashData takes a ULONG length; longer inputs go in chunks.
constexpr size_t kLargestChunk = 1u << 30;

std::vector<uint8_t> hash_with(BCRYPT_ALG_HANDLE algorithm, std::span<const uint8_t> bytes) {
  DWORD object_length = 0;
  ULONG written = 0;
  if (!BCRYPT_SUCCESS(BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH,
                                        reinterpret_cast<PUCHAR>(&object_length),
                                        sizeof(object_length), &written, 0)) ||
      written != sizeof(object_length)) {
    return {};
  }
  std::vector<uint8_t> object(object_length);
  BCRYPT_HASH_HANDLE raw_hash = nullptr;
  if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &raw_hash, object.data(), object_length,
                                       nullptr, 0, 0))) {
    return {};
  }
  // Declared after `object`, so the hash is destroyed before its memory.
  const UniqueCngHash hash(raw_hash);
  for (size_t at = 0; at < bytes.size();) {
    const size_t chunk = std::min(bytes.size() - at, kLargestChunk);
    if (!BCRYPT_SUCCESS(BCryptHashData(hash.get(), const_cast<PUCHAR>(bytes.data() + at),
                                       static_cast<ULONG>(chunk), 0))) {
      return {};
    }
    at += chunk;
  }
  std::vector<uint8_t> digest(kSha256DigestBytes);
  if (!BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest.data(),
                                       static_cast<ULONG>(digest.size()), 0))) {
    return {};
  }
  return digest;
}

}  // namespace

std::vector<uint8_t> sha256(std::span<const uint8_t> bytes) {
  BCRYPT_ALG_HANDLE raw_algorithm = nullptr;
  if (!BCRYPT_SUCCESS(
          BCryptOpenAlgorithmProvider(&raw_algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
    return {};
  }
  const UniqueCngAlgorithm algorithm(raw_algorithm);
  return hash_with(algorithm.get(), bytes);
}

std::string sha256_hex(std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const std::vector<uint8_t> digest =
      sha256({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  std::string hex;
  hex.reserve(digest.size() * 2);
  for (const uint8_t byte : digest) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0x0F]);
  }
  return hex;
}

}  // namespace halvarin::sdk
