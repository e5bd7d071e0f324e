// Surface binds one view tree to one native window. A window host makes one
// per top-level window or popup, attaches it to the window once it exists,
// gives it a theme, a zoom factor and the root view, and from then on the
// surface owns everything between the window and the tree: the view root,
// DPI and zoom, the vertical scroll with its pinned view, the six fonts,
// the frame timer that drives animations, the window subclass through which
// it sees every message, painting and the UI Automation host.
//
// A thin public object over a private Impl. Everything runs on the UI thread
// that owns the window; nothing throws for a missing window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ui/platform/localization_context.h"
#include "ui/platform/resource_bundle.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/commands/command_table.h"
#include "ui/views/commands/shortcut_table.h"
#include "ui/views/element.h"
#include "ui/views/graphics/canvas_backend.h"
#include "ui/views/surface_services.h"
#include "ui/views/view.h"
#include "ui/views/view_host.h"

namespace win32_ui::modern {

class Widget;

class Surface final : public ViewHost {
 public:
  class Impl;
  // What the last WM_PAINT did: whether a canvas painted, whether that was
  // GDI, and how many back ends it tried.
  using PaintOutcome = detail::BackendChoice;

  explicit Surface(SurfaceServices services = {});
  // Detaches from the window first.
  ~Surface() override;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // ---- ViewHost: forwarded to the view root ----
  void invalidate_rect(const layout::LayoutRect& area) override;
  void invalidate_all() override;
  void request_layout() override;
  void notify_semantics_changed() override;
  void dispatch_event(Event& event) override;
  // Null: the surface's views animate on their root's clock.
  ui::animation::AnimationClock* animation_clock() override;
  bool request_focus(View* view, FocusOrigin origin) override;
  void retire_views(std::vector<std::unique_ptr<View>> views) override;

  // ---- Window ----
  // False (and detached) for a null or destroyed window or when the window
  // cannot be subclassed.
  bool attach(HWND window, const Theme& theme);
  void detach();
  // The attached window, null when detached.
  HWND window() const;

  // ---- Appearance and locale ----
  const Theme& theme() const;
  void set_theme(const Theme& theme);
  float zoom() const;
  // Clamped to [0.5, 2] (NaN gives 1); a change under 1e-4 is ignored.
  void set_zoom(float zoom);
  LocalizationContext& localization();
  // A context without a formatter gets the program's shared one.
  void set_localization(LocalizationContext localization);
  void set_language(std::wstring locale);
  void set_resource_bundle(std::shared_ptr<const ResourceBundle> bundle);

  // ---- Content ----
  // Takes the root view; the previous root and its subtree are freed.
  void set_content(std::unique_ptr<View> view);
  // The view that keeps its place while the content scrolls (a title bar).
  void set_scroll_view(View* view);
  View* root_view() const;
  // The first widget with this control id, a view before its children and
  // children in order; null when none.
  Widget* find_widget(int control_id) const;
  // The record of the first widget with this control id in tree order, as
  // the widget is now; null when none. Valid until the next relayout.
  Element* find_element(int id);
  // Lays the tree out again and repaints the whole window.
  void refresh();

  // ---- Commands ----
  // The table invoked widgets and shortcuts run commands from; not owned,
  // null detaches. Widgets bound to a command are enabled from it at every
  // relayout (refresh() after a command's availability changed).
  void set_command_table(CommandTable* table);
  ShortcutTable& shortcuts();

  // ---- Scrolling ----
  // The vertical scroll in DIP, 0 at the top.
  float scroll_offset() const;
  // Scrolls to `offset` DIP, clamped to the content; repaints when it moved.
  void scroll_to(float offset);

  // ---- Painting ----
  // 0 (the default) paints with Direct2D and falls back to GDI; 2 paints
  // with GDI only.
  void set_backend_preference(int preference);
  PaintOutcome last_paint() const;
  // The canvas font table (font n at n - 1); empty slots before attach.
  std::span<const HFONT> fonts() const;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace win32_ui::modern
