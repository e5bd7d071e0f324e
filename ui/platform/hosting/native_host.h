// NativeHost is the view that stands in a view tree for a native child
// window (an edit field, a drop-down list). It takes part in layout, focus,
// semantics and event dispatch like any view; a peer object owns the window
// and keeps its position, visibility, enabled state, clipping, font, theme
// and reading direction in step with the view. The Surface that owns the
// tree creates the window under its own, places it after every layout pass
// and hands the child's notifications back through translate_notification.
//
// The view owns its peer; the peer owns (or borrows) the window. UI thread
// only: the window belongs to the thread that owns the Surface window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "ui/platform/hosting/child_key_record.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/event.h"
#include "ui/views/view.h"

namespace win32_ui::modern {

// What the Surface hands a host when it attaches or refreshes it.
struct NativeViewContext {
  // Null means no context: attaching then fails.
  const Theme* theme = nullptr;
  // Opaque; compared only to tell whether the styling source changed.
  const void* style_identity = nullptr;
  std::wstring_view locale_tag;
  std::uint64_t localization_revision = 0;
  bool right_to_left = false;
};

// Where the window goes after a layout pass. The rectangle is the view's in
// surface DIP (content coordinates); the clip is in client DIP.
struct NativePlacement {
  float x = 0.0f;
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
  std::uint32_t dpi = 96;
  float zoom = 1.0f;
  // Vertical scroll of the surface, DIP.
  float scroll_offset = 0.0f;
  // Non-zero when the view is not shown.
  std::int32_t hidden = 0;
  bool enabled = true;
  float clip_x = 0.0f;
  float clip_y = 0.0f;
  float clip_width = 0.0f;
  float clip_height = 0.0f;
  bool has_clip = false;
};

// A child's WM_COMMAND or WM_NOTIFY as the Surface received it.
struct NativeNotification {
  static constexpr std::int32_t kCommand = 0;
  static constexpr std::int32_t kNotify = 1;

  std::int32_t kind = kCommand;
  HWND source = nullptr;
  // WM_COMMAND: the high word of wParam; WM_NOTIFY: the header's code.
  std::int32_t code = 0;
  // Null for WM_COMMAND.
  const NMHDR* header = nullptr;
};

// The platform side of a NativeHost: owns the window and applies context
// and placement to it.
class NativeViewPeer {
 public:
  virtual ~NativeViewPeer() = default;
  // ElementAction kinds the control supports, as a bit set.
  virtual int capabilities() const = 0;
  virtual HWND native_handle() const = 0;
  // Creates the window under `parent` when needed and applies the context;
  // true when the window exists under that parent.
  virtual bool attach_window(HWND parent, const NativeViewContext& context) = 0;
  // Takes a window made elsewhere; a borrowed one is never destroyed.
  virtual bool adopt_window(HWND window, bool borrowed, const NativeViewContext& context) = 0;
  virtual void release_window() = 0;
  virtual void apply_context(const NativeViewContext& context) = 0;
  virtual void place(const NativePlacement& placement) = 0;
  // Fills `event` from the notification; true when it became an event.
  virtual bool translate_notification(const NativeNotification& notification, Event& event) = 0;
};

class NativeHost : public View {
 public:
  // The widget kind of the events a host raises.
  static constexpr std::int32_t kWidgetKind = 8;

  // `control_id` is also the child window's id; the preferred size is DIP.
  NativeHost(int control_id, float preferred_width, float preferred_height);
  // The peer releases its window first.
  ~NativeHost() override;
  NativeHost(const NativeHost&) = delete;
  NativeHost& operator=(const NativeHost&) = delete;

  int control_id() const { return control_id_; }
  // The peer's window; null without a peer or a window.
  HWND native_handle() const;
  HWND hwnd() const { return native_handle(); }
  NativeViewPeer* peer() const { return peer_.get(); }

  // False without a peer.
  bool attach_window(HWND parent, const NativeViewContext& context);
  void sync_peer_bounds(const NativePlacement& placement);
  // False without a peer. Otherwise the event is reset to its defaults and
  // stamped as this host's (control id, widget kind 8, native origin,
  // source) before the peer fills it in.
  bool translate_notification(const NativeNotification& notification, Event& event);
  // A previous peer releases its window and is deleted first.
  void set_peer(std::unique_ptr<NativeViewPeer> peer);

  void on_state_changed(ui::graphics::DrawableState old_state,
                        ui::graphics::DrawableState new_state) override;
  void describe(ElementInfo& info) const override;

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;

 private:
  void drop_peer();

  int control_id_;
  float preferred_width_;
  float preferred_height_;
  std::unique_ptr<NativeViewPeer> peer_;
};

}  // namespace win32_ui::modern
