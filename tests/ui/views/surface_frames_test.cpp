// The Surface's frames: the one-shot frame timer that animations run on, the
// clock advancing at paints, animations snapped when the system asks for
// none, and dirty rectangles turned into window invalidations.
#include "ui/views/surface.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "tests/ui/views/surface_harness.h"
#include "ui/views/drawable_state.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using std::chrono::milliseconds;
using testing::FillView;
using testing::placed;
using testing::SurfaceHarness;
using ui::graphics::kStateSelected;

constexpr ui::graphics::Color kRed{200, 30, 30};

// A root with one view that animates its state changes.
FillView* set_animated_content(Surface& surface) {
  auto root = std::make_unique<OverlayPanel>();
  auto view = std::make_unique<FillView>(kRed);
  view->set_layout_params(placed(5, 5, 20, 10));
  view->set_animates_state(true);
  FillView* raw = view.get();
  root->add_child(std::move(view));
  surface.set_content(std::move(root));
  return raw;
}

bool is_empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

TEST(SurfaceFramesTest, AStateAnimationRunsOnTheFrameTimerAndTicksAtPaints) {
  SurfaceHarness harness(60, 40);
  harness.surface.set_backend_preference(2);
  FillView* view = set_animated_content(harness.surface);
  ASSERT_TRUE(harness.attach());
  harness.update();
  Surface::Impl* impl = harness.impl();
  ASSERT_NE(impl, nullptr);
  ASSERT_FALSE(impl->frame_timer_active);

  view->set_selected(true);
  EXPECT_TRUE(impl->frame_timer_active);
  harness.update();
  EXPECT_EQ(view->interaction_progress(kStateSelected), 0.0f);

  MSG timer{};
  ASSERT_TRUE(harness.wait_for_frame_timer(timer));
  ASSERT_TRUE(is_empty(harness.update_rect()));
  DispatchMessageW(&timer);
  // The timer only asks for a paint; the clock does not move here.
  EXPECT_FALSE(impl->frame_timer_active);
  const RECT invalid = harness.update_rect();
  EXPECT_EQ(invalid.right - invalid.left, 60);
  EXPECT_EQ(invalid.bottom - invalid.top, 40);
  EXPECT_EQ(view->interaction_progress(kStateSelected), 0.0f);

  harness.advance(milliseconds(50));
  harness.update();
  const float halfway = view->interaction_progress(kStateSelected);
  EXPECT_GT(halfway, 0.0f);
  EXPECT_LT(halfway, 1.0f);
  EXPECT_TRUE(impl->frame_timer_active) << "the paint asked for no next frame";

  harness.advance(milliseconds(1000));
  ASSERT_TRUE(harness.wait_for_frame_timer(timer));
  DispatchMessageW(&timer);
  harness.update();
  EXPECT_EQ(view->interaction_progress(kStateSelected), 1.0f);
  EXPECT_FALSE(impl->frame_timer_active) << "the timer outlived the last animation";
}

TEST(SurfaceFramesTest, TheFrameTimerRunsAgainOnAWindowAttachedAfterTheFirstDied) {
  SurfaceHarness harness(60, 40);
  FillView* view = set_animated_content(harness.surface);
  ASSERT_TRUE(harness.attach());
  harness.impl()->start_frame_timer();
  ASSERT_TRUE(harness.impl()->frame_timer_active);
  harness.window.destroy();

  ui::graphics::test::PopupWindow second(120, 40, 60, 40);
  ASSERT_TRUE(harness.surface.attach(second.hwnd(), Theme::light(kDefaultAccent)));
  view->set_selected(true);

  const Surface::Impl* impl = Surface::Impl::from_window(second.hwnd());
  ASSERT_NE(impl, nullptr);
  EXPECT_TRUE(impl->frame_timer_active);
  EXPECT_TRUE(KillTimer(second.hwnd(), impl->frame_timer_id())) << "no timer on the new window";
  harness.surface.detach();
}

struct SnapCase {
  bool animations_on;
  bool high_contrast;
};

TEST(SurfaceFramesTest, AnimationsOffOrHighContrastSnapAtOnce) {
  const SnapCase cases[] = {{false, false}, {true, true}};
  for (const SnapCase& c : cases) {
    SurfaceHarness harness(60, 40, c.animations_on);
    harness.high_contrast.on = c.high_contrast;
    FillView* view = set_animated_content(harness.surface);
    ASSERT_TRUE(harness.attach());

    view->set_selected(true);

    EXPECT_EQ(view->interaction_progress(kStateSelected), 1.0f)
        << c.animations_on << c.high_contrast;
    EXPECT_FALSE(harness.impl()->frame_timer_active);
  }
}

TEST(SurfaceFramesTest, ASettingChangeTurnsAnimationsBackOn) {
  SurfaceHarness harness(60, 40, false);
  FillView* view = set_animated_content(harness.surface);
  ASSERT_TRUE(harness.attach());
  harness.animations_on = true;

  SendMessageW(harness.hwnd(), WM_SETTINGCHANGE, SPI_SETCLIENTAREAANIMATION, 0);
  view->set_selected(true);

  EXPECT_EQ(view->interaction_progress(kStateSelected), 0.0f);
  EXPECT_TRUE(harness.impl()->frame_timer_active);
}

struct InvalidationCase {
  layout::LayoutRect dirty;
  RECT expected;
};

TEST(SurfaceFramesTest, ADirtyRectangleInvalidatesWholePixelsLessTheScroll) {
  const InvalidationCase cases[] = {
      {{10.25f, 40.5f, 20.5f, 10.0f}, {10, 10, 31, 21}},
      {{90.0f, 120.0f, 50.0f, 50.0f}, {90, 90, 100, 100}},
      {{0.0f, 10.0f, 20.0f, 10.0f}, {0, 0, 0, 0}},
      // Past the range of a pixel coordinate: cut to the client area.
      {{-1e30f, 0.0f, 2e30f, 1e30f}, {0, 0, 100, 100}},
  };
  for (const InvalidationCase& c : cases) {
    SurfaceHarness harness(100, 100);
    harness.surface.set_backend_preference(2);
    auto root = std::make_unique<OverlayPanel>();
    layout::LayoutParams params;
    params.height = 400;
    params.has_height = true;
    root->set_layout_params(params);
    harness.surface.set_content(std::move(root));
    ASSERT_TRUE(harness.attach());
    harness.surface.scroll_to(30);
    harness.update();
    ASSERT_TRUE(is_empty(harness.update_rect()));

    harness.surface.invalidate_rect(c.dirty);

    const RECT invalid = harness.update_rect();
    EXPECT_EQ(invalid.left, c.expected.left) << c.dirty.x << "," << c.dirty.y;
    EXPECT_EQ(invalid.top, c.expected.top) << c.dirty.x << "," << c.dirty.y;
    EXPECT_EQ(invalid.right, c.expected.right) << c.dirty.x << "," << c.dirty.y;
    EXPECT_EQ(invalid.bottom, c.expected.bottom) << c.dirty.x << "," << c.dirty.y;
  }
}

}  // namespace
}  // namespace win32_ui::modern
