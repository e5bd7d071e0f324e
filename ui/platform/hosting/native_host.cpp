#include "ui/platform/hosting/native_host.h"

#include <utility>

namespace win32_ui::modern {

NativeHost::NativeHost(int control_id, float preferred_width, float preferred_height)
    : control_id_(control_id),
      preferred_width_(preferred_width),
      preferred_height_(preferred_height) {
  set_focusable(true);
}

NativeHost::~NativeHost() { drop_peer(); }

void NativeHost::drop_peer() {
  if (!peer_) return;
  peer_->release_window();
  peer_.reset();
}

HWND NativeHost::native_handle() const { return peer_ ? peer_->native_handle() : nullptr; }

bool NativeHost::attach_window(HWND parent, const NativeViewContext& context) {
  return peer_ && peer_->attach_window(parent, context);
}

void NativeHost::sync_peer_bounds(const NativePlacement& placement) {
  if (peer_) peer_->place(placement);
}

bool NativeHost::translate_notification(const NativeNotification& notification, Event& event) {
  if (!peer_) return false;
  event = Event{};
  event.control_id = control_id_;
  event.widget_kind = kWidgetKind;
  event.origin = kInputNativeControl;
  event.source = this;
  return peer_->translate_notification(notification, event);
}

void NativeHost::set_peer(std::unique_ptr<NativeViewPeer> peer) {
  drop_peer();
  peer_ = std::move(peer);
  notify_semantics_changed();
  invalidate_layout();
}

void NativeHost::on_state_changed(ui::graphics::DrawableState old_state,
                                  ui::graphics::DrawableState new_state) {
  View::on_state_changed(old_state, new_state);
  // The next placement pass carries the enabled state to the window.
  if (((old_state ^ new_state) & ui::graphics::kStateEnabled) != 0) invalidate_layout();
}

void NativeHost::describe(ElementInfo& info) const {
  View::describe(info);
  info.role = ElementRole::kNativeHost;
  info.exposed = true;
  info.native_window = true;
}

layout::Size NativeHost::measure_override(const layout::SizeConstraint& content,
                                          const layout::LayoutContext&) {
  return clamp_size(content, {preferred_width_, preferred_height_});
}

}  // namespace win32_ui::modern
