#include "account/os_version.h"

#include <windows.h>

namespace halvarin::sdk {
namespace {

// NTSTATUS and RTL_OSVERSIONINFOW are declared by the driver kit headers;
// the call needs only this much of them.
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
constexpr LONG kStatusSuccess = 0;
// RtlGetVersion takes an RTL_OSVERSIONINFOW of exactly this size.
static_assert(sizeof(OSVERSIONINFOW) == 276);

}  // namespace

std::optional<WindowsVersion> query_windows_version() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return std::nullopt;
  const auto rtl_get_version = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  if (rtl_get_version == nullptr) return std::nullopt;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (rtl_get_version(&info) != kStatusSuccess) return std::nullopt;
  return WindowsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
}

std::string format_os_version(const std::optional<WindowsVersion>& version) {
  if (!version) return "unknown";
  return std::to_string(version->major) + "." + std::to_string(version->minor) + "." +
         std::to_string(version->build);
}

std::string os_version_text() { return format_os_version(query_windows_version()); }

}  // namespace halvarin::sdk
