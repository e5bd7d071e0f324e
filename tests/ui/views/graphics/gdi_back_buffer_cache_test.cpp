#include "ui/views/graphics/gdi_back_buffer_cache.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "tests/ui/views/graphics/paint_target.h"
#include "ui/views/graphics/gdi_canvas.h"
#include "ui/views/graphics/graphics_diagnostics.h"

namespace win32_ui::modern::detail {
namespace {

using ui::graphics::test::DibTarget;
using ui::graphics::test::on_fresh_thread;
using ui::graphics::test::PopupWindow;

TEST(GdiBackBufferCacheTest, SidesGrowByHalfAtLeast64) {
  const struct {
    int current, requested, expected;
  } cases[] = {
      {0, 50, 64},
      {0, 64, 64},
      {0, 100, 128},
      {64, 65, 128},
      {128, 129, 192},
      {128, 200, 288},
      {300, 200, 300},
      {0x60000000, 0x7FFFFFFF, 0x7FFFFFFF},  // the next step would pass INT_MAX
      {0x50000000, 0x70000000, 0x78000000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(grow_back_buffer_side(c.current, c.requested), c.expected)
        << c.current << " -> " << c.requested;
  }
}

int entries_with_dc() {
  int count = 0;
  for (const GdiBackBufferInfo& info : thread_graphics_diagnostics().gdi_back_buffers) {
    count += info.has_dc ? 1 : 0;
  }
  return count;
}

TEST(GdiBackBufferCacheTest, FirstBufferIsRoundedUpAndReusedWhenLargeEnough) {
  on_fresh_thread([] {
    DibTarget target(200, 100);
    { GdiCanvas canvas(target.dc(), {0, 0, 100, 50}, {}); ASSERT_TRUE(canvas.valid()); }
    GdiBackBufferInfo first = thread_graphics_diagnostics().gdi_back_buffers[0];
    EXPECT_TRUE(first.has_dc);
    EXPECT_FALSE(first.in_use);
    EXPECT_FALSE(first.keyed_by_window);
    EXPECT_EQ(first.width, 128);
    EXPECT_EQ(first.height, 64);

    {
      GdiCanvas canvas(target.dc(), {0, 0, 120, 60}, {});
      ASSERT_TRUE(canvas.valid());
      EXPECT_TRUE(thread_graphics_diagnostics().gdi_back_buffers[0].in_use);
    }
    first = thread_graphics_diagnostics().gdi_back_buffers[0];
    EXPECT_EQ(first.width, 128);
    EXPECT_EQ(first.height, 64);
    EXPECT_EQ(entries_with_dc(), 1);

    { GdiCanvas canvas(target.dc(), {0, 0, 130, 60}, {}); ASSERT_TRUE(canvas.valid()); }
    first = thread_graphics_diagnostics().gdi_back_buffers[0];
    EXPECT_EQ(first.width, 192);
    EXPECT_EQ(first.height, 64);
    EXPECT_EQ(entries_with_dc(), 1);
  });
}

TEST(GdiBackBufferCacheTest, NinthLiveCanvasOnOneThreadIsInvalid) {
  on_fresh_thread([] {
    DibTarget target(16, 16);
    std::vector<std::unique_ptr<GdiCanvas>> live;
    for (int i = 0; i < 8; ++i) {
      live.push_back(std::make_unique<GdiCanvas>(target.dc(), target.bounds(),
                                                 std::span<const HFONT>()));
      EXPECT_TRUE(live.back()->valid()) << i;
    }
    GdiCanvas ninth(target.dc(), target.bounds(), {});
    EXPECT_FALSE(ninth.valid());
    EXPECT_FALSE(ninth.flush());

    live.pop_back();
    GdiCanvas again(target.dc(), target.bounds(), {});
    EXPECT_TRUE(again.valid());
  });
}

TEST(GdiBackBufferCacheTest, BufferOfADestroyedWindowIsReleasedWhenANewOneIsNeeded) {
  on_fresh_thread([] {
    auto paint = [](const PopupWindow& window) {
      window.with_dc([](HDC dc) {
        GdiCanvas canvas(dc, {0, 0, 40, 30}, {});
        ASSERT_TRUE(canvas.valid());
        canvas.fill_rect({0, 0, 40, 30}, {255, 0, 0});
        EXPECT_TRUE(canvas.flush());
      });
    };
    PopupWindow first(0, 0, 40, 30);
    PopupWindow second(50, 0, 40, 30);
    paint(first);
    paint(second);
    EXPECT_EQ(entries_with_dc(), 2);
    EXPECT_TRUE(thread_graphics_diagnostics().gdi_back_buffers[0].keyed_by_window);

    first.destroy();
    PopupWindow third(100, 0, 40, 30);
    paint(third);
    EXPECT_EQ(entries_with_dc(), 2);  // the first window's buffer was taken over

    paint(second);  // still found by its window
    EXPECT_EQ(entries_with_dc(), 2);
  });
}

TEST(GdiBackBufferCacheTest, EachDcWithoutAWindowHasItsOwnBuffer) {
  on_fresh_thread([] {
    DibTarget first(16, 16);
    DibTarget second(16, 16);
    { GdiCanvas canvas(first.dc(), first.bounds(), {}); ASSERT_TRUE(canvas.valid()); }
    { GdiCanvas canvas(second.dc(), second.bounds(), {}); ASSERT_TRUE(canvas.valid()); }
    { GdiCanvas canvas(first.dc(), first.bounds(), {}); ASSERT_TRUE(canvas.valid()); }
    EXPECT_EQ(entries_with_dc(), 2);
  });
}

}  // namespace
}  // namespace win32_ui::modern::detail
