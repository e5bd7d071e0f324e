#include "ui/views/graphics/canvas_backend.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/views/graphics/canvas.h"
#include "ui/views/graphics/direct2d_session.h"

namespace win32_ui::modern::detail {
namespace {

using ui::graphics::Canvas;
using ui::graphics::Color;
using ui::graphics::Image;
using ui::graphics::Path;
using ui::graphics::PathCommand;
using ui::graphics::Point;
using ui::graphics::Rect;
using ui::graphics::test::DibTarget;
using ui::graphics::test::kBlack;
using ui::graphics::test::kWhite;
using ui::graphics::test::Rgb;

constexpr Color kRed{255, 0, 0};
constexpr Color kGreen{0, 255, 0};
constexpr Color kBlue{0, 0, 255};
constexpr Color kNavy{0x12, 0x34, 0x56};
constexpr Color kMagenta{255, 0, 255};
constexpr Color kCyan{0, 255, 255};
constexpr Color kOrange{255, 128, 0};
constexpr Color kPurple{128, 0, 128};

Rgb rgb(Color c) { return {c.r, c.g, c.b}; }

// A five-pointed star drawn in one stroke, whose lines cross: its centre
// pentagon has winding number 2, the points 1.
Path star(float cx, float cy, float radius) {
  Path path;
  for (int k = 0; k < 5; ++k) {
    const double angle = (-90.0 + 144.0 * k) * std::numbers::pi / 180.0;
    const Point p{cx + radius * static_cast<float>(std::cos(angle)),
                  cy + radius * static_cast<float>(std::sin(angle))};
    path.push_back({k == 0 ? PathCommand::kMoveTo : PathCommand::kLineTo, p, {}, {}});
  }
  path.push_back({PathCommand::kClose, {}, {}, {}});
  return path;
}

constexpr int kSceneWidth = 300;
constexpr int kSceneHeight = 110;

void paint_scene(Canvas& canvas) {
  canvas.clear({255, 255, 255});
  canvas.fill_rect({10, 10, 40, 40}, kRed);
  canvas.fill_round_rect({50, 10, 90, 40}, 6, kGreen);
  canvas.stroke_round_rect({100, 10, 140, 40}, 6, kBlue, 4);
  canvas.fill_ellipse({150, 10, 190, 40}, kNavy);
  canvas.stroke_ellipse({10, 50, 50, 90}, kMagenta, 4);
  canvas.fill_triangle({60, 90}, {100, 90}, {80, 50}, kCyan);
  const Point line[] = {{110, 55}, {150, 55}, {150, 100}};
  canvas.draw_polyline(line, kOrange, 4);
  canvas.fill_path(star(195, 70, 35), kPurple, true);
  canvas.fill_path(star(260, 70, 35), kPurple, false);
}

struct Sample {
  const char* what;
  int x, y;
  Rgb expected;
};

const Sample kSceneSamples[] = {
    {"fill_rect", 25, 25, rgb(kRed)},
    {"fill_round_rect", 70, 25, rgb(kGreen)},
    {"stroke_round_rect edge", 100, 25, rgb(kBlue)},
    {"stroke_round_rect inside", 120, 25, kWhite},
    {"fill_ellipse", 170, 25, rgb(kNavy)},
    {"stroke_ellipse edge", 10, 70, rgb(kMagenta)},
    {"stroke_ellipse inside", 30, 70, kWhite},
    {"fill_triangle", 80, 80, rgb(kCyan)},
    {"polyline first segment", 130, 55, rgb(kOrange)},
    {"polyline second segment", 150, 80, rgb(kOrange)},
    {"polyline open end", 130, 80, kWhite},
    {"star point, winding", 195, 48, rgb(kPurple)},
    {"star centre, winding", 195, 70, rgb(kPurple)},
    {"star point, alternate", 260, 48, rgb(kPurple)},
    {"star centre, alternate", 260, 70, kWhite},
};

class CanvasBackendTest : public testing::TestWithParam<bool> {};

TEST_P(CanvasBackendTest, SameSceneHasExactInteriorColours) {
  const bool use_gdi = GetParam();
  const quorvel::windows::ComApartment apartment(COINIT_APARTMENTTHREADED);
  ASSERT_HRESULT_SUCCEEDED(apartment.result());
  {
    DibTarget target(kSceneWidth, kSceneHeight, kBlack);
    const RECT bounds = target.bounds();
    auto canvas = make_canvas(target.dc(), bounds, {}, use_gdi);
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(canvas->backend(), use_gdi ? Canvas::kGdi : Canvas::kDirect2d);
    paint_scene(*canvas);
    EXPECT_TRUE(canvas->flush());
    for (const Sample& sample : kSceneSamples) {
      EXPECT_EQ(target.pixel(sample.x, sample.y), sample.expected) << sample.what;
    }
    target.save_png_if_asked(use_gdi ? "scene_gdi.png" : "scene_direct2d.png");
  }
}

TEST_P(CanvasBackendTest, PaintsAWindowsDeviceContext) {
  const bool use_gdi = GetParam();
  ui::graphics::test::PopupWindow window(0, 0, 60, 40);
  window.with_dc([&](HDC dc) {
    auto canvas = make_canvas(dc, RECT{0, 0, 60, 40}, {}, use_gdi);
    ASSERT_NE(canvas, nullptr);
    canvas->clear({255, 255, 255});
    canvas->fill_rect({10, 10, 30, 30}, kNavy);
    EXPECT_TRUE(canvas->flush());
  });
  DibTarget read(60, 40, kBlack);
  window.read_back(read);
  EXPECT_EQ(read.pixel(20, 20), rgb(kNavy));
  EXPECT_EQ(read.pixel(45, 20), kWhite);
}

// --- images -------------------------------------------------------------

Image image_of(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> bgra) {
  Image image;
  EXPECT_EQ(Image::from_pixels(width, height, width * 4, bgra, image), S_OK);
  return image;
}

TEST_P(CanvasBackendTest, PremultipliedHalfBlueOverGreen) {
  DibTarget target(8, 8, kBlack);
  auto canvas = make_canvas(target.dc(), target.bounds(), {}, GetParam());
  ASSERT_NE(canvas, nullptr);
  canvas->clear(kGreen);
  canvas->draw_image(image_of(1, 1, {0x80, 0, 0, 0x80}), {0, 0, 8, 8}, 1.0f, false);
  EXPECT_TRUE(canvas->flush());
  EXPECT_EQ(target.pixel(4, 4), (Rgb{0x00, 0x7F, 0x80}));
}

TEST_P(CanvasBackendTest, NearestNeighbourScalingKeepsHardHalves) {
  DibTarget target(8, 4, kBlack);
  auto canvas = make_canvas(target.dc(), target.bounds(), {}, GetParam());
  ASSERT_NE(canvas, nullptr);
  canvas->clear({255, 255, 255});
  canvas->draw_image(image_of(2, 1, {0, 0, 255, 255, 255, 0, 0, 255}), {0, 0, 8, 4}, 1.0f,
                     false);
  EXPECT_TRUE(canvas->flush());
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(target.pixel(x, y), x < 4 ? rgb(kRed) : rgb(kBlue)) << x << "," << y;
    }
  }
}

TEST_P(CanvasBackendTest, HalfOpacityHalvesTheSource) {
  const Image red = image_of(1, 1, {0, 0, 255, 255});
  DibTarget target(16, 8, kWhite);
  auto canvas = make_canvas(target.dc(), target.bounds(), {}, GetParam());
  ASSERT_NE(canvas, nullptr);
  canvas->clear({0, 0, 0});
  canvas->draw_image(red, {0, 0, 8, 8}, 0.5f, false);
  canvas->set_opacity(0.5f);
  canvas->draw_image(red, {8, 0, 16, 8}, 1.0f, false);
  EXPECT_TRUE(canvas->flush());
  for (const int x : {4, 12}) {
    const Rgb pixel = target.pixel(x, 4);
    EXPECT_NEAR(pixel.r, 0x80, 1) << x;
    EXPECT_EQ(pixel.g, 0) << x;
    EXPECT_EQ(pixel.b, 0) << x;
  }
}

INSTANTIATE_TEST_SUITE_P(BothBackends, CanvasBackendTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Gdi" : "Direct2d";
                         });

TEST(Direct2dCanvasTest, SupportsEveryFeature) {
  DibTarget target(8, 8);
  auto canvas = make_canvas(target.dc(), target.bounds(), {}, false);
  ASSERT_NE(canvas, nullptr);
  for (int feature = 1; feature <= 128; feature <<= 1) EXPECT_TRUE(canvas->supports(feature));
  EXPECT_TRUE(canvas->flush());
}

TEST(MakeCanvasTest, GdiCanvasThatCannotGetABufferIsNotReturned) {
  ui::graphics::test::on_fresh_thread([] {
    DibTarget target(8, 8);
    std::vector<std::unique_ptr<Canvas>> live;
    for (int i = 0; i < 8; ++i) live.push_back(make_canvas(target.dc(), target.bounds(), {}, true));
    for (const auto& canvas : live) EXPECT_NE(canvas, nullptr);
    EXPECT_EQ(make_canvas(target.dc(), target.bounds(), {}, true), nullptr);
  });
}

// --- choose_backend -------------------------------------------------------

struct Attempts {
  bool direct2d_succeeds = true;
  bool gdi_succeeds = true;
  std::vector<bool> calls;  // use_gdi of each call

  static bool run(void* context, bool use_gdi) {
    auto* self = static_cast<Attempts*>(context);
    self->calls.push_back(use_gdi);
    return use_gdi ? self->gdi_succeeds : self->direct2d_succeeds;
  }
};

TEST(ChooseBackendTest, FollowsThePreferenceAndFallsBackToGdi) {
  const struct {
    int preference;
    bool direct2d_succeeds, gdi_succeeds;
    bool painted, used_gdi;
    std::vector<bool> calls;
  } cases[] = {
      {2, true, true, true, true, {true}},
      {2, true, false, false, true, {true}},
      {0, true, true, true, false, {false}},
      {0, false, true, true, true, {false, true}},
      {0, false, false, false, true, {false, true}},
      {1, false, true, true, true, {false, true}},
      {-5, true, false, true, false, {false}},
  };
  for (const auto& c : cases) {
    Attempts attempts{c.direct2d_succeeds, c.gdi_succeeds, {}};
    const BackendChoice choice = choose_backend(c.preference, &attempts, &Attempts::run);
    const std::string label = "preference " + std::to_string(c.preference) + ", Direct2D " +
                              (c.direct2d_succeeds ? "ok" : "fails") + ", GDI " +
                              (c.gdi_succeeds ? "ok" : "fails");
    EXPECT_EQ(choice.painted, c.painted) << label;
    EXPECT_EQ(choice.used_gdi, c.used_gdi) << label;
    EXPECT_EQ(choice.attempts, static_cast<int>(c.calls.size())) << label;
    EXPECT_EQ(attempts.calls, c.calls) << label;
  }
}

TEST(ChooseBackendTest, WithoutAnAttemptNothingIsPainted) {
  const BackendChoice choice = choose_backend(0, nullptr, nullptr);
  EXPECT_FALSE(choice.painted);
  EXPECT_TRUE(choice.used_gdi);
  EXPECT_EQ(choice.attempts, 0);
}

// A real pass: Direct2D cannot start while another session draws on the
// thread, so the area is painted by GDI.
TEST(ChooseBackendTest, RepaintsWithGdiWhenDirect2dCannotStart) {
  ui::graphics::test::on_fresh_thread([] {
    DibTarget busy(8, 8);
    Direct2dSession holder(busy.dc(), busy.bounds());
    ASSERT_TRUE(holder.is_active());

    struct Pass {
      DibTarget target{20, 20, kWhite};
      static bool run(void* context, bool use_gdi) {
        auto* self = static_cast<Pass*>(context);
        auto canvas = make_canvas(self->target.dc(), self->target.bounds(), {}, use_gdi);
        if (!canvas) return false;
        canvas->fill_rect({0, 0, 20, 20}, kRed);
        return canvas->flush();
      }
    } pass;
    const BackendChoice choice = choose_backend(0, &pass, &Pass::run);
    EXPECT_TRUE(choice.painted);
    EXPECT_TRUE(choice.used_gdi);
    EXPECT_EQ(choice.attempts, 2);
    EXPECT_EQ(pass.target.pixel(10, 10), rgb(kRed));
    EXPECT_TRUE(holder.end_draw());
  });
}

}  // namespace
}  // namespace win32_ui::modern::detail
