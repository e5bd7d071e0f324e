// The display the desktop capture and snapshot tests duplicate.
#pragma once

#include <windows.h>

namespace quorvel::windows::test {

inline HMONITOR primary_monitor() { return MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY); }

}  // namespace quorvel::windows::test
