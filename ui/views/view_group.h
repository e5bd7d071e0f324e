// ViewGroup is a view that owns an ordered list of child views, in z order:
// the first child is drawn first and hit-tested last. Panels derive from it
// and lay the children out. Removed children go to the host, which keeps
// them alive while a dispatch may still use them. A group remembers, per
// pointer id, the child that took that pointer's down event and sends it the
// rest of the gesture, unless the group intercepts the stream; enter, leave
// and wheel events are always the group's own. UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "ui/views/view.h"

namespace win32_ui::modern {

class ViewGroup : public View {
 public:
  ViewGroup() = default;
  ~ViewGroup() override;

  // ---- Slots overridden from View ----
  bool hit_test(ui::graphics::Point point, HitTestResult& result) override;
  bool dispatch_pointer(PointerEvent& event) override;
  void request_disallow_intercept(bool disallow) override;
  void draw_children(DrawContext& context) override;

  // ---- Slots of a group ----
  // Asked before a pointer event goes to the children; true takes the
  // stream over.
  virtual bool intercept_pointer(PointerEvent& event);
  // Asked before a key goes on to a focused descendant; true keeps it here.
  virtual bool intercept_key(KeyEvent& event);
  // Told after a child was adopted.
  virtual void on_child_added(View& child);
  // Told after the children were removed.
  virtual void on_children_cleared();
  // Told after the group was attached to a host, and before it is detached.
  virtual void on_attached();
  virtual void on_detaching();

  // Adopts the child and returns it. Throws std::invalid_argument with
  // "modern View child must not be null" or "modern View already belongs
  // to a parent", leaving the tree unchanged.
  View* add_child(std::unique_ptr<View> child);
  // Detaches every child and hands them to the host (destroyed at once
  // without one).
  void clear_children();

  std::size_t child_count() const { return children_.size(); }
  // Null past the end.
  View* child_at(std::size_t index) const;

  bool disallows_intercept() const { return disallow_intercept_; }
  // The child that took the pointer's down event, or null.
  View* tracked_child(std::uint32_t pointer_id) const;
  // Forgets every tracked pointer and clears the disallow-intercept flag.
  void drop_pointer_tracking();

 protected:
  void set_disallow_intercept(bool disallow) { disallow_intercept_ = disallow; }

 private:
  // Gives the tracking child a cancel and forgets it.
  void cancel_tracking_child(View& child, const PointerEvent& event);
  // Offers a down event to the children, last to first.
  bool offer_down_to_children(PointerEvent& event);
  void forget_pointer(std::uint32_t pointer_id);

  std::vector<std::unique_ptr<View>> children_;
  std::unordered_map<std::uint32_t, View*> tracking_;
  bool disallow_intercept_ = false;
};

}  // namespace win32_ui::modern
