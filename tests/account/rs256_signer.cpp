#include "tests/account/rs256_signer.h"

#include <cstring>
#include <utility>

namespace halvarin::sdk::test {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr ULONG kKeyBits = 2048;

}  // namespace

std::string base64url(std::string_view bytes) {
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (const char c : bytes) {
    bits = (bits << 8) | static_cast<uint8_t>(c);
    count += 8;
    while (count >= 6) {
      count -= 6;
      out.push_back(kAlphabet[(bits >> count) & 0x3F]);
    }
  }
  if (count > 0) out.push_back(kAlphabet[(bits << (6 - count)) & 0x3F]);
  return out;
}

std::string base64url(const std::vector<uint8_t>& bytes) {
  return base64url(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<uint8_t> sha256_of(std::string_view text) {
  BCRYPT_ALG_HANDLE opened = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
    return {};
  }
  const UniqueCngAlgorithm provider(opened);
  BCRYPT_HASH_HANDLE created = nullptr;
  if (!BCRYPT_SUCCESS(BCryptCreateHash(provider.get(), &created, nullptr, 0, nullptr, 0, 0))) {
    return {};
  }
  const UniqueCngHash hash(created);
  std::vector<uint8_t> digest(32);
  std::vector<uint8_t> input(text.begin(), text.end());
  if (!BCRYPT_SUCCESS(BCryptHashData(hash.get(), input.data(), static_cast<ULONG>(input.size()), 0)) ||
      !BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest.data(), 32, 0))) {
    return {};
  }
  return digest;
}

Rs256Signer& Rs256Signer::instance() {
  static Rs256Signer signer;
  return signer;
}

Rs256Signer::Rs256Signer() {
  BCRYPT_ALG_HANDLE opened = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&opened, BCRYPT_RSA_ALGORITHM, nullptr, 0))) {
    return;
  }
  provider_.reset(opened);
  BCRYPT_KEY_HANDLE generated = nullptr;
  if (!BCRYPT_SUCCESS(BCryptGenerateKeyPair(provider_.get(), &generated, kKeyBits, 0))) return;
  UniqueCngKey key(generated);
  if (!BCRYPT_SUCCESS(BCryptFinalizeKeyPair(key.get(), 0))) return;
  ULONG size = 0;
  if (!BCRYPT_SUCCESS(
          BCryptExportKey(key.get(), nullptr, BCRYPT_RSAPUBLIC_BLOB, nullptr, 0, &size, 0))) {
    return;
  }
  std::vector<uint8_t> blob(size);
  if (!BCRYPT_SUCCESS(BCryptExportKey(key.get(), nullptr, BCRYPT_RSAPUBLIC_BLOB, blob.data(), size,
                                      &size, 0)) ||
      size < sizeof(BCRYPT_RSAKEY_BLOB)) {
    return;
  }
  BCRYPT_RSAKEY_BLOB header;
  memcpy(&header, blob.data(), sizeof(header));
  const uint8_t* exponent = blob.data() + sizeof(header);
  const uint8_t* modulus = exponent + header.cbPublicExp;
  if (sizeof(header) + header.cbPublicExp + header.cbModulus > size) return;
  exponent_ = base64url(std::vector<uint8_t>(exponent, exponent + header.cbPublicExp));
  modulus_ = base64url(std::vector<uint8_t>(modulus, modulus + header.cbModulus));
  key_ = std::move(key);
}

std::vector<uint8_t> Rs256Signer::sign(std::string_view signed_text) const {
  std::vector<uint8_t> digest = sha256_of(signed_text);
  if (!key_ || digest.empty()) return {};
  BCRYPT_PKCS1_PADDING_INFO padding{BCRYPT_SHA256_ALGORITHM};
  ULONG size = 0;
  if (!BCRYPT_SUCCESS(BCryptSignHash(key_.get(), &padding, digest.data(),
                                     static_cast<ULONG>(digest.size()), nullptr, 0, &size,
                                     BCRYPT_PAD_PKCS1))) {
    return {};
  }
  std::vector<uint8_t> signature(size);
  if (!BCRYPT_SUCCESS(BCryptSignHash(key_.get(), &padding, digest.data(),
                                     static_cast<ULONG>(digest.size()), signature.data(), size,
                                     &size, BCRYPT_PAD_PKCS1))) {
    return {};
  }
  signature.resize(size);
  return signature;
}

std::string Rs256Signer::token(std::string_view header, std::string_view payload) const {
  const std::string signed_text = base64url(header) + "." + base64url(payload);
  return signed_text + "." + base64url(sign(signed_text));
}

}  // namespace halvarin::sdk::test
