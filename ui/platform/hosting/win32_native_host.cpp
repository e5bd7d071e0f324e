#include "ui/platform/hosting/win32_native_host.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "ui/platform/layout/hwnd_element.h"
#include "ui/platform/theme/scaled_metric.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/dpi_scale.h"

namespace win32_ui::modern {
namespace {

// WS_EX_LAYOUTRTL, WS_EX_LEFTSCROLLBAR, WS_EX_RTLREADING and WS_EX_RIGHT.
constexpr LONG_PTR kRightToLeftStyles =
    WS_EX_LAYOUTRTL | WS_EX_LEFTSCROLLBAR | WS_EX_RTLREADING | WS_EX_RIGHT;
constexpr UINT kFrameRefresh =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

bool is_key_message(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR ||
         message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR;
}

// A pixel length from a DIP product; negative or non-finite gives 0.
int pixel_length(double value) {
  const double rounded = std::round(value);
  if (!std::isfinite(rounded) || rounded <= 0.0) return 0;
  return static_cast<int>(std::min(rounded, static_cast<double>(std::numeric_limits<int>::max() / 2)));
}

RECT zoomed_pixels(float x, float y, float width, float height, float zoom, UINT dpi) {
  return layout::dip_rect_to_pixels({x * zoom, y * zoom, width * zoom, height * zoom}, dpi);
}

// Where the window goes and how much of it may be seen.
struct WindowGeometry {
  // Parent client pixels.
  RECT window{};
  bool visible = false;
  // Visible, but a clip cuts some of it off.
  bool cut = false;
  // The part inside the clip, window coordinates.
  RECT part{};
};

WindowGeometry window_geometry(const NativePlacement& placement, float zoom, UINT dpi,
                               float window_height) {
  WindowGeometry geometry;
  const RECT edges = zoomed_pixels(placement.x, placement.y - placement.scroll_offset,
                                   placement.width, placement.height, zoom, dpi);
  const LONG width = std::max<LONG>(edges.right - edges.left, 0);
  const LONG height = pixel_length(static_cast<double>(window_height) * zoom * dpi / 96.0);
  geometry.window = {edges.left, edges.top, edges.left + width, edges.top + height};
  geometry.visible = placement.hidden == 0;
  if (!geometry.visible || !placement.has_clip) return geometry;

  const RECT clip = zoomed_pixels(placement.clip_x, placement.clip_y, placement.clip_width,
                                  placement.clip_height, zoom, dpi);
  RECT inside{};
  geometry.visible = IntersectRect(&inside, &geometry.window, &clip) != FALSE;
  if (!geometry.visible) return geometry;
  OffsetRect(&inside, -geometry.window.left, -geometry.window.top);
  const RECT whole{0, 0, width, height};
  geometry.part = inside;
  geometry.cut = EqualRect(&inside, &whole) == FALSE;
  return geometry;
}

// What the control's subclass does for the surface. Nothing here touches
// the host: the surface's handling may destroy it.
LRESULT forward_to_surface(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND parent = GetParent(window);
  if (message == WM_SETFOCUS) {
    SendMessageW(parent, kChildFocusMessage, 0, reinterpret_cast<LPARAM>(window));
  } else if (is_key_message(message)) {
    ChildKeyRecord record{message, wparam, lparam, false};
    send_child_key_record(parent, record);
    // A view took the key, or the control went away while it was handled.
    if (record.handled || !IsWindow(window)) return 0;
  }
  return default_subclass_proc(window, message, wparam, lparam);
}

}  // namespace

// ---- Peer ----

int Win32NativeHost::Peer::capabilities() const { return host_ ? host_->capabilities() : 0; }

HWND Win32NativeHost::Peer::native_handle() const { return host_ ? host_->window_ : nullptr; }

bool Win32NativeHost::Peer::attach_window(HWND parent, const NativeViewContext& context) {
  return host_ != nullptr && context.theme != nullptr && host_->attach(parent, context);
}

bool Win32NativeHost::Peer::adopt_window(HWND window, bool borrowed,
                                         const NativeViewContext& context) {
  return host_ != nullptr && host_->adopt(window, borrowed, context);
}

void Win32NativeHost::Peer::release_window() {
  if (host_) host_->release();
}

void Win32NativeHost::Peer::apply_context(const NativeViewContext& context) {
  if (host_) host_->update_context(context);
}

void Win32NativeHost::Peer::place(const NativePlacement& placement) {
  if (host_) host_->place(placement);
}

bool Win32NativeHost::Peer::translate_notification(const NativeNotification& notification,
                                                   Event& event) {
  return host_ != nullptr && host_->notification_to_event(notification, event);
}

// ---- Host ----

Win32NativeHost::Win32NativeHost(int control_id, float preferred_width, float preferred_height)
    : NativeHost(control_id, preferred_width, preferred_height) {
  set_peer(std::make_unique<Peer>(*this));
}

Win32NativeHost::~Win32NativeHost() {
  release();
  if (auto* own = dynamic_cast<Peer*>(peer())) own->forget_host();
}

int Win32NativeHost::capabilities() const {
  return ElementAction::kInvoke | ElementAction::kToggle | ElementAction::kSetRangeValue |
         ElementAction::kFocus;
}

void Win32NativeHost::apply_theme(const Theme&) {
  if (window_alive()) InvalidateRect(window_, nullptr, TRUE);
}

void Win32NativeHost::apply_view_height(float, const Theme&) {}

bool Win32NativeHost::notification_to_event(const NativeNotification&, Event&) { return false; }

float Win32NativeHost::native_window_height(float height) const { return height; }

bool Win32NativeHost::window_is_borrowed() const { return false; }

void Win32NativeHost::apply_locale(std::wstring_view) {
  if (window_alive()) InvalidateRect(window_, nullptr, TRUE);
}

void Win32NativeHost::apply_right_to_left(bool right_to_left) {
  if (!window_alive()) return;
  const LONG_PTR styles = GetWindowLongPtrW(window_, GWL_EXSTYLE);
  SetWindowLongPtrW(window_, GWL_EXSTYLE,
                    right_to_left ? styles | kRightToLeftStyles : styles & ~kRightToLeftStyles);
  SetWindowPos(window_, nullptr, 0, 0, 0, 0, kFrameRefresh);
  InvalidateRect(window_, nullptr, TRUE);
}

bool Win32NativeHost::attach(HWND parent, const NativeViewContext& context) {
  if (window_alive()) {
    update_context(context);
    return GetParent(window_) == parent;
  }
  release();
  window_ = create_child_window(parent);
  borrowed_ = window_is_borrowed();
  if (window_ == nullptr) return false;
  if (!install_window_subclass(window_, &Win32NativeHost::subclass_procedure, kNativeHostSubclass,
                               reinterpret_cast<DWORD_PTR>(this))) {
    if (!borrowed_) DestroyWindow(window_);
    window_ = nullptr;
    return false;
  }
  style_new_window(window_dpi(parent), context);
  return true;
}

bool Win32NativeHost::adopt(HWND window, bool borrowed, const NativeViewContext& context) {
  if (context.theme == nullptr || window == nullptr || !IsWindow(window)) return false;
  release();
  // Releasing destroyed it: it was this host's own window.
  if (!IsWindow(window)) return false;
  window_ = window;
  borrowed_ = borrowed;
  if (!install_window_subclass(window_, &Win32NativeHost::subclass_procedure, kNativeHostSubclass,
                               reinterpret_cast<DWORD_PTR>(this))) {
    window_ = nullptr;
    return false;
  }
  style_new_window(window_dpi(window), context);
  return true;
}

void Win32NativeHost::style_new_window(UINT dpi, const NativeViewContext& context) {
  font_.update(window_, dpi);
  update_context(context);
}

void Win32NativeHost::release() {
  clip_.remove(window_, false);
  const HWND window = window_;
  if (window_alive()) {
    remove_window_subclass(window, &Win32NativeHost::subclass_procedure, kNativeHostSubclass);
    if (!borrowed_) DestroyWindow(window);
  }
  // A borrowed window lives on and must not keep drawing with this font.
  font_.reset(window);
  clip_.forget();
  window_ = nullptr;
  has_last_rect_ = false;
  theme_applied_ = false;
  style_identity_ = nullptr;
  // The next window starts left to right; the context sets it again.
  right_to_left_ = false;
}

void Win32NativeHost::retheme() {
  clip_.remove(window_, false);
  apply_theme(theme_);
}

void Win32NativeHost::update_context(const NativeViewContext& context) {
  if (context.theme != nullptr) {
    const bool changed = !theme_applied_ || !(theme_ == *context.theme) ||
                         style_identity_ != context.style_identity;
    theme_ = *context.theme;
    style_identity_ = context.style_identity;
    theme_applied_ = true;
    if (changed && window_alive()) retheme();
  }
  if (!context.locale_tag.empty() && (context.locale_tag != locale_tag_ ||
                                      context.localization_revision != localization_revision_)) {
    locale_tag_.assign(context.locale_tag);
    localization_revision_ = context.localization_revision;
    apply_locale(locale_tag_);
  }
  if (context.right_to_left != right_to_left_) {
    clip_.remove(window_, false);
    right_to_left_ = context.right_to_left;
    apply_right_to_left(right_to_left_);
  }
}

void Win32NativeHost::follow_zoom(float zoom) {
  const float clamped = ui::graphics::clamp_zoom(zoom);
  if (std::fabs(clamped - zoom_) < kZoomTolerance) return;
  zoom_ = clamped;
  retheme();
}

void Win32NativeHost::place(const NativePlacement& placement) {
  if (!window_alive()) return;
  follow_zoom(placement.zoom);
  const UINT dpi = std::max<UINT>(placement.dpi, 1);
  const long effective_dpi = std::lround(static_cast<double>(dpi) * zoom_);
  font_.update(window_, static_cast<UINT>(std::max(effective_dpi, 1L)));
  apply_view_height(placement.height, theme_);

  const WindowGeometry geometry =
      window_geometry(placement, zoom_, dpi, native_window_height(placement.height));
  const bool disabled = (GetWindowLongPtrW(window_, GWL_STYLE) & WS_DISABLED) != 0;
  if (disabled == placement.enabled) EnableWindow(window_, placement.enabled ? TRUE : FALSE);

  const bool moved = !has_last_rect_ || EqualRect(&last_rect_, &geometry.window) == FALSE;
  if (moved) clip_.remove(window_, false);
  const bool region_due = geometry.cut ? !clip_.applied(geometry.part) : clip_.active();
  const bool shown = (GetWindowLongPtrW(window_, GWL_STYLE) & WS_VISIBLE) != 0;
  if (!moved && !region_due && shown == geometry.visible) return;

  const RECT& rect = geometry.window;
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE |
                     (geometry.visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
  if (!SetWindowPos(window_, nullptr, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, flags)) {
    return;
  }
  last_rect_ = rect;
  has_last_rect_ = true;
  if (geometry.cut) {
    if (!clip_.applied(geometry.part)) clip_.apply(window_, geometry.part);
  } else {
    clip_.remove(window_, true);
  }
}

LRESULT CALLBACK Win32NativeHost::subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                                     LPARAM lparam, UINT_PTR id,
                                                     DWORD_PTR reference) {
  if (message == WM_NCDESTROY) {
    remove_window_subclass(window, &Win32NativeHost::subclass_procedure, id);
    auto* host = reinterpret_cast<Win32NativeHost*>(reference);
    if (host->window_ == window) host->window_ = nullptr;
    return default_subclass_proc(window, message, wparam, lparam);
  }
  return guarded_subclass_call(window, message, wparam, lparam,
                               [&] { return forward_to_surface(window, message, wparam, lparam); });
}

}  // namespace win32_ui::modern
