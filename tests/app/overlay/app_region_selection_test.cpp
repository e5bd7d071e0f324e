// The App's region selection on a real overlay window, driven with sent
// mouse and key messages, over a frozen monitor image that the fake
// duplication delivers with a pattern the test can compute.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "app/overlay/monitor_rect.h"
#include "app/overlay/overlay_painting.h"
#include "app/overlay/selection_geometry.h"
#include "tests/app/app_test_fixture.h"
#include "tests/app/overlay/patterned_snapshot.h"
#include "tests/app/overlay/rect_printing.h"
#include "tests/fakes/engine/fake_output_duplication.h"
#include "tests/support/fake_clock.h"
#include "tests/ui/views/graphics/paint_target.h"

namespace quorvel::windows {
namespace {

using win32_ui::ui::graphics::test::DibTarget;
using win32_ui::ui::graphics::test::Rgb;
using quorvel::windows::test::PatternedSnapshot;

SIZE primary_monitor_size() {
  return monitor_pixel_size(monitor_rect(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY)));
}

// The desktop image of the given size with the snapshot pattern.
std::vector<uint8_t> patterned_desktop(SIZE size) {
  std::vector<uint8_t> image(static_cast<size_t>(size.cx) * size.cy * 4);
  for (int y = 0; y < size.cy; ++y) {
    for (int x = 0; x < size.cx; ++x) {
      const Rgb c = PatternedSnapshot::expected(x, y);
      uint8_t* pixel = image.data() + (static_cast<size_t>(y) * size.cx + x) * 4;
      pixel[0] = c.b;
      pixel[1] = c.g;
      pixel[2] = c.r;
      pixel[3] = 255;
    }
  }
  return image;
}

LPARAM point_param(int x, int y) { return MAKELPARAM(x, y); }

int count_start_messages(HWND host) {
  int count = 0;
  MSG message{};
  while (PeekMessageW(&message, host, kStartRecordingMessage, kStartRecordingMessage, PM_REMOVE)) {
    ++count;
  }
  return count;
}

class AppRegionSelectionTest : public AppTest {
 protected:
  void SetUp() override {
    monitor_ = primary_monitor_size();
    script_ = std::make_unique<FakeDuplicationScript>(
        FakeDuplicationScript::mode(monitor_.cx, monitor_.cy, DXGI_FORMAT_B8G8R8A8_UNORM));
  }

  // The App's captures use the script: they go first.
  void TearDown() override { app_.reset(); }

  App& start_with_script(SIZE setup = {640, 480}) {
    AppPlatform platform = make_platform();
    // Notes whether the tray icon was shown when each duplication opened.
    platform.capture.open_duplication = [this, inner = script_->opener()](
                                            IDXGIAdapter1* adapter, IDXGIOutput* output,
                                            ID3D11Device* device,
                                            IDXGIOutputDuplication** duplication) {
      {
        std::lock_guard lock(icon_mutex_);
        icon_shown_at_open_.push_back(app_ && AppTestAccess::tray(*app_).icon_shown());
      }
      return inner(adapter, output, device, duplication);
    };
    platform.capture.wait_before_retry = [](std::stop_token) { return false; };
    // The snapshot's time-out passes only when a test says so: a slow
    // machine still gets its frame.
    platform.capture.clock = clock_;
    app_ = std::make_unique<App>(GetModuleHandleW(nullptr), std::move(platform));
    SetCursorPos(100, 100);
    app_->start_up(0);
    AppTestAccess::setup(*app_).width = setup.cx;
    AppTestAccess::setup(*app_).height = setup.cy;
    return *app_;
  }

  // Starts a selection over a frozen desktop of `desktop` pixels.
  void begin_selection(bool record_afterwards, SIZE desktop) {
    script_->set_desktop(FakeAcquireStep{.image = patterned_desktop(desktop)});
    app_->begin_region_selection(record_afterwards);
  }
  // Starts a selection over a frozen desktop of the monitor's size through
  // `trigger` (a hotkey, a command).
  template <typename Trigger>
  void begin_selection_by(Trigger trigger) {
    script_->set_desktop(FakeAcquireStep{.image = patterned_desktop(monitor_)});
    trigger();
  }
  // Lets the snapshot's time-out pass once the snapshot waits for it.
  std::thread pass_snapshot_time_out() {
    const int64_t deadline = clock_->now() + kSnapshotTimeoutNs;
    return std::thread([clock = clock_, deadline] {
      EXPECT_TRUE(clock->wait_for_waiter(deadline, 60000));
      clock->advance(kSnapshotTimeoutNs);
    });
  }
  void begin_selection(bool record_afterwards = false) {
    begin_selection(record_afterwards, monitor_);
  }

  LRESULT send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessageW(overlay(), message, wparam, lparam);
  }
  HWND overlay() const { return AppTestAccess::overlay_window(*app_); }
  HWND host() const { return AppTestAccess::host_window(*app_); }

  void drag(POINT from, POINT to) {
    send(WM_LBUTTONDOWN, MK_LBUTTON, point_param(from.x, from.y));
    send(WM_MOUSEMOVE, MK_LBUTTON, point_param(to.x, to.y));
    send(WM_LBUTTONUP, 0, point_param(to.x, to.y));
  }

  RECT window_rect() const {
    RECT rect{};
    GetWindowRect(overlay(), &rect);
    return rect;
  }

  static constexpr int64_t kSnapshotTimeoutNs = int64_t{2000} * 1'000'000;

  SIZE monitor_{};
  std::shared_ptr<test::FakeClock> clock_ = std::make_shared<test::FakeClock>();
  std::unique_ptr<FakeDuplicationScript> script_;
  std::mutex icon_mutex_;
  std::vector<bool> icon_shown_at_open_;
};

TEST_F(AppRegionSelectionTest, CoversTheMonitorOpaqueAndTopmostWhileSelecting) {
  start_with_script();
  const int opens_before = script_->open_calls();
  begin_selection();

  ASSERT_TRUE(AppTestAccess::selecting(*app_));
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(IsWindowVisible(overlay()));
  EXPECT_EQ(window_rect(), (RECT{0, 0, monitor_.cx, monitor_.cy}));
  const LONG_PTR style = GetWindowLongPtrW(overlay(), GWL_EXSTYLE);
  EXPECT_NE(style & WS_EX_TOPMOST, 0);
  EXPECT_EQ(style & (WS_EX_TRANSPARENT | WS_EX_NOACTIVATE), 0);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(overlay(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 255);
  EXPECT_EQ(flags & LWA_COLORKEY, 0u);
  EXPECT_EQ(GetForegroundWindow(), overlay());
  // The snapshot opened one duplication and the live capture another.
  EXPECT_GE(script_->open_calls(), opens_before + 2);
  EXPECT_TRUE(AppTestAccess::has_region_snapshot(*app_));
}

struct FirstSelectionCase {
  const char* name;
  SIZE setup;
  bool whole_monitor;
};

class FirstSelectionTest : public AppRegionSelectionTest,
                           public testing::WithParamInterface<FirstSelectionCase> {};

TEST_P(FirstSelectionTest, StartsWithTheSetupSizeAroundThePointer) {
  start_with_script(GetParam().setup);
  begin_selection();
  ASSERT_TRUE(AppTestAccess::selection_present(*app_));
  EXPECT_EQ(AppTestAccess::selection_mode(*app_), SelectionMode::current_size);
  const RECT expected = GetParam().whole_monitor ? RECT{0, 0, monitor_.cx, monitor_.cy}
                                                 : RECT{0, 0, 640, 480};
  EXPECT_EQ(AppTestAccess::selection(*app_), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Setups, FirstSelectionTest,
    testing::Values(FirstSelectionCase{"setup_640x480_near_the_corner", {640, 480}, false},
                    FirstSelectionCase{"larger_than_the_monitor", {8000, 6000}, true},
                    FirstSelectionCase{"below_the_minimum", {32, 480}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppRegionSelectionTest, ClickWithoutMovingConfirmsTheFirstSelection) {
  start_with_script();
  begin_selection();
  send(WM_LBUTTONDOWN, MK_LBUTTON, point_param(100, 100));
  send(WM_LBUTTONUP, 0, point_param(100, 100));

  EXPECT_FALSE(AppTestAccess::selecting(*app_));
  EXPECT_TRUE(AppTestAccess::region_ready(*app_));
  const CaptureBounds area = AppTestAccess::capture_area(*app_);
  EXPECT_EQ(area.left, 0);
  EXPECT_EQ(area.right, 640);
  EXPECT_EQ(area.bottom, 480);
}

TEST_F(AppRegionSelectionTest, DragOfSixtyFourPixelsBecomesTheFramedCaptureArea) {
  start_with_script();
  begin_selection();
  drag({10, 10}, {73, 73});

  EXPECT_FALSE(AppTestAccess::selecting(*app_));
  EXPECT_TRUE(AppTestAccess::region_ready(*app_));
  EXPECT_FALSE(AppTestAccess::has_region_snapshot(*app_));
  const CaptureBounds area = AppTestAccess::capture_area(*app_);
  const CaptureBounds& monitor = AppTestAccess::target_rect(*app_);
  EXPECT_EQ(area.left, monitor.left + 10);
  EXPECT_EQ(area.top, monitor.top + 10);
  EXPECT_EQ(area.right, monitor.left + 74);
  EXPECT_EQ(area.bottom, monitor.top + 74);
  // The frame: over the area, colour-keyed, interactive, not activated.
  EXPECT_TRUE(IsWindowVisible(overlay()));
  EXPECT_EQ(window_rect(), (RECT{10, 10, 74, 74}));
  COLORREF key = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(overlay(), &key, nullptr, &flags));
  EXPECT_NE(flags & LWA_COLORKEY, 0u);
  EXPECT_EQ(key, RGB(1, 2, 3));
  EXPECT_TRUE(AppTestAccess::overlay_interactive(*app_));
  EXPECT_EQ(count_start_messages(host()), 0);
}

TEST_F(AppRegionSelectionTest, TooSmallDragKeepsSelectingWithTheRetryMessage) {
  start_with_script();
  begin_selection();
  drag({10, 10}, {72, 72});

  ASSERT_TRUE(AppTestAccess::selecting(*app_));
  EXPECT_EQ(AppTestAccess::selection(*app_), (RECT{10, 10, 73, 73}));
  const std::wstring retry = app_->localized_text(L"message.small_region_retry");
  EXPECT_EQ(AppTestAccess::overlay_message(*app_), retry);
  send(WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(AppTestAccess::selecting(*app_));
  EXPECT_EQ(AppTestAccess::overlay_message(*app_), retry);
  EXPECT_FALSE(AppTestAccess::region_ready(*app_));

  send(WM_LBUTTONDOWN, MK_LBUTTON, point_param(200, 200));
  EXPECT_TRUE(AppTestAccess::overlay_message(*app_).empty());
}

TEST_F(AppRegionSelectionTest, OddFreeRegionGrowsToEvenAwayFromTheEdge) {
  struct Case {
    POINT from;
    POINT to;
    LONG expected_left;
  };
  start_with_script();
  const Case cases[] = {
      {{10, 10}, {110, 109}, 10},
      {{monitor_.cx - 101, 10}, {monitor_.cx - 1, 109}, monitor_.cx - 102},
  };
  for (const Case& c : cases) {
    begin_selection();
    drag(c.from, c.to);
    ASSERT_TRUE(AppTestAccess::region_ready(*app_));
    const CaptureBounds area = AppTestAccess::capture_area(*app_);
    EXPECT_EQ(area.right - area.left, 102);
    EXPECT_EQ(area.bottom - area.top, 100);
    EXPECT_EQ(area.left, c.expected_left);
  }
}

TEST_F(AppRegionSelectionTest, QuickRecordPostsTheStartMessageOnceAfterConfirming) {
  start_with_script();
  begin_selection(true);
  EXPECT_TRUE(AppTestAccess::record_afterwards(*app_));
  drag({10, 10}, {200, 200});
  EXPECT_TRUE(AppTestAccess::region_ready(*app_));
  EXPECT_FALSE(AppTestAccess::record_afterwards(*app_));
  EXPECT_EQ(count_start_messages(host()), 1);
}

TEST_F(AppRegionSelectionTest, QuickRecordHotkeyWaitsForTheMainWindowsModalDialog) {
  start_with_script();
  app_->show_recording_window();
  ASSERT_NE(main_log_->window, nullptr);

  // A modal dialog of the main window disables it: the hotkey does nothing.
  EnableWindow(main_log_->window, FALSE);
  send_to_host(WM_HOTKEY, kFirstIdleHotkeyId + 1);
  EXPECT_FALSE(AppTestAccess::selecting(*app_));

  EnableWindow(main_log_->window, TRUE);
  begin_selection_by([this] { send_to_host(WM_HOTKEY, kFirstIdleHotkeyId + 1); });
  ASSERT_TRUE(AppTestAccess::selecting(*app_));
  EXPECT_TRUE(AppTestAccess::record_afterwards(*app_));
  drag({10, 10}, {200, 200});
  EXPECT_EQ(count_start_messages(host()), 1);
}

TEST_F(AppRegionSelectionTest, QuickRecordHotkeySelectsWithTheMainWindowClosed) {
  start_with_script();
  begin_selection_by([this] { send_to_host(WM_HOTKEY, kFirstIdleHotkeyId + 1); });
  EXPECT_TRUE(AppTestAccess::selecting(*app_));
  EXPECT_TRUE(AppTestAccess::record_afterwards(*app_));
}

TEST_F(AppRegionSelectionTest, CancelHidesAndPostsNothing) {
  start_with_script();
  for (UINT cancel : {WM_RBUTTONDOWN, WM_KEYDOWN}) {
    begin_selection(true);
    ASSERT_TRUE(AppTestAccess::selecting(*app_));
    send(cancel, cancel == WM_KEYDOWN ? VK_ESCAPE : 0, point_param(300, 300));
    EXPECT_FALSE(AppTestAccess::selecting(*app_));
    EXPECT_FALSE(IsWindowVisible(overlay()));
    EXPECT_FALSE(AppTestAccess::region_ready(*app_));
    EXPECT_FALSE(AppTestAccess::record_afterwards(*app_));
    EXPECT_FALSE(AppTestAccess::has_region_snapshot(*app_));
  }
  EXPECT_EQ(count_start_messages(host()), 0);
}

TEST_F(AppRegionSelectionTest, EscapeThroughTheLoopCancelsTheSelection) {
  start_with_script();
  begin_selection();
  MSG message{};
  message.hwnd = overlay();
  message.message = WM_KEYDOWN;
  message.wParam = VK_ESCAPE;
  app_->process_message(message);
  EXPECT_FALSE(AppTestAccess::selecting(*app_));
  EXPECT_FALSE(IsWindowVisible(overlay()));
}

TEST_F(AppRegionSelectionTest, EscapeAfterAConfirmedRegionTakesTheRecordButtonAway) {
  start_with_script();
  app_->bring_to_front();
  ASSERT_NE(main_log_->window, nullptr);
  begin_selection();
  send(WM_LBUTTONDOWN, MK_LBUTTON, point_param(100, 100));
  send(WM_LBUTTONUP, 0, point_param(100, 100));
  ASSERT_TRUE(AppTestAccess::region_ready(*app_));
  ASSERT_TRUE(app_->setup_state().record_enabled);
  ASSERT_TRUE(main_log_->recording_enabled);

  MSG message{};
  message.hwnd = overlay();
  message.message = WM_KEYDOWN;
  message.wParam = VK_ESCAPE;
  app_->process_message(message);

  EXPECT_FALSE(AppTestAccess::region_ready(*app_));
  EXPECT_FALSE(IsWindowVisible(overlay()));
  EXPECT_FALSE(app_->setup_state().record_enabled);
  EXPECT_FALSE(main_log_->recording_enabled);
}

TEST_F(AppRegionSelectionTest, RefusedWhileBusySelectingOrEditing) {
  start_with_script();
  AppTestAccess::recording(*app_) = true;
  app_->begin_region_selection(false);
  EXPECT_FALSE(AppTestAccess::selecting(*app_));
  AppTestAccess::recording(*app_) = false;

  editor_log_->open = true;
  AppTestAccess::set_editor(*app_, std::make_unique<quorvel::test::FakeEditor>(editor_log_));
  app_->begin_region_selection(false);
  EXPECT_FALSE(AppTestAccess::selecting(*app_));
  editor_log_->open = false;

  begin_selection();
  ASSERT_TRUE(AppTestAccess::selecting(*app_));
  const int opens = script_->open_calls();
  app_->begin_region_selection(true);
  EXPECT_EQ(script_->open_calls(), opens);
  EXPECT_FALSE(AppTestAccess::record_afterwards(*app_));
}

TEST_F(AppRegionSelectionTest, SnapshotOfAnotherSizeIsRefusedAsInvalidData) {
  start_with_script();
  script_->set_mode(FakeDuplicationScript::mode(1280, 720, DXGI_FORMAT_B8G8R8A8_UNORM));
  begin_selection(true, {1280, 720});

  EXPECT_FALSE(AppTestAccess::selecting(*app_));
  EXPECT_FALSE(IsWindowVisible(overlay()));
  EXPECT_FALSE(AppTestAccess::record_afterwards(*app_));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.snapshot_failed");
  EXPECT_EQ(messages_[0].flags, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(messages_[0].owner, host());
  EXPECT_EQ(messages_[0].arguments, std::vector<std::wstring>{L"8007000D"});
}

TEST_F(AppRegionSelectionTest, TrayIconIsOutOfTheNotificationAreaWhileTheSnapshotIsTaken) {
  start_with_script();
  auto& tray = AppTestAccess::tray(*app_);
  ASSERT_TRUE(tray.icon_shown());
  AppTestAccess::capture(*app_).stop();
  {
    std::lock_guard lock(icon_mutex_);
    icon_shown_at_open_.clear();
  }
  begin_selection();
  ASSERT_TRUE(AppTestAccess::selecting(*app_));
  std::lock_guard lock(icon_mutex_);
  // The first open is the snapshot's own duplication.
  ASSERT_GE(icon_shown_at_open_.size(), 1u);
  EXPECT_FALSE(icon_shown_at_open_[0]);
  EXPECT_TRUE(tray.icon_shown());
}

TEST_F(AppRegionSelectionTest, TrayIconComesBackAfterAFailedSnapshot) {
  start_with_script();
  script_->set_default_open_result(E_NOTIMPL);
  AppTestAccess::capture(*app_).stop();
  std::thread time_passes = pass_snapshot_time_out();
  app_->begin_region_selection(false);
  time_passes.join();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.snapshot_failed");
  EXPECT_TRUE(AppTestAccess::tray(*app_).icon_shown());
}

TEST_F(AppRegionSelectionTest, HoveringSnapsToADecoyWindowOrTheEntireScreen) {
  struct Case {
    const wchar_t* class_name;
    RECT bounds;
    DWORD style;
    bool snaps;
  };
  start_with_script();
  WNDCLASSW decoy_class{};
  decoy_class.lpfnWndProc = DefWindowProcW;
  decoy_class.hInstance = GetModuleHandleW(nullptr);
  const Case cases[] = {
      {L"QuorvelTestDecoy", {400, 300, 700, 500}, WS_VISIBLE, true},
      {L"QuorvelTestDecoy", {400, 300, 450, 350}, WS_VISIBLE, false},
      {L"QuorvelTestDecoy", {-20, 300, 700, 500}, WS_VISIBLE, false},
      {L"Shell_TrayWnd", {400, 300, 700, 500}, WS_VISIBLE, false},
      {L"Progman", {400, 300, 700, 500}, WS_VISIBLE, false},
  };
  for (const Case& c : cases) {
    decoy_class.lpszClassName = c.class_name;
    RegisterClassW(&decoy_class);
    const HWND decoy = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, c.class_name, L"",
                                       WS_POPUP | c.style, c.bounds.left, c.bounds.top,
                                       c.bounds.right - c.bounds.left,
                                       c.bounds.bottom - c.bounds.top, nullptr, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(decoy, nullptr);
    begin_selection();
    // Above the overlay in the z-order, as a window the user points at.
    SetWindowPos(decoy, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    send(WM_MOUSEMOVE, 0, point_param(420, 320));
    if (c.snaps) {
      EXPECT_EQ(AppTestAccess::selection_mode(*app_), SelectionMode::window);
      EXPECT_EQ(AppTestAccess::selection(*app_), c.bounds);
    } else {
      EXPECT_EQ(AppTestAccess::selection_mode(*app_), SelectionMode::entire_screen);
      EXPECT_EQ(AppTestAccess::selection(*app_), (RECT{0, 0, monitor_.cx, monitor_.cy}));
    }
    send(WM_KEYDOWN, VK_ESCAPE, 0);
    DestroyWindow(decoy);
    UnregisterClassW(c.class_name, GetModuleHandleW(nullptr));
  }
}

TEST_F(AppRegionSelectionTest, PointerMovesRepaintOnlyTheirSurroundings) {
  start_with_script();
  begin_selection();
  send(WM_MOUSEMOVE, 0, point_param(900, 500));
  ValidateRect(overlay(), nullptr);

  send(WM_MOUSEMOVE, 0, point_param(900, 500));
  RECT update{};
  EXPECT_FALSE(GetUpdateRect(overlay(), &update, FALSE)) << "same pixel repaints nothing";

  send(WM_MOUSEMOVE, 0, point_param(905, 503));
  ASSERT_TRUE(GetUpdateRect(overlay(), &update, FALSE));
  const HRGN region = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(overlay(), region, FALSE);
  // Far from the pointer, the selection's edges and the banner, nothing
  // is repainted.
  EXPECT_FALSE(PtInRegion(region, 100, monitor_.cy - 100));
  EXPECT_FALSE(PtInRegion(region, monitor_.cx / 4, monitor_.cy / 2));
  const RECT loupe = AppTestAccess::loupe_rect(*app_, {905, 503});
  EXPECT_TRUE(PtInRegion(region, loupe.left + 1, loupe.top + 1));
  DeleteObject(region);
}

TEST_F(AppRegionSelectionTest, PaintsTheFrozenImageFrameAndMagnifier) {
  start_with_script();
  begin_selection();
  send(WM_LBUTTONDOWN, MK_LBUTTON, point_param(300, 300));
  send(WM_MOUSEMOVE, MK_LBUTTON, point_param(700, 600));

  DibTarget target(monitor_.cx, monitor_.cy);
  AppTestAccess::paint_overlay_content(*app_, target.dc(), monitor_.cx, monitor_.cy);
  target.save_png_if_asked("overlay_selecting.png");

  // The frozen image shows through away from everything drawn on it.
  for (POINT p : {POINT{40, monitor_.cy - 40}, POINT{500, 450}, POINT{monitor_.cx - 30, 200}}) {
    EXPECT_EQ(target.pixel(p.x, p.y), PatternedSnapshot::expected(p.x, p.y));
  }
  // The blue frame 3 px wide centred on the line just outside the selection.
  const Rgb blue{0, 120, 215};
  for (int dx : {-2, -1, 0}) EXPECT_EQ(target.pixel(300 + dx, 450), blue);
  EXPECT_EQ(target.pixel(296, 450), PatternedSnapshot::expected(296, 450));
  // The magnifier's centre cell shows the pointer's pixel over 8 x 8 px.
  const POINT pointer{700, 600};
  const SIZE cell = AppTestAccess::loupe_cell(*app_);
  ASSERT_EQ(cell.cx, 8);
  const RECT grid = loupe_grid_rect(AppTestAccess::loupe_rect(*app_, pointer), cell, 96);
  // While dragging down-right the crosshair sits on column and row 15.
  const Rgb cyan{0, 190, 255};
  EXPECT_EQ(target.pixel(grid.left + 15 * cell.cx + 3, grid.top + 3), cyan);
  const int cx = grid.left + 14 * cell.cx;
  const int cy = grid.top + 14 * cell.cy;
  for (int y = 0; y < cell.cy; ++y) {
    for (int x = 0; x < cell.cx; ++x) {
      EXPECT_EQ(target.pixel(cx + x, cy + y), PatternedSnapshot::expected(700, 600));
    }
  }
}

TEST_F(AppRegionSelectionTest, FrameHitCodesFollowTheEdgeBands) {
  start_with_script();
  begin_selection();
  drag({100, 100}, {499, 399});  // frame (100, 100, 500, 400)
  ASSERT_EQ(window_rect(), (RECT{100, 100, 500, 400}));
  struct Case {
    POINT point;
    LRESULT code;
  };
  const Case cases[] = {{{105, 105}, HTTOPLEFT},    {{495, 105}, HTTOPRIGHT},
                        {{105, 395}, HTBOTTOMLEFT}, {{495, 395}, HTBOTTOMRIGHT},
                        {{105, 250}, HTLEFT},       {{495, 250}, HTRIGHT},
                        {{300, 105}, HTTOP},        {{300, 395}, HTBOTTOM},
                        {{300, 250}, HTCAPTION}};
  for (const Case& c : cases) {
    EXPECT_EQ(send(WM_NCHITTEST, 0, point_param(c.point.x, c.point.y)), c.code)
        << c.point.x << "," << c.point.y;
  }
  app_->set_overlay_interactive(false);
  EXPECT_EQ(send(WM_NCHITTEST, 0, point_param(300, 250)), HTTRANSPARENT);
  begin_selection();
  EXPECT_EQ(send(WM_NCHITTEST, 0, point_param(300, 250)), HTCLIENT);
}

TEST_F(AppRegionSelectionTest, FrameResizeAndMoveStayOnTheMonitorAndEven) {
  start_with_script();
  begin_selection();
  drag({100, 100}, {499, 399});
  RECT small{100, 100, 120, 400};
  EXPECT_EQ(send(WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&small)), TRUE);
  EXPECT_EQ(small, (RECT{100, 100, 164, 400}));
  RECT past{-50, 100, 500, 400};
  send(WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&past));
  EXPECT_EQ(past, (RECT{0, 100, 500, 400}));
  RECT moved{-30, 100, 370, 400};
  EXPECT_EQ(send(WM_MOVING, 0, reinterpret_cast<LPARAM>(&moved)), TRUE);
  EXPECT_EQ(moved, (RECT{0, 100, 400, 400}));

  SetWindowPos(overlay(), nullptr, 100, 100, 401, 301, SWP_NOZORDER | SWP_NOACTIVATE);
  send(WM_EXITSIZEMOVE);
  const CaptureBounds area = AppTestAccess::capture_area(*app_);
  EXPECT_EQ(area.right - area.left, 400);
  EXPECT_EQ(area.bottom - area.top, 300);
  EXPECT_EQ(window_rect().right - window_rect().left, 400);
}

TEST_F(AppRegionSelectionTest, ConfirmRefreshesAndReactivatesTheMainWindow) {
  start_with_script();
  app_->show_recording_window();
  ASSERT_TRUE(IsWindowVisible(main_log_->window));
  const int refreshes = main_log_->refreshes;
  const int activations = main_log_->activations;
  begin_selection();
  EXPECT_GE(main_log_->popups_dismissed, 1) << "pop-ups closed before the snapshot";
  drag({10, 10}, {200, 200});
  EXPECT_GT(main_log_->refreshes, refreshes);
  EXPECT_EQ(main_log_->activations, activations + 1);

  begin_selection();
  send(WM_RBUTTONDOWN, 0, 0);
  EXPECT_EQ(main_log_->activations, activations + 2);
}

TEST_F(AppRegionSelectionTest, IdleFrameIsBlueWhileInteractiveAndCyanWhileClickThrough) {
  start_with_script();
  begin_selection();
  drag({100, 100}, {299, 199});
  struct Case {
    bool interactive;
    Rgb color;
  };
  for (const Case& c : {Case{true, {0, 120, 215}}, Case{false, {0, 190, 255}}}) {
    app_->set_overlay_interactive(c.interactive);
    DibTarget target(200, 100);
    AppTestAccess::paint_overlay_content(*app_, target.dc(), 200, 100);
    EXPECT_EQ(target.pixel(0, 50), c.color);
    EXPECT_EQ(target.pixel(199, 50), c.color);
    EXPECT_EQ(target.pixel(100, 0), c.color);
    EXPECT_EQ(target.pixel(100, 50), (Rgb{1, 2, 3})) << "the inside is the colour key";
  }
}

TEST_F(AppRegionSelectionTest, PlaceOverlayTargetsTheMonitorUnderTheCursor) {
  start_with_script();
  begin_selection();
  drag({10, 10}, {200, 200});
  ASSERT_TRUE(AppTestAccess::region_ready(*app_));

  AppTestAccess::recording(*app_) = true;
  app_->place_overlay();
  EXPECT_TRUE(AppTestAccess::region_ready(*app_)) << "nothing while recording";
  AppTestAccess::recording(*app_) = false;

  AppTestAccess::capture(*app_).stop();
  app_->place_overlay();
  EXPECT_FALSE(AppTestAccess::region_ready(*app_));
  EXPECT_FALSE(IsWindowVisible(overlay()));
  EXPECT_EQ(AppTestAccess::target_monitor(*app_),
            MonitorFromPoint({100, 100}, MONITOR_DEFAULTTONEAREST));
  const CaptureBounds& rect = AppTestAccess::target_rect(*app_);
  EXPECT_EQ(rect.right - rect.left, monitor_.cx);
  EXPECT_NE(AppTestAccess::capture(*app_).stats().state, DesktopCaptureState::kIdle)
      << "capture restarted there";
}

TEST_F(AppRegionSelectionTest, PlaceOverlayRecordsTheMonitorAndFallsBackToItsWholeSize) {
  start_with_script({8000, 6000});
  app_->place_overlay();
  const RecordingSetupState& setup = app_->setup_state();
  EXPECT_FALSE(setup.monitor_name.empty());
  EXPECT_EQ(setup.monitor_width, monitor_.cx);
  EXPECT_EQ(setup.monitor_height, monitor_.cy);
  EXPECT_EQ(setup.width, monitor_.cx & ~1);
  const CaptureBounds area = AppTestAccess::capture_area(*app_);
  EXPECT_EQ(area.right - area.left, monitor_.cx & ~1);
  EXPECT_EQ(area.bottom - area.top, monitor_.cy & ~1);
}

TEST_F(AppRegionSelectionTest, FrameResizedPastTheMonitorGoesBack) {
  start_with_script();
  begin_selection();
  drag({100, 100}, {499, 399});
  SetWindowPos(overlay(), nullptr, 0, 0, monitor_.cx + 40, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  send(WM_EXITSIZEMOVE);
  EXPECT_EQ(window_rect(), (RECT{100, 100, 500, 400}));
  ASSERT_FALSE(messages_.empty());
  EXPECT_EQ(messages_.back().key, L"message.size_outside_screen");
}

// The product's own engine, no seam: Wine has no desktop duplication.
TEST_F(AppTest, RegionSelectionWithoutDesktopDuplicationIsRefused) {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) {
    GTEST_SKIP() << "Windows duplicates the desktop";
  }
  App& app = start();
  ASSERT_TRUE(AppTestAccess::tray(app).icon_shown());
  app.begin_region_selection(true);
  EXPECT_FALSE(AppTestAccess::selecting(app));
  EXPECT_FALSE(IsWindowVisible(AppTestAccess::overlay_window(app)));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.snapshot_failed");
  EXPECT_EQ(messages_[0].arguments, std::vector<std::wstring>{L"80004001"});
  EXPECT_TRUE(AppTestAccess::tray(app).icon_shown());
  EXPECT_NE(AppTestAccess::capture(app).stats().state, DesktopCaptureState::kIdle)
      << "capture restarted";
}

}  // namespace
}  // namespace quorvel::windows
