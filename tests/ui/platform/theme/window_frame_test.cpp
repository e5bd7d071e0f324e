#include "ui/platform/theme/window_frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/fakes/ui/platform/fake_dwm_attributes.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

using quorvel::test::FakeDwmAttributes;
using C = ThemeColor;

constexpr UINT_PTR kCounterId = 0x434E5421;  // "CNT!"

// Counts the frame recalculations a window goes through.
struct FrameCounter {
  int recalculations = 0;

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR, DWORD_PTR reference) {
    if (message == WM_NCCALCSIZE) ++reinterpret_cast<FrameCounter*>(reference)->recalculations;
    return DefSubclassProc(window, message, wparam, lparam);
  }
  void watch(HWND window) {
    ASSERT_TRUE(install_window_subclass(window, &procedure, kCounterId,
                                        reinterpret_cast<DWORD_PTR>(this)));
  }
};

Theme dark_theme() {
  Theme theme = test::distinct_theme();
  theme.is_dark = true;
  return theme;
}

TEST(WindowFrameTest, OlderDarkModeAttributeServesWhenTheNewOneIsRefused) {
  test::ControlTestWindow window;
  FrameCounter counter;
  counter.watch(window.hwnd());
  FakeDwmAttributes dwm;
  dwm.refused = {kDwmImmersiveDarkMode};
  const Theme theme = dark_theme();

  EXPECT_TRUE(apply_dwm_frame_theme(window.hwnd(), theme, true, dwm));

  std::vector<DWORD> order;
  for (const auto& call : dwm.calls) {
    order.push_back(call.attribute);
    EXPECT_EQ(call.window, window.hwnd());
    EXPECT_EQ(call.size, 4u);
  }
  EXPECT_EQ(order, (std::vector<DWORD>{20, 19, 35, 36, 34, 33}));
  EXPECT_EQ(dwm.accepted_value(19), 1);
  EXPECT_EQ(dwm.accepted_value(35), theme.color(C::window_background));
  EXPECT_EQ(dwm.accepted_value(36), theme.color(C::text));
  EXPECT_EQ(dwm.accepted_value(34), theme.color(C::border));
  EXPECT_EQ(dwm.accepted_value(33), 2);
  EXPECT_EQ(dwm.flushes, 1);
  EXPECT_GT(counter.recalculations, 0);
  remove_window_subclass(window.hwnd(), &FrameCounter::procedure, kCounterId);
}

TEST(WindowFrameTest, AcceptedNewDarkModeAttributeSkipsTheOldOneAndLightIsZero) {
  test::ControlTestWindow window;
  FakeDwmAttributes dwm;
  EXPECT_TRUE(apply_dwm_frame_theme(window.hwnd(), test::distinct_theme(), false, dwm));
  ASSERT_FALSE(dwm.calls.empty());
  EXPECT_EQ(dwm.calls.front().attribute, 20u);
  EXPECT_EQ(dwm.calls.front().value, 0u);
  EXPECT_EQ(dwm.accepted_value(19), -1);
  EXPECT_EQ(dwm.flushes, 0);
}

TEST(WindowFrameTest, EveryAttributeRefusedReportsFailureWithoutRefreshing) {
  test::ControlTestWindow window;
  FrameCounter counter;
  counter.watch(window.hwnd());
  FakeDwmAttributes dwm;
  dwm.refused = {19, 20, 33, 34, 35, 36};
  EXPECT_FALSE(apply_dwm_frame_theme(window.hwnd(), dark_theme(), true, dwm));
  EXPECT_EQ(dwm.calls.size(), 6u);
  EXPECT_EQ(dwm.flushes, 0);
  EXPECT_EQ(counter.recalculations, 0);
  remove_window_subclass(window.hwnd(), &FrameCounter::procedure, kCounterId);
}

TEST(WindowFrameTest, NullWindowIsRefusedUntouched) {
  FakeDwmAttributes dwm;
  EXPECT_FALSE(apply_dwm_frame_theme(nullptr, dark_theme(), true, dwm));
  EXPECT_TRUE(dwm.calls.empty());
  EXPECT_EQ(dwm.flushes, 0);
}

TEST(WindowFrameTest, RealDwmAcceptsTheFrameAndTheFrameIsRecalculated) {
  test::ControlTestWindow window;
  FrameCounter counter;
  counter.watch(window.hwnd());
  EXPECT_TRUE(apply_dwm_frame_theme(window.hwnd(), dark_theme(), true));
  EXPECT_GT(counter.recalculations, 0);
  remove_window_subclass(window.hwnd(), &FrameCounter::procedure, kCounterId);
}

TEST(WindowFrameTest, RoundRegionCutsTheCornersAndKeepsTheEdges) {
  test::ControlTestWindow window;
  HWND child = window.add_child(L"STATIC", L"", SS_LEFT, {10, 10, 110, 40});
  ASSERT_TRUE(set_round_window_region(child, 96, 6, true));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(child, region), ERROR);
  EXPECT_FALSE(PtInRegion(region, 0, 0));
  EXPECT_FALSE(PtInRegion(region, 99, 29));
  EXPECT_TRUE(PtInRegion(region, 50, 0));
  EXPECT_TRUE(PtInRegion(region, 0, 15));
  EXPECT_TRUE(PtInRegion(region, 99, 15));
  EXPECT_TRUE(PtInRegion(region, 50, 29));
  EXPECT_TRUE(PtInRegion(region, 6, 6));
  DeleteObject(region);

  EXPECT_FALSE(set_round_window_region(nullptr, 96, 6, true));
}

}  // namespace
}  // namespace win32_ui
