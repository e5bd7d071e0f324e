// One mark drawn over the editor's frozen image, the pure geometry that
// sizes it, and the one GDI routine that draws it, both on the canvas and
// into the rendered output, so what is saved is what was shown.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quorvel::windows {

// Which kind of mark a drag or a click makes.
using AnnotationTool = int;
inline constexpr AnnotationTool kToolPencil = 0;
inline constexpr AnnotationTool kToolRectangle = 1;
inline constexpr AnnotationTool kToolEllipse = 2;
inline constexpr AnnotationTool kToolArrow = 3;
inline constexpr AnnotationTool kToolText = 4;

inline constexpr COLORREF kDefaultAnnotationColor = 0x003030EB;
inline constexpr int kDefaultAnnotationThickness = 3;

// Image pixel coordinates throughout.
struct Annotation {
  AnnotationTool tool = kToolPencil;
  POINT start{};
  // The latest pointer position; for text the right edge of its box.
  POINT end{};
  // The freehand path (pencil only).
  std::vector<POINT> points;
  std::wstring text;
  COLORREF color = kDefaultAnnotationColor;
  int thickness = kDefaultAnnotationThickness;
};

// An arrow's head: length and half width, and the two wing tips. `has_head`
// is false for an arrow of length 1 or less, which is only its shaft.
struct ArrowHead {
  bool has_head = false;
  double length = 0.0;
  double half_width = 0.0;
  POINT left{};
  POINT right{};
};
ArrowHead arrow_head(POINT start, POINT end, int thickness, UINT dpi);

// The text box's size for a press at `at` on an image of `image` size.
SIZE text_box_size(POINT at, SIZE image, UINT dpi);

// Every pixel the mark can touch, the pen's width and an arrow's head
// included (right and bottom exclusive).
RECT annotation_bounds(const Annotation& mark, UINT dpi);

// Draws the mark with GDI; a pen or font that cannot be made skips it.
// Text runs from its start down to the bottom of `image`.
void draw_annotation(HDC dc, const Annotation& mark, UINT dpi, SIZE image);

}  // namespace quorvel::windows
