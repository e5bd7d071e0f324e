// What the tray icon and tray menu tests share: a shell stand-in that
// records every record sent and forwards it to the real notification area
// unless told to fail that call, a hidden top-level owner window that offers
// every message to a TrayMenu first (as the program's message host does),
// and helpers that play the shell's side of the conversation.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <set>
#include <vector>

#include "ui/platform/scaffold/tray_icon.h"

namespace win32_ui::scaffold {
class TrayMenu;
}  // namespace win32_ui::scaffold

namespace win32_ui::scaffold::testing {

inline constexpr UINT kTrayCallback = WM_APP + 0x61;
inline constexpr UINT kTrayMenuMessage = WM_APP + 0x62;

struct SentRecord {
  DWORD message = 0;
  NOTIFYICONDATAW data{};
  BOOL result = FALSE;
};

class RecordingShell {
 public:
  ShellNotify notify();
  // Calls of this kind fail without reaching the shell.
  void fail(DWORD message) { failing_.insert(message); }
  int count(DWORD message) const;

  std::vector<SentRecord> sent;

 private:
  std::set<DWORD> failing_;
};

class TrayOwnerWindow {
 public:
  TrayOwnerWindow();
  ~TrayOwnerWindow();
  TrayOwnerWindow(const TrayOwnerWindow&) = delete;
  TrayOwnerWindow& operator=(const TrayOwnerWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  void route_to(TrayMenu* menu);
  void destroy();

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  HWND hwnd_ = nullptr;
};

// An icon event in the version-4 layout: the event and the id in lParam,
// the point in wParam.
LPARAM v4_event(UINT event, std::uint32_t id);
WPARAM v4_point(int x, int y);
// How many messages of this kind wait in the thread's queue for `window`;
// the queue is left as it was.
int queued(HWND window, UINT message);
// The visible view popups of this thread.
std::vector<HWND> open_popups();
UINT taskbar_created();

}  // namespace win32_ui::scaffold::testing
