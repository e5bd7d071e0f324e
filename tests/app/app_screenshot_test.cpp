// The screenshot command: refused while busy or selecting, the editor over
// the monitor under the mouse with capture paused, and everything restored
// when it closes or cannot open.
#include <gtest/gtest.h>

#include <memory>

#include "app/app_messages.h"
#include "app/overlay/monitor_rect.h"
#include "tests/app/app_test_fixture.h"
#include "tests/app/overlay/rect_printing.h"
#include "tests/fakes/engine/fake_output_duplication.h"
#include "tests/support/fake_clock.h"

namespace quorvel::windows {
namespace {

class AppScreenshotTest : public AppTest {
 protected:
  // The App's captures use the script: they go first.
  void TearDown() override { app_.reset(); }

  App& start_with_script() {
    const SIZE monitor =
        monitor_pixel_size(monitor_rect(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY)));
    script_ = std::make_unique<FakeDuplicationScript>(
        FakeDuplicationScript::mode(monitor.cx, monitor.cy, DXGI_FORMAT_B8G8R8A8_UNORM));
    AppPlatform platform = make_platform();
    platform.capture.open_duplication = script_->opener();
    platform.capture.wait_before_retry = [](std::stop_token) { return false; };
    // The snapshot's time-out never passes: a slow machine still gets its
    // frame.
    platform.capture.clock = std::make_shared<test::FakeClock>();
    app_ = std::make_unique<App>(GetModuleHandleW(nullptr), std::move(platform));
    app_->start_up(0);
    return *app_;
  }

  DesktopCaptureState capture_state() {
    return AppTestAccess::capture(*app_).stats().state;
  }

  std::unique_ptr<FakeDuplicationScript> script_;
};

TEST_F(AppScreenshotTest, RefusedWhileRecordingOrSelecting) {
  App& app = start_with_script();
  AppTestAccess::recording(app) = true;
  app.begin_screenshot();
  AppTestAccess::recording(app) = false;
  AppTestAccess::selecting(app) = true;
  app.begin_screenshot();
  AppTestAccess::selecting(app) = false;

  ASSERT_EQ(messages_.size(), 2u);
  for (const ShownMessage& shown : messages_) {
    EXPECT_EQ(shown.key, L"message.screenshot_while_recording");
    EXPECT_EQ(shown.flags, static_cast<unsigned>(MB_ICONINFORMATION));
    EXPECT_EQ(shown.owner, AppTestAccess::host_window(app));
  }
  EXPECT_FALSE(AppTestAccess::has_editor(app));
}

TEST_F(AppScreenshotTest, OpensTheEditorOverTheMonitorWithCapturePaused) {
  App& app = start_with_script();
  ASSERT_NE(capture_state(), DesktopCaptureState::kIdle);
  send_to_host(WM_COMMAND, kTrayCommandScreenshot);

  ASSERT_TRUE(AppTestAccess::has_editor(app));
  EXPECT_EQ(editor_log_->open_calls, 1);
  EXPECT_EQ(editor_log_->rect, truncated_monitor_rect(AppTestAccess::target_rect(app)));
  EXPECT_EQ(capture_state(), DesktopCaptureState::kIdle);
  EXPECT_FALSE(IsWindowVisible(AppTestAccess::overlay_window(app)));
  EXPECT_TRUE(messages_.empty());

  // A second command only brings the open editor forward.
  app.begin_screenshot();
  EXPECT_EQ(editor_log_->open_calls, 1);
  EXPECT_EQ(editor_log_->brought_to_front, 1);
}

TEST_F(AppScreenshotTest, HotkeyAndPreferencesActionOpenTheEditorToo) {
  App& app = start_with_script();
  send_to_host(WM_HOTKEY, kFirstIdleHotkeyId);
  ASSERT_TRUE(AppTestAccess::has_editor(app));
  EXPECT_EQ(editor_log_->open_calls, 1);

  // The preferences' screenshot entry reaches the same command, which only
  // brings the open editor forward.
  app.run_settings_action(ModernSettingsAction::kScreenshot);
  EXPECT_EQ(editor_log_->open_calls, 1);
  EXPECT_EQ(editor_log_->brought_to_front, 1);
}

TEST_F(AppScreenshotTest, ScreenshotHotkeyWhileRecordingIsRefusedByTheCommand) {
  App& app = start_with_script();
  AppTestAccess::recording(app) = true;
  send_to_host(WM_HOTKEY, kFirstIdleHotkeyId);
  AppTestAccess::recording(app) = false;
  EXPECT_FALSE(AppTestAccess::has_editor(app));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.screenshot_while_recording");
}

TEST_F(AppScreenshotTest, CaptureCallbackTakesTheMonitorThroughTheSeam) {
  App& app = start_with_script();
  app.begin_screenshot();
  ASSERT_TRUE(editor_log_->capture);
  script_->set_desktop(FakeAcquireStep::frame({10, 20, 30, 255}));
  DesktopSnapshot snapshot;
  EXPECT_EQ(editor_log_->capture(snapshot), S_OK);
  const SIZE monitor = monitor_pixel_size(AppTestAccess::target_rect(app));
  EXPECT_EQ(snapshot.width, static_cast<uint32_t>(monitor.cx));
  ASSERT_FALSE(snapshot.pixels.empty());
  EXPECT_EQ(snapshot.pixels[0], 10);
  EXPECT_EQ(snapshot.pixels[2], 30);
}

TEST_F(AppScreenshotTest, ClosingRestartsCaptureAndShowsTheReadyFrame) {
  App& app = start_with_script();
  const HMONITOR monitor = AppTestAccess::target_monitor(app);
  AppTestAccess::region_ready(app) = true;
  app.begin_screenshot();
  ASSERT_TRUE(editor_log_->on_closed);
  editor_log_->open = false;
  editor_log_->on_closed();

  EXPECT_EQ(AppTestAccess::target_monitor(app), monitor);
  EXPECT_NE(capture_state(), DesktopCaptureState::kIdle);
  EXPECT_TRUE(IsWindowVisible(AppTestAccess::overlay_window(app)));
  EXPECT_TRUE(AppTestAccess::overlay_interactive(app));
  // The held, closed editor goes with the next command.
  app.begin_screenshot();
  EXPECT_EQ(editor_log_->open_calls, 2);
}

TEST_F(AppScreenshotTest, MainWindowLosesItsPopupsAndComesBackAfterTheEditor) {
  App& app = start_with_script();
  app.show_recording_window();
  ASSERT_TRUE(IsWindowVisible(main_log_->window));
  const int activations = main_log_->activations;
  app.begin_screenshot();
  EXPECT_EQ(main_log_->popups_dismissed, 1);
  EXPECT_EQ(main_log_->activations, activations);
  editor_log_->open = false;
  editor_log_->on_closed();
  EXPECT_EQ(main_log_->activations, activations + 1);
}

TEST_F(AppScreenshotTest, EditorThatCannotOpenIsDroppedAndReported) {
  App& app = start_with_script();
  editor_log_->open_result = false;
  app.begin_screenshot();

  EXPECT_FALSE(AppTestAccess::has_editor(app));
  EXPECT_NE(capture_state(), DesktopCaptureState::kIdle);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.editor_create_failed");
  EXPECT_EQ(messages_[0].flags, static_cast<unsigned>(MB_ICONERROR));
}

}  // namespace
}  // namespace quorvel::windows
