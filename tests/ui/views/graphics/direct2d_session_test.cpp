#include "ui/views/graphics/direct2d_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/ui/views/graphics/paint_target.h"
#include "ui/views/graphics/canvas_backend.h"
#include "ui/views/graphics/graphics_diagnostics.h"
#include "ui/views/graphics/thread_direct2d_state.h"

namespace win32_ui::modern::detail {
namespace {

using ui::graphics::Image;
using ui::graphics::Path;
using ui::graphics::Point;
using ui::graphics::test::DibTarget;
using ui::graphics::test::kWhite;
using ui::graphics::test::on_fresh_thread;
using ui::graphics::test::Rgb;

constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kBlue = 0xFF0000;
constexpr std::uint32_t kWhiteColor = 0xFFFFFF;

// A one-colour opaque image of width x height.
Image solid_image(std::uint32_t width, std::uint32_t height, Rgb color) {
  std::vector<std::uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < pixels.size(); i += 4) {
    pixels[i] = color.b;
    pixels[i + 1] = color.g;
    pixels[i + 2] = color.r;
    pixels[i + 3] = 255;
  }
  Image image;
  EXPECT_EQ(Image::from_pixels(width, height, width * 4, pixels, image), S_OK);
  return image;
}

// The DC render target does not start from the DC's pixels: every test
// clears its area before drawing, as a paint pass does.

TEST(Direct2dSessionTest, BrushOpacityBlendsWithTheTarget) {
  DibTarget target(20, 20, kWhite);
  Direct2dSession session(target.dc(), target.bounds());
  ASSERT_TRUE(session.is_active());
  session.clear(kWhiteColor);
  session.set_opacity(0.5f);
  session.fill_rect({0, 0, 20, 20}, kRed);
  EXPECT_TRUE(session.end_draw());
  EXPECT_EQ(target.pixel(10, 10), (Rgb{0xFF, 0x7F, 0x7F}));
}

TEST(Direct2dSessionTest, DrawsFromTheBoundRectanglesCorner) {
  DibTarget target(40, 40, kWhite);
  {
    Direct2dSession session(target.dc(), RECT{20, 20, 40, 40});
    ASSERT_TRUE(session.is_active());
  session.clear(kWhiteColor);
    session.fill_rect({0, 0, 5, 5}, kRed);
    EXPECT_TRUE(session.end_draw());
  }
  EXPECT_EQ(target.pixel(22, 22), (Rgb{255, 0, 0}));
  EXPECT_EQ(target.pixel(2, 2), kWhite);
}

TEST(Direct2dSessionTest, SecondSessionOnTheSameThreadIsInactive) {
  on_fresh_thread([] {
    DibTarget target(20, 20);
    Direct2dSession first(target.dc(), target.bounds());
    ASSERT_TRUE(first.is_active());
    Direct2dSession second(target.dc(), target.bounds());
    EXPECT_FALSE(second.is_active());
    EXPECT_FALSE(second.end_draw());
    EXPECT_EQ(make_canvas(target.dc(), target.bounds(), {}, false), nullptr);
    // The GDI back end does not depend on the Direct2D session.
    EXPECT_NE(make_canvas(target.dc(), target.bounds(), {}, true), nullptr);

    EXPECT_TRUE(first.end_draw());
    EXPECT_NE(make_canvas(target.dc(), target.bounds(), {}, false), nullptr);
  });
}

TEST(Direct2dSessionTest, NullDcOrEmptyBoundsGiveNoSessionAndNoCanvas) {
  DibTarget target(20, 20);
  const RECT empty_rects[] = {{0, 0, 0, 20}, {0, 0, 20, 0}, {10, 0, 5, 20}, {0, 10, 20, 5}};
  EXPECT_FALSE(Direct2dSession(nullptr, target.bounds()).is_active());
  for (const bool use_gdi : {false, true}) {
    EXPECT_EQ(make_canvas(nullptr, target.bounds(), {}, use_gdi), nullptr) << use_gdi;
    for (const RECT& rect : empty_rects) {
      EXPECT_FALSE(Direct2dSession(target.dc(), rect).is_active());
      EXPECT_EQ(make_canvas(target.dc(), rect, {}, use_gdi), nullptr)
          << use_gdi << " " << rect.left << "," << rect.top << "," << rect.right << ","
          << rect.bottom;
    }
  }
}

TEST(Direct2dSessionTest, OnePointPolylineAndEmptyPathsDrawNothingAndStayOk) {
  DibTarget target(20, 20, kWhite);
  Direct2dSession session(target.dc(), target.bounds());
  ASSERT_TRUE(session.is_active());
  session.clear(kWhiteColor);
  const Point one[] = {{5, 5}};
  session.draw_polyline(one, kRed, 20);
  session.fill_path(Path{}, kRed, true);
  session.stroke_path(Path{}, kRed, 20);
  EXPECT_TRUE(session.end_draw());
  EXPECT_FALSE(target.ink(kWhite).any);
}

TEST(Direct2dSessionTest, RestoreWithoutSaveKeepsTheClip) {
  DibTarget target(20, 20, kWhite);
  Direct2dSession session(target.dc(), target.bounds());
  ASSERT_TRUE(session.is_active());
  session.clear(kWhiteColor);
  session.push_clip({0, 0, 10, 10});
  session.restore();
  session.fill_rect({0, 0, 20, 20}, kRed);
  EXPECT_TRUE(session.end_draw());
  EXPECT_EQ(target.pixel(5, 5), (Rgb{255, 0, 0}));
  EXPECT_EQ(target.pixel(15, 15), kWhite);
}

TEST(Direct2dSessionTest, RestorePopsTheClipPushedAfterSave) {
  DibTarget target(20, 20, kWhite);
  Direct2dSession session(target.dc(), target.bounds());
  ASSERT_TRUE(session.is_active());
  session.clear(kWhiteColor);
  session.save();
  session.push_clip({0, 0, 10, 10});
  session.fill_rect({0, 0, 20, 20}, kBlue);
  session.restore();
  session.fill_rect({10, 10, 20, 20}, kRed);
  EXPECT_TRUE(session.end_draw());
  EXPECT_EQ(target.pixel(5, 5), (Rgb{0, 0, 255}));
  EXPECT_EQ(target.pixel(15, 5), kWhite);
  EXPECT_EQ(target.pixel(15, 15), (Rgb{255, 0, 0}));
}

TEST(Direct2dSessionTest, RestoreBringsBackTheSavedTransformAndOpacity) {
  DibTarget target(20, 20, kWhite);
  Direct2dSession session(target.dc(), target.bounds());
  ASSERT_TRUE(session.is_active());
  session.clear(kWhiteColor);
  session.save();
  session.set_transform(ui::graphics::Transform::translation(10, 10));
  session.set_opacity(0);
  session.restore();
  session.fill_rect({0, 0, 5, 5}, kRed);
  EXPECT_TRUE(session.end_draw());
  EXPECT_EQ(target.pixel(2, 2), (Rgb{255, 0, 0}));
  EXPECT_EQ(target.pixel(12, 12), kWhite);
}

TEST(Direct2dSessionTest, NegativeOpacityMakesFillsInvisible) {
  DibTarget target(20, 20, kWhite);
  Direct2dSession session(target.dc(), target.bounds());
  ASSERT_TRUE(session.is_active());
  session.clear(kWhiteColor);
  session.set_opacity(-1.0f);
  session.fill_rect({0, 0, 20, 20}, kRed);
  session.fill_ellipse({0, 0, 20, 20}, kBlue);
  EXPECT_TRUE(session.end_draw());
  EXPECT_FALSE(target.ink(kWhite).any);
}

TEST(Direct2dSessionTest, LayerWithOpacityAboveOneIsPushed) {
  DibTarget target(20, 20, kWhite);
  Direct2dSession session(target.dc(), target.bounds());
  ASSERT_TRUE(session.is_active());
  session.clear(kWhiteColor);
  EXPECT_TRUE(session.push_layer({0, 0, 10, 10}, 1.5f));
  session.fill_rect({0, 0, 20, 20}, kRed);
  session.pop_layer();
  EXPECT_TRUE(session.push_layer({0, 0, 10, 10}, 0.5f));
  // Left pushed: ending the session pops it.
  EXPECT_TRUE(session.end_draw());
}

TEST(Direct2dSessionTest, EndDrawReportsOnceAndLaterCallsDrawNothing) {
  DibTarget target(20, 20, kWhite);
  Direct2dSession session(target.dc(), target.bounds());
  ASSERT_TRUE(session.is_active());
  session.clear(kWhiteColor);
  EXPECT_TRUE(session.end_draw());
  EXPECT_FALSE(session.is_active());
  session.fill_rect({0, 0, 20, 20}, kRed);
  EXPECT_TRUE(session.end_draw());
  EXPECT_FALSE(target.ink(kWhite).any);
}

// --- bitmap cache -----------------------------------------------------------

void draw_in_session(DibTarget& target, const std::vector<const Image*>& images) {
  Direct2dSession session(target.dc(), target.bounds());
  ASSERT_TRUE(session.is_active());
  for (const Image* image : images) session.draw_image(*image, {0, 0, 4, 4}, 1.0f, false);
  EXPECT_TRUE(session.end_draw());
}

TEST(Direct2dBitmapCacheTest, SameImageTwiceIsOneEntryAndOneHit) {
  on_fresh_thread([] {
    DibTarget target(8, 8);
    const Image image = solid_image(2, 2, {255, 0, 0});
    const Image copy = image;  // shares the pixels
    draw_in_session(target, {&image});
    draw_in_session(target, {&copy});
    const GraphicsDiagnostics figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.bitmap_entries, 1u);
    EXPECT_EQ(figures.bitmap_bytes, 16u);
    EXPECT_EQ(figures.bitmap_misses, 1u);
    EXPECT_EQ(figures.bitmap_hits, 1u);
    EXPECT_EQ(target.pixel(1, 1), (Rgb{255, 0, 0}));
  });
}

TEST(Direct2dBitmapCacheTest, ImageOverSixtyFourMebibytesDrawsButIsNotCached) {
  on_fresh_thread([] {
    DibTarget target(8, 8, kWhite);
    const Image huge = solid_image(4096, 4097, {0, 0, 255});
    ASSERT_GT(static_cast<std::uint64_t>(huge.stride()) * huge.height(), 0x4000000u);
    draw_in_session(target, {&huge});
    EXPECT_EQ(target.pixel(2, 2), (Rgb{0, 0, 255}));
    const GraphicsDiagnostics figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.bitmap_entries, 0u);
    EXPECT_EQ(figures.bitmap_bytes, 0u);
    EXPECT_EQ(figures.bitmap_misses, 1u);
  });
}

TEST(Direct2dBitmapCacheTest, KeepsAtMost128EntriesDroppingTheLeastRecentlyUsed) {
  on_fresh_thread([] {
    DibTarget target(8, 8);
    std::vector<Image> images;
    std::vector<const Image*> all;
    for (int i = 0; i < 129; ++i) images.push_back(solid_image(1, 1, {static_cast<uint8_t>(i), 0, 0}));
    for (const Image& image : images) all.push_back(&image);
    draw_in_session(target, all);
    GraphicsDiagnostics figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.bitmap_entries, 128u);
    EXPECT_EQ(figures.bitmap_bytes, 128u * 4);
    EXPECT_EQ(figures.bitmap_misses, 129u);

    draw_in_session(target, {&images[1]});  // still cached
    figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.bitmap_hits, 1u);
    EXPECT_EQ(figures.bitmap_misses, 129u);
    draw_in_session(target, {&images[0]});  // was the least recently used
    figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.bitmap_hits, 1u);
    EXPECT_EQ(figures.bitmap_misses, 130u);
    EXPECT_EQ(figures.bitmap_entries, 128u);
    // Image 1 was used more recently than image 2, which made room.
    draw_in_session(target, {&images[1]});
    EXPECT_EQ(thread_graphics_diagnostics().bitmap_hits, 2u);
    draw_in_session(target, {&images[2]});
    EXPECT_EQ(thread_graphics_diagnostics().bitmap_misses, 131u);
  });
}

TEST(Direct2dBitmapCacheTest, ByteBoundDropsTheLeastRecentlyUsed) {
  on_fresh_thread([] {
    DibTarget target(8, 8);
    // Four images of 16 MiB fill the 64 MiB exactly; a fifth pushes one out.
    std::vector<Image> images;
    for (int i = 0; i < 5; ++i) images.push_back(solid_image(2048, 2048, {0, 0, 255}));
    draw_in_session(target, {&images[0], &images[1], &images[2], &images[3]});
    GraphicsDiagnostics figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.bitmap_entries, 4u);
    EXPECT_EQ(figures.bitmap_bytes, 0x4000000u);
    draw_in_session(target, {&images[4], &images[1]});
    figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.bitmap_entries, 4u);
    EXPECT_EQ(figures.bitmap_bytes, 0x4000000u);
    EXPECT_EQ(figures.bitmap_misses, 5u);
    EXPECT_EQ(figures.bitmap_hits, 1u);
    draw_in_session(target, {&images[0]});  // pushes out image 2, not image 1
    EXPECT_EQ(thread_graphics_diagnostics().bitmap_misses, 6u);
    draw_in_session(target, {&images[1]});
    EXPECT_EQ(thread_graphics_diagnostics().bitmap_hits, 2u);
  });
}

TEST(Direct2dBitmapCacheTest, NewRenderTargetMisses) {
  on_fresh_thread([] {
    DibTarget target(8, 8);
    const Image image = solid_image(2, 2, {0, 255, 0});
    draw_in_session(target, {&image});
    const std::uint64_t generation = thread_graphics_diagnostics().render_target_generation;
    EXPECT_EQ(generation, 1u);

    // What a session does when the device asks for a new target.
    thread_direct2d_state().render_target.drop();
    GraphicsDiagnostics figures = thread_graphics_diagnostics();
    EXPECT_FALSE(figures.has_render_target);
    EXPECT_EQ(figures.bitmap_entries, 0u);
    EXPECT_EQ(figures.bitmap_bytes, 0u);

    draw_in_session(target, {&image});
    figures = thread_graphics_diagnostics();
    EXPECT_EQ(figures.render_target_generation, generation + 1);
    EXPECT_EQ(figures.bitmap_hits, 0u);
    EXPECT_EQ(figures.bitmap_misses, 2u);
    EXPECT_EQ(figures.bitmap_entries, 1u);
    EXPECT_EQ(target.pixel(1, 1), (Rgb{0, 255, 0}));
  });
}

TEST(Direct2dBitmapCacheTest, RenderTargetIsReusedAcrossSessions) {
  on_fresh_thread([] {
    DibTarget first(8, 8);
    DibTarget second(16, 16);
    draw_in_session(first, {});
    draw_in_session(second, {});
    const GraphicsDiagnostics figures = thread_graphics_diagnostics();
    EXPECT_TRUE(figures.has_render_target);
    EXPECT_EQ(figures.render_target_generation, 1u);
  });
}

}  // namespace
}  // namespace win32_ui::modern::detail
