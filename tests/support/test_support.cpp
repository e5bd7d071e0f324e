#include "tests/support/test_support.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <string>
#include <system_error>

namespace quorvel::test {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / (L"quorvel-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(counter.fetch_add(1)));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
    if (error) throw std::system_error(error);
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::wstring environment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD written = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(written);
  return value;
}

std::filesystem::path host_path(const std::string& unix_path) {
  std::string windows = "Z:" + unix_path;
  for (char& c : windows) {
    if (c == '/') c = '\\';
  }
  return std::filesystem::path(windows);
}

std::map<std::string, std::string> fixture_ports(const wchar_t* directory_variable,
                                                 std::string* directory) {
  std::map<std::string, std::string> ports;
  const std::wstring folder = environment(directory_variable);
  if (folder.empty()) return ports;
  if (directory != nullptr) *directory = utf8(folder);
  std::ifstream file(host_path(utf8(folder) + "/ports.env"));
  std::string line;
  while (std::getline(file, line)) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) ports[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return ports;
}

bool running_under_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace quorvel::test
