// Points LOCALAPPDATA of this process at a fresh temporary folder (or
// unsets it) for the lifetime of the object and puts the previous value
// back afterwards, so that the local store's tests never touch the user's
// real data folder. The store reads the variable on every call, so the
// change takes effect at once. One at a time, on the test's thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/test_support.h"

namespace halvarin::sdk::test {

class ScopedLocalAppData {
 public:
  // LOCALAPPDATA becomes a new empty temporary folder.
  ScopedLocalAppData();
  // LOCALAPPDATA becomes `value`, or is removed when there is none.
  explicit ScopedLocalAppData(std::optional<std::wstring> value);
  ~ScopedLocalAppData();
  ScopedLocalAppData(const ScopedLocalAppData&) = delete;
  ScopedLocalAppData& operator=(const ScopedLocalAppData&) = delete;

  // The temporary folder the variable names (for the default constructor).
  const std::filesystem::path& folder() const { return folder_.path(); }

 private:
  quorvel::test::TempDir folder_;
  std::optional<std::wstring> previous_;
};

}  // namespace halvarin::sdk::test
