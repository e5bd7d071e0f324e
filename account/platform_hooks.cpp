#include "account/platform_hooks.h"

#include <windows.h>
#include <shellapi.h>

namespace halvarin::sdk {
namespace {

// ShellExecuteW reports success with a value above 32.
constexpr INT_PTR kLargestShellError = 32;

}  // namespace

bool open_url_in_browser(const std::wstring& url) {
  const HINSTANCE result =
      ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > kLargestShellError;
}

int64_t system_time_ticks() {
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  return unix_ticks_from_filetime((uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime);
}

}  // namespace halvarin::sdk
