// The floating control bar through the in-process App with a real session on
// the engine's fakes: its creation and placement, its commands and hotkeys,
// its clock and status texts on a manual performance counter, DPI changes,
// the live buttons and a language switch.
#include <d3d11.h>

#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/common/translate.h"
#include "tests/app/app_session_fixture.h"
#include "tests/app/held_hotkey.h"
#include "tests/engine/gpu_test_support.h"
#include "tests/ui/views/graphics/paint_target.h"

namespace quorvel::windows {
namespace {

// The one Xvfb monitor.
constexpr CaptureBounds kMonitor{0, 0, 1920, 1080};

std::wstring window_text(HWND window) {
  wchar_t buffer[256]{};
  GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
  return buffer;
}

RECT window_rect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

int64_t counter_frequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

class AppControlBarTest : public AppSessionTest {
 protected:
  AppPlatform bar_platform() {
    AppPlatform platform = session_platform();
    platform.exclude_from_capture = [this](HWND, DWORD) { return excluded_ ? TRUE : FALSE; };
    platform.open_folder = [](HWND, const std::wstring&) { return true; };
    // What the bar's title said while a message stood over it.
    platform.message = [this, shown = platform.message](HWND owner, std::wstring_view key,
                                                         const std::vector<std::wstring>& arguments,
                                                         unsigned flags) {
      if (owner != nullptr) owner_titles_.push_back(window_text(owner));
      return shown(owner, key, arguments, flags);
    };
    return platform;
  }

  // An App with a confirmed 160 x 120 region on the display's monitor and a
  // file output into the temporary folder, no audio; not yet recording.
  App& make_app(bool follow_mouse = false) {
    return start_with_region(bar_platform(), kMonitor, {880, 480, 1040, 600}, follow_mouse);
  }

  void go_live(OutputMode mode) {
    StreamSettings target;
    target.server_url = L"rtmp://127.0.0.1/live";
    target.stream_key = L"key";
    ASSERT_TRUE(app_->save_stream_settings(target));
    RecordingSetupState setup = app_->setup_state();
    setup.output_mode = mode;
    app_->commit_setup_state(setup);
  }

  // Starts recording and returns the bar.
  HWND start_bar() {
    app_->start_recording();
    EXPECT_TRUE(AppTestAccess::recording(*app_)) << messages_.size();
    return AppTestAccess::control_window(*app_);
  }

  RecordingControlView& view() { return *AppTestAccess::control_view(*app_); }

  void advance_seconds(int64_t seconds) { *counter_ += seconds * counter_frequency(); }

  // Where a docked bar of this size belongs.
  static POINT docked_position(HWND bar, bool top) {
    const RECT rect = window_rect(bar);
    const long width = kMonitor.right - kMonitor.left;
    const long x = kMonitor.left + (width - (rect.right - rect.left)) / 2;
    const long y = top ? kMonitor.top + 12 : kMonitor.bottom - (rect.bottom - rect.top) - 12;
    return {x, y};
  }

  bool excluded_ = false;
  std::vector<std::wstring> owner_titles_;
};

TEST_F(AppControlBarTest, TheBarIsATopmostToolWindowDockedAtTheTopCentre) {
  make_app();
  const HWND bar = start_bar();
  ASSERT_NE(bar, nullptr);
  wchar_t class_name[64]{};
  GetClassNameW(bar, class_name, 64);
  EXPECT_STREQ(class_name, L"QuorvelControlWindow");
  const LONG_PTR ex_style = GetWindowLongPtrW(bar, GWL_EXSTYLE);
  EXPECT_TRUE((ex_style & WS_EX_TOOLWINDOW) != 0);
  EXPECT_TRUE((ex_style & WS_EX_TOPMOST) != 0);
  EXPECT_TRUE(IsWindowVisible(bar));
  const RECT rect = window_rect(bar);
  const POINT docked = docked_position(bar, true);
  EXPECT_EQ(rect.left, docked.x);
  EXPECT_EQ(rect.top, docked.y);
  EXPECT_EQ(AppTestAccess::dock_mode(*app_), 1);
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 00:00:00");
  EXPECT_EQ(view().status_text()->text(), L"Quorvel — Recording 00:00:00");
  // Without follow-mouse the zoom buttons are off; pause is on without live.
  EXPECT_FALSE(view().button(4)->is_enabled());
  EXPECT_FALSE(view().button(5)->is_enabled());
  EXPECT_TRUE(view().button(7)->is_enabled());
  EXPECT_EQ(view().button(RecordingControlView::kLiveCoverButton), nullptr);
}

TEST_F(AppControlBarTest, ThePlacementNoteSaysWhetherTheBarIsRecorded) {
  for (const bool excluded : {true, false}) {
    excluded_ = excluded;
    make_app();
    start_bar();
    EXPECT_EQ(view().note_text()->text(),
              translate_for_locale(L"en-US", excluded ? L"control.not_recorded"
                                                      : L"control.move_outside"))
        << excluded;
    app_->stop_recording(false);
    app_.reset();
  }
}

struct CornerCase {
  int corner;
  bool left;
  bool top;
};

TEST_F(AppControlBarTest, CornerCommandsAndHotkeysMoveTheBarWithAMarginAndUndockIt) {
  make_app();
  const HWND bar = start_bar();
  const CornerCase cases[] = {{0, true, true}, {1, false, true}, {2, false, false}, {3, true, false}};
  for (const bool by_hotkey : {false, true}) {
    for (const CornerCase& c : cases) {
      app_->run_control_command(kControlDockTop);
      ASSERT_EQ(AppTestAccess::dock_mode(*app_), 1);
      if (by_hotkey) {
        send_to_host(WM_HOTKEY, 1000 + c.corner);
      } else {
        app_->run_control_command(kControlTopLeft + c.corner);
      }
      const RECT rect = window_rect(bar);
      if (c.left) {
        EXPECT_EQ(rect.left, kMonitor.left + 12) << c.corner << by_hotkey;
      } else {
        EXPECT_EQ(rect.right, kMonitor.right - 12) << c.corner << by_hotkey;
      }
      if (c.top) {
        EXPECT_EQ(rect.top, kMonitor.top + 12) << c.corner << by_hotkey;
      } else {
        EXPECT_EQ(rect.bottom, kMonitor.bottom - 12) << c.corner << by_hotkey;
      }
      EXPECT_EQ(AppTestAccess::dock_mode(*app_), 0) << c.corner << by_hotkey;
    }
  }
}

TEST_F(AppControlBarTest, DockBottomCentresTheBarAboveTheMonitorBottom) {
  make_app();
  const HWND bar = start_bar();
  app_->run_control_command(kControlDockBottom);
  const POINT docked = docked_position(bar, false);
  EXPECT_EQ(window_rect(bar).left, docked.x);
  EXPECT_EQ(window_rect(bar).top, docked.y);
  EXPECT_EQ(AppTestAccess::dock_mode(*app_), 2);
}

TEST_F(AppControlBarTest, ADpiChangeRecentresADockedBarAndLeavesAMovedOneWhereItWasPut) {
  make_app();
  const HWND bar = start_bar();
  RECT suggested{300, 400, 900, 500};
  SendMessageW(bar, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(AppTestAccess::control_dpi(*app_), 144);
  POINT docked = docked_position(bar, true);
  EXPECT_EQ(window_rect(bar).left, docked.x);
  // The margin follows the DPI: 12 px at 96 DPI are 18 at 144.
  EXPECT_EQ(window_rect(bar).top, kMonitor.top + 18);

  RECT moving = window_rect(bar);
  SendMessageW(bar, WM_MOVING, 0, reinterpret_cast<LPARAM>(&moving));
  EXPECT_EQ(AppTestAccess::dock_mode(*app_), 0);
  SendMessageW(bar, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(window_rect(bar).left, suggested.left);
  EXPECT_EQ(window_rect(bar).top, suggested.top);

  // The forced check finds the display's real 96 DPI and keeps the position.
  SendMessageW(bar, WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&suggested));
  ASSERT_EQ(AppTestAccess::control_dpi(*app_), 120);
  SendMessageW(bar, kCheckControlDpiMessage, 0, 0);
  EXPECT_EQ(AppTestAccess::control_dpi(*app_), 96);
  EXPECT_EQ(window_rect(bar).left, suggested.left);
}

TEST_F(AppControlBarTest, ZoomCommandsStayWithinOneAndSix) {
  make_app(true);
  start_bar();
  EXPECT_TRUE(view().button(4)->is_enabled());
  EXPECT_TRUE(view().button(5)->is_enabled());
  AppTestAccess::zoom_factor(*app_) = 5.0;
  app_->run_control_command(kControlZoomIn);
  EXPECT_DOUBLE_EQ(AppTestAccess::zoom_factor(*app_), 6.0);
  AppTestAccess::zoom_factor(*app_) = 1.2;
  app_->run_control_command(kControlZoomOut);
  EXPECT_DOUBLE_EQ(AppTestAccess::zoom_factor(*app_), 1.0);
  AppTestAccess::zoom_factor(*app_) = 2.0;
  app_->run_control_command(kControlZoomIn);
  EXPECT_DOUBLE_EQ(AppTestAccess::zoom_factor(*app_), 2.7);
}

TEST_F(AppControlBarTest, HideAndTheHotkeyToggleTheBarWithoutActivatingIt) {
  make_app();
  const HWND bar = start_bar();
  for (const bool by_hotkey : {false, true}) {
    for (const bool visible_after : {false, true}) {
      if (by_hotkey) {
        send_to_host(WM_HOTKEY, 1006);
      } else {
        app_->run_control_command(kControlHide);
      }
      EXPECT_EQ(IsWindowVisible(bar) != FALSE, visible_after) << by_hotkey;
      EXPECT_EQ(AppTestAccess::control_hidden(*app_), !visible_after) << by_hotkey;
    }
  }
  EXPECT_TRUE((GetWindowLongPtrW(bar, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
  EXPECT_NE(GetForegroundWindow(), bar);
}

TEST_F(AppControlBarTest, PauseShowsThePausedTitleAndTheResumeButton) {
  make_app();
  const HWND bar = start_bar();
  advance_seconds(5);
  app_->run_control_command(kControlPauseResume);
  ASSERT_TRUE(AppTestAccess::paused(*app_));
  EXPECT_EQ(window_text(bar), L"Quorvel — Paused 00:00:05");
  EXPECT_EQ(view().status_text()->text(), L"Quorvel — Paused 00:00:05");
  EXPECT_EQ(view().button(7)->tooltip().substr(0, 16), L"Resume recording");

  advance_seconds(7);
  app_->run_control_command(kControlPauseResume);
  ASSERT_FALSE(AppTestAccess::paused(*app_));
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 00:00:05");
  EXPECT_EQ(view().button(7)->tooltip().substr(0, 15), L"Pause recording");
}

TEST_F(AppControlBarTest, TheClockLeavesOutPausesAndDoesNotWrapHours) {
  make_app();
  const HWND bar = start_bar();
  advance_seconds(100);
  app_->pause_recording();
  advance_seconds(10);
  app_->resume_recording();
  advance_seconds(3723 - 110);
  app_->update_control_status(false);
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 01:01:53");
  advance_seconds(100 * 3600 - 3713);
  app_->update_control_status(false);
  EXPECT_EQ(window_text(bar), L"Quorvel — Recording 100:00:00");
}

TEST_F(AppControlBarTest, StopPostsOneStopDisablesTheButtonAndShowsSaving) {
  make_app();
  const HWND bar = start_bar();
  app_->run_control_command(kControlStop);
  app_->run_control_command(kControlStop);
  EXPECT_TRUE(AppTestAccess::stop_requested(*app_));
  EXPECT_FALSE(view().button(8)->is_enabled());
  MSG message{};
  int stops = 0;
  const HWND host = AppTestAccess::host_window(*app_);
  while (PeekMessageW(&message, host, kStopRecordingMessage, kStopRecordingMessage, PM_REMOVE)) {
    ++stops;
    EXPECT_EQ(message.wParam, 1u);
  }
  EXPECT_EQ(stops, 1);
  // The host's stop shows the saving title while it finishes.
  messages_.clear();
  app_->stop_recording(false);
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(AppTestAccess::control_view(*app_), nullptr);
}

TEST_F(AppControlBarTest, TheBarSaysSavingWhileTheStopItAskedForRuns) {
  make_app();
  go_live(OutputMode::kFileAndLive);
  const HWND bar = start_bar();
  ASSERT_NE(bar, nullptr);
  SendMessageW(bar, WM_CLOSE, 0, 0);
  EXPECT_FALSE(view().button(8)->is_enabled());
  pump();
  EXPECT_FALSE(AppTestAccess::recording(*app_));
  // The session's result box stood over the bar while it was saving.
  ASSERT_EQ(owner_titles_.size(), 1u);
  EXPECT_EQ(owner_titles_[0], L"Quorvel — Saving recording…");
}

TEST_F(AppControlBarTest, LiveCommandsDoNothingWithoutALiveStream) {
  make_app();
  start_bar();
  app_->run_control_command(kControlLiveCover);
  app_->run_control_command(kControlLiveMute);
  EXPECT_FALSE(AppTestAccess::streamer_status(*app_).cover_video);
  EXPECT_FALSE(AppTestAccess::streamer_status(*app_).mute_audio);
}

TEST_F(AppControlBarTest, LiveCommandsToggleTheCoverAndTheMuteEachOnItsOwn) {
  make_app();
  go_live(OutputMode::kLiveOnly);
  const HWND bar = start_bar();
  ASSERT_NE(bar, nullptr);
  ASSERT_NE(view().button(RecordingControlView::kLiveCoverButton), nullptr);
  EXPECT_FALSE(view().button(7)->is_enabled());
  EXPECT_EQ(view().texts().button_labels[8], translate_for_locale(L"en-US", L"stream.stop"));

  app_->run_control_command(kControlLiveCover);
  LiveStreamStatus status = AppTestAccess::streamer_status(*app_);
  EXPECT_TRUE(status.cover_video);
  EXPECT_FALSE(status.mute_audio);
  EXPECT_TRUE(view().button(RecordingControlView::kLiveCoverButton)->is_selected());
  EXPECT_NE(view().live_details_text()->text().find(
                translate_for_locale(L"en-US", L"stream.away_status")),
            std::wstring::npos);

  app_->run_control_command(kControlLiveMute);
  status = AppTestAccess::streamer_status(*app_);
  EXPECT_TRUE(status.cover_video);
  EXPECT_TRUE(status.mute_audio);
  EXPECT_TRUE(view().button(RecordingControlView::kLiveMuteButton)->is_selected());

  app_->run_control_command(kControlLiveCover);
  status = AppTestAccess::streamer_status(*app_);
  EXPECT_FALSE(status.cover_video);
  EXPECT_TRUE(status.mute_audio);
  const std::wstring details(view().live_details_text()->text());
  EXPECT_NE(details.find(L"Encoding set: 160×120 / 30 fps"), std::wstring::npos) << details.size();
  // Live only: no line for a recording target.
  EXPECT_EQ(details.find(L"Local recording target"), std::wstring::npos);

  // A stopping session ignores them.
  AppTestAccess::stopping(*app_) = true;
  app_->run_control_command(kControlLiveMute);
  EXPECT_TRUE(AppTestAccess::streamer_status(*app_).mute_audio);
  AppTestAccess::stopping(*app_) = false;
  app_->stop_recording(false);
}

TEST_F(AppControlBarTest, AFileAndLiveSessionShowsTheDualStatusAndTheRecordingTarget) {
  make_app();
  go_live(OutputMode::kFileAndLive);
  const HWND bar = start_bar();
  ASSERT_NE(bar, nullptr);
  app_->update_control_status(false);
  EXPECT_EQ(window_text(bar), app_->dual_status_text(L"00:00:00"));
  EXPECT_EQ(view().texts().button_labels[8], translate_for_locale(L"en-US", L"stream.stop_both"));
  EXPECT_NE(view().live_details_text()->text().find(L"Local recording target"),
            std::wstring::npos);

  // The bar as drawn: its view paints the client area, saved for a look.
  RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client{};
  GetClientRect(bar, &client);
  using win32_ui::ui::graphics::test::DibTarget;
  DibTarget shown(client.right, client.bottom);
  HDC dc = GetDC(bar);
  EXPECT_TRUE(BitBlt(shown.dc(), 0, 0, shown.width(), shown.height(), dc, 0, 0, SRCCOPY));
  ReleaseDC(bar, dc);
  shown.save_png_if_asked("app_control_bar_live.png");
  EXPECT_TRUE(shown.ink(shown.pixel(1, client.bottom - 2)).any);
  app_->stop_recording(false);
}

TEST_F(AppControlBarTest, AHotkeyHeldElsewhereIsMarkedAsAConflictOnItsButton) {
  make_app();
  const HotkeyBinding pause_row = kDefaultHotkeyTable[7];
  quorvel::test::HeldHotkey held(pause_row.modifiers, pause_row.key);
  ASSERT_TRUE(held.held());
  start_bar();
  ASSERT_NE(AppTestAccess::control_view(*app_), nullptr);
  const std::wstring conflict = translate_for_locale(L"en-US", L"control.conflict");
  const std::wstring text = view().texts().hotkey_texts[7];
  ASSERT_GE(text.size(), conflict.size());
  EXPECT_EQ(text.substr(text.size() - conflict.size()), conflict);
  EXPECT_EQ(view().texts().hotkey_texts[8].find(conflict), std::wstring::npos);
}

TEST_F(AppControlBarTest, ALanguageSwitchChangesTheBarsTextsAndTitleAtOnce) {
  make_app();
  const HWND bar = start_bar();
  app_->set_language(L"zh-CN");
  EXPECT_EQ(window_text(bar), L"Quorvel — 正在录制 00:00:00");
  EXPECT_EQ(view().texts().button_labels[0], translate_for_locale(L"zh-CN", L"control.top_left"));
  EXPECT_EQ(view().status_text()->text(), L"Quorvel — 正在录制 00:00:00");
  app_->set_language(L"en-US");
}

}  // namespace
}  // namespace quorvel::windows
