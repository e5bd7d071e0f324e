#include "account/rs256_signature.h"

#include <windows.h>
#include <bcrypt.h>

#include "account/cng_handles.h"
#include "account/sha256.h"

namespace halvarin::sdk {
namespace {

constexpr uint32_t kRsaPublicMagic = 0x31415352;  // "RSA1"

void append_le32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

UniqueCngKey import_public_key(BCRYPT_ALG_HANDLE provider, std::vector<uint8_t>& blob) {
  BCRYPT_KEY_HANDLE key = nullptr;
  if (!BCRYPT_SUCCESS(BCryptImportKeyPair(provider, nullptr, BCRYPT_RSAPUBLIC_BLOB, &key,
                                          blob.data(), static_cast<ULONG>(blob.size()), 0))) {
    return {};
  }
  return UniqueCngKey(key);
}

}  // namespace

std::vector<uint8_t> rsa_public_key_blob(std::span<const uint8_t> modulus,
                                         std::span<const uint8_t> exponent) {
  std::vector<uint8_t> blob;
  blob.reserve(24 + exponent.size() + modulus.size());
  append_le32(blob, kRsaPublicMagic);
  append_le32(blob, static_cast<uint32_t>(modulus.size() * 8));
  append_le32(blob, static_cast<uint32_t>(exponent.size()));
  append_le32(blob, static_cast<uint32_t>(modulus.size()));
  append_le32(blob, 0);
  append_le32(blob, 0);
  blob.insert(blob.end(), exponent.begin(), exponent.end());
  blob.insert(blob.end(), modulus.begin(), modulus.end());
  return blob;
}

bool verify_rs256(std::string_view signed_text, std::span<const uint8_t> signature,
                  std::span<const uint8_t> modulus, std::span<const uint8_t> exponent) {
  if (signature.empty() || modulus.empty() || exponent.empty()) return false;
  BCRYPT_ALG_HANDLE opened = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&opened, BCRYPT_RSA_ALGORITHM, nullptr, 0))) {
    return false;
  }
  const UniqueCngAlgorithm provider(opened);
  std::vector<uint8_t> blob = rsa_public_key_blob(modulus, exponent);
  const UniqueCngKey key = import_public_key(provider.get(), blob);
  if (!key) return false;
  std::vector<uint8_t> digest =
      sha256({reinterpret_cast<const uint8_t*>(signed_text.data()), signed_text.size()});
  if (digest.empty()) return false;
  BCRYPT_PKCS1_PADDING_INFO padding{BCRYPT_SHA256_ALGORITHM};
  std::vector<uint8_t> signature_bytes(signature.begin(), signature.end());
  return BCRYPT_SUCCESS(BCryptVerifySignature(
      key.get(), &padding, digest.data(), static_cast<ULONG>(digest.size()),
      signature_bytes.data(), static_cast<ULONG>(signature_bytes.size()), BCRYPT_PAD_PKCS1));
}

}  // namespace halvarin::sdk
