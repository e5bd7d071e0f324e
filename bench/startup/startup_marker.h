// What both start-up programs of startup_bench share: the marker each posts
// to its own thread just before its message loop, and the signal to the
// driver when the loop takes it. The driver passes the name of its event as
// the only command-line argument.
#pragma once

#include <windows.h>

#include <cstdio>

namespace quorvel::bench {

inline constexpr UINT kLoopMarker = WM_APP + 0x71;

// Milliseconds since the process was created, by the system's clock.
inline double ms_since_process_start() {
  FILETIME created{};
  FILETIME unused{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused)) return 0.0;
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

// Runs the thread's message loop until the marker arrives; then signals the
// driver's event and ends the loop. Returns the exit code.
inline int run_loop_until_marker(const wchar_t* event_name) {
  PostThreadMessageW(GetCurrentThreadId(), kLoopMarker, 0, 0);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr && message.message == kLoopMarker) {
      if (HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, event_name)) {
        SetEvent(event);
        CloseHandle(event);
      }
      return 0;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 1;
}

}  // namespace quorvel::bench
