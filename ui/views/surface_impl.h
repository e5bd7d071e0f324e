// Surface::Impl is everything a Surface holds: the window and its subclass,
// the view root and the platform services the root asks for (frames, pointer
// capture, painting), theme, locale, DPI, zoom, scroll, fonts and the UI
// Automation host. Every message of the window reaches message(), the one
// place where the surface decides what a message means.
//
// Owned by its Surface; the window subclass and the view root's listeners
// refer to it until the surface detaches and the Impl is destroyed. UI
// thread only.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ui/platform/accessibility/semantics_automation_host.h"
#include "ui/platform/hosting/native_host.h"
#include "ui/platform/localization_context.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/commands/command_table.h"
#include "ui/views/commands/shortcut_table.h"
#include "ui/views/dpi_scale.h"
#include "ui/views/element.h"
#include "ui/views/frame_scheduler.h"
#include "ui/views/graphics/canvas.h"
#include "ui/views/graphics/canvas_backend.h"
#include "ui/views/graphics/gdi_handles.h"
#include "ui/views/input_adapter.h"
#include "ui/views/render_surface.h"
#include "ui/views/surface.h"
#include "ui/views/surface_fonts.h"
#include "ui/views/surface_services.h"
#include "ui/views/surface_text_measurer.h"
#include "ui/views/tooltip_window.h"
#include "ui/views/view_root.h"

namespace win32_ui::modern {

class Interactive;

class Surface::Impl final : public platform::FrameScheduler,
                            public platform::InputAdapter,
                            public platform::RenderSurface {
 public:
  explicit Impl(SurfaceServices services);
  ~Impl() override;
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  // The Impl bound to a window through its subclass, or null.
  static Impl* from_window(HWND window);
  static LRESULT CALLBACK subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR reference);

  // ---- Window ----
  bool attach(HWND window, const Theme& theme);
  void detach();
  // Every message of the attached window.
  LRESULT message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  // ---- Layout and scrolling ----
  void relayout();
  // Every widget of the tree resolves its text again in the current locale.
  void refresh_localized_text();
  // Keeps the scroll inside the content and tells the automation host.
  void clamp_scroll();
  void apply_scroll_transform();
  void refresh_animation_setting();
  void create_fonts();
  void reset_pointer_state(View* new_root);
  void invalidate_window();
  std::uint32_t effective_dpi() const;
  ui::graphics::DpiScale dpi_scale() const;
  // The layout context's revision: moves with the locale, the theme and the
  // fonts, so the measure cache never serves a size measured with others.
  std::uint64_t layout_revision();

  // ---- Input (surface_input.cpp) ----
  // The answer to a keyboard, mouse, pointer, cursor or context-menu
  // message; empty when the message is not one of them or goes on to
  // default processing.
  std::optional<LRESULT> input_message(UINT message, WPARAM wparam, LPARAM lparam);
  bool dispatch_key(UINT message, WPARAM wparam, LPARAM lparam);
  bool handle_default_key(const KeyEvent& event);
  void cycle_focus(bool backwards, bool keyboard);
  struct PointerDispatch {
    std::int64_t element = -1;
    bool handled = false;
  };
  PointerDispatch dispatch_pointer(PointerAction action, ui::graphics::Point position,
                                   PointerButtons buttons, float wheel_y, unsigned pointer_id,
                                   PointerDevice device, float wheel_x, View* target);
  // Dispatches through the root; an invoked event runs `command_id`'s
  // command when one is given and a table is attached, and no other.
  void dispatch_event(Event& event, std::optional<unsigned> command_id = std::nullopt);

  // ---- Hosted native controls (surface_native_input.cpp) ----
  // The answer to a message of a hosted control; empty when the message is
  // not one or goes on to default processing.
  std::optional<LRESULT> native_control_message(UINT message, WPARAM wparam, LPARAM lparam);
  bool forward_native_notification(const NativeNotification& notification);

  // ---- Commands (surface_commands.cpp) ----
  // Key pre-handler: runs the command of a matching shortcut.
  void run_shortcut(KeyEvent& event);
  // Root event listener: an invoked command-bearing Interactive runs its
  // command.
  void run_command_of_source(Event& event);
  // An Interactive with a command accepts input only while the attached
  // table can execute it.
  void apply_command_state(Interactive& interactive);

  // ---- Elements (surface_elements.cpp) ----
  // Lists every widget, enables command-bearing ones, and attaches, places
  // and lists the hosted native controls of the tree.
  void collect_elements(View* view);
  // The record of a widget as it is now; none for other views.
  static std::optional<Element> element_from_view(View* view);
  // Refreshes every record from its view (not the list's shape).
  void sync_elements();
  void place_native_hosts();
  // The client area below the pinned scroll view, in client DIP.
  std::optional<layout::LayoutRect> native_host_clip() const;

  // ---- Tooltips (surface_tooltips.cpp) ----
  // Makes the native tooltip's tools follow the views' tooltip texts.
  void sync_tooltips();
  // The tool every shown view with a tooltip text should have now.
  TooltipWindow::Tools collect_tooltips() const;

  // ---- FrameScheduler ----
  void request_frame(int all) override;
  void start_frame_timer() override;
  UINT_PTR frame_timer_id() const { return reinterpret_cast<UINT_PTR>(this); }

  // ---- InputAdapter ----
  bool capture_pointer(unsigned pointer_id) override;
  void release_pointer(unsigned pointer_id) override;

  // ---- RenderSurface ----
  bool paint(const ui::graphics::Rect& requested) override;
  // One attempt on one back end.
  bool paint_pass(bool use_gdi, HDC dc, const RECT& client, const ui::graphics::Rect& requested);
  void draw_tree(ui::graphics::Canvas& canvas);

  HWND hwnd = nullptr;
  // One native tooltip for every view with a tooltip text; its window lives
  // from the first tool to the last and is owned by `hwnd`.
  TooltipWindow tooltip;
  Theme theme = Theme::light(kDefaultAccent);
  std::uint64_t theme_revision = 1;
  LocalizationContext localization;
  // Counts whole replacements of the context, whose revision may repeat.
  std::uint64_t localization_replacements = 0;
  // Filled from the tree at every relayout by the element pass; a view
  // removed meanwhile leaves a null entry until then.
  std::vector<Element> elements;
  std::vector<View*> element_views;
  std::vector<std::pair<std::int64_t, View*>> focus_order;
  ViewRoot view_root;
  std::unique_ptr<SemanticsAutomationHost> automation;
  // Not owned; null when none is attached.
  CommandTable* command_table = nullptr;
  ShortcutTable shortcuts;
  std::uint32_t dpi = 96;
  float zoom = 1.0f;
  // DIP, never negative.
  float content_height = 0.0f;
  // DIP, 0 at the top.
  float scroll_offset = 0.0f;
  // The area of the running paint pass, in DIP.
  std::optional<layout::LayoutRect> dirty_rect;
  View* scroll_view = nullptr;
  bool frame_timer_active = false;
  // A TrackMouseEvent leave request is armed.
  bool mouse_tracking = false;
  // The styling identity hosted controls compare: the owning Surface.
  const void* style_identity = nullptr;
  int relayout_depth = 0;
  bool semantics_pending = false;
  std::unordered_set<unsigned> pointers_down;
  std::unordered_set<unsigned> pointers_cancelling;
  std::unordered_set<unsigned> pointers_captured;
  unsigned current_pointer_id = 1;
  std::uint64_t element_generation = 0;
  int backend_preference = 0;
  detail::BackendChoice last_paint;
  SurfaceFonts fonts;
  SurfaceTextMeasurer text_measurer;
  detail::UniqueGdiObject control_brush;

 private:
  class RelayoutScope;

  void on_semantics_changed();
  void on_focus_changed(View* current);
  void on_views_removed(const std::vector<View*>& roots);
  void sync_semantics_if_pending();
  void on_paint_message();
  void on_frame_timer();
  void on_nc_destroy();
  // Input paths of input_message.
  LRESULT on_mouse_message(UINT message, WPARAM wparam, LPARAM lparam);
  std::optional<LRESULT> on_mouse_wheel(bool horizontal, WPARAM wparam, LPARAM lparam);
  void handle_pointer_message(UINT message, WPARAM wparam);
  // Scrolls by `notches` wheel notches; false when the offset stayed.
  bool scroll_by_notches(float notches);
  std::optional<LRESULT> on_set_cursor(LPARAM lparam);
  LRESULT on_context_menu(LPARAM lparam);
  ui::graphics::Point client_to_content(float x, float y) const;
  // Native-control colours of a control of this window.
  std::optional<LRESULT> on_control_color(HDC dc, HWND control);
  void attach_and_place(NativeHost& host);
  NativePlacement placement_for(const NativeHost& host) const;
  bool client_area_animation_on() const;
  ThemeSystem& theme_system() const;

  SurfaceServices services_;
  std::uint64_t layout_revision_ = 0;
  std::array<std::uint64_t, 4> revision_inputs_{};
};

}  // namespace win32_ui::modern
