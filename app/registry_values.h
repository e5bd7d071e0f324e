// Small helpers over the registry of the current user: an owner for an open
// key and typed reads and writes of single values. A read gives an empty
// result for a missing value, a value of another type or one of the wrong
// size (a 2-byte REG_DWORD or a 4-byte REG_QWORD is not a number). Any
// thread; each call opens and closes what it needs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/unique_handle.h"

namespace quorvel::windows {

struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle key) noexcept { RegCloseKey(key); }
};

using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;

// HKEY_CURRENT_USER\path opened for queries; invalid when it cannot be.
UniqueRegistryKey open_user_key_for_query(const std::wstring& path);
// HKEY_CURRENT_USER\path opened for setting values (created non-volatile when
// missing); invalid when it cannot be.
UniqueRegistryKey create_user_key_for_write(const std::wstring& path);

std::optional<uint32_t> read_user_dword(const std::wstring& path, const wchar_t* name);
std::optional<uint64_t> read_user_qword(const std::wstring& path, const wchar_t* name);
// A REG_DWORD of exactly 4 bytes from an open key.
std::optional<uint32_t> query_dword(HKEY key, const wchar_t* name);

bool set_dword(HKEY key, const wchar_t* name, uint32_t value);
bool set_qword(HKEY key, const wchar_t* name, uint64_t value);
// REG_SZ, NUL-terminated: (characters + 1) x 2 bytes.
bool set_string(HKEY key, const wchar_t* name, std::wstring_view text);
bool set_binary(HKEY key, const wchar_t* name, const BYTE* data, DWORD size);

}  // namespace quorvel::windows
