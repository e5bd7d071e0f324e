#include "ui/platform/theme/themed_picture.h"

#include <algorithm>

#include "ui/views/graphics/direct2d_session.h"
#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui {
namespace {

using modern::detail::Direct2dSession;
using modern::detail::ScopedSelection;
using modern::detail::SessionTextStyle;
using modern::detail::UniqueGdiObject;
using ui::graphics::Point;
using Rect = ui::graphics::Rect;

// Direct2D draws from the bound rectangle's corner.
class Direct2dRenderer {
 public:
  Direct2dRenderer(Direct2dSession& session, const RECT& bounds)
      : session_(session), dx_(static_cast<float>(bounds.left)),
        dy_(static_cast<float>(bounds.top)) {}

  void operator()(const PictureFill& fill) { session_.fill_rect(rect(fill.rect), fill.color); }

  void operator()(const PictureRoundRect& shape) {
    const float radius = static_cast<float>(shape.ellipse) / 2.0f;
    if (shape.fill) session_.fill_round_rect(rect(shape.rect), radius, *shape.fill);
    if (shape.outline && shape.outline_width > 0) {
      // The pen lies inside the rectangle, as GDI's inside-frame pen does.
      const float half = static_cast<float>(shape.outline_width) / 2.0f;
      const float inner = shape.ellipse > 0 ? std::max(radius - half, 0.5f) : 0.0f;
      session_.stroke_round_rect(inset(rect(shape.rect), half), inner, *shape.outline,
                                 static_cast<float>(shape.outline_width));
    }
  }

  void operator()(const PictureEllipse& shape) {
    if (shape.fill) session_.fill_ellipse(rect(shape.rect), *shape.fill);
    if (shape.outline) session_.stroke_ellipse(inset(rect(shape.rect), 0.5f), *shape.outline, 1.0f);
  }

  void operator()(const PictureTriangle& shape) {
    session_.fill_triangle(point(shape.points[0]), point(shape.points[1]),
                           point(shape.points[2]), shape.color);
  }

  void operator()(const PicturePolyline& shape) {
    std::vector<Point> points;
    points.reserve(shape.points.size());
    for (const POINT& p : shape.points) points.push_back(point(p));
    session_.draw_polyline(points, shape.color, static_cast<float>(shape.width));
  }

  void operator()(const PictureText& text) {
    SessionTextStyle style;
    style.font = text.font;
    style.color = text.color;
    style.right_to_left = (text.format & DT_RTLREADING) != 0;
    int align = (text.format & DT_CENTER) ? 1 : (text.format & DT_RIGHT) ? 2 : 0;
    // DirectWrite's leading and trailing edges swap with the reading order.
    if (style.right_to_left && align != 1) align = 2 - align;
    style.h_align = align;
    style.single_line = (text.format & DT_SINGLELINE) != 0;
    style.v_align = !style.single_line ? 0 : (text.format & DT_VCENTER) ? 1
                                         : (text.format & DT_BOTTOM)  ? 2
                                                                      : 0;
    style.end_ellipsis =
        (text.format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) != 0;
    const std::wstring shown =
        (text.format & DT_NOPREFIX) ? text.text : without_prefixes(text.text);
    session_.draw_text(shown, rect(text.rect), style);
  }

 private:
  // What DrawTextW shows of a text with mnemonic prefixes: "&&" is one
  // ampersand, a single one marks the next letter and is not drawn.
  static std::wstring without_prefixes(const std::wstring& text) {
    std::wstring shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == L'&') {
        if (i + 1 == text.size()) break;
        ++i;
      }
      shown.push_back(text[i]);
    }
    return shown;
  }

  Rect rect(const RECT& r) const {
    return {static_cast<float>(r.left) - dx_, static_cast<float>(r.top) - dy_,
            static_cast<float>(r.right) - dx_, static_cast<float>(r.bottom) - dy_};
  }
  static Rect inset(Rect r, float by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }
  Point point(const POINT& p) const {
    return {static_cast<float>(p.x) - dx_, static_cast<float>(p.y) - dy_};
  }

  Direct2dSession& session_;
  float dx_;
  float dy_;
};

// GDI's pens and brushes: the DC pen and brush for 1-pixel and solid work,
// made pens for wider lines; shapes whose objects cannot be made are skipped.
class GdiRenderer {
 public:
  explicit GdiRenderer(HDC dc) : dc_(dc) {}

  void operator()(const PictureFill& fill) {
    const COLORREF previous = SetDCBrushColor(dc_, fill.color);
    FillRect(dc_, &fill.rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc_, previous);
  }

  void operator()(const PictureRoundRect& shape) {
    // Without an outline the fill colour outlines too: a pen-less GDI shape
    // stops a pixel short of the right and bottom edges.
    const std::optional<COLORREF> outline = shape.outline ? shape.outline : shape.fill;
    const int width = shape.outline ? shape.outline_width : 1;
    with_pen_and_brush(outline, width, shape.fill, [&] {
      RoundRect(dc_, shape.rect.left, shape.rect.top, shape.rect.right, shape.rect.bottom,
                shape.ellipse, shape.ellipse);
    });
  }

  void operator()(const PictureEllipse& shape) {
    const std::optional<COLORREF> outline = shape.outline ? shape.outline : shape.fill;
    with_pen_and_brush(outline, 1, shape.fill, [&] {
      Ellipse(dc_, shape.rect.left, shape.rect.top, shape.rect.right, shape.rect.bottom);
    });
  }

  void operator()(const PictureTriangle& shape) {
    with_pen_and_brush(std::nullopt, 0, shape.color,
                       [&] { Polygon(dc_, shape.points.data(), 3); });
  }

  void operator()(const PicturePolyline& shape) {
    if (shape.points.size() < 2) return;
    UniqueGdiObject pen(CreatePen(PS_SOLID, std::max(shape.width, 1), shape.color));
    if (!pen) return;
    ScopedSelection selected(dc_, pen.get());
    Polyline(dc_, shape.points.data(), static_cast<int>(shape.points.size()));
  }

  void operator()(const PictureText& text) {
    if (text.text.empty()) return;
    const int mode = SetBkMode(dc_, TRANSPARENT);
    const COLORREF color = SetTextColor(dc_, text.color);
    std::optional<ScopedSelection> font;
    if (text.font) font.emplace(dc_, text.font);
    RECT rect = text.rect;
    DrawTextW(dc_, text.text.c_str(), static_cast<int>(text.text.size()), &rect, text.format);
    font.reset();
    SetTextColor(dc_, color);
    SetBkMode(dc_, mode);
  }

 private:
  template <typename Draw>
  void with_pen_and_brush(std::optional<COLORREF> outline, int width,
                          std::optional<COLORREF> fill, Draw&& draw) {
    UniqueGdiObject wide_pen;
    HGDIOBJ pen = GetStockObject(NULL_PEN);
    if (outline && width > 1) {
      wide_pen.reset(CreatePen(PS_INSIDEFRAME, width, *outline));
      if (!wide_pen) return;
      pen = wide_pen.get();
    } else if (outline) {
      pen = GetStockObject(DC_PEN);
    }
    const HGDIOBJ brush = GetStockObject(fill ? DC_BRUSH : NULL_BRUSH);
    const COLORREF pen_color = SetDCPenColor(dc_, outline.value_or(0));
    const COLORREF brush_color = SetDCBrushColor(dc_, fill.value_or(0));
    {
      ScopedSelection pen_selected(dc_, pen);
      ScopedSelection brush_selected(dc_, brush);
      draw();
    }
    SetDCPenColor(dc_, pen_color);
    SetDCBrushColor(dc_, brush_color);
  }

  HDC dc_;
};

}  // namespace

bool draw_picture_direct2d(HDC dc, const RECT& bounds, const ThemedPicture& picture) {
  Direct2dSession session(dc, bounds);
  if (!session.is_active()) return false;
  Direct2dRenderer renderer(session, bounds);
  for (const PictureShape& shape : picture.shapes()) std::visit(renderer, shape);
  return session.end_draw();
}

void draw_picture_gdi(HDC dc, const ThemedPicture& picture) {
  if (!dc) return;
  GdiRenderer renderer(dc);
  for (const PictureShape& shape : picture.shapes()) std::visit(renderer, shape);
}

PaintBackend paint_picture(HDC dc, const RECT& bounds, const ThemedPicture& picture,
                           PaintBackend backend) {
  if (backend == PaintBackend::kDirect2d && draw_picture_direct2d(dc, bounds, picture)) {
    return PaintBackend::kDirect2d;
  }
  draw_picture_gdi(dc, picture);
  return PaintBackend::kGdi;
}

void paint_double_buffered(HDC target, const RECT& client,
                           const std::function<void(HDC)>& paint) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (!target || width <= 0 || height <= 0) return;
  modern::detail::UniqueMemoryDc memory(CreateCompatibleDC(target));
  UniqueGdiObject bitmap(memory ? CreateCompatibleBitmap(target, width, height) : nullptr);
  if (!memory || !bitmap) {
    paint(target);
    return;
  }
  {
    ScopedSelection selected(memory.get(), bitmap.get());
    if (!selected.selected()) {
      paint(target);
      return;
    }
    paint(memory.get());
    BitBlt(target, client.left, client.top, width, height, memory.get(), 0, 0, SRCCOPY);
  }
}

}  // namespace win32_ui
