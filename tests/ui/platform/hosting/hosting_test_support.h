// What the hosted-control tests share: a subclass that records the messages
// a window receives, contexts and placements made by hand, and the window
// rectangle of a child in its parent's client pixels.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/platform/hosting/native_host.h"
#include "ui/platform/theme/theme.h"

namespace win32_ui::modern::testing {

struct SpiedMessage {
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
};

// Records every message that reaches it, then passes it on. Installed on a
// window after another subclass, it sees what that one passes on only when
// installed first; installed last, it sees everything.
class MessageSpy {
 public:
  MessageSpy() = default;
  ~MessageSpy();
  MessageSpy(const MessageSpy&) = delete;
  MessageSpy& operator=(const MessageSpy&) = delete;

  void watch(HWND window);
  int count(UINT message) const;
  std::vector<SpiedMessage> of(UINT message) const;
  void clear() {
    messages.clear();
    heights_asked.clear();
  }

  std::vector<SpiedMessage> messages;
  // The height of every resize the window was asked for (WM_WINDOWPOSCHANGING
  // without SWP_NOSIZE), read while the record still exists.
  std::vector<int> heights_asked;

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR reference);
  HWND window_ = nullptr;
};

// A context with the theme and the given identity, English, left to right.
NativeViewContext context_with(const Theme& theme, const void* identity = nullptr);

NativePlacement placement_at(float x, float y, float width, float height, float zoom = 1.0f,
                             std::uint32_t dpi = 96);

// The child's window rectangle in its parent's client coordinates.
RECT rect_in_parent(HWND child);

// The window's region bounds; ERROR when it has none.
int region_box(HWND window, RECT& box);

// The height of the font the window uses (WM_GETFONT), 0 without one.
LONG font_height(HWND window);

std::wstring class_name(HWND window);

}  // namespace win32_ui::modern::testing
