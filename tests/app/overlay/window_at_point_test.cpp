// The window search runs over real top-level windows that the test places on
// the test display. Under Wine DWM answers nothing (E_NOTIMPL), so the
// product's queries fall back to GetWindowRect and see nothing cloaked; the
// DWM answers themselves are stood in for by test queries.
#include "app/overlay/window_at_point.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/overlay/monitor_rect.h"
#include "tests/app/overlay/rect_printing.h"

namespace quorvel::windows {
namespace {

enum class Show { shown, hidden, minimised };

void register_decoy_class(const wchar_t* name) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  window_class.lpszClassName = name;
  // Registered once per process; a second registration fails harmlessly.
  RegisterClassExW(&window_class);
}

// A borderless top-level window of a chosen class at a chosen screen
// rectangle, put at the top of the z-order when made, destroyed with the
// object.
class DecoyWindow {
 public:
  DecoyWindow(const wchar_t* class_name, RECT screen, Show show) {
    register_decoy_class(class_name);
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, class_name,
                            L"decoy", WS_POPUP, screen.left, screen.top,
                            screen.right - screen.left, screen.bottom - screen.top, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(hwnd_, nullptr);
    if (!hwnd_) return;
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (show == Show::shown) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    if (show == Show::minimised) {
      ShowWindow(hwnd_, SW_SHOWMINNOACTIVE);
      EXPECT_TRUE(IsIconic(hwnd_));
    }
  }
  ~DecoyWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  DecoyWindow(const DecoyWindow&) = delete;
  DecoyWindow& operator=(const DecoyWindow&) = delete;

  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

struct Decoy {
  const wchar_t* class_name;
  RECT screen;
  Show show = Show::shown;
};

constexpr const wchar_t* kPlain = L"QuorvelTestDecoy";

CaptureBounds primary_monitor() {
  return monitor_rect(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY));
}

struct SearchCase {
  const char* name;
  std::vector<Decoy> decoys;  // from the bottom of the z-order up
  POINT client_point;
  bool found;
  RECT expected;  // client coordinates, when found
};

TEST(MonitorRect, IsThePrimaryMonitorsRectangleOrZeroWithoutAMonitor) {
  const CaptureBounds primary = primary_monitor();
  EXPECT_EQ(primary.left, 0);
  EXPECT_EQ(primary.top, 0);
  EXPECT_EQ(primary.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(primary.bottom, GetSystemMetrics(SM_CYSCREEN));
  const CaptureBounds none = monitor_rect(nullptr);
  EXPECT_EQ(none.left, 0);
  EXPECT_EQ(none.top, 0);
  EXPECT_EQ(none.right, 0);
  EXPECT_EQ(none.bottom, 0);
}

TEST(MonitorRect, GivesIntegerFormsOfAFractionalRectangle) {
  const CaptureBounds monitor{-1280.6, 10.4, 0.4, 1034.5};
  EXPECT_EQ(monitor_pixel_size(monitor), (SIZE{1281, 1024}));
  EXPECT_EQ(monitor_origin(monitor), (POINT{-1280, 10}));
  EXPECT_EQ(truncated_monitor_rect(monitor), (RECT{-1280, 10, 0, 1034}));
}

TEST(WindowAtPoint, SnapsToQualifyingWindowsAndFallsBackToTheEntireScreen) {
  const CaptureBounds monitor = primary_monitor();
  const LONG width = static_cast<LONG>(monitor.right);
  const RECT plain{200, 150, 500, 350};
  const SearchCase cases[] = {
      {"300 x 200 inside the monitor", {{kPlain, plain}}, {250, 200}, true, plain},
      {"odd sizes are fitted to even", {{kPlain, {200, 150, 501, 351}}}, {250, 200}, true,
       {200, 150, 502, 352}},
      {"the topmost of two wins", {{kPlain, plain}, {kPlain, {240, 180, 640, 480}}}, {250, 200},
       true, {240, 180, 640, 480}},
      {"the point misses the window", {{kPlain, plain}}, {199, 200}, false, {}},
      {"50 x 50 over a larger window", {{kPlain, plain}, {kPlain, {230, 180, 280, 230}}},
       {250, 200}, false, {}},
      {"63 wide", {{kPlain, {600, 150, 663, 350}}}, {610, 200}, false, {}},
      {"exactly 64 x 64", {{kPlain, {600, 150, 664, 214}}}, {610, 200}, true,
       {600, 150, 664, 214}},
      {"reaching past the right edge", {{kPlain, {width - 100, 100, width + 200, 300}}},
       {width - 50, 150}, false, {}},
      {"reaching past the top edge", {{kPlain, {700, -20, 1000, 300}}}, {750, 150}, false, {}},
      {"the desktop", {{kPlain, plain}, {L"Progman", {100, 100, 700, 500}}}, {250, 200}, false,
       {}},
      {"a desktop worker", {{kPlain, plain}, {L"WorkerW", {100, 100, 700, 500}}}, {250, 200},
       false, {}},
      {"the taskbar", {{kPlain, plain}, {L"Shell_TrayWnd", {100, 100, 700, 500}}}, {250, 200},
       false, {}},
      {"a second taskbar",
       {{kPlain, plain}, {L"Shell_SecondaryTrayWnd", {100, 100, 700, 500}}}, {250, 200}, false,
       {}},
      {"a hidden window above is skipped",
       {{kPlain, plain}, {kPlain, {100, 100, 700, 500}, Show::hidden}}, {250, 200}, true, plain},
      {"a minimised window above is skipped",
       {{kPlain, plain}, {kPlain, {100, 100, 700, 500}, Show::minimised}}, {250, 200}, true,
       plain},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::unique_ptr<DecoyWindow>> decoys;
    for (const Decoy& decoy : c.decoys) {
      decoys.push_back(std::make_unique<DecoyWindow>(decoy.class_name, decoy.screen, decoy.show));
    }
    RECT result{-1, -1, -1, -1};
    EXPECT_EQ(window_at_point(c.client_point, monitor, {}, result), c.found);
    if (c.found) {
      EXPECT_EQ(result, c.expected);
    } else {
      EXPECT_EQ(result, (RECT{-1, -1, -1, -1})) << "left as it was";
    }
  }
}

TEST(WindowAtPoint, PassesOverTheProgramsOwnWindows) {
  const CaptureBounds monitor = primary_monitor();
  DecoyWindow beneath(kPlain, {200, 150, 500, 350}, Show::shown);
  DecoyWindow own_a(kPlain, {100, 100, 700, 500}, Show::shown);
  DecoyWindow own_b(kPlain, {150, 120, 600, 400}, Show::shown);
  const HWND skipped[] = {own_a.hwnd(), nullptr, own_b.hwnd()};
  RECT result{};
  ASSERT_TRUE(window_at_point({250, 200}, monitor, skipped, result));
  EXPECT_EQ(result, (RECT{200, 150, 500, 350}));
}

TEST(WindowAtPoint, WorksInTheCoordinatesOfAMonitorAwayFromTheOrigin) {
  // A monitor whose top-left corner is at (100, 50) of the virtual screen:
  // client points and results are relative to that corner.
  const CaptureBounds monitor{100, 50, 1100, 850};
  DecoyWindow inside(kPlain, {300, 250, 600, 450}, Show::shown);
  DecoyWindow across(kPlain, {50, 600, 350, 800}, Show::shown);
  RECT result{};
  ASSERT_TRUE(window_at_point({250, 250}, monitor, {}, result));
  EXPECT_EQ(result, (RECT{200, 200, 500, 400}));
  EXPECT_FALSE(window_at_point({100, 650}, monitor, {}, result)) << "reaches past the left edge";
}

TEST(WindowAtPoint, SkipsCloakedWindowsAndPrefersTheVisibleFrameBounds) {
  const CaptureBounds monitor = primary_monitor();
  DecoyWindow beneath(kPlain, {200, 150, 500, 350}, Show::shown);
  DecoyWindow framed(kPlain, {592, 142, 914, 364}, Show::shown);
  DecoyWindow cloaked(kPlain, {100, 100, 700, 500}, Show::shown);
  WindowFrameQueries queries;
  queries.is_cloaked = [&](HWND window) { return window == cloaked.hwnd(); };
  // Like a window with invisible resize borders: DWM knows its visible frame
  // 7 pixels inside the window rectangle; of the others it knows nothing.
  queries.extended_frame_bounds = [&](HWND window, RECT& bounds) {
    if (window != framed.hwnd()) return false;
    bounds = {599, 142, 907, 357};
    return true;
  };
  RECT result{};
  ASSERT_TRUE(window_at_point({250, 200}, monitor, {}, result, queries));
  EXPECT_EQ(result, (RECT{200, 150, 500, 350}));
  ASSERT_TRUE(window_at_point({650, 200}, monitor, {}, result, queries));
  EXPECT_EQ(result, (RECT{599, 142, 907, 358})) << "the visible frame, fitted to even";
  EXPECT_FALSE(window_at_point({595, 200}, monitor, {}, result, queries))
      << "in the invisible border the window is not under the pointer";
}

TEST(WindowAtPointCallback, StopsAtTheFirstShownWindowHoldingThePoint) {
  DecoyWindow hidden(kPlain, {1300, 700, 1500, 900}, Show::hidden);
  DecoyWindow shown(kPlain, {1310, 710, 1490, 890}, Show::shown);
  const WindowFrameQueries queries = dwm_window_frame_queries();
  WindowSearch search{{1400, 800}, {}, &queries};
  EXPECT_TRUE(window_at_point_callback(hidden.hwnd(), reinterpret_cast<LPARAM>(&search)));
  EXPECT_EQ(search.found, nullptr);
  EXPECT_FALSE(window_at_point_callback(shown.hwnd(), reinterpret_cast<LPARAM>(&search)));
  EXPECT_EQ(search.found, shown.hwnd());
}

}  // namespace
}  // namespace quorvel::windows
