// A registry key of one test's own under HKEY_CURRENT_USER (never a key the
// product uses), removed with everything under it when the object goes away.
// Writes values of any type and size as they stand and reads them back raw,
// so tests can present malformed values and check written bytes exactly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::test {

// A value as the registry holds it.
struct RawRegistryValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;

  friend bool operator==(const RawRegistryValue&, const RawRegistryValue&) = default;
};

// The value under HKEY_CURRENT_USER\path; empty when the key or value is missing.
std::optional<RawRegistryValue> read_raw_user_value(const std::wstring& path, const wchar_t* name);
// Sets (creating the key) or, with an empty value, deletes a value.
void write_raw_user_value(const std::wstring& path, const wchar_t* name,
                          const std::optional<RawRegistryValue>& value);

// Little-endian bytes of a number, and the UTF-16LE bytes of a text with the
// given number of trailing NULs.
std::vector<BYTE> dword_bytes(uint32_t value);
std::vector<BYTE> qword_bytes(uint64_t value);
std::vector<BYTE> utf16_bytes(const std::wstring& text, std::size_t terminators = 1);

class TestRegistryKey {
 public:
  // The key itself is created by the first write (of the test or the code
  // under test).
  TestRegistryKey();
  ~TestRegistryKey();
  TestRegistryKey(const TestRegistryKey&) = delete;
  TestRegistryKey& operator=(const TestRegistryKey&) = delete;

  // Relative to HKEY_CURRENT_USER.
  const std::wstring& path() const { return path_; }

  void set(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes);
  void set_dword(const wchar_t* name, uint32_t value) { set(name, REG_DWORD, dword_bytes(value)); }
  void set_qword(const wchar_t* name, uint64_t value) { set(name, REG_QWORD, qword_bytes(value)); }
  void set_string(const wchar_t* name, const std::wstring& text) {
    set(name, REG_SZ, utf16_bytes(text));
  }
  std::optional<RawRegistryValue> get(const wchar_t* name) const {
    return read_raw_user_value(path_, name);
  }

  bool exists() const;
  // Value names in the order the registry enumerates them.
  std::vector<std::wstring> value_names() const;

 private:
  std::wstring path_;
};

}  // namespace quorvel::test
