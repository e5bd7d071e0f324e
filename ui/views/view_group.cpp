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
  disallow_intercept_ = false;
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
