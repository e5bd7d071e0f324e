// RAII owners of CNG handles: an algorithm provider, a hash object and a
// key.
// Each is closed by its own CNG call when the owner goes away.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include "engine/unique_handle.h"

namespace halvarin::sdk {

struct CngAlgorithmTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { BCryptCloseAlgorithmProvider(handle, 0); }
};

struct CngHashTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { BCryptDestroyHash(handle); }
};

struct CngKeyTraits {
  using Handle = BCRYPT_KEY_HANDLE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { BCryptDestroyKey(handle); }
};

using UniqueCngAlgorithm = quorvel::windows::UniqueHandle<CngAlgorithmTraits>;
using UniqueCngHash = quorvel::windows::UniqueHandle<CngHashTraits>;
using UniqueCngKey = quorvel::windows::UniqueHandle<CngKeyTraits>;

}  // namespace halvarin::sdk
