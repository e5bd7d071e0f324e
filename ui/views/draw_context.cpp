#include "ui/views/draw_context.h"

#include <algorithm>
#include <cmath>

#include "ui/views/view.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::Point;
using ui::graphics::Rect;
using ui::graphics::Transform;

constexpr float kMinimumScale = 1e-4f;
constexpr float kVisibilityGrow = 4.0f;

bool is_identity(const Transform& t) {
  return t.m11 == 1.0f && t.m12 == 0.0f && t.m21 == 0.0f && t.m22 == 1.0f && t.dx == 0.0f &&
         t.dy == 0.0f;
}

bool all_finite(const Rect& r) {
  return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) &&
         std::isfinite(r.bottom);
}

// The box of a rectangle mapped through the transform. A scale-and-translate
// transform maps two corners; any other maps all four.
Rect map_rect(const Transform& t, const Rect& r) {
  if (t.m12 == 0.0f && t.m21 == 0.0f) {
    const Point a = t.map_point({r.left, r.top});
    const Point b = t.map_point({r.right, r.bottom});
    if (std::isnan(a.x) || std::isnan(a.y)) return {a.x, a.y, a.x, a.y};
    if (std::isnan(b.x) || std::isnan(b.y)) return {b.x, b.y, b.x, b.y};
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  }
  const Point corners[] = {t.map_point({r.left, r.top}), t.map_point({r.right, r.top}),
                           t.map_point({r.left, r.bottom}), t.map_point({r.right, r.bottom})};
  Rect box{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
  for (const Point& p : corners) {
    // A NaN corner must reach the result, which std::min would drop.
    if (std::isnan(p.x) || std::isnan(p.y)) return {p.x, p.y, p.x, p.y};
    box.left = std::min(box.left, p.x);
    box.top = std::min(box.top, p.y);
    box.right = std::max(box.right, p.x);
    box.bottom = std::max(box.bottom, p.y);
  }
  return box;
}

}  // namespace

DrawContext::DrawContext(const Setup& setup)
    : canvas_(setup.canvas),
      palette_(setup.palette),
      scale_(std::isfinite(setup.scale) ? std::max(setup.scale, kMinimumScale) : 1.0f),
      scroll_offset_(setup.scroll_offset),
      hovered_(setup.hovered),
      pressed_(setup.pressed),
      focused_(setup.focused),
      window_focused_(setup.window_focused),
      keyboard_cues_(setup.keyboard_cues),
      right_to_left_(setup.right_to_left) {
  if (!setup.dirty_rect) return;
  const layout::LayoutRect& d = *setup.dirty_rect;
  if (!std::isfinite(d.x) || !std::isfinite(d.y) || !std::isfinite(d.width) ||
      !std::isfinite(d.height) || !(d.width > 0.0f) || !(d.height > 0.0f)) {
    return;
  }
  const Rect px = to_px_rect(d);
  if (!all_finite(px) || !(px.left < px.right) || !(px.bottom > px.top)) return;
  clip_ = px;
  tests_visibility_ = true;
}

std::optional<Rect> DrawContext::clip() const {
  if (!tests_visibility_) return std::nullopt;
  return clip_;
}

Color DrawContext::color(int index) const {
  if (palette_ == nullptr || index < 0 || index >= static_cast<int>(palette_->colors.size())) {
    return Color{};
  }
  return palette_->colors[static_cast<std::size_t>(index)];
}

Rect DrawContext::to_px_rect(const layout::LayoutRect& r) const {
  return {r.x * scale_, (r.y - scroll_offset_) * scale_, (r.x + r.width) * scale_,
          (r.y + r.height - scroll_offset_) * scale_};
}

Rect DrawContext::bounds_px() const {
  return current_ != nullptr ? to_px_rect(current_->bounds()) : Rect{};
}

Rect DrawContext::surface_bounds_px() const {
  return current_ != nullptr ? to_px_rect(current_->surface_bounds()) : Rect{};
}

std::optional<Transform> DrawContext::pixel_transform_of(const View& view) const {
  const Transform local = view.local_transform();
  if (is_identity(local)) return std::nullopt;
  // Conjugate the layout-space transform with the DIP-to-pixel mapping
  // p_px = (p - (0, scroll)) * scale.
  const Transform to_dip = Transform::multiply(Transform::scale(1.0f / scale_, 1.0f / scale_),
                                               Transform::translation(0.0f, scroll_offset_));
  const Transform to_px = Transform::multiply(Transform::translation(0.0f, -scroll_offset_),
                                              Transform::scale(scale_, scale_));
  return Transform::multiply(Transform::multiply(to_dip, local), to_px);
}

float DrawContext::combine_opacity(float current, float view) {
  const float product = current * view;
  if (!std::isfinite(product)) return 1.0f;
  return std::clamp(product, 0.0f, 1.0f);
}

DrawContext::SavedView DrawContext::push_view(View& view) {
  SavedView saved{current_, transform_, opacity_};
  current_ = &view;
  if (const auto own = pixel_transform_of(view)) transform_ = Transform::multiply(*own, transform_);
  opacity_ = combine_opacity(opacity_, view.opacity());
  if (canvas_ != nullptr) {
    canvas_->set_transform(transform_);
    canvas_->set_opacity(opacity_);
    if (view.clips_children()) canvas_->clip_rect(to_px_rect(view.bounds()));
  }
  return saved;
}

void DrawContext::pop_view(const SavedView& saved) {
  current_ = saved.view;
  transform_ = saved.transform;
  opacity_ = saved.opacity;
}

bool DrawContext::is_visible(const View& view) const {
  if (!tests_visibility_) return true;
  const layout::LayoutRect& b = view.bounds();
  const Rect grown = to_px_rect({b.x - kVisibilityGrow, b.y - kVisibilityGrow,
                                 b.width + 2.0f * kVisibilityGrow,
                                 b.height + 2.0f * kVisibilityGrow});
  Transform t = transform_;
  if (const auto own = pixel_transform_of(view)) t = Transform::multiply(*own, transform_);
  const Rect m = map_rect(t, grown);
  if (!all_finite(m)) return true;
  return m.right > clip_.left && m.left < clip_.right && m.bottom > clip_.top &&
         m.top < clip_.bottom;
}

bool DrawContext::is_hovered(const View& view) const {
  return &view == hovered_ || view.is_hovered();
}

bool DrawContext::is_pressed(const View& view) const {
  return &view == pressed_ || view.is_pressed();
}

bool DrawContext::is_focused(const View& view) const {
  return &view == focused_ || view.is_focused();
}

bool DrawContext::shows_focus_ring(const View& view) const {
  return window_focused_ && keyboard_cues_ && is_focused(view);
}

ui::graphics::TextStyle DrawContext::apply_direction(ui::graphics::TextStyle style) const {
  style.direction = right_to_left_ ? 1 : 0;
  return style;
}

Color DrawContext::outline_color() const {
  if (is_high_contrast()) return color(18);
  const Color a = color(1);
  const Color b = color(18);
  const auto mix = [](int c1, int c18) {
    return static_cast<std::uint8_t>((c1 * 151 + c18 * 104 + 127) / 255);
  };
  return Color{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

float DrawContext::outline_width() const { return scale_ * (is_high_contrast() ? 1.0f : 0.75f); }

StateColors DrawContext::state_colors(int tone, int state, bool accent) const {
  if (state == 3) return {3, 4, 8};
  if (is_high_contrast() && is_dark() && (state == 1 || state == 2) && (tone == 1 || tone == 3)) {
    return {9, 9, 13};
  }
  const auto by_state = [state](int pressed, int hovered, int rest) {
    return state == 2 ? pressed : (state == 1 ? hovered : rest);
  };
  if (tone == 0) {
    const int fill = by_state(11, 10, 9);
    return {fill, fill, 13};
  }
  if (tone == 2) {
    const int fill = by_state(16, 15, 14);
    return {fill, fill, 17};
  }
  if (tone == 3 && accent) return {state == 2 ? 11 : 12, 9, state == 2 ? 13 : 6};
  return {by_state(3, 2, 1), accent ? 9 : 4, 6};
}

Color DrawContext::find_color(std::uint64_t key, Color fallback) const {
  if (current_ == nullptr) return fallback;
  return current_->find_color_override(key).value_or(fallback);
}

float DrawContext::find_metric(std::uint64_t key, float fallback) const {
  if (current_ == nullptr) return fallback;
  return current_->find_metric_override(key).value_or(fallback);
}

}  // namespace win32_ui::modern
