// The App's live desktop capture on the target monitor. The frame and idle
// callbacks run on the capture thread and hand the frames to a running
// recording session; without one they accept them and do nothing.
#include "app/app.h"

namespace quorvel::windows {

bool App::start_desktop_capture() {
  // An editor closing while the App goes down finds the capture gone.
  if (!capture_) return false;
  return capture_->start(
      target_monitor_,
      [this](ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Texture2D* texture,
             const CapturedFrameInfo& info) {
        return deliver_captured_frame(device, context, texture, info);
      },
      [this] { return repeat_captured_frame(); });
}

void App::restart_desktop_capture() {
  if (restore_target_.monitor == nullptr || !capture_) return;
  capture_->stop();
  target_monitor_ = restore_target_.monitor;
  monitor_rect_ = restore_target_.rect;
  display_density_ = restore_target_.density;
  restore_target_ = {};
  start_desktop_capture();
}

}  // namespace quorvel::windows
