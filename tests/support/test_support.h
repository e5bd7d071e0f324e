// Small helpers shared by the tests of every subsystem.
#pragma once

#include <filesystem>
#include <map>
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

// A host path (from the test's environment or build) as Wine sees it.
std::filesystem::path host_path(const std::string& unix_path);

// The name=value lines of the ports.env file that a CTest fixture wrote into
// the folder named by the environment variable `directory_variable`; empty
// when the variable is unset (the fixture did not run) or the file is
// missing. `directory`, when given, receives the folder's host path.
std::map<std::string, std::string> fixture_ports(const wchar_t* directory_variable,
                                                 std::string* directory = nullptr);

// True under Wine, whose display, audio endpoints and codecs some
// expectations hold only for.
bool running_under_wine();

}  // namespace quorvel::test
