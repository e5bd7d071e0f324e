// The owner of a running modal dialog: disabled while the dialog runs, and
// enabled again before the dialog window is destroyed. The order matters: a
// window destroyed while its owner is still disabled hands the activation to
// some other top-level window, often another program's, and the owner drops
// behind. Only an owner that was live, visible and enabled at the start is
// ever disabled or re-activated. UI thread only.
#pragma once

#include <windows.h>

namespace win32_ui::scaffold {

class ModalOwner {
 public:
  // `owner` may be null, hidden or disabled: then nothing is ever done.
  explicit ModalOwner(HWND owner);
  // Enables the owner when it is still disabled by this object.
  ~ModalOwner();
  ModalOwner(const ModalOwner&) = delete;
  ModalOwner& operator=(const ModalOwner&) = delete;

  // The owner when it is a live, visible window, else null.
  HWND visible_owner() const { return visible_owner_; }
  void disable();
  // Once; later calls do nothing.
  void enable();
  // The owner disabled by this object, when still alive and visible.
  void activate() const;

 private:
  HWND visible_owner_ = nullptr;
  bool may_disable_ = false;
  bool disabled_ = false;
  bool was_disabled_ = false;
};

}  // namespace win32_ui::scaffold
