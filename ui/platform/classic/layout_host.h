// LayoutHost lays a classic window's controls out: it owns the window's
// layout tree (HwndElement leaves in panels), measures and arranges it in
// the client area whenever the window changes size, DPI, font or theme
// (through its "WILH" subclass) or gets a new tree or theme, and moves every
// control in one DeferWindowPos batch, falling back to moving them one by
// one when the batch cannot be made. Controls that belong to another window
// are never moved.
//
// A member of every WindowView; it does not own its window. UI thread only;
// a layout pass requested while one runs is refused.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/platform/classic/window_positioner.h"
#include "ui/platform/layout/hwnd_element.h"
#include "ui/platform/layout/layout_node.h"
#include "ui/platform/theme/theme.h"

namespace win32_ui {

class LayoutHost {
 public:
  // `positioner` must outlive the host.
  explicit LayoutHost(WindowPositioner& positioner = windows_window_positioner());
  ~LayoutHost();
  LayoutHost(const LayoutHost&) = delete;
  LayoutHost& operator=(const LayoutHost&) = delete;

  // Follows the window from now on and lays it out; false for a dead window,
  // when it cannot be subclassed or when that layout pass fails.
  bool attach(HWND window);
  // Stops following the window and destroys the tree.
  void detach();
  // Removes the "WILH" subclass and forgets the window; the tree stays.
  void release_window();
  // Replaces (and destroys) the tree; lays out when attached.
  void set_root(std::unique_ptr<layout::LayoutNode> root);
  // Measures with this theme's metrics from now on; lays out when attached.
  void set_theme(const Theme& theme);
  // One layout pass; `repaint` false moves the controls without redrawing.
  // False when refused (a pass is running, no window, no tree), when the
  // client area cannot be read or when a control could not be moved.
  bool apply(bool repaint);

  HWND window() const { return window_; }
  layout::LayoutNode* root() const { return root_.get(); }
  const Theme& theme() const { return theme_; }
  bool has_theme() const { return has_theme_; }
  std::uint64_t revision() const { return revision_; }

  // The "WILH" subclass procedure, for finding the subclass with
  // GetWindowSubclass.
  static LRESULT CALLBACK subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR id, DWORD_PTR reference);

 private:
  bool run_pass(bool repaint);
  bool move_controls(const std::vector<layout::LayoutPlacement>& placements, UINT dpi,
                     bool repaint);
  bool move_one_by_one(const std::vector<layout::LayoutPlacement>& placements, UINT dpi,
                       bool repaint);
  bool is_own_child(HWND control) const;
  void relayout_after_change();

  WindowPositioner& positioner_;
  HWND window_ = nullptr;
  std::unique_ptr<layout::LayoutNode> root_;
  Theme theme_;
  bool has_theme_ = false;
  std::uint64_t revision_ = 0;
  bool busy_ = false;
};

}  // namespace win32_ui
