// FrameScheduler is how a view root asks its surface for frames: a repaint
// (with a layout pass first when `all` is 1) and a frame timer while
// animations run. The surface implements it; the root holds it without
// owning it. UI thread only.
#pragma once

namespace win32_ui::platform {

class FrameScheduler {
 public:
  virtual ~FrameScheduler() = default;
  // A frame is needed; `all` is 1 when the layout must run first.
  virtual void request_frame(int all) = 0;
  // Animations are waiting: tick the root's clock once per frame.
  virtual void start_frame_timer() = 0;
};

}  // namespace win32_ui::platform
