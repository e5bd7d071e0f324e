// The application's private messages to its message-host window and the
// tray's command ids. Numbers are fixed: a second instance posts the
// wake-up message across processes.
#pragma once

#include <windows.h>

namespace quorvel::windows {

// Posted once by start-up, just before the loop.
inline constexpr UINT kStartupCheckMessage = 0x8001;
// Posted by a second instance: bring the running one to the front.
inline constexpr UINT kWakeUpMessage = 0x8002;
// The tray icon's notification and menu messages.
inline constexpr UINT kTrayNotifyMessage = 0x8003;
// Posted to the control bar when displays or settings change: check its
// DPI now instead of at the next timed check.
inline constexpr UINT kCheckControlDpiMessage = 0x8004;
inline constexpr UINT kTrayMenuMessage = 0x8005;
// Finish the running recording; wParam nonzero opens the result afterwards.
inline constexpr UINT kStopRecordingMessage = 0x8006;
// Start a recording of the confirmed region.
inline constexpr UINT kStartRecordingMessage = 0x8007;
// Posted by the account service's background start when it has ended;
// wparam is 1 when it changed who is signed in, 0 when it did not.
inline constexpr UINT kAccountStartEndedMessage = 0x8008;

// The global hotkeys' registration ids: rows 0-8 while recording, rows
// 0-10 for an instant while probing, rows 9 and 10 for the whole run.
inline constexpr int kFirstRecordingHotkeyId = 1000;
inline constexpr int kFirstProbeHotkeyId = 1100;
inline constexpr int kFirstIdleHotkeyId = 1200;

inline constexpr UINT kTrayCommandShow = 600;
inline constexpr UINT kTrayCommandScreenshot = 601;
inline constexpr UINT kTrayCommandStartup = 602;
inline constexpr UINT kTrayCommandExit = 603;

inline constexpr wchar_t kHostWindowClass[] = L"QuorvelMessageHost";
inline constexpr wchar_t kHostWindowTitle[] = L"Quorvel message host";
inline constexpr wchar_t kControlWindowClass[] = L"QuorvelControlWindow";
inline constexpr wchar_t kOverlayWindowClass[] = L"QuorvelViewportOverlay";

// The overlay's transparent colour.
inline constexpr COLORREF kOverlayColorKey = RGB(1, 2, 3);

}  // namespace quorvel::windows
