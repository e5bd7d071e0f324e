#include "app/data_protection.h"

namespace quorvel::windows {

std::vector<BYTE> protect_for_current_user(std::span<const BYTE> plaintext,
                                           const wchar_t* description) {
  DATA_BLOB input = {static_cast<DWORD>(plaintext.size()), const_cast<BYTE*>(plaintext.data())};
  DATA_BLOB output = {};
  if (!CryptProtectData(&input, description, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                        &output)) {
    return {};
  }
  std::vector<BYTE> blob(output.pbData, output.pbData + output.cbData);
  LocalFree(output.pbData);
  return blob;
}

UnprotectedData::UnprotectedData(std::span<const BYTE> blob) {
  DATA_BLOB input = {static_cast<DWORD>(blob.size()), const_cast<BYTE*>(blob.data())};
  if (!CryptUnprotectData(&input, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &data_)) {
    data_ = {};
  }
}

UnprotectedData::~UnprotectedData() {
  if (data_.pbData == nullptr) return;
  SecureZeroMemory(data_.pbData, data_.cbData);
  LocalFree(data_.pbData);
}

}  // namespace quorvel::windows
