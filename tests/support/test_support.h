// Small helpers shared by the tests of every subsystem.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel::test {

// UTF-8 for test output (Wine mangles wide-character console output).
std::string utf8(std::wstring_view text);

// A fresh, empty folder under the system temporary folder, removed with its
// contents when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The value of an environment variable, empty when unset.
std::wstring environment(const wchar_t* name);

// True under Wine, whose display, audio endpoints and codecs some
// expectations hold only for.
bool running_under_wine();

}  // namespace quorvel::test
