// The Surface's WM_PAINT on real popup windows: what is cleared and drawn
// for a system repaint, a dirty rectangle and a NaN rectangle, the fall back
// from Direct2D to GDI and to a plain fill, and the six fonts.
#include "ui/views/surface.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "tests/ui/views/surface_harness.h"
#include "ui/views/graphics/direct2d_session.h"
#include "ui/views/graphics/gdi_canvas.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using testing::FillView;
using testing::placed;
using testing::SurfaceHarness;
using ui::graphics::Color;
using ui::graphics::test::DibTarget;
using ui::graphics::test::Rgb;

constexpr Color kRed{200, 30, 30};
constexpr Color kBlue{30, 30, 200};
constexpr Color kGreen{30, 160, 60};
constexpr Color kYellow{220, 200, 20};
constexpr Rgb kScribble{0, 0, 0};

constexpr int kWidth = 100;
constexpr int kHeight = 80;

Rgb rgb(Color c) { return {c.r, c.g, c.b}; }

Rgb background() {
  return rgb(Color::from_colorref(Theme::light(kDefaultAccent).color(ThemeColor::window_background)));
}

// Two filled views: A at (10, 10, 30 x 20) and B at (60, 40, 30 x 20).
class SurfacePaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(apartment_.result());
    auto root = std::make_unique<OverlayPanel>();
    auto a = std::make_unique<FillView>(kRed);
    a->set_layout_params(placed(10, 10, 30, 20));
    a_ = a.get();
    auto b = std::make_unique<FillView>(kBlue);
    b->set_layout_params(placed(60, 40, 30, 20));
    b_ = b.get();
    root->add_child(std::move(a));
    root->add_child(std::move(b));
    harness_.surface.set_backend_preference(2);
    harness_.surface.set_content(std::move(root));
    ASSERT_TRUE(harness_.attach());
    harness_.update();
    ASSERT_TRUE(harness_.surface.last_paint().painted);
  }

  // Paints over the whole window behind the surface's back.
  void scribble() const {
    harness_.window.with_dc([](HDC dc) {
      const RECT all{0, 0, kWidth, kHeight};
      FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    });
  }

  void read(DibTarget& out) const { harness_.read_back(out); }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  SurfaceHarness harness_{kWidth, kHeight};
  FillView* a_ = nullptr;
  FillView* b_ = nullptr;
};

TEST_F(SurfacePaintTest, AnUncoveredWindowIsClearedAndDrawnWhole) {
  scribble();
  const int a_draws = a_->draws;
  const int b_draws = b_->draws;

  InvalidateRect(harness_.hwnd(), nullptr, FALSE);
  harness_.update();

  DibTarget pixels(kWidth, kHeight);
  read(pixels);
  EXPECT_EQ(pixels.pixel(5, 5), background());
  EXPECT_EQ(pixels.pixel(95, 75), background());
  EXPECT_EQ(pixels.pixel(20, 15), rgb(kRed));
  EXPECT_EQ(pixels.pixel(70, 50), rgb(kBlue));
  EXPECT_EQ(a_->draws, a_draws + 1);
  EXPECT_EQ(b_->draws, b_draws + 1);
  const Surface::PaintOutcome outcome = harness_.surface.last_paint();
  EXPECT_TRUE(outcome.painted);
  EXPECT_TRUE(outcome.used_gdi);
  EXPECT_EQ(outcome.attempts, 1);
  pixels.save_png_if_asked("surface_two_views.png");
}

TEST_F(SurfacePaintTest, ADirtyRectangleRepaintsOnlyItself) {
  scribble();
  const int b_draws = b_->draws;

  a_->set_color(kGreen);
  harness_.update();

  DibTarget pixels(kWidth, kHeight);
  read(pixels);
  EXPECT_EQ(pixels.pixel(20, 15), rgb(kGreen));
  // A's repaint area is its bounds grown by 4 DIP: cleared, not scribbled.
  EXPECT_EQ(pixels.pixel(7, 7), background());
  EXPECT_EQ(pixels.pixel(43, 33), background());
  // Outside it nothing changed.
  EXPECT_EQ(pixels.pixel(2, 2), kScribble);
  EXPECT_EQ(pixels.pixel(50, 20), kScribble);
  EXPECT_EQ(pixels.pixel(70, 50), kScribble);
  EXPECT_EQ(b_->draws, b_draws) << "a view outside the dirty rectangle was drawn";
}

TEST_F(SurfacePaintTest, ANanRectangleDrawsEveryView) {
  const int a_draws = a_->draws;
  const int b_draws = b_->draws;

  harness_.surface.invalidate_rect(
      {std::numeric_limits<float>::quiet_NaN(), 0.0f, 10.0f, 10.0f});
  harness_.update();

  EXPECT_EQ(a_->draws, a_draws + 1);
  EXPECT_EQ(b_->draws, b_draws + 1);
}

TEST_F(SurfacePaintTest, PaintsWithDirect2dWhenItCan) {
  harness_.surface.set_backend_preference(0);
  scribble();

  InvalidateRect(harness_.hwnd(), nullptr, FALSE);
  harness_.update();

  const Surface::PaintOutcome outcome = harness_.surface.last_paint();
  EXPECT_TRUE(outcome.painted);
  EXPECT_FALSE(outcome.used_gdi);
  EXPECT_EQ(outcome.attempts, 1);
  DibTarget pixels(kWidth, kHeight);
  read(pixels);
  EXPECT_EQ(pixels.pixel(5, 5), background());
  EXPECT_EQ(pixels.pixel(20, 15), rgb(kRed));
  EXPECT_EQ(pixels.pixel(70, 50), rgb(kBlue));
}

TEST_F(SurfacePaintTest, AFailedDirect2dPassIsPaintedAgainWithGdi) {
  harness_.surface.set_backend_preference(0);
  scribble();
  DibTarget elsewhere(8, 8);
  detail::Direct2dSession held(elsewhere.dc(), elsewhere.bounds());
  ASSERT_TRUE(held.is_active());

  InvalidateRect(harness_.hwnd(), nullptr, FALSE);
  harness_.update();

  const Surface::PaintOutcome outcome = harness_.surface.last_paint();
  EXPECT_TRUE(outcome.painted);
  EXPECT_TRUE(outcome.used_gdi);
  EXPECT_EQ(outcome.attempts, 2);
  DibTarget pixels(kWidth, kHeight);
  read(pixels);
  EXPECT_EQ(pixels.pixel(5, 5), background());
  EXPECT_EQ(pixels.pixel(20, 15), rgb(kRed));
  EXPECT_EQ(pixels.pixel(70, 50), rgb(kBlue));
}

TEST_F(SurfacePaintTest, WhenBothBackEndsFailTheAreaIsFilledAndStaysDirty) {
  harness_.surface.set_backend_preference(0);
  {
    DibTarget elsewhere(8, 8);
    detail::Direct2dSession held(elsewhere.dc(), elsewhere.bounds());
    ASSERT_TRUE(held.is_active());
    std::vector<std::unique_ptr<detail::GdiCanvas>> canvases;
    for (std::size_t i = 0; i < detail::GdiBackBufferCache::kEntries; ++i) {
      canvases.push_back(
          std::make_unique<detail::GdiCanvas>(elsewhere.dc(), elsewhere.bounds(),
                                              std::span<const HFONT>()));
      ASSERT_TRUE(canvases.back()->valid());
    }

    a_->set_color(kGreen);
    harness_.update();

    const Surface::PaintOutcome outcome = harness_.surface.last_paint();
    EXPECT_FALSE(outcome.painted);
    EXPECT_EQ(outcome.attempts, 2);
    DibTarget pixels(kWidth, kHeight);
    read(pixels);
    EXPECT_EQ(pixels.pixel(20, 15), background()) << "the failed area was not filled";
    EXPECT_EQ(pixels.pixel(70, 50), rgb(kBlue));
  }

  // The next frame repaints what the failed paint left dirty as well.
  b_->set_color(kYellow);
  harness_.update();

  EXPECT_TRUE(harness_.surface.last_paint().painted);
  DibTarget pixels(kWidth, kHeight);
  read(pixels);
  EXPECT_EQ(pixels.pixel(20, 15), rgb(kGreen));
  EXPECT_EQ(pixels.pixel(70, 50), rgb(kYellow));
}

// ---- fonts ----

struct FontExpectation {
  LONG height;
  LONG weight;
};

LOGFONTW font_record(HFONT font) {
  LOGFONTW record{};
  EXPECT_EQ(GetObjectW(font, sizeof(record), &record), static_cast<int>(sizeof(record)));
  return record;
}

TEST(SurfaceFontsTest, SixFontsOfSegoeUiAt96Dpi) {
  SurfaceHarness harness(40, 30);
  ASSERT_TRUE(harness.attach());
  const std::array<FontExpectation, 6> expected{
      {{-29, 600}, {-20, 600}, {-15, 400}, {-12, 400}, {-15, 600}, {-16, 600}}};
  const std::span<const HFONT> fonts = harness.surface.fonts();
  ASSERT_EQ(fonts.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_NE(fonts[i], nullptr) << i;
    const LOGFONTW record = font_record(fonts[i]);
    EXPECT_EQ(record.lfHeight, expected[i].height) << "font " << i + 1;
    EXPECT_EQ(record.lfWeight, expected[i].weight) << "font " << i + 1;
    EXPECT_EQ(record.lfQuality, CLEARTYPE_QUALITY) << "font " << i + 1;
    EXPECT_EQ(record.lfCharSet, DEFAULT_CHARSET) << "font " << i + 1;
    EXPECT_FALSE(record.lfItalic);
    EXPECT_STREQ(record.lfFaceName, L"Segoe UI");
  }
}

TEST(SurfaceFontsTest, FollowTheWindowDpiAndTheZoom) {
  SurfaceHarness harness(40, 30);
  ASSERT_TRUE(harness.attach());
  RECT suggested{};
  GetWindowRect(harness.hwnd(), &suggested);

  SendMessageW(harness.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(font_record(harness.surface.fonts()[0]).lfHeight, -44);
  EXPECT_EQ(font_record(harness.surface.fonts()[3]).lfHeight, -18);

  harness.surface.set_zoom(0.5f);
  EXPECT_EQ(font_record(harness.surface.fonts()[0]).lfHeight, -22);
}

TEST(SurfaceFontsTest, ADpiChangeWithoutADpiCountsAs96) {
  SurfaceHarness harness(40, 30);
  ASSERT_TRUE(harness.attach());
  RECT suggested{};
  GetWindowRect(harness.hwnd(), &suggested);

  SendMessageW(harness.hwnd(), WM_DPICHANGED, 0, reinterpret_cast<LPARAM>(&suggested));

  EXPECT_EQ(font_record(harness.surface.fonts()[0]).lfHeight, -29);
}

}  // namespace
}  // namespace win32_ui::modern
