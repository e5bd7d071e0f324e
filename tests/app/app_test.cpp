#include "app/app.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_messages.h"
#include "tests/app/app_test_fixture.h"

namespace quorvel::windows {
namespace {

using quorvel::test::FakeEditor;
using quorvel::test::FakeEditorLog;

std::wstring class_name(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring window_title(HWND window) {
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  return title;
}

TEST_F(AppTest, StartUpMakesHiddenHostAndClickableHiddenOverlay) {
  App& app = start();

  const HWND host = AppTestAccess::host_window(app);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(class_name(host), L"QuorvelMessageHost");
  EXPECT_EQ(window_title(host), L"Quorvel message host");
  EXPECT_EQ(GetWindowLongPtrW(host, GWL_STYLE) & WS_POPUP, WS_POPUP);
  EXPECT_EQ(GetWindowLongPtrW(host, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
  EXPECT_FALSE(IsWindowVisible(host));

  const HWND overlay = AppTestAccess::overlay_window(app);
  ASSERT_NE(overlay, nullptr);
  EXPECT_EQ(class_name(overlay), L"QuorvelViewportOverlay");
  EXPECT_FALSE(IsWindowVisible(overlay));
  EXPECT_EQ(GetWindowLongPtrW(overlay, GWL_EXSTYLE), 0x00080088);
  EXPECT_TRUE(AppTestAccess::overlay_interactive(app));
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(overlay, &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(1, 2, 3));
  EXPECT_EQ(flags & LWA_COLORKEY, static_cast<DWORD>(LWA_COLORKEY));

  // The exclusion failed (as under Wine) and start-up went on.
  ASSERT_EQ(capture_exclusions_.size(), 1u);
  EXPECT_EQ(capture_exclusions_[0].first, overlay);
  EXPECT_EQ(capture_exclusions_[0].second, 0x11u);

  EXPECT_TRUE(AppTestAccess::tray(app).icon_shown());
  EXPECT_FALSE(AppTestAccess::has_main_window(app));
  EXPECT_EQ(pump(), std::nullopt);
}

TEST_F(AppTest, StartUpWithShowCommandShowsTheMainWindow) {
  start(SW_SHOWNORMAL);

  EXPECT_EQ(main_log_->constructed, 1);
  EXPECT_EQ(main_log_->shows, 1);
  EXPECT_EQ(main_log_->refreshes, 1);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(AppTest, MainWindowThatCannotBeShownIsReported) {
  main_log_->show_succeeds = false;
  App& app = start(SW_SHOWNORMAL);

  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.main_window_failed");
  EXPECT_EQ(messages_[0].flags, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(messages_[0].owner, AppTestAccess::host_window(app));
}

TEST_F(AppTest, WithoutAMainWindowFactoryShowingReportsTheFailure) {
  AppPlatform platform = make_platform();
  platform.make_main_window = nullptr;
  app_ = std::make_unique<App>(GetModuleHandleW(nullptr), std::move(platform));
  app_->start_up(SW_SHOWNORMAL);

  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.main_window_failed");
}

// Which window bring_to_front reaches, by the first rule that applies.
enum class FrontTarget { kEditor, kAbout, kOverlay, kMainWindowShown, kMainActivated, kControl };

struct FrontCase {
  const char* name;
  bool editor_open;
  bool about;
  bool selecting;
  bool main_window_open;
  bool recording;
  FrontTarget expected;
};

class AppBringToFrontTest : public AppTest, public testing::WithParamInterface<FrontCase> {};

TEST_P(AppBringToFrontTest, TakesTheFirstRuleThatApplies) {
  const FrontCase& c = GetParam();
  App& app = start(c.main_window_open ? SW_SHOWNORMAL : 0);
  const int shows_before = main_log_->shows;
  auto editor_log = std::make_shared<FakeEditorLog>();
  editor_log->open = c.editor_open;
  AppTestAccess::set_editor(app, std::make_unique<FakeEditor>(editor_log));
  HWND about = nullptr;
  if (c.about) {
    about = CreateWindowExW(0, L"STATIC", L"about", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                            nullptr, nullptr);
    AppTestAccess::about_window(app) = about;
  }
  HWND control = CreateWindowExW(0, L"STATIC", L"control", WS_POPUP, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
  AppTestAccess::control_window(app) = control;
  AppTestAccess::selecting(app) = c.selecting;
  AppTestAccess::recording(app) = c.recording;

  app.bring_to_front();

  EXPECT_EQ(editor_log->brought_to_front, c.expected == FrontTarget::kEditor ? 1 : 0);
  if (about != nullptr) {
    EXPECT_EQ(IsWindowVisible(about) != FALSE, c.expected == FrontTarget::kAbout);
  }
  EXPECT_EQ(main_log_->shows - shows_before, c.expected == FrontTarget::kMainWindowShown ? 1 : 0);
  EXPECT_EQ(main_log_->activations, c.expected == FrontTarget::kMainActivated ? 1 : 0);
  EXPECT_EQ(IsWindowVisible(control) != FALSE, c.expected == FrontTarget::kControl);

  AppTestAccess::about_window(app) = nullptr;
  AppTestAccess::control_window(app) = nullptr;
  AppTestAccess::recording(app) = false;
  if (about != nullptr) DestroyWindow(about);
  DestroyWindow(control);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, AppBringToFrontTest,
    testing::Values(
        FrontCase{"EditorOpen", true, true, true, true, true, FrontTarget::kEditor},
        FrontCase{"AboutWindow", false, true, true, true, true, FrontTarget::kAbout},
        FrontCase{"Selecting", false, false, true, true, false, FrontTarget::kOverlay},
        FrontCase{"IdleWithoutMainWindow", false, false, false, false, false,
                  FrontTarget::kMainWindowShown},
        FrontCase{"IdleWithMainWindow", false, false, false, true, false,
                  FrontTarget::kMainActivated},
        FrontCase{"RecordingWithControlWindow", false, false, false, true, true,
                  FrontTarget::kControl}),
    [](const testing::TestParamInfo<FrontCase>& info) { return std::string(info.param.name); });

TEST_F(AppTest, WakeUpMessageBringsTheProgramToTheFront) {
  App& app = start();
  PostMessageW(AppTestAccess::host_window(app), kWakeUpMessage, 0, 0);
  EXPECT_EQ(pump(), std::nullopt);
  EXPECT_EQ(main_log_->shows, 1);
}

TEST_F(AppTest, MessagesWithoutTheirPreconditionDoNothing) {
  App& app = start();
  struct Case {
    UINT message;
    WPARAM wparam;
  } cases[] = {
      {kStopRecordingMessage, 1}, {kStartRecordingMessage, 0}, {WM_COMMAND, 777},
      {WM_COMMAND, kTrayCommandScreenshot}, {WM_HOTKEY, 5}, {WM_HOTKEY, 1003},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(send_to_host(c.message, c.wparam), 0);
  }
  EXPECT_EQ(pump(), std::nullopt);
  EXPECT_EQ(main_log_->constructed, 0);
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(IsWindow(AppTestAccess::host_window(app)));
}

TEST_F(AppTest, CloseFromOutsideDoesNotEndTheProgram) {
  App& app = start();
  EXPECT_EQ(send_to_host(WM_CLOSE), 0);
  EXPECT_TRUE(IsWindow(AppTestAccess::host_window(app)));
  EXPECT_EQ(send_to_host(WM_QUERYENDSESSION), TRUE);
  EXPECT_EQ(send_to_host(WM_ENDSESSION, 0), 0);
  EXPECT_TRUE(IsWindow(AppTestAccess::host_window(app)));
  EXPECT_EQ(pump(), std::nullopt);
}

TEST_F(AppTest, EndOfSessionLeavesThroughTheOrderlyExit) {
  App& app = start();
  const HWND host = AppTestAccess::host_window(app);
  const HWND overlay = AppTestAccess::overlay_window(app);

  EXPECT_EQ(send_to_host(WM_ENDSESSION, 1), 0);

  EXPECT_TRUE(AppTestAccess::exiting(app));
  EXPECT_FALSE(IsWindow(host));
  EXPECT_FALSE(IsWindow(overlay));
  EXPECT_FALSE(AppTestAccess::tray(app).icon_shown());
  EXPECT_EQ(pump(), 0);
}

TEST_F(AppTest, ExitCommandEndsTheLoopWithCodeZero) {
  App& app = start();
  PostMessageW(AppTestAccess::host_window(app), WM_COMMAND, kTrayCommandExit, 0);
  EXPECT_EQ(app.run_message_loop(), 0);
  EXPECT_FALSE(AppTestAccess::tray(app).icon_shown());
}

TEST_F(AppTest, EscapeInTheIdleMainWindowReachesIt) {
  start(SW_SHOWNORMAL);
  ASSERT_NE(main_log_->window, nullptr);

  PostMessageW(main_log_->window, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(pump(), std::nullopt);

  EXPECT_EQ(main_log_->escape_keys, 1);
}

TEST_F(AppTest, EscapeWithAConfirmedRegionHidesTheOverlayInstead) {
  App& app = start(SW_SHOWNORMAL);
  ASSERT_NE(main_log_->window, nullptr);
  AppTestAccess::region_ready(app) = true;
  ShowWindow(AppTestAccess::overlay_window(app), SW_SHOWNOACTIVATE);

  PostMessageW(main_log_->window, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(pump(), std::nullopt);

  EXPECT_EQ(main_log_->escape_keys, 0);
  EXPECT_FALSE(AppTestAccess::region_ready(app));
  EXPECT_FALSE(IsWindowVisible(AppTestAccess::overlay_window(app)));
  EXPECT_EQ(main_log_->activations, 1);
  // Hidden between selections the overlay lets clicks through.
  EXPECT_EQ(GetWindowLongPtrW(AppTestAccess::overlay_window(app), GWL_EXSTYLE) &
                (WS_EX_TRANSPARENT | WS_EX_NOACTIVATE),
            WS_EX_TRANSPARENT | WS_EX_NOACTIVATE);
}

TEST_F(AppTest, EscapeWhileRecordingIsLeftAlone) {
  App& app = start(SW_SHOWNORMAL);
  AppTestAccess::region_ready(app) = true;
  AppTestAccess::recording(app) = true;

  PostMessageW(main_log_->window, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(pump(), std::nullopt);

  EXPECT_EQ(main_log_->escape_keys, 1);
  EXPECT_TRUE(AppTestAccess::region_ready(app));
  AppTestAccess::recording(app) = false;
}

TEST_F(AppTest, DialogOwnerFollowsTheOpenWindows) {
  App& app = start();
  EXPECT_EQ(app.dialog_owner(), AppTestAccess::host_window(app));

  app.bring_to_front();
  ASSERT_NE(main_log_->window, nullptr);
  EXPECT_EQ(app.dialog_owner(), main_log_->window);

  HWND preferences = CreateWindowExW(0, L"STATIC", L"p", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
  main_log_->preferences_window = preferences;
  EXPECT_EQ(app.dialog_owner(), main_log_->window);
  ShowWindow(preferences, SW_SHOWNOACTIVATE);
  EXPECT_EQ(app.dialog_owner(), preferences);

  HWND stream = CreateWindowExW(0, L"STATIC", L"s", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
  main_log_->stream_window = stream;
  EXPECT_EQ(app.dialog_owner(), stream);

  main_log_->preferences_window = nullptr;
  main_log_->stream_window = nullptr;
  DestroyWindow(preferences);
  DestroyWindow(stream);
}

TEST_F(AppTest, ThemeChangeReachesApplicationMainWindowAndEditor) {
  App& app = start(SW_SHOWNORMAL);
  auto editor_log = std::make_shared<FakeEditorLog>();
  AppTestAccess::set_editor(app, std::make_unique<FakeEditor>(editor_log));
  auto& registry = AppTestAccess::theme_registry(app);
  const win32_ui::ThemeMode other =
      registry.theme().is_dark ? win32_ui::kThemeModeLight : win32_ui::kThemeModeDark;

  ASSERT_TRUE(registry.set_mode(other));

  const win32_ui::Theme& theme = registry.theme();
  EXPECT_EQ(AppTestAccess::application(app).theme_mode(), other);
  EXPECT_EQ(AppTestAccess::application(app).theme(), theme);
  ASSERT_FALSE(main_log_->themes.empty());
  EXPECT_EQ(main_log_->themes.back(), theme);
  ASSERT_EQ(editor_log->themes.size(), 1u);
  EXPECT_EQ(editor_log->themes.back(), theme);
}

TEST_F(AppTest, StoredThemeModeIsAppliedAtStartUp) {
  SettingsStore(key_.path()).write_theme_mode(win32_ui::kThemeModeDark);
  App& app = start();
  EXPECT_EQ(AppTestAccess::application(app).theme_mode(), win32_ui::kThemeModeDark);
  EXPECT_TRUE(AppTestAccess::application(app).theme().is_dark);
}

TEST_F(AppTest, LocalizedTextFollowsTheStoredLanguage) {
  SettingsStore(key_.path()).write_language(L"zh-CN");
  App& app = start();
  EXPECT_EQ(app.localized_text(L"tray.exit"), L"退出");
}

TEST_F(AppTest, AnotherAppStartsInTheSameProcessAfterTheFirst) {
  start();
  app_.reset();
  App& second = start();
  EXPECT_NE(AppTestAccess::host_window(second), nullptr);
}

}  // namespace
}  // namespace quorvel::windows
