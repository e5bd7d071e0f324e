#include "tests/support/test_registry_key.h"

#include <atomic>
#include <stdexcept>

namespace quorvel::test {
namespace {

// Not under the toolkit tests' volatile key: the code under test creates
// non-volatile keys, which a volatile parent refuses.
constexpr wchar_t kTestRoot[] = L"Software\\Quorvel.RegistryTests";

}  // namespace

std::optional<RawRegistryValue> read_raw_user_value(const std::wstring& path, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RawRegistryValue value;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    value.bytes.resize(size);
    status = RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size);
    value.bytes.resize(size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return value;
}

void write_raw_user_value(const std::wstring& path, const wchar_t* name,
                          const std::optional<RawRegistryValue>& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot open the test registry key");
  }
  LSTATUS status = ERROR_SUCCESS;
  if (value) {
    status = RegSetValueExW(key, name, 0, value->type, value->bytes.data(),
                            static_cast<DWORD>(value->bytes.size()));
  } else {
    status = RegDeleteValueW(key, name);
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot write the test registry value");
}

std::vector<BYTE> dword_bytes(uint32_t value) {
  std::vector<BYTE> bytes(4);
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
  return bytes;
}

std::vector<BYTE> qword_bytes(uint64_t value) {
  std::vector<BYTE> bytes(8);
  for (std::size_t i = 0; i < 8; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
  return bytes;
}

std::vector<BYTE> utf16_bytes(const std::wstring& text, std::size_t terminators) {
  std::vector<BYTE> bytes;
  const auto append = [&bytes](wchar_t unit) {
    bytes.push_back(static_cast<BYTE>(unit & 0xFF));
    bytes.push_back(static_cast<BYTE>(unit >> 8));
  };
  for (wchar_t unit : text) append(unit);
  for (std::size_t i = 0; i < terminators; ++i) append(L'\0');
  return bytes;
}

TestRegistryKey::TestRegistryKey() {
  static std::atomic<unsigned> counter{0};
  path_ = std::wstring(kTestRoot) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(counter.fetch_add(1));
  RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

TestRegistryKey::~TestRegistryKey() {
  RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  // Removed only once no other test's key is left under it.
  RegDeleteKeyW(HKEY_CURRENT_USER, kTestRoot);
}

void TestRegistryKey::set(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes) {
  write_raw_user_value(path_, name, RawRegistryValue{type, bytes});
}

bool TestRegistryKey::exists() const {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::vector<std::wstring> TestRegistryKey::value_names() const {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return names;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256] = {};
    DWORD length = 256;
    if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

}  // namespace quorvel::test
