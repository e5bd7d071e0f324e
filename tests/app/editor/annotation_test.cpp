#include "app/editor/annotation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quorvel::windows {
namespace {

struct ArrowCase {
  int thickness;
  POINT end;
  bool has_head;
  double length;
  double half_width;
};

TEST(ArrowHead, GrowsWithThicknessUpToAThirdOfTheLength) {
  const ArrowCase cases[] = {
      {3, {100, 0}, true, 18.0, 9.9},
      {12, {100, 0}, true, 35.0, 19.25},
      {3, {1, 0}, false, 0.0, 0.0},
      {3, {1, 1}, true, 0.35 * std::sqrt(2.0), 0.55 * 0.35 * std::sqrt(2.0)},
      {40, {0, 0}, false, 0.0, 0.0},
  };
  for (const ArrowCase& c : cases) {
    const ArrowHead head = arrow_head({0, 0}, c.end, c.thickness, 96);
    EXPECT_EQ(head.has_head, c.has_head) << c.thickness << " " << c.end.x;
    EXPECT_NEAR(head.length, c.length, 1e-9) << c.thickness << " " << c.end.x;
    EXPECT_NEAR(head.half_width, c.half_width, 1e-9) << c.thickness << " " << c.end.x;
  }
}

TEST(ArrowHead, PlacesTheWingsBehindTheTipOnEitherSide) {
  // Pointing right: L 18, H 9.9 -> wings at (82, 10) and (82, -10), rounded.
  const ArrowHead head = arrow_head({0, 0}, {100, 0}, 3, 96);
  EXPECT_EQ(head.left.x, 82);
  EXPECT_EQ(head.left.y, 10);
  EXPECT_EQ(head.right.x, 82);
  EXPECT_EQ(head.right.y, -10);
  // Pointing down from (50, 50) to (50, 150).
  const ArrowHead down = arrow_head({50, 50}, {50, 150}, 3, 96);
  EXPECT_EQ(down.left.x, 40);
  EXPECT_EQ(down.left.y, 132);
  EXPECT_EQ(down.right.x, 60);
  EXPECT_EQ(down.right.y, 132);
}

TEST(ArrowHead, ScalesTheMinimumHeadWithTheDpi) {
  EXPECT_NEAR(arrow_head({0, 0}, {200, 0}, 1, 192).length, 36.0, 1e-9);
}

struct BoxCase {
  POINT at;
  UINT dpi;
  SIZE size;
};

TEST(TextBoxSize, FitsTheImageButNeverBelowTheMinimum) {
  const SIZE image{800, 600};
  const BoxCase cases[] = {
      {{100, 100}, 96, {260, 110}}, {{780, 100}, 96, {40, 110}}, {{100, 590}, 96, {260, 30}},
      {{700, 550}, 96, {100, 50}},  {{100, 100}, 144, {390, 165}}, {{799, 599}, 144, {40, 45}},
  };
  for (const BoxCase& c : cases) {
    const SIZE size = text_box_size(c.at, image, c.dpi);
    EXPECT_EQ(size.cx, c.size.cx) << c.at.x << "," << c.at.y << " @" << c.dpi;
    EXPECT_EQ(size.cy, c.size.cy) << c.at.x << "," << c.at.y << " @" << c.dpi;
  }
}

TEST(AnnotationBounds, CoverThePenAndTheArrowHead) {
  Annotation rectangle{kToolRectangle, {100, 100}, {150, 140}, {}, {}, 0, 3};
  const RECT r = annotation_bounds(rectangle, 96);
  EXPECT_LE(r.left, 98);
  EXPECT_LE(r.top, 98);
  EXPECT_GE(r.right, 152);
  EXPECT_GE(r.bottom, 142);

  Annotation arrow{kToolArrow, {0, 100}, {100, 100}, {}, {}, 0, 3};
  const RECT a = annotation_bounds(arrow, 96);
  const ArrowHead head = arrow_head(arrow.start, arrow.end, 3, 96);
  EXPECT_LE(a.top, head.right.y - 2);
  EXPECT_GE(a.bottom, head.left.y + 2);

  Annotation pencil{kToolPencil, {10, 10}, {10, 10}, {{10, 10}, {30, 5}, {20, 40}}, {}, 0, 8};
  const RECT p = annotation_bounds(pencil, 96);
  EXPECT_LE(p.left, 10 - 4);
  EXPECT_LE(p.top, 5 - 4);
  EXPECT_GE(p.right, 30 + 5);
  EXPECT_GE(p.bottom, 40 + 5);
}

}  // namespace
}  // namespace quorvel::windows
