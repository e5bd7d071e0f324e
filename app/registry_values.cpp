#include "app/registry_values.h"

namespace quorvel::windows {

UniqueRegistryKey open_user_key_for_query(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return UniqueRegistryKey();
  }
  return UniqueRegistryKey(key);
}

UniqueRegistryKey create_user_key_for_write(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return UniqueRegistryKey();
  }
  return UniqueRegistryKey(key);
}

// RegGetValueW's type restriction keeps other types out, but Wine hands back
// a shorter REG_DWORD or REG_QWORD as it stands: the size is checked here.
std::optional<uint32_t> read_user_dword(const std::wstring& path, const wchar_t* name) {
  uint32_t value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS ||
      size != sizeof(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<uint64_t> read_user_qword(const std::wstring& path, const wchar_t* name) {
  uint64_t value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_QWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS ||
      size != sizeof(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<uint32_t> query_dword(HKEY key, const wchar_t* name) {
  uint32_t value = 0;
  DWORD type = REG_NONE;
  DWORD size = sizeof(value);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value)) {
    return std::nullopt;
  }
  return value;
}

bool set_dword(HKEY key, const wchar_t* name, uint32_t value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof(value)) == ERROR_SUCCESS;
}

bool set_qword(HKEY key, const wchar_t* name, uint64_t value) {
  return RegSetValueExW(key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof(value)) == ERROR_SUCCESS;
}

bool set_string(HKEY key, const wchar_t* name, std::wstring_view text) {
  const std::wstring terminated(text);
  const auto size = static_cast<DWORD>((terminated.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(terminated.c_str()),
                        size) == ERROR_SUCCESS;
}

bool set_binary(HKEY key, const wchar_t* name, const BYTE* data, DWORD size) {
  return RegSetValueExW(key, name, 0, REG_BINARY, data, size) == ERROR_SUCCESS;
}

}  // namespace quorvel::windows
