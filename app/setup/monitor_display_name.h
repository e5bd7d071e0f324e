// The label of a monitor in the main window's source line.
#pragma once

#include <string>
#include <string_view>

namespace quorvel::windows {

// "Monitor N" for a device name whose text after its first "DISPLAY" is
// only digits, the current-monitor text for an empty name, otherwise the
// name itself; texts in `locale`.
std::wstring monitor_display_name(const std::wstring& device_name, std::wstring_view locale);

}  // namespace quorvel::windows
