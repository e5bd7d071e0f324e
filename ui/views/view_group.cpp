#include "ui/views/view_group.h"

#include <stdexcept>
#include <utility>

#include "ui/views/draw_context.h"

namespace win32_ui::modern {

ViewGroup::~ViewGroup() {
  // Children go first to last, each detaching itself from the clock.
  for (auto& child : children_) child.reset();
}

bool ViewGroup::hit_test(ui::graphics::Point point, HitTestResult& result) {
  if (layout_params().visibility != layout::kVisible) return false;
  if (clips_children()) {
    const ui::graphics::Point local = to_local(point);
    const layout::LayoutRect& box = bounds();
    const bool inside = local.x >= 0.0f && local.x < box.width && local.y >= 0.0f &&
                        local.y < box.height;
    if (!inside) return false;
  }
  for (std::size_t i = children_.size(); i-- > 0;) {
    HitTestResult child_result;
    if (children_[i]->hit_test(point, child_result)) {
      child_result.chain.insert(child_result.chain.begin(), this);
      result = std::move(child_result);
      return true;
    }
  }
  return View::hit_test(point, result);
}

bool ViewGroup::dispatch_pointer(PointerEvent& event) {
  // The root hands hover changes and the wheel to each view of a chain in
  // turn: they are the group's own even while a child tracks the pointer,
  // or the child would get them twice and the group never.
  if (event.action == kPointerEnter || event.action == kPointerLeave ||
      event.action == kPointerWheel) {
    return View::dispatch_pointer(event);
  }
  const std::uint32_t id = event.pointer_id;
  if (event.action == kPointerDown) forget_pointer(id);
  View* const tracking = tracked_child(id);
  bool intercepted = false;
  if (!disallow_intercept_ && (event.action == kPointerDown || tracking != nullptr)) {
    PointerEvent offered = event;
    offered.current = this;
    offered.local_position = to_local(event.position);
    intercepted = intercept_pointer(offered);
  }
  bool handled = false;
  if (intercepted) {
    if (tracking != nullptr) cancel_tracking_child(*tracking, event);
    handled = View::dispatch_pointer(event);
  } else if (tracking != nullptr) {
    handled = tracking->dispatch_pointer(event);
  } else if (event.action == kPointerDown && offer_down_to_children(event)) {
    handled = true;
  } else {
    handled = View::dispatch_pointer(event);
  }
  if (event.action == kPointerUp || event.action == kPointerCancel) forget_pointer(id);
  return handled;
}

void ViewGroup::cancel_tracking_child(View& child, const PointerEvent& event) {
  PointerEvent cancel = event;
  cancel.action = kPointerCancel;
  cancel.handler = nullptr;
  cancel.current = nullptr;
  cancel.handled = false;
  tracking_.erase(event.pointer_id);
  child.dispatch_pointer(cancel);
}

bool ViewGroup::offer_down_to_children(PointerEvent& event) {
  for (std::size_t i = children_.size(); i-- > 0;) {
    if (i >= children_.size()) continue;  // a handler removed children meanwhile
    View* const child = children_[i].get();
    HitTestResult hit;
    if (!child->hit_test(event.position, hit)) continue;
    if (!child->dispatch_pointer(event)) continue;
    // A handler may have removed the child; a removed view never tracks.
    if (child->parent() == this) tracking_[event.pointer_id] = child;
    return true;
  }
  return false;
}

void ViewGroup::forget_pointer(std::uint32_t pointer_id) {
  tracking_.erase(pointer_id);
  if (tracking_.empty()) disallow_intercept_ = false;
}

View* ViewGroup::tracked_child(std::uint32_t pointer_id) const {
  const auto found = tracking_.find(pointer_id);
  return found != tracking_.end() ? found->second : nullptr;
}

void ViewGroup::drop_pointer_tracking() {
  tracking_.clear();
  disallow_intercept_ = false;
}

void ViewGroup::request_disallow_intercept(bool disallow) {
  disallow_intercept_ = disallow;
  View::request_disallow_intercept(disallow);
}

void ViewGroup::draw_children(DrawContext& context) {
  for (const auto& child : children_) child->render(context);
}

bool ViewGroup::intercept_pointer(PointerEvent&) { return false; }
bool ViewGroup::intercept_key(KeyEvent&) { return false; }
void ViewGroup::on_child_added(View&) {}
void ViewGroup::on_children_cleared() {}
void ViewGroup::on_attached() {}
void ViewGroup::on_detaching() {}

View* ViewGroup::add_child(std::unique_ptr<View> child) {
  if (!child) throw std::invalid_argument("modern View child must not be null");
  if (child->parent() != nullptr) {
    // The view is its parent's: the caller's pointer never owned it, and
    // freeing it here would leave that parent with a dangling child.
    static_cast<void>(child.release());
    throw std::invalid_argument("modern View already belongs to a parent");
  }
  View* const raw = child.get();
  children_.push_back(std::move(child));
  raw->set_parent(this);
  raw->LayoutNode::set_parent(this);
  raw->attach_host(host());
  invalidate_upward();
  if (host() != nullptr) {
    host()->request_layout();
    host()->notify_semantics_changed();
  }
  on_child_added(*raw);
  return raw;
}

void ViewGroup::clear_children() {
  drop_pointer_tracking();
  std::vector<std::unique_ptr<View>> removed = std::move(children_);
  children_.clear();
  for (auto& child : removed) {
    child->attach_host(nullptr);
    child->set_parent(nullptr);
    child->LayoutNode::set_parent(nullptr);
  }
  ViewHost* const current_host = host();
  // A dispatch may still be walking the removed views: the host keeps them
  // alive until it is safe to free them.
  if (current_host != nullptr && !removed.empty()) {
    current_host->retire_views(std::move(removed));
  } else {
    removed.clear();
  }
  invalidate_upward();
  if (current_host != nullptr) {
    current_host->request_layout();
    current_host->notify_semantics_changed();
  }
  on_children_cleared();
}

View* ViewGroup::child_at(std::size_t index) const {
  return index < children_.size() ? children_[index].get() : nullptr;
}

}  // namespace win32_ui::modern
