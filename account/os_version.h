// The Windows version the account client reports in its installation
// heartbeat, as RtlGetVersion gives it (GetVersionEx lies to programs
// without a compatibility manifest). No state; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace halvarin::sdk {

struct WindowsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
};

// RtlGetVersion of ntdll, loaded at run time; nothing when the module or
// the function is missing or the call fails.
std::optional<WindowsVersion> query_windows_version();

// "major.minor.build" in plain decimal (10.0.22631), or "unknown" without
// a version.
std::string format_os_version(const std::optional<WindowsVersion>& version);

// format_os_version(query_windows_version()).
std::string os_version_text();

}  // namespace halvarin::sdk
