// The element pass of Surface::Impl: after each layout every widget of the
// tree is listed as an Element (command-bearing ones enabled from their
// command first), and every NativeHost is attached under the surface
// window, placed over its view and listed in the focus order; wheel
// scrolling places them again.
#include <algorithm>

#include "ui/views/surface_impl.h"
#include "ui/views/view_group.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/icon.h"
#include "ui/views/widgets/interactive.h"
#include "ui/views/widgets/slider.h"

namespace win32_ui::modern {
namespace {

// A host inside a hidden or collapsed panel is not shown either, although
// its own visibility says visible.
bool hidden_in_tree(const View& view) {
  for (const View* v = &view; v != nullptr; v = v->parent()) {
    if (v->layout_params().visibility != layout::kVisible) return true;
  }
  return false;
}

}  // namespace

void Surface::Impl::collect_elements(View* view) {
  if (view == nullptr) return;
  if (auto* interactive = dynamic_cast<Interactive*>(view)) apply_command_state(*interactive);
  if (std::optional<Element> element = element_from_view(view)) {
    const bool actionable = element->is_actionable();
    elements.push_back(std::move(*element));
    element_views.push_back(view);
    if (actionable) focus_order.emplace_back(static_cast<std::int64_t>(elements.size() - 1), nullptr);
  }
  if (auto* host = dynamic_cast<NativeHost*>(view)) attach_and_place(*host);
  if (const auto* group = dynamic_cast<const ViewGroup*>(view)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) collect_elements(group->child_at(i));
  }
}

std::optional<Element> Surface::Impl::element_from_view(View* view) {
  const auto* widget = dynamic_cast<const Widget*>(view);
  if (widget == nullptr) return std::nullopt;
  Element element;
  element.id = widget->control_id();
  element.type = widget->kind();
  element.bounds = widget->surface_bounds();
  element.text = std::wstring(widget->text());
  element.text_style = widget->text_style();
  element.enabled = widget->is_enabled();
  if (const auto* interactive = dynamic_cast<const Interactive*>(widget)) {
    element.enabled = interactive->accepts_input();
  }
  element.checked = widget->is_checked();
  element.selected = widget->is_selected();
  if (const auto* button = dynamic_cast<const Button*>(widget)) {
    element.variant = button->glyph();
    element.primary = button->is_primary();
    element.shortcut_text = button->shortcut_text();
  } else if (const auto* slider = dynamic_cast<const Slider*>(widget)) {
    element.value = slider->value();
  } else if (const auto* icon = dynamic_cast<const Icon*>(widget)) {
    element.variant = icon->icon();
  }
  return element;
}

void Surface::Impl::sync_elements() {
  const std::size_t count = std::min(elements.size(), element_views.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (element_views[i] == nullptr) continue;
    if (std::optional<Element> fresh = element_from_view(element_views[i])) {
      elements[i] = std::move(*fresh);
    }
  }
}

// A host whose window cannot be made is left out until the next pass.
void Surface::Impl::attach_and_place(NativeHost& host) {
  if (hwnd == nullptr) return;
  NativeViewContext context;
  context.theme = &theme;
  context.style_identity = style_identity;
  context.locale_tag = localization.locale();
  context.localization_revision = localization.revision();
  context.right_to_left = localization.is_right_to_left();
  if (!host.attach_window(hwnd, context) || host.native_handle() == nullptr) return;
  host.sync_peer_bounds(placement_for(host));
  focus_order.emplace_back(-1, &host);
}

NativePlacement Surface::Impl::placement_for(const NativeHost& host) const {
  const layout::LayoutRect& bounds = host.surface_bounds();
  NativePlacement placement;
  placement.x = bounds.x;
  placement.y = bounds.y;
  placement.width = bounds.width;
  placement.height = bounds.height;
  placement.dpi = dpi;
  placement.zoom = zoom;
  placement.scroll_offset = scroll_offset;
  placement.hidden = hidden_in_tree(host) ? 1 : 0;
  placement.enabled = host.is_enabled();
  if (const auto clip = native_host_clip()) {
    placement.clip_x = clip->x;
    placement.clip_y = clip->y;
    placement.clip_width = clip->width;
    placement.clip_height = clip->height;
    placement.has_clip = true;
  }
  return placement;
}

void Surface::Impl::place_native_hosts() {
  for (const auto& entry : focus_order) {
    if (auto* host = dynamic_cast<NativeHost*>(entry.second)) {
      host->sync_peer_bounds(placement_for(*host));
    }
  }
}

// Native windows draw over everything in the client area, so they are never
// shown over the pinned title: the clip is the area below it.
std::optional<layout::LayoutRect> Surface::Impl::native_host_clip() const {
  if (hwnd == nullptr || scroll_view == nullptr ||
      scroll_view->layout_params().visibility != layout::kVisible) {
    return std::nullopt;
  }
  RECT client{};
  if (!GetClientRect(hwnd, &client)) return std::nullopt;
  const ui::graphics::DpiScale scale = dpi_scale();
  const float width = scale.to_dip(static_cast<float>(client.right - client.left));
  const float height = scale.to_dip(static_cast<float>(client.bottom - client.top));
  // The scroll view's render transform carries the scroll; taking it off
  // gives its bottom in client coordinates.
  const layout::LayoutRect pinned = scroll_view->bounds_in_root();
  const float edge = std::clamp(pinned.y + pinned.height - scroll_offset, 0.0f, height);
  return layout::LayoutRect{0.0f, edge, width, std::max(height - edge, 0.0f)};
}

}  // namespace win32_ui::modern
