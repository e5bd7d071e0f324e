#include "ui/views/graphics/gdi_canvas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>

#include "ui/views/graphics/clamp_opacity.h"
#include "ui/views/graphics/dib_info.h"

namespace win32_ui::modern::detail {
namespace {

using ui::graphics::Path;
using ui::graphics::PathCommand;

// To the nearest whole pixel, halves away from zero.
int px(float value) {
  if (!std::isfinite(value)) return 0;
  const float clamped = std::clamp(value, static_cast<float>(INT_MIN), 2147483520.0f);
  return static_cast<int>(std::lround(clamped));
}

RECT rounded(const ui::graphics::Rect& rect) {
  return {px(rect.left), px(rect.top), px(rect.right), px(rect.bottom)};
}

POINT rounded(ui::graphics::Point point) { return {px(point.x), px(point.y)}; }

COLORREF rgb(const ui::graphics::Color& color) { return RGB(color.r, color.g, color.b); }

bool is_empty(const RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

UniqueGdiObject solid_pen(const ui::graphics::Color& color, float width) {
  return UniqueGdiObject(CreatePen(PS_SOLID, std::max(px(width), 1), rgb(color)));
}

UniqueGdiObject solid_brush(const ui::graphics::Color& color) {
  return UniqueGdiObject(CreateSolidBrush(rgb(color)));
}

// The part of `bounds` the target can show: none when its clip region is
// empty, all of the bounds when it cannot say.
RECT blit_region(HDC target, const RECT& bounds) {
  RECT clip{};
  const int kind = GetClipBox(target, &clip);
  if (kind == NULLREGION) return {};
  if (kind == ERROR) return bounds;
  RECT region{};
  if (!IntersectRect(&region, &bounds, &clip)) return {};
  return region;
}

UINT text_flags(const ui::graphics::TextStyle& style) {
  const bool rtl = style.direction == 1;
  UINT flags = DT_NOPREFIX | (style.single_line ? DT_SINGLELINE : DT_WORDBREAK);
  if (style.h_align == 1) {
    flags |= DT_CENTER;
  } else if (style.h_align == 2) {
    flags |= rtl ? DT_LEFT : DT_RIGHT;
  } else {
    flags |= rtl ? DT_RIGHT : DT_LEFT;
  }
  if (rtl) flags |= DT_RTLREADING;
  if (style.v_align == 1) flags |= DT_VCENTER;
  if (style.v_align == 2) flags |= DT_BOTTOM;
  if (style.end_ellipsis) flags |= DT_END_ELLIPSIS;
  return flags;
}

}  // namespace

GdiCanvas::GdiCanvas(HDC target, const RECT& bounds, std::span<const HFONT> fonts)
    : target_(target), bounds_(bounds), fonts_(fonts) {
  if (!target || is_empty(bounds)) return;
  GdiBackBufferCache& cache = thread_gdi_back_buffers();
  entry_ = cache.acquire(target, bounds.right - bounds.left, bounds.bottom - bounds.top);
  if (!entry_) return;
  back_ = entry_->dc.get();
  saved_id_ = SaveDC(back_);
  if (saved_id_ == 0) {
    release();
    return;
  }
  // Drawing uses the target's window coordinates; the buffer's corner is
  // the bounds' corner.
  SetViewportOrgEx(back_, -bounds.left, -bounds.top, nullptr);
  SelectClipRgn(back_, nullptr);
  IntersectClipRect(back_, bounds.left, bounds.top, bounds.right, bounds.bottom);
  blit_ = blit_region(target, bounds);
  current_ = back_;
  valid_ = true;
}

GdiCanvas::~GdiCanvas() {
  if (valid_) {
    flush();
  } else {
    release();
  }
}

void GdiCanvas::release() {
  current_ = nullptr;
  back_ = nullptr;
  if (entry_) thread_gdi_back_buffers().give_back(*entry_);
  entry_ = nullptr;
}

bool GdiCanvas::flush() {
  if (!valid_) {
    release();
    return result_;
  }
  valid_ = false;
  RestoreDC(back_, saved_id_);
  if (!drawn_ || is_empty(blit_)) {
    result_ = true;
  } else {
    result_ = BitBlt(target_, blit_.left, blit_.top, blit_.right - blit_.left,
                     blit_.bottom - blit_.top, back_, blit_.left - bounds_.left,
                     blit_.top - bounds_.top, SRCCOPY) != FALSE;
  }
  release();
  return result_;
}

bool GdiCanvas::supports(int feature) const {
  return feature == 4 || feature == 8 || feature == 16 || feature == 32;
}

void GdiCanvas::save() {
  if (!valid_) return;
  const int id = SaveDC(current_);
  if (id != 0) states_.push_back({id, opacity_});
}

void GdiCanvas::restore() {
  if (!valid_ || states_.empty()) return;
  const SavedState state = states_.back();
  states_.pop_back();
  RestoreDC(current_, state.id);
  opacity_ = state.opacity;
}

void GdiCanvas::clip_rect(const Rect& rect) {
  if (!valid_) return;
  const RECT clip = rounded(rect);
  // Until something is drawn, what lies outside every clip cannot change,
  // and the buffer there may still hold another paint's pixels.
  if (!drawn_) {
    RECT narrowed{};
    if (!IntersectRect(&narrowed, &blit_, &clip)) narrowed = {};
    blit_ = narrowed;
  }
  IntersectClipRect(current_, clip.left, clip.top, clip.right, clip.bottom);
}

void GdiCanvas::set_transform(const ui::graphics::Transform& transform) {
  if (!valid_) return;
  SetGraphicsMode(current_, GM_ADVANCED);
  const XFORM xform = {transform.m11, transform.m12, transform.m21,
                       transform.m22, transform.dx,  transform.dy};
  SetWorldTransform(current_, &xform);
}

void GdiCanvas::set_opacity(float opacity) { opacity_ = clamp_opacity(opacity); }

bool GdiCanvas::push_layer(const Rect& bounds, float opacity) {
  save();
  clip_rect(bounds);
  set_opacity(opacity);
  return false;
}

void GdiCanvas::pop_layer() { restore(); }

void GdiCanvas::clear(const Color& color) {
  if (!valid_) return;
  drawn_ = true;
  const UniqueGdiObject brush = solid_brush(color);
  if (brush) FillRect(current_, &bounds_, static_cast<HBRUSH>(brush.get()));
}

void GdiCanvas::fill_rect(const Rect& rect, const Color& color) {
  if (!valid_) return;
  drawn_ = true;
  const UniqueGdiObject brush = solid_brush(color);
  const RECT area = rounded(rect);
  if (brush) FillRect(current_, &area, static_cast<HBRUSH>(brush.get()));
}

void GdiCanvas::draw_shape(const Rect& rect, HGDIOBJ brush, HGDIOBJ pen, int corner) {
  const ScopedSelection brush_selection(current_, brush);
  const ScopedSelection pen_selection(current_, pen);
  const RECT box = rounded(rect);
  if (corner > 0) {
    RoundRect(current_, box.left, box.top, box.right, box.bottom, corner, corner);
  } else {
    Ellipse(current_, box.left, box.top, box.right, box.bottom);
  }
}

void GdiCanvas::fill_round_rect(const Rect& rect, float radius, const Color& color) {
  if (!valid_) return;
  drawn_ = true;
  const UniqueGdiObject brush = solid_brush(color);
  if (brush) draw_shape(rect, brush.get(), GetStockObject(NULL_PEN), std::max(px(2 * radius), 1));
}

void GdiCanvas::stroke_round_rect(const Rect& rect, float radius, const Color& color,
                                  float width) {
  if (!valid_) return;
  drawn_ = true;
  const UniqueGdiObject pen = solid_pen(color, width);
  if (pen) draw_shape(rect, GetStockObject(NULL_BRUSH), pen.get(), std::max(px(2 * radius), 1));
}

void GdiCanvas::fill_ellipse(const Rect& rect, const Color& color) {
  if (!valid_) return;
  drawn_ = true;
  const UniqueGdiObject brush = solid_brush(color);
  if (brush) draw_shape(rect, brush.get(), GetStockObject(NULL_PEN), 0);
}

void GdiCanvas::stroke_ellipse(const Rect& rect, const Color& color, float width) {
  if (!valid_) return;
  drawn_ = true;
  const UniqueGdiObject pen = solid_pen(color, width);
  if (pen) draw_shape(rect, GetStockObject(NULL_BRUSH), pen.get(), 0);
}

void GdiCanvas::draw_line(Point from, Point to, const Color& color, float width) {
  const Point points[] = {from, to};
  draw_polyline(points, color, width);
}

void GdiCanvas::draw_polyline(std::span<const Point> points, const Color& color, float width) {
  if (!valid_ || points.size() < 2) return;
  drawn_ = true;
  const UniqueGdiObject pen = solid_pen(color, width);
  if (!pen) return;
  const ScopedSelection selection(current_, pen.get());
  const POINT first = rounded(points.front());
  MoveToEx(current_, first.x, first.y, nullptr);
  for (const Point& point : points.subspan(1)) {
    const POINT next = rounded(point);
    LineTo(current_, next.x, next.y);
  }
}

void GdiCanvas::fill_triangle(Point a, Point b, Point c, const Color& color) {
  if (!valid_) return;
  drawn_ = true;
  const UniqueGdiObject brush = solid_brush(color);
  if (!brush) return;
  const ScopedSelection brush_selection(current_, brush.get());
  const ScopedSelection pen_selection(current_, GetStockObject(NULL_PEN));
  const POINT corners[] = {rounded(a), rounded(b), rounded(c)};
  Polygon(current_, corners, 3);
}

bool GdiCanvas::build_path(const Path& path) {
  if (path.empty() || !BeginPath(current_)) return false;
  bool open = false;
  for (const PathCommand& command : path) {
    switch (command.kind) {
      case PathCommand::kMoveTo: {
        const POINT p = rounded(command.p1);
        MoveToEx(current_, p.x, p.y, nullptr);
        open = true;
        break;
      }
      case PathCommand::kLineTo:
        if (open) {
          const POINT p = rounded(command.p1);
          LineTo(current_, p.x, p.y);
        }
        break;
      case PathCommand::kCubicTo:
        if (open) {
          const POINT p[] = {rounded(command.p1), rounded(command.p2), rounded(command.p3)};
          PolyBezierTo(current_, p, 3);
        }
        break;
      case PathCommand::kClose:
        if (open) CloseFigure(current_);
        open = false;
        break;
      default:
        break;
    }
  }
  if (EndPath(current_)) return true;
  AbortPath(current_);
  return false;
}

void GdiCanvas::stroke_path(const Path& path, const Color& color, float width) {
  if (!valid_ || !build_path(path)) return;
  drawn_ = true;
  const UniqueGdiObject pen = solid_pen(color, width);
  if (!pen) return;
  const ScopedSelection selection(current_, pen.get());
  StrokePath(current_);
}

void GdiCanvas::fill_path(const Path& path, const Color& color, bool winding) {
  if (!valid_ || !build_path(path)) return;
  drawn_ = true;
  const UniqueGdiObject brush = solid_brush(color);
  if (!brush) return;
  const ScopedSelection selection(current_, brush.get());
  const int previous_mode = SetPolyFillMode(current_, winding ? WINDING : ALTERNATE);
  FillPath(current_);
  if (previous_mode != 0) SetPolyFillMode(current_, previous_mode);
}

void GdiCanvas::draw_text(std::wstring_view text, const Rect& rect,
                          const ui::graphics::TextStyle& style) {
  if (!valid_ || text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return;
  drawn_ = true;
  std::optional<ScopedSelection> font;
  if (style.font >= 1 && style.font <= fonts_.size() && fonts_[style.font - 1]) {
    font.emplace(current_, fonts_[style.font - 1]);
  }
  const int previous_mode = SetBkMode(current_, TRANSPARENT);
  const COLORREF previous_color = SetTextColor(current_, rgb(style.color));
  RECT box = rounded(rect);
  DrawTextW(current_, const_cast<wchar_t*>(text.data()), static_cast<int>(text.size()), &box,
            text_flags(style));
  SetTextColor(current_, previous_color);
  SetBkMode(current_, previous_mode);
}

void GdiCanvas::draw_image(const ui::graphics::Image& image, const Rect& destination,
                           float opacity, bool smooth) {
  if (!valid_ || !image.valid()) return;
  drawn_ = true;
  const LONG width = static_cast<LONG>(image.width());
  const LONG height = static_cast<LONG>(image.height());
  BITMAPINFO info = win32_ui::ui::graphics::top_down_bitmap_info(width, height);
  void* bits = nullptr;
  const UniqueGdiObject dib(CreateDIBSection(current_, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) return;
  const std::size_t row_bytes = static_cast<std::size_t>(width) * 4;
  const std::uint8_t* source = image.pixels().data();
  for (LONG y = 0; y < height; ++y) {
    std::memcpy(static_cast<std::uint8_t*>(bits) + y * row_bytes,
                source + static_cast<std::size_t>(y) * image.stride(), row_bytes);
  }

  const UniqueMemoryDc memory(CreateCompatibleDC(current_));
  if (!memory) return;
  const ScopedSelection selection(memory.get(), dib.get());
  const int previous_mode = SetStretchBltMode(current_, smooth ? HALFTONE : COLORONCOLOR);
  const BLENDFUNCTION blend = {
      AC_SRC_OVER, 0,
      static_cast<BYTE>(std::lround(clamp_opacity(opacity * opacity_) * 255.0f)), AC_SRC_ALPHA};
  const RECT box = rounded(destination);
  AlphaBlend(current_, box.left, box.top, box.right - box.left, box.bottom - box.top,
             memory.get(), 0, 0, width, height, blend);
  if (previous_mode != 0) SetStretchBltMode(current_, previous_mode);
}

}  // namespace win32_ui::modern::detail
