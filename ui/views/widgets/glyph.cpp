#include "ui/views/widgets/glyph.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace win32_ui::modern {
namespace {

using ui::graphics::Canvas;
using ui::graphics::Color;
using ui::graphics::Point;
using ui::graphics::Rect;

// The frame every glyph is drawn in: centre and the shorter side.
struct GlyphFrame {
  Canvas& canvas;
  Color color;
  float width;
  float cx;
  float cy;
  float s;

  Rect box(float left, float top, float right, float bottom) const {
    return {cx + left * s, cy + top * s, cx + right * s, cy + bottom * s};
  }
  Point at(float x, float y) const { return {cx + x * s, cy + y * s}; }
  void line(float x0, float y0, float x1, float y1) const {
    canvas.draw_line(at(x0, y0), at(x1, y1), color, width);
  }
  void circle(float radius) const {
    canvas.stroke_ellipse(box(-radius, -radius, radius, radius), color, width);
  }
};

void draw_monitor(const GlyphFrame& g) {
  g.canvas.stroke_round_rect(g.box(-0.38f, -0.30f, 0.38f, 0.23f), 0.05f * g.s, g.color, g.width);
  g.line(0.0f, 0.23f, 0.0f, 0.38f);
  g.line(-0.18f, 0.38f, 0.18f, 0.38f);
}

void draw_region(const GlyphFrame& g) {
  constexpr float a = 0.34f;
  constexpr float b = 0.18f;
  for (const float sx : {-1.0f, 1.0f}) {
    for (const float sy : {-1.0f, 1.0f}) {
      g.line(sx * a, sy * a, sx * (a - b), sy * a);
      g.line(sx * a, sy * a, sx * a, sy * (a - b));
    }
  }
}

void draw_sun(const GlyphFrame& g) {
  g.circle(0.2f);
  for (int i = 0; i < 8; ++i) {
    const float angle = static_cast<float>(i) * std::numbers::pi_v<float> / 4.0f;
    const float c = std::cos(angle);
    const float sn = std::sin(angle);
    g.line(0.29f * c, 0.29f * sn, 0.42f * c, 0.42f * sn);
  }
}

void draw_help(DrawContext& context, const GlyphFrame& g, const Rect& rect) {
  g.circle(0.38f);
  ui::graphics::TextStyle style;
  style.font = context.font_for(4);
  style.color = g.color;
  style.h_align = 1;
  style.v_align = 1;
  style.single_line = true;
  g.canvas.draw_text(L"?", rect, style);
}

// The tab rises from the body's top edge, measured from the body's left.
void draw_folder(const GlyphFrame& g) {
  const Rect body = g.box(-0.4f, -0.2f, 0.4f, 0.3f);
  g.canvas.stroke_round_rect(body, 0.08f * g.s, g.color, g.width);
  const float top = body.top;
  const std::array<Point, 4> tab{Point{body.left + 0.08f * g.s, top},
                                 Point{body.left + 0.2f * g.s, g.cy - 0.34f * g.s},
                                 Point{g.cx, g.cy - 0.34f * g.s}, Point{g.cx + 0.08f * g.s, top}};
  for (std::size_t i = 0; i + 1 < tab.size(); ++i) {
    g.canvas.draw_line(tab[i], tab[i + 1], g.color, g.width);
  }
}

void draw_camera(const GlyphFrame& g) {
  g.canvas.stroke_round_rect(g.box(-0.35f, -0.23f, 0.35f, 0.3f), 0.07f * g.s, g.color, g.width);
  g.canvas.stroke_ellipse(g.box(-0.13f, -0.1f, 0.13f, 0.16f), g.color, g.width);
  g.line(-0.2f, -0.23f, -0.12f, -0.34f);
  g.line(-0.12f, -0.34f, 0.06f, -0.34f);
}

void draw_spokes(const GlyphFrame& g) {
  g.circle(0.36f);
  g.line(0.0f, -0.35f, 0.0f, 0.35f);
  g.line(-0.24f, -0.24f, 0.24f, 0.24f);
  g.line(0.24f, -0.24f, -0.24f, 0.24f);
}

void draw_dots(const GlyphFrame& g) {
  g.circle(0.38f);
  g.canvas.fill_ellipse(g.box(-0.035f, -0.22f, 0.035f, -0.15f), g.color);
  g.canvas.fill_ellipse(g.box(-0.035f, 0.2f, 0.035f, 0.27f), g.color);
}

void draw_person(const GlyphFrame& g) {
  g.canvas.stroke_ellipse(g.box(-0.17f, -0.38f, 0.17f, -0.04f), g.color, g.width);
  const std::array<Point, 6> shoulders{g.at(-0.36f, 0.36f), g.at(-0.3f, 0.22f),
                                       g.at(-0.16f, 0.12f), g.at(0.16f, 0.12f),
                                       g.at(0.3f, 0.22f),   g.at(0.36f, 0.36f)};
  g.canvas.draw_polyline(shoulders, g.color, g.width);
}

}  // namespace

void draw_glyph(DrawContext& context, int kind, const Rect& rect, Color color,
                float stroke_width) {
  Canvas* const canvas = context.canvas();
  if (canvas == nullptr || kind < kGlyphMonitor || kind > kGlyphPerson) return;
  const GlyphFrame g{*canvas,
                     color,
                     stroke_width,
                     (rect.left + rect.right) / 2.0f,
                     (rect.top + rect.bottom) / 2.0f,
                     std::min(rect.width(), rect.height())};
  switch (kind) {
    case kGlyphMonitor: draw_monitor(g); break;
    case kGlyphRegion: draw_region(g); break;
    case kGlyphSun: draw_sun(g); break;
    case kGlyphHelp: draw_help(context, g, rect); break;
    case kGlyphFolder: draw_folder(g); break;
    case kGlyphCamera: draw_camera(g); break;
    case kGlyphSpokes: draw_spokes(g); break;
    case kGlyphDots: draw_dots(g); break;
    case kGlyphPerson: draw_person(g); break;
    default: break;
  }
}

}  // namespace win32_ui::modern
