#include "ui/views/surface.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/platform/windows_locale_formatter.h"
#include "ui/views/surface_impl.h"
#include "ui/views/widgets/widget.h"

namespace win32_ui::modern {

Surface::Surface(SurfaceServices services)
    : impl_(std::make_unique<Impl>(std::move(services))) {
  impl_->style_identity = this;
}

Surface::~Surface() {
  if (impl_) impl_->detach();
}

// ---- ViewHost ----

void Surface::invalidate_rect(const layout::LayoutRect& area) {
  if (impl_) impl_->view_root.invalidate_rect(area);
}

void Surface::invalidate_all() {
  if (impl_) impl_->view_root.invalidate_all();
}

void Surface::request_layout() {
  if (impl_) impl_->view_root.request_layout();
}

void Surface::notify_semantics_changed() {}

void Surface::dispatch_event(Event& event) {
  if (impl_) impl_->view_root.dispatch_event(event);
}

ui::animation::AnimationClock* Surface::animation_clock() { return nullptr; }

bool Surface::request_focus(View* view, FocusOrigin origin) {
  return impl_ && impl_->view_root.request_focus(view, origin);
}

void Surface::retire_views(std::vector<std::unique_ptr<View>> views) {
  if (impl_) impl_->view_root.retire_views(std::move(views));
}

// ---- Window ----

bool Surface::attach(HWND window, const Theme& theme) {
  return impl_ && impl_->attach(window, theme);
}

void Surface::detach() {
  if (impl_) impl_->detach();
}

HWND Surface::window() const { return impl_ ? impl_->hwnd : nullptr; }

// ---- Appearance and locale ----

const Theme& Surface::theme() const { return impl_->theme; }

void Surface::set_theme(const Theme& theme) {
  if (!impl_) return;
  impl_->theme = theme;
  impl_->refresh_animation_setting();
  ++impl_->theme_revision;
  impl_->control_brush.reset(CreateSolidBrush(theme.color(ThemeColor::control_background)));
  impl_->relayout();
  impl_->invalidate_window();
}

float Surface::zoom() const { return impl_ ? impl_->zoom : 1.0f; }

void Surface::set_zoom(float zoom) {
  if (!impl_) return;
  const float clamped = ui::graphics::clamp_zoom(zoom);
  if (std::fabs(clamped - impl_->zoom) < 1e-4f) return;
  impl_->zoom = clamped;
  impl_->create_fonts();
  impl_->relayout();
  impl_->invalidate_window();
}

LocalizationContext& Surface::localization() { return impl_->localization; }

void Surface::set_localization(LocalizationContext localization) {
  if (!impl_) return;
  if (!localization.has_formatter()) {
    localization.set_formatter(platform::windows::windows_locale_formatter());
  }
  impl_->localization = std::move(localization);
  ++impl_->localization_replacements;
  impl_->relayout();
  impl_->invalidate_window();
}

void Surface::set_language(std::wstring locale) {
  if (!impl_ || locale == impl_->localization.locale()) return;
  impl_->localization.set_locale(std::move(locale));
  impl_->relayout();
  impl_->invalidate_window();
}

void Surface::set_resource_bundle(std::shared_ptr<const ResourceBundle> bundle) {
  if (!impl_ || bundle == impl_->localization.bundle()) return;
  impl_->localization.set_bundle(std::move(bundle));
  impl_->relayout();
  impl_->invalidate_window();
}

// ---- Content ----

void Surface::set_content(std::unique_ptr<View> view) {
  if (!impl_) return;
  if (impl_->scroll_view != nullptr) {
    impl_->scroll_view->set_render_transform(ui::graphics::Transform::identity());
  }
  impl_->scroll_view = nullptr;
  impl_->view_root.set_root(std::move(view));
}

void Surface::set_scroll_view(View* view) {
  if (!impl_ || view == impl_->scroll_view) return;
  if (impl_->scroll_view != nullptr) {
    impl_->scroll_view->set_render_transform(ui::graphics::Transform::identity());
  }
  impl_->scroll_view = view;
  impl_->apply_scroll_transform();
}

View* Surface::root_view() const { return impl_ ? impl_->view_root.root_view() : nullptr; }

Widget* Surface::find_widget(int control_id) const {
  if (!impl_) return nullptr;
  Widget* found = nullptr;
  impl_->view_root.for_each_view([&found, control_id](View& view) {
    if (found != nullptr) return;
    auto* widget = dynamic_cast<Widget*>(&view);
    if (widget != nullptr && widget->control_id() == control_id) found = widget;
  });
  return found;
}

Element* Surface::find_element(int id) {
  if (!impl_) return nullptr;
  impl_->sync_elements();
  const std::size_t count = std::min(impl_->elements.size(), impl_->element_views.size());
  for (std::size_t i = 0; i < count; ++i) {
    // A widget removed since the last relayout is no longer there to find.
    if (impl_->element_views[i] != nullptr && impl_->elements[i].id == id) {
      return &impl_->elements[i];
    }
  }
  return nullptr;
}

void Surface::set_command_table(CommandTable* table) {
  if (!impl_ || table == impl_->command_table) return;
  impl_->command_table = table;
  impl_->relayout();
  impl_->invalidate_window();
}

ShortcutTable& Surface::shortcuts() { return impl_->shortcuts; }

void Surface::refresh() {
  if (!impl_) return;
  impl_->relayout();
  impl_->invalidate_window();
}

// ---- Scrolling ----

float Surface::scroll_offset() const { return impl_ ? impl_->scroll_offset : 0.0f; }

void Surface::scroll_to(float offset) {
  if (!impl_ || !std::isfinite(offset)) return;
  const float before = impl_->scroll_offset;
  impl_->scroll_offset = offset;
  impl_->clamp_scroll();
  if (impl_->scroll_offset == before) return;
  // Native controls and tooltip tools do not move with the drawing.
  impl_->place_native_hosts();
  impl_->sync_tooltips();
  impl_->invalidate_window();
}

// ---- Painting ----

void Surface::set_backend_preference(int preference) {
  if (impl_) impl_->backend_preference = preference;
}

Surface::PaintOutcome Surface::last_paint() const {
  return impl_ ? impl_->last_paint : PaintOutcome{};
}

std::span<const HFONT> Surface::fonts() const {
  return impl_ ? impl_->fonts.table() : std::span<const HFONT>();
}

}  // namespace win32_ui::modern
