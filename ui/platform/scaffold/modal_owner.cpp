#include "ui/platform/scaffold/modal_owner.h"

namespace win32_ui::scaffold {

ModalOwner::ModalOwner(HWND owner) {
  if (owner == nullptr || !IsWindow(owner) || !IsWindowVisible(owner)) return;
  visible_owner_ = owner;
  may_disable_ = IsWindowEnabled(owner) != FALSE;
}

ModalOwner::~ModalOwner() { enable(); }

void ModalOwner::disable() {
  if (!may_disable_ || disabled_ || !IsWindow(visible_owner_)) return;
  EnableWindow(visible_owner_, FALSE);
  disabled_ = true;
  was_disabled_ = true;
}

void ModalOwner::enable() {
  if (!disabled_) return;
  disabled_ = false;
  if (IsWindow(visible_owner_)) EnableWindow(visible_owner_, TRUE);
}

void ModalOwner::activate() const {
  if (!was_disabled_ || !IsWindow(visible_owner_) || !IsWindowVisible(visible_owner_)) return;
  SetActiveWindow(visible_owner_);
}

}  // namespace win32_ui::scaffold
