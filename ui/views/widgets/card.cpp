#include "ui/views/widgets/card.h"

#include <algorithm>
#include <cstdint>

#include "ui/views/draw_context.h"
#include "ui/views/widgets/widget_drawing.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Color;

// The quiet border: the surface colour pulled towards the border colour,
// further in a dark palette where the contrast is lower.
Color quiet_border(const DrawContext& context) {
  const Color surface = context.color(1);
  const Color border = context.color(4);
  const int surface_weight = context.is_dark() ? 95 : 113;
  const int border_weight = 255 - surface_weight;
  const auto channel = [&](int s, int b) {
    return static_cast<std::uint8_t>((s * surface_weight + b * border_weight + 127) / 255);
  };
  return Color{channel(surface.r, border.r), channel(surface.g, border.g),
               channel(surface.b, border.b)};
}

}  // namespace

Card::Card() : Widget(kWidgetCard, {0.0f, 0.0f}) {}

void Card::draw(DrawContext& context) {
  ui::graphics::Canvas* const canvas = context.canvas();
  if (canvas == nullptr) return;
  const float radius = context.to_px(std::max(context.find_metric(kCardRadiusToken, 10.0f), 0.0f));
  const float width =
      std::max(context.to_px(std::max(context.find_metric(kOutlineWidthToken, 1.0f), 0.0f)), 1.0f);
  const Color border = context.find_color(kCardBorderToken, quiet_border(context));
  const float selected = effective_progress(*this, context, ui::graphics::kStateSelected);
  const ui::graphics::Rect area = context.surface_bounds_px();
  canvas->fill_round_rect(area, radius, mix_color(context.color(1), context.color(12), selected));
  const Color rest = context.is_high_contrast() ? context.color(4) : border;
  canvas->stroke_round_rect(inset_rect(area, width / 2.0f), radius,
                            mix_color(rest, context.color(9), selected), width);
}

}  // namespace win32_ui::modern
