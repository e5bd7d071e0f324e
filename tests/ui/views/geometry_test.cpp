#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "ui/views/dirty_region.h"
#include "ui/views/dpi_scale.h"
#include "ui/views/transform.h"

namespace win32_ui::ui::graphics {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct ScaleCase {
  const char* name;
  float dpi;
  float zoom;
  float expected_dpi;
  float expected_zoom;
};

TEST(DpiScaleTest, KeepsDpiAndZoomInRange) {
  const ScaleCase cases[] = {
      {"dpi 0", 0.0f, 1.0f, 96.0f, 1.0f},
      {"negative dpi", -120.0f, 1.0f, 96.0f, 1.0f},
      {"NaN dpi", kNaN, 1.0f, 96.0f, 1.0f},
      {"infinite dpi", kInf, 1.0f, 96.0f, 1.0f},
      {"dpi 144", 144.0f, 1.0f, 144.0f, 1.0f},
      {"zoom 3", 96.0f, 3.0f, 96.0f, 2.0f},
      {"zoom 0.25", 96.0f, 0.25f, 96.0f, 0.5f},
      {"NaN zoom", 96.0f, kNaN, 96.0f, 1.0f},
      {"infinite zoom", 96.0f, -kInf, 96.0f, 1.0f},
      {"zoom 1.25", 120.0f, 1.25f, 120.0f, 1.25f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DpiScale scale(c.dpi, c.zoom);
    EXPECT_EQ(scale.dpi(), c.expected_dpi);
    EXPECT_EQ(scale.zoom(), c.expected_zoom);
  }
}

TEST(DpiScaleTest, KeepsOnlyAFinitePositiveOptionalValue) {
  EXPECT_EQ(DpiScale(96.0f, 1.0f, 1.5f).extra(), 1.5f);
  EXPECT_FALSE(DpiScale(96.0f, 1.0f, std::nullopt).extra().has_value());
  EXPECT_FALSE(DpiScale(96.0f, 1.0f, 0.0f).extra().has_value());
  EXPECT_FALSE(DpiScale(96.0f, 1.0f, -2.0f).extra().has_value());
  EXPECT_FALSE(DpiScale(96.0f, 1.0f, kNaN).extra().has_value());
  EXPECT_FALSE(DpiScale(96.0f, 1.0f, kInf).extra().has_value());
}

struct ConversionCase {
  const char* name;
  float dpi;
  float zoom;
  float to_px_of_10;
  float to_dip_of_15;
  float points_to_px_of_9;
  float zoomed_of_10;
};

TEST(DpiScaleTest, ConvertsBetweenDipPixelsAndPoints) {
  const ConversionCase cases[] = {
      {"96 dpi", 96.0f, 1.0f, 10.0f, 15.0f, 12.0f, 10.0f},
      {"144 dpi", 144.0f, 1.0f, 15.0f, 10.0f, 18.0f, 10.0f},
      {"96 dpi zoom 2", 96.0f, 2.0f, 20.0f, 7.5f, 24.0f, 20.0f},
      {"192 dpi zoom 0.5", 192.0f, 0.5f, 10.0f, 15.0f, 12.0f, 5.0f},
      {"120 dpi zoom 1.5", 120.0f, 1.5f, 18.75f, 8.0f, 22.5f, 15.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DpiScale scale(c.dpi, c.zoom);
    EXPECT_FLOAT_EQ(scale.to_px(10.0f), c.to_px_of_10);
    EXPECT_FLOAT_EQ(scale.to_dip(15.0f), c.to_dip_of_15);
    EXPECT_FLOAT_EQ(scale.points_to_px(9.0f), c.points_to_px_of_9);
    EXPECT_FLOAT_EQ(scale.zoomed(10.0f), c.zoomed_of_10);
  }
  // Exact, not merely close: pixel rectangles are built from these values.
  EXPECT_EQ(DpiScale(144.0f, 1.0f).to_px(10.0f), 15.0f);
  EXPECT_EQ(DpiScale(144.0f, 1.0f).to_dip(15.0f), 10.0f);
  EXPECT_EQ(DpiScale(96.0f, 1.0f).points_to_px(9.0f), 12.0f);
}

TEST(DpiScaleTest, DefaultIsNinetySixDpiAtZoomOne) {
  const DpiScale scale;
  EXPECT_EQ(scale.dpi(), 96.0f);
  EXPECT_EQ(scale.zoom(), 1.0f);
  EXPECT_EQ(scale.to_px(7.0f), 7.0f);
}

TEST(ClampZoomTest, BoundsTheZoomFactor) {
  const struct {
    float zoom;
    float expected;
  } cases[] = {
      {0.25f, 0.5f}, {0.5f, 0.5f}, {1.0f, 1.0f}, {1.75f, 1.75f}, {2.0f, 2.0f},
      {3.0f, 2.0f},  {-1.0f, 0.5f}, {kInf, 1.0f}, {-kInf, 1.0f}, {kNaN, 1.0f},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(clamp_zoom(c.zoom), c.expected) << "zoom " << c.zoom;
  }
}

void expect_transform_near(const Transform& actual, const Transform& expected, float tolerance) {
  EXPECT_NEAR(actual.m11, expected.m11, tolerance);
  EXPECT_NEAR(actual.m12, expected.m12, tolerance);
  EXPECT_NEAR(actual.m21, expected.m21, tolerance);
  EXPECT_NEAR(actual.m22, expected.m22, tolerance);
  EXPECT_NEAR(actual.dx, expected.dx, tolerance);
  EXPECT_NEAR(actual.dy, expected.dy, tolerance);
}

TEST(TransformTest, MapsPointsAsRowVectors) {
  // (x, y) -> (x m11 + y m21 + dx, x m12 + y m22 + dy)
  const Transform t{2.0f, 3.0f, 5.0f, 7.0f, 11.0f, 13.0f};
  const Point p = t.map_point({1.0f, 10.0f});
  EXPECT_EQ(p.x, 1.0f * 2.0f + 10.0f * 5.0f + 11.0f);
  EXPECT_EQ(p.y, 1.0f * 3.0f + 10.0f * 7.0f + 13.0f);

  const Point same = Transform::identity().map_point({4.5f, -2.0f});
  EXPECT_EQ(same.x, 4.5f);
  EXPECT_EQ(same.y, -2.0f);
}

TEST(TransformTest, MultiplyAppliesTheFirstThenTheSecond) {
  const Transform scale = Transform::scale(2.0f, 3.0f);
  const Transform move = Transform::translation(10.0f, 20.0f);

  const Point scaled_then_moved = Transform::multiply(scale, move).map_point({1.0f, 1.0f});
  EXPECT_EQ(scaled_then_moved.x, 12.0f);
  EXPECT_EQ(scaled_then_moved.y, 23.0f);

  const Point moved_then_scaled = Transform::multiply(move, scale).map_point({1.0f, 1.0f});
  EXPECT_EQ(moved_then_scaled.x, 22.0f);
  EXPECT_EQ(moved_then_scaled.y, 63.0f);

  // Against the matrix product written out for a general pair.
  const Transform a{1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f};
  const Transform b{7.0f, 8.0f, 9.0f, 10.0f, 11.0f, 12.0f};
  const Transform ab = Transform::multiply(a, b);
  expect_transform_near(ab, {1 * 7 + 2 * 9, 1 * 8 + 2 * 10, 3 * 7 + 4 * 9, 3 * 8 + 4 * 10,
                             5 * 7 + 6 * 9 + 11, 5 * 8 + 6 * 10 + 12},
                        0.0f);
}

TEST(TransformTest, SingularMatricesHaveNoInverse) {
  const struct {
    const char* name;
    Transform t;
  } cases[] = {
      {"scale 0", Transform::scale(0.0f, 0.0f)},
      {"scale 0 in x", Transform::scale(0.0f, 5.0f)},
      {"parallel rows", {1.0f, 2.0f, 2.0f, 4.0f, 3.0f, 3.0f}},
      {"determinant at epsilon", {FLT_EPSILON, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}},
      {"NaN", {kNaN, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}},
      {"infinite", {kInf, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(c.t.inverted().has_value()) << c.name;
  }
  EXPECT_TRUE(Transform::scale(2.0f * FLT_EPSILON, 1.0f).inverted().has_value());
}

TEST(TransformTest, TimesItsInverseIsTheIdentity) {
  const struct {
    const char* name;
    Transform t;
  } cases[] = {
      {"identity", Transform::identity()},
      {"translation", Transform::translation(-40.5f, 12.25f)},
      {"scale", Transform::scale(1.5f, 0.25f)},
      {"rotation and move", {0.8660254f, 0.5f, -0.5f, 0.8660254f, 100.0f, -30.0f}},
      {"shear", {1.0f, 0.0f, 0.75f, 1.0f, 3.0f, 4.0f}},
      {"general", {2.0f, 3.0f, 5.0f, 7.0f, 11.0f, 13.0f}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<Transform> inverse = c.t.inverted();
    ASSERT_TRUE(inverse.has_value());
    expect_transform_near(Transform::multiply(c.t, *inverse), Transform::identity(), 1e-4f);
    expect_transform_near(Transform::multiply(*inverse, c.t), Transform::identity(), 1e-4f);
    const Point p = c.t.map_point({7.0f, -3.0f});
    const Point back = inverse->map_point(p);
    EXPECT_NEAR(back.x, 7.0f, 1e-3f);
    EXPECT_NEAR(back.y, -3.0f, 1e-3f);
  }
}

struct Rect4 {
  float x, y, w, h;
};

TEST(DirtyRegionTest, CollectsTheUnionOfValidRectangles) {
  const struct {
    const char* name;
    std::vector<Rect4> added;
    std::optional<Rect4> expected;
  } cases[] = {
      {"clean", {}, std::nullopt},
      {"one", {{1, 2, 3, 4}}, Rect4{1, 2, 3, 4}},
      {"union", {{0, 0, 10, 10}, {20, 5, 5, 10}}, Rect4{0, 0, 25, 15}},
      {"union reaching left and up", {{10, 10, 5, 5}, {-5, 2, 1, 1}}, Rect4{-5, 2, 20, 13}},
      {"inside", {{0, 0, 10, 10}, {2, 2, 3, 3}}, Rect4{0, 0, 10, 10}},
      {"width 0", {{0, 0, 0, 10}}, std::nullopt},
      {"height 0", {{0, 0, 10, 0}}, std::nullopt},
      {"negative width", {{0, 0, -4, 10}}, std::nullopt},
      {"NaN", {{kNaN, 0, 4, 10}}, std::nullopt},
      {"infinite height", {{0, 0, 4, kInf}}, std::nullopt},
      {"invalid after valid", {{1, 1, 2, 2}, {0, 0, 0, 50}, {kNaN, 0, 9, 9}}, Rect4{1, 1, 2, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DirtyRegion region;
    for (const auto& r : c.added) region.add(r.x, r.y, r.w, r.h);
    EXPECT_FALSE(region.is_all());
    const auto bounds = region.bounds();
    ASSERT_EQ(bounds.has_value(), c.expected.has_value());
    if (bounds) {
      EXPECT_EQ(bounds->x, c.expected->x);
      EXPECT_EQ(bounds->y, c.expected->y);
      EXPECT_EQ(bounds->width, c.expected->w);
      EXPECT_EQ(bounds->height, c.expected->h);
    }
  }
}

TEST(DirtyRegionTest, EverythingDirtyOverridesRectanglesUntilCleared) {
  DirtyRegion region;
  region.add(0, 0, 10, 10);
  region.invalidate_all();
  EXPECT_TRUE(region.is_all());
  EXPECT_FALSE(region.bounds().has_value());

  region.add(5, 5, 10, 10);
  EXPECT_TRUE(region.is_all());
  EXPECT_FALSE(region.bounds().has_value());

  region.clear();
  EXPECT_FALSE(region.is_all());
  EXPECT_FALSE(region.bounds().has_value());

  // The rectangle added while everything was dirty is not remembered.
  region.add(1, 1, 1, 1);
  ASSERT_TRUE(region.bounds().has_value());
  EXPECT_EQ(region.bounds()->width, 1.0f);
  region.clear();
  EXPECT_FALSE(region.bounds().has_value());
}

}  // namespace
}  // namespace win32_ui::ui::graphics
