// InputAdapter is how a view root holds a pointer for the view that took its
// down event: the surface captures the platform pointer and releases it
// again. The surface implements it; the root holds it without owning it.
// UI thread only.
#pragma once

namespace win32_ui::platform {

class InputAdapter {
 public:
  virtual ~InputAdapter() = default;
  // True when the platform granted the capture.
  virtual bool capture_pointer(unsigned pointer_id) = 0;
  virtual void release_pointer(unsigned pointer_id) = 0;
};

}  // namespace win32_ui::platform
