#include "ui/platform/classic/window_view.h"

#include "ui/platform/theme/native_theme_registry.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {

WindowView::WindowView(WindowPositioner& positioner) : layout_host_(positioner) {}

WindowView::~WindowView() { detach(true); }

bool WindowView::attach(HWND window, NativeThemeRegistry* registry,
                        ThemedMenuBar* menu_painter) {
  if (!window || !IsWindow(window) || !registry || attached_ || window_) return false;
  window_ = window;
  registry_ = registry;
  if (!install_window_subclass(window, &subclass_procedure, kClassicWindowViewSubclass,
                               reinterpret_cast<DWORD_PTR>(this))) {
    window_ = nullptr;
    registry_ = nullptr;
    return false;
  }
  bool registered = false;
  try {
    if (attach_steps(window, registry, menu_painter, registered)) return true;
  } catch (...) {
    registered = true;
  }
  detach(registered);
  return false;
}

bool WindowView::attach_steps(HWND window, NativeThemeRegistry* registry,
                              ThemedMenuBar* menu_painter, bool& registered) {
  if (!create_controls()) return false;
  std::unique_ptr<layout::LayoutNode> root = build_layout();
  if (!root) return false;
  commands_.clear();
  bind_commands();
  layout_host_.set_theme(registry->theme());
  layout_host_.set_root(std::move(root));
  const bool laid_out = layout_host_.attach(window);
  registered = registry->register_themed_window(window, menu_painter);
  if (!laid_out || !registered) return false;
  attached_ = true;
  refresh();
  return true;
}

void WindowView::detach(bool unregister) {
  if (window_ && IsWindow(window_)) {
    layout_host_.release_window();
    if (unregister && registry_) registry_->unregister_window(window_);
    remove_window_subclass(window_, &subclass_procedure, kClassicWindowViewSubclass);
  }
  layout_host_.detach();
  commands_.clear();
  window_ = nullptr;
  registry_ = nullptr;
  attached_ = false;
}

void WindowView::apply_theme(const Theme& theme) {
  layout_host_.set_theme(theme);
  if (registry_ && window_) registry_->retheme_window(window_);
}

int WindowView::handle_command(unsigned id, HWND source) {
  return commands_.handle_command(id, source);
}

LRESULT CALLBACK WindowView::subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                                LPARAM lparam, UINT_PTR, DWORD_PTR reference) {
  if (message == WM_NCDESTROY) {
    remove_window_subclass(window, &subclass_procedure, kClassicWindowViewSubclass);
    auto* view = reinterpret_cast<WindowView*>(reference);
    if (view && view->window_ == window) {
      view->window_ = nullptr;
      view->registry_ = nullptr;
      view->attached_ = false;
    }
  }
  return default_subclass_proc(window, message, wparam, lparam);
}

}  // namespace win32_ui
