// RAII owner of a WinHTTP session, connection or request handle.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "engine/unique_handle.h"

namespace halvarin::sdk {

struct WinHttpHandleTraits {
  using Handle = HINTERNET;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { WinHttpCloseHandle(handle); }
};

using UniqueWinHttpHandle = quorvel::windows::UniqueHandle<WinHttpHandleTraits>;

}  // namespace halvarin::sdk
