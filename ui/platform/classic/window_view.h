// WindowView is the base of a classic window's content: a subclass creates
// its native controls, builds their layout tree, binds its commands and
// pushes its model into the controls; the view's LayoutHost keeps the
// controls laid out and the native theme registry keeps them in the theme.
//
// Attached once to an existing window, which it does not own; detached by
// its destructor or when the window is destroyed (its "WIVW" subclass then
// forgets the window, so a destroyed window is never touched again). The
// window's procedure routes WM_COMMAND to handle_command. UI thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "ui/platform/classic/layout_host.h"
#include "ui/platform/classic/window_positioner.h"
#include "ui/platform/layout/layout_node.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/commands/command_table.h"

namespace win32_ui {

class NativeThemeRegistry;
class ThemedMenuBar;

class WindowView {
 public:
  virtual ~WindowView();
  WindowView(const WindowView&) = delete;
  WindowView& operator=(const WindowView&) = delete;

  // Creates the controls, lays them out and registers the window as themed
  // with `registry` (and its `menu_painter`, which may be null). False for a
  // null or dead window, a null registry or a view already attached, and
  // whenever a step fails; the view is then detached again.
  bool attach(HWND window, NativeThemeRegistry* registry, ThemedMenuBar* menu_painter = nullptr);
  // Lays out with the theme's metrics and has the registry repaint the
  // controls in its colours.
  void apply_theme(const Theme& theme);
  // WM_COMMAND (wParam as the id, lParam as the source): the command table's
  // answer, 0 unknown or ignored, 1 refused, 2 run.
  int handle_command(unsigned id, HWND source);
  // Pushes the model's state into the controls (base: nothing).
  virtual void refresh() {}

  HWND hwnd() const { return window_; }
  NativeThemeRegistry* theme_registry() const { return registry_; }
  modern::CommandTable& commands() { return commands_; }
  LayoutHost& layout_host() { return layout_host_; }
  bool attached() const { return attached_; }

  // The "WIVW" subclass procedure, for finding the subclass with
  // GetWindowSubclass.
  static LRESULT CALLBACK subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR id, DWORD_PTR reference);

 protected:
  // `positioner` must outlive the view.
  explicit WindowView(WindowPositioner& positioner = windows_window_positioner());

  // Creates the child controls in hwnd().
  virtual bool create_controls() = 0;
  // The layout tree of the controls; null means failure.
  virtual std::unique_ptr<layout::LayoutNode> build_layout() = 0;
  // Fills commands() (base: nothing).
  virtual void bind_commands() {}
  // Left to subclasses; this layer never calls it.
  virtual void spare_hook() {}

 private:
  bool attach_steps(HWND window, NativeThemeRegistry* registry, ThemedMenuBar* menu_painter,
                    bool& registered);
  // Undoes an attachment; `unregister` also takes the window out of the
  // registry.
  void detach(bool unregister);

  HWND window_ = nullptr;
  NativeThemeRegistry* registry_ = nullptr;
  LayoutHost layout_host_;
  modern::CommandTable commands_{8};
  bool attached_ = false;
};

}  // namespace win32_ui
