#include "tests/ui/platform/hosting/hosting_test_support.h"

#include <gtest/gtest.h>

#include "ui/platform/theme/window_subclass.h"

namespace win32_ui::modern::testing {
namespace {

constexpr UINT_PTR kSpyId = 0x53505948;  // "SPYH"

}  // namespace

MessageSpy::~MessageSpy() {
  if (window_ != nullptr && IsWindow(window_)) {
    remove_window_subclass(window_, &MessageSpy::procedure, kSpyId);
  }
}

void MessageSpy::watch(HWND window) {
  window_ = window;
  ASSERT_TRUE(install_window_subclass(window, &MessageSpy::procedure, kSpyId,
                                      reinterpret_cast<DWORD_PTR>(this)));
}

int MessageSpy::count(UINT message) const { return static_cast<int>(of(message).size()); }

std::vector<SpiedMessage> MessageSpy::of(UINT message) const {
  std::vector<SpiedMessage> found;
  for (const SpiedMessage& seen : messages) {
    if (seen.message == message) found.push_back(seen);
  }
  return found;
}

LRESULT CALLBACK MessageSpy::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR reference) {
  auto* spy = reinterpret_cast<MessageSpy*>(reference);
  if (message == WM_NCDESTROY) {
    remove_window_subclass(window, &MessageSpy::procedure, id);
    spy->window_ = nullptr;
  } else {
    spy->messages.push_back({message, wparam, lparam});
    const auto* position = reinterpret_cast<const WINDOWPOS*>(lparam);
    if (message == WM_WINDOWPOSCHANGING && (position->flags & SWP_NOSIZE) == 0) {
      spy->heights_asked.push_back(position->cy);
    }
  }
  return default_subclass_proc(window, message, wparam, lparam);
}

NativeViewContext context_with(const Theme& theme, const void* identity) {
  NativeViewContext context;
  context.theme = &theme;
  context.style_identity = identity;
  context.locale_tag = L"en-US";
  context.localization_revision = 1;
  return context;
}

NativePlacement placement_at(float x, float y, float width, float height, float zoom,
                             std::uint32_t dpi) {
  NativePlacement placement;
  placement.x = x;
  placement.y = y;
  placement.width = width;
  placement.height = height;
  placement.zoom = zoom;
  placement.dpi = dpi;
  return placement;
}

RECT rect_in_parent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

int region_box(HWND window, RECT& box) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  int kind = GetWindowRgn(window, region);
  if (kind != ERROR) kind = GetRgnBox(region, &box);
  DeleteObject(region);
  return kind;
}

LONG font_height(HWND window) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  LOGFONTW logfont{};
  if (font == nullptr || GetObjectW(font, sizeof(logfont), &logfont) != sizeof(logfont)) return 0;
  return logfont.lfHeight;
}

std::wstring class_name(HWND window) {
  wchar_t name[64]{};
  GetClassNameW(window, name, 64);
  return name;
}

}  // namespace win32_ui::modern::testing
