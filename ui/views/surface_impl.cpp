#include "ui/views/surface_impl.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_set>

#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/platform/windows_locale_formatter.h"
#include "ui/views/draw_context.h"
#include "ui/views/view_group.h"
#include "ui/views/widgets/widget.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::DpiScale;
using ui::graphics::Rect;

LONG to_long(double value) {
  if (!(value > static_cast<double>(LONG_MIN))) return LONG_MIN;
  if (!(value < static_cast<double>(LONG_MAX))) return LONG_MAX;
  return static_cast<LONG>(value);
}

// BeginPaint and EndPaint around one WM_PAINT.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~ScopedPaint() {
    if (dc_) EndPaint(window_, &paint_);
  }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;

  HDC dc() const { return dc_; }
  const RECT& area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// The arguments of one paint attempt, for the back-end chooser.
struct PassArguments {
  Surface::Impl* impl;
  HDC dc;
  RECT client;
  Rect requested;
};

bool run_pass(void* context, bool use_gdi) {
  auto* arguments = static_cast<PassArguments*>(context);
  return arguments->impl->paint_pass(use_gdi, arguments->dc, arguments->client,
                                     arguments->requested);
}

// Sets the surface's dirty rectangle for one paint pass and puts the
// previous one back at its end.
class DirtyRectScope {
 public:
  using Area = std::optional<layout::LayoutRect>;
  DirtyRectScope(Area& field, const Area& value) : field_(field), saved_(field) { field_ = value; }
  ~DirtyRectScope() { field_ = saved_; }
  DirtyRectScope(const DirtyRectScope&) = delete;
  DirtyRectScope& operator=(const DirtyRectScope&) = delete;

 private:
  Area& field_;
  Area saved_;
};

BOOL read_client_area_animation(BOOL* enabled) {
  return SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, enabled, 0);
}

}  // namespace

// Counts one running relayout; the outermost one's end publishes semantics
// that changed meanwhile.
class Surface::Impl::RelayoutScope {
 public:
  explicit RelayoutScope(Impl& impl) : impl_(impl) { ++impl_.relayout_depth; }
  ~RelayoutScope() {
    if (--impl_.relayout_depth == 0) impl_.sync_semantics_if_pending();
  }
  RelayoutScope(const RelayoutScope&) = delete;
  RelayoutScope& operator=(const RelayoutScope&) = delete;

 private:
  Impl& impl_;
};

Surface::Impl::Impl(SurfaceServices services)
    : localization(L"zh-CN", {}), text_measurer(&fonts, &dpi, &zoom),
      services_(std::move(services)) {
  automation = services_.make_automation_host ? services_.make_automation_host()
                                              : SemanticsAutomationHost::create();
  if (!automation) automation = SemanticsAutomationHost::create();
  localization.set_formatter(platform::windows::windows_locale_formatter());
  if (services_.clock) view_root.set_time_source(services_.clock);
  view_root.set_frame_scheduler(this);
  view_root.set_input_adapter(this);
  view_root.set_semantics_listener([this](std::uint64_t) { on_semantics_changed(); });
  view_root.set_event_observer([this](const Event& event) { automation->raise_invoked(event); });
  view_root.set_key_preview_listener([this](KeyEvent& event) { run_shortcut(event); });
  view_root.set_event_listener([this](Event& event) { run_command_of_source(event); });
  view_root.focus_manager().set_callback(
      [this](View*, View* current, FocusOrigin) { on_focus_changed(current); });
  view_root.set_root_changed_listener([this](View* root) { reset_pointer_state(root); });
  view_root.set_views_removed_listener(
      [this](const std::vector<View*>& roots) { on_views_removed(roots); });
}

Surface::Impl::~Impl() {
  view_root.set_semantics_listener({});
  view_root.set_event_observer({});
  view_root.set_key_preview_listener({});
  view_root.set_event_listener({});
  view_root.focus_manager().set_callback({});
  view_root.set_root_changed_listener({});
  view_root.set_views_removed_listener({});
  view_root.set_frame_scheduler(nullptr);
  view_root.set_input_adapter(nullptr);
}

Surface::Impl* Surface::Impl::from_window(HWND window) {
  return find_subclass_state<Impl>(window, &Impl::subclass_proc, kSurfaceSubclass);
}

// ---- Window ----

bool Surface::Impl::attach(HWND window, const Theme& new_theme) {
  if (window == nullptr || !IsWindow(window)) return false;
  detach();
  hwnd = window;
  theme = new_theme;
  const UINT window_dpi = GetDpiForWindow(window);
  dpi = window_dpi != 0 ? window_dpi : 96;
  create_fonts();
  control_brush.reset(CreateSolidBrush(theme.color(ThemeColor::control_background)));
  if (!install_window_subclass(window, &Impl::subclass_proc, kSurfaceSubclass,
                               reinterpret_cast<DWORD_PTR>(this))) {
    hwnd = nullptr;
    return false;
  }
  automation->attach(hwnd, &view_root);
  automation->update_scale(dpi, zoom, scroll_offset);
  refresh_animation_setting();
  if (view_root.animation_clock()->is_running()) start_frame_timer();
  relayout();
  invalidate_window();
  return true;
}

void Surface::Impl::detach() {
  const bool release = hwnd != nullptr && GetCapture() == hwnd && !pointers_captured.empty();
  pointers_captured.clear();
  if (release) ReleaseCapture();
  automation->detach();
  tooltip.destroy();
  if (frame_timer_active) {
    if (hwnd != nullptr) KillTimer(hwnd, frame_timer_id());
    frame_timer_active = false;
  }
  if (hwnd != nullptr && IsWindow(hwnd)) {
    remove_window_subclass(hwnd, &Impl::subclass_proc, kSurfaceSubclass);
  }
  hwnd = nullptr;
}

LRESULT CALLBACK Surface::Impl::subclass_proc(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam, UINT_PTR, DWORD_PTR reference) {
  auto* impl = reinterpret_cast<Impl*>(reference);
  return guarded_subclass_call(window, message, wparam, lparam, [&]() -> LRESULT {
    if (message == WM_NCDESTROY) {
      impl->on_nc_destroy();
      return default_subclass_proc(window, message, wparam, lparam);
    }
    return impl->message(window, message, wparam, lparam);
  });
}

// The window dies: nothing of the surface may refer to it afterwards, and
// the surface can be attached to another window.
void Surface::Impl::on_nc_destroy() {
  if (hwnd != nullptr) remove_window_subclass(hwnd, &Impl::subclass_proc, kSurfaceSubclass);
  automation->detach();
  tooltip.destroy();
  pointers_captured.clear();
  // The timer went with the window; a stale flag would keep the next
  // window's frames from ever starting.
  frame_timer_active = false;
  hwnd = nullptr;
}

LRESULT Surface::Impl::message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT answer = 0;
  if (automation->handle_message(message, wparam, lparam, &answer)) return answer;
  switch (message) {
    case WM_PAINT:
      on_paint_message();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_DPICHANGED: {
      const UINT new_dpi = HIWORD(wparam);
      dpi = new_dpi != 0 ? new_dpi : 96;
      create_fonts();
      relayout();
      clamp_scroll();
      invalidate_window();
      break;
    }
    case WM_SIZE:
      relayout();
      clamp_scroll();
      invalidate_window();
      break;
    case WM_SETTINGCHANGE:
      refresh_animation_setting();
      break;
    case WM_TIMER:
      if (static_cast<UINT_PTR>(wparam) == frame_timer_id()) {
        on_frame_timer();
        return 0;
      }
      break;
    default:
      if (const auto answer = input_message(message, wparam, lparam)) return *answer;
      if (const auto answer = native_control_message(message, wparam, lparam)) return *answer;
      break;
  }
  return default_subclass_proc(window, message, wparam, lparam);
}

// ---- Listeners ----

void Surface::Impl::on_semantics_changed() {
  semantics_pending = true;
  if (relayout_depth == 0 && !view_root.needs_layout()) sync_semantics_if_pending();
}

void Surface::Impl::sync_semantics_if_pending() {
  if (!semantics_pending || hwnd == nullptr) return;
  semantics_pending = false;
  automation->sync();
}

void Surface::Impl::on_focus_changed(View* current) {
  // A hosted control takes the keyboard focus itself, so keys go to it.
  if (const auto* host = dynamic_cast<const NativeHost*>(current)) {
    if (const HWND native = host->native_handle(); native != nullptr) {
      if (GetFocus() != native) SetFocus(native);
      return;
    }
  }
  if (current != nullptr && hwnd != nullptr) SetFocus(hwnd);
}

void Surface::Impl::on_views_removed(const std::vector<View*>& roots) {
  const std::unordered_set<const View*> removed(roots.begin(), roots.end());
  const auto inside_removed = [&removed](const View* view) {
    for (const View* v = view; v != nullptr; v = v->parent()) {
      if (removed.count(v) != 0) return true;
    }
    return false;
  };
  for (View*& view : element_views) {
    if (view != nullptr && inside_removed(view)) view = nullptr;
  }
  for (auto& entry : focus_order) {
    if (entry.second != nullptr && inside_removed(entry.second)) entry.second = nullptr;
  }
}

void Surface::Impl::reset_pointer_state(View* new_root) {
  ++element_generation;
  release_pointer(1);
  pointers_down.clear();
  pointers_cancelling.clear();
  current_pointer_id = 1;
  if (new_root != nullptr) {
    if (hwnd != nullptr) relayout();
  } else {
    elements.clear();
    element_views.clear();
    focus_order.clear();
    content_height = 0.0f;
    scroll_offset = 0.0f;
    sync_tooltips();
    if (relayout_depth == 0) sync_semantics_if_pending();
  }
  invalidate_window();
}

// ---- Layout and scrolling ----

std::uint32_t Surface::Impl::effective_dpi() const {
  return static_cast<std::uint32_t>(
      std::max<long>(1, std::lround(static_cast<double>(dpi) * static_cast<double>(zoom))));
}

DpiScale Surface::Impl::dpi_scale() const { return DpiScale(static_cast<float>(dpi), zoom); }

std::uint64_t Surface::Impl::layout_revision() {
  const std::array<std::uint64_t, 4> inputs{localization.revision(), localization_replacements,
                                            theme_revision, fonts.generation()};
  if (inputs != revision_inputs_ || layout_revision_ == 0) {
    revision_inputs_ = inputs;
    ++layout_revision_;
  }
  return layout_revision_;
}

void Surface::Impl::relayout() {
  if (view_root.root_view() == nullptr || hwnd == nullptr) return;
  const RelayoutScope scope(*this);
  RECT client{};
  if (!GetClientRect(hwnd, &client)) return;
  const DpiScale scale = dpi_scale();
  const float width = scale.to_dip(static_cast<float>(client.right - client.left));
  const float height = scale.to_dip(static_cast<float>(client.bottom - client.top));
  layout::LayoutContext context;
  context.dpi = effective_dpi();
  context.theme = &theme;
  context.revision = layout_revision();
  context.direction =
      localization.is_right_to_left() ? layout::kLayoutRightToLeft : layout::kLayoutLeftToRight;
  context.text_measurer = &text_measurer;
  refresh_localized_text();
  const ViewRoot::LayoutResult result = view_root.layout(width, height, context);
  content_height = std::isfinite(result.content_height) && result.content_height > 0.0f
                       ? result.content_height
                       : 0.0f;
  elements.clear();
  element_views.clear();
  focus_order.clear();
  collect_elements(view_root.root_view());
  view_root.focus_manager().validate_focus();
  const float placed_at = scroll_offset;
  clamp_scroll();
  // The hosts were placed at the offset from before the clamp.
  if (scroll_offset != placed_at) place_native_hosts();
  sync_tooltips();
}

void Surface::Impl::refresh_localized_text() {
  view_root.for_each_view([this](View& view) {
    if (auto* widget = dynamic_cast<Widget*>(&view)) widget->refresh_localized_text(localization);
  });
}

void Surface::Impl::clamp_scroll() {
  float viewport = 0.0f;
  RECT client{};
  if (hwnd != nullptr && GetClientRect(hwnd, &client)) {
    viewport = dpi_scale().to_dip(static_cast<float>(client.bottom - client.top));
  }
  const float limit = std::max(content_height - viewport, 0.0f);
  const float offset = std::isfinite(scroll_offset) ? scroll_offset : 0.0f;
  scroll_offset = std::clamp(offset, 0.0f, limit);
  automation->update_scale(dpi, zoom, scroll_offset);
  apply_scroll_transform();
}

void Surface::Impl::apply_scroll_transform() {
  if (scroll_view == nullptr) return;
  const ui::graphics::Transform wanted{1.0f, 0.0f, 0.0f, 1.0f, 0.0f, scroll_offset};
  const ui::graphics::Transform& current = scroll_view->render_transform();
  if (current.m11 == wanted.m11 && current.m12 == wanted.m12 && current.m21 == wanted.m21 &&
      current.m22 == wanted.m22 && current.dx == wanted.dx && current.dy == wanted.dy) {
    return;
  }
  scroll_view->set_render_transform(wanted);
  view_root.notify_semantics_changed();
}

bool Surface::Impl::client_area_animation_on() const {
  BOOL enabled = TRUE;
  const BOOL read = services_.read_client_area_animation
                        ? services_.read_client_area_animation(&enabled)
                        : read_client_area_animation(&enabled);
  // A failed query leaves animations on.
  return !read || enabled != FALSE;
}

ThemeSystem& Surface::Impl::theme_system() const {
  return services_.theme_system != nullptr ? *services_.theme_system : windows_theme_system();
}

void Surface::Impl::refresh_animation_setting() {
  const bool on = client_area_animation_on() && !is_high_contrast_active(theme_system());
  view_root.animation_clock()->set_enabled(on);
}

void Surface::Impl::create_fonts() { fonts.create(static_cast<float>(dpi), zoom); }

void Surface::Impl::invalidate_window() {
  if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
}

// ---- Frames ----

void Surface::Impl::start_frame_timer() {
  if (hwnd == nullptr || frame_timer_active) return;
  frame_timer_active = SetTimer(hwnd, frame_timer_id(), 15, nullptr) != 0;
  if (!frame_timer_active) invalidate_window();
}

// The timer fires once per frame: the clock advances at the paint it asks
// for, which starts the timer again while animations remain.
void Surface::Impl::on_frame_timer() {
  if (hwnd != nullptr) KillTimer(hwnd, frame_timer_id());
  frame_timer_active = false;
  invalidate_window();
}

void Surface::Impl::request_frame(int all) {
  if (hwnd == nullptr) return;
  const ui::graphics::DirtyRegion& dirty = view_root.dirty_region();
  if (all == 1 || dirty.is_all()) {
    invalidate_window();
    return;
  }
  const auto area = dirty.bounds();
  if (!area || !(area->width > 0.0f) || !(area->height > 0.0f)) return;
  const DpiScale scale = dpi_scale();
  const RECT pixels{to_long(std::floor(scale.to_px(area->x))),
                    to_long(std::floor(scale.to_px(area->y - scroll_offset))),
                    to_long(std::ceil(scale.to_px(area->x + area->width))),
                    to_long(std::ceil(scale.to_px(area->y + area->height - scroll_offset)))};
  RECT client{};
  RECT visible{};
  if (!GetClientRect(hwnd, &client) || !IntersectRect(&visible, &pixels, &client)) return;
  InvalidateRect(hwnd, &visible, FALSE);
}

// ---- Pointer capture ----

bool Surface::Impl::capture_pointer(unsigned pointer_id) {
  if (hwnd == nullptr) return false;
  if (pointers_down.count(pointer_id) != 0) return true;
  if (GetCapture() == hwnd && pointers_captured.empty()) return false;
  if (GetCapture() != hwnd) SetCapture(hwnd);
  if (GetCapture() != hwnd) return false;
  pointers_captured.insert(pointer_id);
  return true;
}

void Surface::Impl::release_pointer(unsigned pointer_id) {
  if (pointers_cancelling.erase(pointer_id) != 0) return;
  if (pointers_down.count(pointer_id) != 0) return;
  if (pointers_captured.erase(pointer_id) == 0 || !pointers_captured.empty()) return;
  if (hwnd != nullptr && GetCapture() == hwnd) ReleaseCapture();
}

// ---- Painting ----

void Surface::Impl::on_paint_message() {
  view_root.tick_animations(view_root.animation_time());
  if (view_root.needs_layout()) relayout();
  const std::uint64_t generation = view_root.paint_generation();
  Rect requested;
  const ui::graphics::DirtyRegion& dirty = view_root.dirty_region();
  if (!dirty.is_all()) {
    if (const auto area = dirty.bounds()) {
      requested = {area->x, area->y, area->x + area->width, area->y + area->height};
    }
  }
  if (paint(requested)) view_root.mark_painted(generation);
}

bool Surface::Impl::paint(const Rect& requested) {
  if (hwnd == nullptr) return false;
  const ScopedPaint scoped(hwnd);
  PassArguments arguments{this, scoped.dc(), {}, requested};
  GetClientRect(hwnd, &arguments.client);
  const RECT& area = scoped.area();
  if (!requested.empty() && !IsRectEmpty(&area)) {
    const DpiScale scale = dpi_scale();
    Rect& r = arguments.requested;
    r.left = std::min(r.left, scale.to_dip(static_cast<float>(area.left)));
    r.top = std::min(r.top, scale.to_dip(static_cast<float>(area.top)) + scroll_offset);
    r.right = std::max(r.right, scale.to_dip(static_cast<float>(area.right)));
    r.bottom = std::max(r.bottom, scale.to_dip(static_cast<float>(area.bottom)) + scroll_offset);
  }
  last_paint = scoped.dc() != nullptr
                   ? detail::choose_backend(backend_preference, &arguments, &run_pass)
                   : detail::BackendChoice{};
  if (!last_paint.painted && scoped.dc() != nullptr) {
    // Nothing stale may stay on screen.
    const detail::UniqueGdiObject brush(
        CreateSolidBrush(theme.color(ThemeColor::window_background)));
    if (brush) FillRect(scoped.dc(), &area, static_cast<HBRUSH>(brush.get()));
  }
  return last_paint.painted;
}

bool Surface::Impl::paint_pass(bool use_gdi, HDC dc, const RECT& client, const Rect& requested) {
  std::unique_ptr<ui::graphics::Canvas> canvas =
      detail::make_canvas(dc, client, fonts.table(), use_gdi);
  if (!canvas) return false;
  std::optional<layout::LayoutRect> area;
  if (!requested.empty()) {
    area = layout::LayoutRect{requested.left, requested.top, requested.right - requested.left,
                              requested.bottom - requested.top};
  }
  const DirtyRectScope scope(dirty_rect, area);
  const Color background = Color::from_colorref(theme.color(ThemeColor::window_background));
  if (area) {
    const float s = dpi_scale().to_px(1.0f);
    const Rect clip{requested.left * s, (requested.top - scroll_offset) * s, requested.right * s,
                    (requested.bottom - scroll_offset) * s};
    canvas->save();
    canvas->clip_rect(clip);
    canvas->fill_rect(clip, background);
    draw_tree(*canvas);
    canvas->restore();
  } else {
    canvas->clear(background);
    draw_tree(*canvas);
  }
  return canvas->flush();
}

void Surface::Impl::draw_tree(ui::graphics::Canvas& canvas) {
  const ui::graphics::RenderPalette palette = Theme::to_render_palette(theme, theme_system());
  DrawContext::Setup setup;
  setup.canvas = &canvas;
  setup.palette = &palette;
  setup.scale = std::max(dpi_scale().to_px(1.0f), 1e-4f);
  setup.scroll_offset = scroll_offset;
  setup.hovered = view_root.hovered_view(current_pointer_id);
  setup.pressed = view_root.captured_view(current_pointer_id);
  setup.focused = view_root.focus_manager().focused_view();
  setup.window_focused = true;
  setup.keyboard_cues = view_root.focus_manager().is_focus_visible();
  setup.right_to_left = localization.is_right_to_left();
  setup.dirty_rect = dirty_rect;
  DrawContext context(setup);
  view_root.draw(context);
}

}  // namespace win32_ui::modern
