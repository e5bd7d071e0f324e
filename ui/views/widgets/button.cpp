#include "ui/views/widgets/button.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "ui/views/draw_context.h"
#include "ui/views/widgets/glyph.h"
#include "ui/views/widgets/widget_text.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;
using ui::graphics::Image;
using ui::graphics::Rect;

// Progress values below this count as at rest.
constexpr float kRest = 0.001f;
// Buttons narrower than this have no room for the shortcut chip.
constexpr float kChipMinimumWidth = 192.0f;
constexpr float kChipReserve = 112.0f;
constexpr int kShortcutStyle = 3;
constexpr float kTileGlyphSide = 25.0f;

bool is_light(Color color) {
  return 587 * color.g + 299 * color.r + 114 * color.b > 128000;
}

Color quiet_outline(const StateColorValues& colors) {
  const auto channel = [](int border, int fill) {
    return static_cast<std::uint8_t>((border * 185 + fill * 70 + 127) / 255);
  };
  return Color{channel(colors.border.r, colors.fill.r), channel(colors.border.g, colors.fill.g),
               channel(colors.border.b, colors.fill.b)};
}

Rect clamp_into(const Rect& rect, const Rect& bounds) {
  const auto x = [&](float v) { return std::clamp(v, bounds.left, bounds.right); };
  const auto y = [&](float v) { return std::clamp(v, bounds.top, bounds.bottom); };
  return {x(rect.left), y(rect.top), x(rect.right), y(rect.bottom)};
}

}  // namespace

float Button::Progress::any() const { return std::max({selected, hovered, pressed}); }

Button::Button(int control_id, std::wstring text, int glyph)
    : Interactive(kWidgetButton, kInteractionPush, {0.0f, 44.0f}), glyph_(glyph) {
  set_text_style(4);
  set_localized_text(LocalizedText::from_text(std::move(text)));
  set_control_id(control_id);
}

// ---- Setters ----

Button& Button::set_glyph(int glyph) {
  if (glyph_ == glyph) return *this;
  glyph_ = glyph;
  invalidate_layout();
  invalidate();
  return *this;
}

Button& Button::set_tall(int layout) {
  if (layout_ == layout) return *this;
  layout_ = layout;
  set_default_size({0.0f, layout == kLayoutTile ? 64.0f : 44.0f});
  invalidate_layout();
  invalidate();
  return *this;
}

Button& Button::set_flat(bool flat) {
  if (flat_ == flat) return *this;
  flat_ = flat;
  invalidate_layout();
  invalidate();
  return *this;
}

Button& Button::set_icon_size(float size) {
  if (!std::isfinite(size) || !(size > 0.0f) || size == icon_size_) return *this;
  icon_size_ = size;
  invalidate_layout();
  invalidate();
  return *this;
}

Button& Button::set_icon_images(Image light, Image dark) {
  light_ = std::move(light);
  dark_ = std::move(dark);
  light_cache_.clear();
  dark_cache_.clear();
  disabled_cache_.clear();
  invalidate_layout();
  invalidate();
  return *this;
}

Button& Button::set_primary(bool primary) {
  if (primary_ == primary) return *this;
  primary_ = primary;
  invalidate();
  return *this;
}

Button& Button::set_shortcut_text(std::wstring text) {
  if (shortcut_text_ == text) return *this;
  shortcut_text_ = std::move(text);
  invalidate_layout();
  return *this;
}

Button& Button::set_draws_background(bool draws) {
  if (draws_background_ == draws) return *this;
  draws_background_ = draws;
  invalidate();
  return *this;
}

Button& Button::set_label_alignment(int alignment) {
  if (label_alignment_ == alignment) return *this;
  label_alignment_ = alignment;
  invalidate();
  return *this;
}

Button& Button::on_invoked(std::function<void()> callback) {
  add_event_handler(Event::kInvoked, [callback = std::move(callback)](Event&) {
    if (callback) callback();
  });
  return *this;
}

bool Button::has_icon() const { return glyph_ != 0 || has_image(); }

// ---- Measure ----

layout::Size Button::measure_override(const layout::SizeConstraint& content,
                                      const layout::LayoutContext& context) {
  const layout::Size label = measure_widget_text(text(), text_style(), context);
  const float default_height = default_size().height;
  float width = label.width + 32.0f;
  float height = default_height;
  if (has_icon() && layout_ == kLayoutTile) {
    const float icon = has_image() ? icon_size_ : kTileGlyphSide;
    width = std::max(icon, label.width) + 20.0f;
    height = std::max(icon + 7.0f + 4.0f + label.height + 3.0f, default_height);
  } else if (has_icon()) {
    const float padding = !flat_ ? 68.0f : (has_image() ? icon_size_ + 20.0f : 42.0f);
    width = label.width + padding;
  }
  width = std::max({width, default_size().width, 72.0f});
  if (!shortcut_text_.empty()) {
    const layout::Size chip = measure_widget_text(shortcut_text_, kShortcutStyle, context);
    width = std::max({width + kChipReserve, kChipMinimumWidth, chip.width + 124.0f});
    height = std::max(chip.height + 14.0f, height);
  }
  return clamp_size(content, {width, std::max(label.height, height)});
}

// ---- Drawing ----

float Button::outline_width(const DrawContext& context) const {
  const float dip = std::max(context.find_metric(kOutlineWidthToken, 1.0f), 0.0f);
  return std::max(context.to_px(dip), 1.0f);
}

StateColorValues Button::current_colors(const DrawContext& context,
                                        const Progress& progress) const {
  const int state = !accepts_input()            ? 3
                    : context.is_pressed(*this) ? 2
                    : context.is_hovered(*this) ? 1
                                                : 0;
  const int tone = primary_ ? 0 : 1;
  const bool selected = is_selected();
  const auto colors = [&](int s, bool accent) {
    return resolve_state_colors(context, context.state_colors(tone, s, accent));
  };
  if (!accepts_input() || context.is_high_contrast()) return colors(state, selected);
  StateColorValues mixed = mix_state_colors(colors(0, false), colors(0, true), progress.selected);
  mixed = mix_state_colors(mixed, colors(1, selected), progress.hovered);
  return mix_state_colors(mixed, colors(2, selected), progress.pressed);
}

void Button::draw_frame(DrawContext& context, const Rect& area, const StateColorValues& colors,
                        const Progress& progress) const {
  if (!draws_background_) return;
  ui::graphics::Canvas& canvas = *context.canvas();
  const float radius = context.to_px(std::max(context.find_metric(kButtonRadiusToken, 8.0f), 0.0f));
  const float width = outline_width(context);
  const bool contrast = context.is_high_contrast();
  // A flat button without input is at rest whatever the pointer or its
  // selection does: a fill or an outline would read as hovered or pressed.
  // Its ink in the disabled text colour is what tells it apart.
  if (flat_ && !accepts_input()) return;
  if (!flat_ || progress.any() > kRest) {
    Color fill = colors.fill;
    if (flat_ && !contrast) {
      fill = context.is_dark()
                 ? mix_color(context.color(0), fill, progress.any())
                 : mix_color(mix_color(context.color(0), context.color(2),
                                       std::max(progress.selected, progress.hovered)),
                             context.color(3), progress.pressed);
    }
    canvas.fill_round_rect(area, radius, fill);
  }
  const Rect outline = inset_rect(area, width / 2.0f);
  if (!flat_) {
    Color border = colors.border;
    if (!primary_ && !contrast && progress.any() < kRest) {
      border = context.find_color(kButtonQuietOutlineToken, quiet_outline(colors));
    }
    canvas.stroke_round_rect(outline, radius, border, width);
  } else if (!context.is_dark() && !contrast && progress.any() > kRest) {
    canvas.stroke_round_rect(
        outline, radius, mix_color(context.color(0), context.color(4), 0.7f * progress.any()),
        width);
  }
}

Button::IconChoice Button::choose_icon(const DrawContext& context, Color text_color) {
  const bool dark = context.is_dark() || (context.is_high_contrast() && is_light(text_color));
  IconChoice choice;
  choice.image = dark ? &dark_ : &light_;
  choice.cache = dark ? &dark_cache_ : &light_cache_;
  choice.has_icon = glyph_ != 0 || choice.image->valid();
  choice.tile = layout_ == kLayoutTile && choice.has_icon;
  choice.side = choice.image->valid() ? icon_size_
                : choice.tile         ? kTileGlyphSide
                : flat_               ? 20.0f
                                      : 22.0f;
  return choice;
}

void Button::draw_icon(DrawContext& context, const Rect& area, const IconChoice& icon,
                       Color color) {
  if (!icon.has_icon) return;
  const float side = context.to_px(icon.side);
  float left = area.left + (area.width() - side) / 2.0f;
  float top = area.top + context.to_px(7.0f);
  if (!icon.tile) {
    const float start = context.to_px(flat_ ? 8.0f : 18.0f);
    left = context.is_right_to_left() ? area.right - start - side : area.left + start;
    top = area.top + (area.height() - side) / 2.0f;
  }
  if (!icon.image->valid()) {
    draw_glyph(context, glyph_, {left, top, left + side, top + side}, color,
               1.5f * outline_width(context));
    return;
  }
  const auto whole = static_cast<std::uint32_t>(std::max(1L, std::lround(side)));
  const Image& scaled = icon.cache->image_for(*icon.image, whole, whole);
  // Disabled, the picture is drawn in the disabled text colour, as a glyph
  // would be: its own colours would say it can still be used.
  const Image& drawn = accepts_input() ? scaled : disabled_cache_.image_for(scaled, color);
  const float x = std::round(left);
  const float y = std::round(top);
  context.canvas()->draw_image(
      drawn, {x, y, x + static_cast<float>(whole), y + static_cast<float>(whole)}, 1.0f, true);
}

Rect Button::label_area(const DrawContext& context, const Rect& area,
                        const IconChoice& icon) const {
  const bool rtl = context.is_right_to_left();
  Rect label = area;
  if (icon.tile) {
    label.top = area.top + context.to_px(icon.side + 10.0f);
    label.bottom = area.bottom - context.to_px(3.0f);
  } else if (icon.has_icon) {
    const float inward =
        context.to_px(!flat_ ? 50.0f : (icon.image->valid() ? icon_size_ + 12.0f : 34.0f));
    (rtl ? label.right : label.left) += rtl ? -inward : inward;
  }
  if (!shortcut_text_.empty() && area.width() >= context.to_px(kChipMinimumWidth)) {
    const float reserve = context.to_px(kChipReserve);
    (rtl ? label.left : label.right) += rtl ? reserve : -reserve;
  }
  return clamp_into(label, area);
}

void Button::draw_shortcut_chip(DrawContext& context, const Rect& area, Color color) const {
  if (shortcut_text_.empty() || area.width() < context.to_px(kChipMinimumWidth)) return;
  const float left = context.is_right_to_left() ? area.left + context.to_px(10.0f)
                                                : area.right - context.to_px(98.0f);
  const Rect chip{left, area.top + context.to_px(7.0f), left + context.to_px(88.0f),
                  area.bottom - context.to_px(7.0f)};
  context.canvas()->stroke_round_rect(chip, context.to_px(7.0f), color, outline_width(context));
  ui::graphics::TextStyle style;
  style.font = context.font_for(kShortcutStyle);
  style.color = color;
  style.h_align = 1;
  style.v_align = 1;
  style.single_line = true;
  context.canvas()->draw_text(shortcut_text_, chip, context.apply_direction(style));
}

void Button::draw(DrawContext& context) {
  ui::graphics::Canvas* const canvas = context.canvas();
  if (canvas == nullptr) return;
  const Rect area = context.surface_bounds_px();
  const Progress progress{effective_progress(*this, context, ui::graphics::kStateSelected),
                          effective_progress(*this, context, ui::graphics::kStateHovered),
                          effective_progress(*this, context, ui::graphics::kStatePressed)};
  StateColorValues colors = current_colors(context, progress);
  if (!draws_background_) colors.text = context.color(accepts_input() ? 6 : 8);
  draw_frame(context, area, colors, progress);

  const IconChoice icon = choose_icon(context, colors.text);
  draw_icon(context, area, icon, colors.text);

  ui::graphics::TextStyle style;
  style.font = context.font_for(text_style());
  style.color = colors.text;
  style.h_align = !icon.tile && icon.has_icon ? 0 : label_alignment_;
  style.v_align = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  canvas->draw_text(text(), label_area(context, area, icon), context.apply_direction(style));

  draw_shortcut_chip(context, area, colors.text);
  if (context.shows_focus_ring(*this)) {
    canvas->stroke_round_rect(inset_rect(area, context.to_px(3.0f)), context.to_px(6.0f),
                              context.outline_color(), context.outline_width());
  }
}

}  // namespace win32_ui::modern
