// One top-level window the native theme registry keeps: the registry's record
// of it, reached as the reference data of the window's "WIHS" subclass. A
// watched window only listens for system theme notifications; a themed one
// is painted and has its children themed. Owned by the registry from
// registration until the window's WM_NCDESTROY, unregister_window or the
// registry's end. UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <unordered_map>

namespace win32_ui {

class NativeThemeRegistry;
class ThemedMenuBar;

// How the registry treats one child; a child without a mark reads as
// kChildMarkNone.
struct ChildMark {
  static constexpr std::int32_t kChildMarkNone = 0;
  // The child's owner paints it: no colour answers, no theming.
  static constexpr std::int32_t kChildMarkOwnerDrawn = 6;

  std::int32_t kind = kChildMarkNone;
};

struct RegisteredWindow {
  NativeThemeRegistry* registry = nullptr;
  HWND hwnd = nullptr;
  // Not owned; may be null.
  ThemedMenuBar* menu_painter = nullptr;
  bool watch_only = true;
  std::unordered_map<HWND, ChildMark> child_marks;

  bool is_owner_drawn(HWND child) const {
    const auto found = child_marks.find(child);
    return found != child_marks.end() && found->second.kind == ChildMark::kChildMarkOwnerDrawn;
  }
};

}  // namespace win32_ui
