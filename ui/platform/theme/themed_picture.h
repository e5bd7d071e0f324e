// ThemedPicture is what one native-control painter draws: its shapes, with
// their geometry (device pixels of the target DC) and colours worked out
// once, drawn by either of two renderers so both show the same picture.
// paint_picture tries Direct2D (anti-aliased, through the painting thread's
// Direct2dSession) and repaints with GDI when Direct2D cannot begin or its
// end reports failure; callers (tests) can ask for GDI alone.
//
// Shapes follow GDI's rules: a rectangle covers its pixels from left/top up
// to but not including right/bottom; outlines lie inside the shape's
// rectangle; text takes DrawTextW format flags. A plain value, built and
// painted on the UI thread.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace win32_ui {

// Which renderer paints: Direct2D with GDI as the fallback, or GDI alone.
enum class PaintBackend { kDirect2d, kGdi };

struct PictureFill {
  RECT rect{};
  COLORREF color = 0;
};

// A rounded rectangle with a corner ellipse of `ellipse` pixels, filled
// and/or outlined with a pen of `outline_width` pixels inside the rectangle.
struct PictureRoundRect {
  RECT rect{};
  int ellipse = 0;
  std::optional<COLORREF> fill;
  std::optional<COLORREF> outline;
  int outline_width = 1;
};

// An ellipse inscribed in the rectangle, filled and/or outlined 1 pixel.
struct PictureEllipse {
  RECT rect{};
  std::optional<COLORREF> fill;
  std::optional<COLORREF> outline;
};

// A filled triangle without an outline.
struct PictureTriangle {
  std::array<POINT, 3> points{};
  COLORREF color = 0;
};

struct PicturePolyline {
  std::vector<POINT> points;
  COLORREF color = 0;
  int width = 1;
};

struct PictureText {
  std::wstring text;
  RECT rect{};
  HFONT font = nullptr;  // null: the DC's font
  COLORREF color = 0;
  UINT format = 0;  // DrawTextW flags
};

using PictureShape = std::variant<PictureFill, PictureRoundRect, PictureEllipse,
                                  PictureTriangle, PicturePolyline, PictureText>;

class ThemedPicture {
 public:
  template <typename T>
  void add(T shape) {
    shapes_.emplace_back(std::in_place_type<T>, std::move(shape));
  }
  const std::vector<PictureShape>& shapes() const { return shapes_; }
  bool empty() const { return shapes_.empty(); }

  // The first shape of kind T, or null.
  template <typename T>
  const T* first() const {
    for (const PictureShape& shape : shapes_) {
      if (const T* found = std::get_if<T>(&shape)) return found;
    }
    return nullptr;
  }

 private:
  std::vector<PictureShape> shapes_;
};

// Draws with Direct2D bound to `bounds` of the DC; true when every call and
// the end of drawing succeeded.
bool draw_picture_direct2d(HDC dc, const RECT& bounds, const ThemedPicture& picture);
void draw_picture_gdi(HDC dc, const ThemedPicture& picture);

// Paints the picture; returns the renderer whose drawing stands.
PaintBackend paint_picture(HDC dc, const RECT& bounds, const ThemedPicture& picture,
                           PaintBackend backend);

// Paints `client` (a client rectangle, top-left at 0, 0) of `target`
// through an off-screen bitmap of its size, copied to the target
// afterwards; nothing for an empty rectangle; straight onto the target when
// the bitmap cannot be made. `paint` gets the DC to draw on.
void paint_double_buffered(HDC target, const RECT& client,
                           const std::function<void(HDC)>& paint);

}  // namespace win32_ui
