// ViewGroup is a view that owns an ordered list of child views, in z order:
// the first child is drawn first and hit-tested last. Panels derive from it
// and lay the children out. Removed children go to the host, which keeps
// them alive while a dispatch may still use them. UI thread only.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "ui/views/view.h"

namespace win32_ui::modern {

class ViewGroup : public View {
 public:
  ViewGroup() = default;
  ~ViewGroup() override;

  // ---- Slots overridden from View ----
  bool hit_test(ui::graphics::Point point, HitTestResult& result) override;
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

 protected:
  void set_disallow_intercept(bool disallow) { disallow_intercept_ = disallow; }

 private:
  std::vector<std::unique_ptr<View>> children_;
  bool disallow_intercept_ = false;
};

}  // namespace win32_ui::modern
