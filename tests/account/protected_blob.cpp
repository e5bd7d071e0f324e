#include "tests/account/protected_blob.h"

#include <windows.h>
#include <dpapi.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace halvarin::sdk::test {
namespace {

DATA_BLOB blob_of(std::string_view bytes) {
  return DATA_BLOB{static_cast<DWORD>(bytes.size()),
                   reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()))};
}

}  // namespace

DecryptedBlob decrypt_file(const std::filesystem::path& path, std::string_view entropy) {
  DecryptedBlob result;
  std::ifstream in(path, std::ios::binary);
  if (!in) return result;
  const std::string ciphertext{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
  DATA_BLOB input = blob_of(ciphertext);
  DATA_BLOB entropy_blob = blob_of(entropy);
  DATA_BLOB output{};
  LPWSTR description = nullptr;
  if (!CryptUnprotectData(&input, &description, entropy.empty() ? nullptr : &entropy_blob, nullptr,
                          nullptr, CRYPTPROTECT_UI_FORBIDDEN, &output)) {
    return result;
  }
  result.ok = true;
  result.plaintext.assign(reinterpret_cast<const char*>(output.pbData), output.cbData);
  if (description) result.description = description;
  LocalFree(output.pbData);
  LocalFree(description);
  return result;
}

void plant_file(const std::filesystem::path& path, std::string_view plaintext,
                std::string_view entropy, const std::wstring& description) {
  DATA_BLOB input = blob_of(plaintext);
  DATA_BLOB entropy_blob = blob_of(entropy);
  DATA_BLOB output{};
  if (!CryptProtectData(&input, description.c_str(), entropy.empty() ? nullptr : &entropy_blob,
                        nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &output)) {
    throw std::runtime_error("CryptProtectData failed");
  }
  const std::string ciphertext(reinterpret_cast<const char*>(output.pbData), output.cbData);
  LocalFree(output.pbData);
  write_bytes(path, ciphertext);
}

std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace halvarin::sdk::test
