// Win32NativeHost is the Win32 side of a NativeHost: its Peer owns (or
// borrows) a real child window of the surface window and keeps it in step
// with the view: position and size at the surface's DPI and zoom, the
// region that clips it below a pinned title, visibility, the enabled state,
// the font, the theme and the reading direction. A "WINH" subclass on the
// window tells the surface when the control takes the focus and hands it
// the keys the control receives, so view-level keys (Tab) work from inside
// the control. Concrete controls (Win32Edit, Win32ComboBox) make the window
// and turn its notifications into events.
//
// The view owns the window through its peer; a borrowed window is never
// destroyed. UI thread only: the window belongs to the surface's thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/platform/hosting/native_control_font.h"
#include "ui/platform/hosting/native_host.h"
#include "ui/platform/hosting/native_window_clip.h"
#include "ui/platform/theme/theme.h"

namespace win32_ui::modern {

class Win32NativeHost : public NativeHost {
 public:
  // Forwards every peer operation to its host.
  class Peer final : public NativeViewPeer {
   public:
    explicit Peer(Win32NativeHost& host) : host_(&host) {}

    int capabilities() const override;
    HWND native_handle() const override;
    bool attach_window(HWND parent, const NativeViewContext& context) override;
    bool adopt_window(HWND window, bool borrowed, const NativeViewContext& context) override;
    void release_window() override;
    void apply_context(const NativeViewContext& context) override;
    void place(const NativePlacement& placement) override;
    bool translate_notification(const NativeNotification& notification, Event& event) override;

    // The host is going away: every operation does nothing from now on.
    void forget_host() { host_ = nullptr; }

   private:
    Win32NativeHost* host_;
  };

  // The smallest zoom change that re-themes the control.
  static constexpr float kZoomTolerance = 1e-4f;

  Win32NativeHost(int control_id, float preferred_width, float preferred_height);
  // Releases the window here and cuts the peer loose: the base's destructor
  // would otherwise reach this part of the object through the peer after it
  // is gone.
  ~Win32NativeHost() override;

  // The window, null when none was made or it was destroyed from outside.
  HWND window() const { return window_; }
  // ElementAction kinds the control supports, as a bit set.
  virtual int capabilities() const;

 protected:
  // ---- What a concrete control decides ----
  // Creates the control's window under `parent`; null on failure.
  virtual HWND create_child_window(HWND parent) = 0;
  // Styles a live window for `theme`; the base repaints it.
  virtual void apply_theme(const Theme& theme);
  // Follows the view's height (DIP); the base does nothing.
  virtual void apply_view_height(float height, const Theme& theme);
  // Turns a notification of the window into `event`; the base makes none.
  virtual bool notification_to_event(const NativeNotification& notification, Event& event);
  // The window's height (DIP) for a view of `height`; the base keeps it.
  virtual float native_window_height(float height) const;
  // Whether a window this host made belongs to someone else.
  virtual bool window_is_borrowed() const;
  // The locale changed; the base repaints the window.
  virtual void apply_locale(std::wstring_view locale_tag);
  // Sets or clears the right-to-left extended styles and refreshes the
  // frame.
  virtual void apply_right_to_left(bool right_to_left);

  // What concrete controls read.
  float zoom() const { return zoom_; }
  const Theme& theme() const { return theme_; }
  bool window_alive() const { return window_ != nullptr && IsWindow(window_) != FALSE; }

 private:
  friend class Peer;

  bool attach(HWND parent, const NativeViewContext& context);
  bool adopt(HWND window, bool borrowed, const NativeViewContext& context);
  void release();
  // Gives a freshly taken window its font for `dpi` and the context.
  void style_new_window(UINT dpi, const NativeViewContext& context);
  void update_context(const NativeViewContext& context);
  void place(const NativePlacement& placement);
  void follow_zoom(float zoom);
  // Re-themes, taking any clip off first: the painters replace the region.
  void retheme();

  static LRESULT CALLBACK subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR id, DWORD_PTR reference);

  HWND window_ = nullptr;
  bool borrowed_ = false;
  Theme theme_ = Theme::light(kDefaultAccent);
  bool theme_applied_ = false;
  const void* style_identity_ = nullptr;
  std::wstring locale_tag_;
  std::uint64_t localization_revision_ = 0;
  bool right_to_left_ = false;
  NativeControlFont font_;
  float zoom_ = 1.0f;
  RECT last_rect_{};
  bool has_last_rect_ = false;
  NativeWindowClip clip_;
};

}  // namespace win32_ui::modern
