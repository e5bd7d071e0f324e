// The user's own data protection (DPAPI) for secrets kept in the registry:
// protect a plaintext for the current Windows user, and unprotect a blob
// into a buffer that is zeroed before it is released. Any thread.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <span>
#include <vector>

namespace quorvel::windows {

// The protected blob (per user, no entropy, no prompt, with the given
// description); empty when protection fails.
std::vector<BYTE> protect_for_current_user(std::span<const BYTE> plaintext,
                                           const wchar_t* description);

// The plaintext of a blob protected for the current user, owned for as long
// as the object lives and wiped when it goes.
class UnprotectedData {
 public:
  explicit UnprotectedData(std::span<const BYTE> blob);
  ~UnprotectedData();
  UnprotectedData(const UnprotectedData&) = delete;
  UnprotectedData& operator=(const UnprotectedData&) = delete;

  // False when the blob could not be unprotected.
  bool valid() const { return data_.pbData != nullptr; }
  std::span<const BYTE> bytes() const { return {data_.pbData, data_.cbData}; }

 private:
  DATA_BLOB data_ = {};
};

}  // namespace quorvel::windows
