// The App's recording setup: the state it commits, the main window's
// callbacks, the capture area on the target monitor and the lists it offers.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "app/app.h"
#include "tests/app/app_test_fixture.h"

namespace quorvel::windows {
namespace {

class AppSetupTest : public AppTest {
 protected:
  // Starts the App with its main window shown on a 1920 x 1080 monitor at
  // the origin, the capture area a centred 1920 x 1080 and the size list
  // built for it; forgets what start-up showed and refreshed.
  App& start_shown(AppPlatform platform) {
    app_ = std::make_unique<App>(GetModuleHandleW(nullptr), std::move(platform));
    app_->start_up(SW_SHOWNORMAL);
    AppTestAccess::monitor_rect(*app_) = {0, 0, 1920, 1080};
    AppTestAccess::capture_area(*app_) = {0, 0, 1920, 1080};
    app_->size_preset_entries(1920, 1080, 1920, 1080, false, false);
    messages_.clear();
    main_log_->refresh_log.clear();
    return *app_;
  }
  App& start_shown() { return start_shown(make_platform()); }

  MainWindowHandlers& handlers() { return main_log_->handlers; }
  std::vector<bool> refresh_flags() const {
    std::vector<bool> flags;
    for (const auto& [state, force] : main_log_->refresh_log) flags.push_back(force);
    return flags;
  }
};

TEST_F(AppSetupTest, ShowingTheMainWindowInstallsTheHandlersEveryTime) {
  App& app = start_shown();
  EXPECT_EQ(main_log_->handler_installs, 1);
  ASSERT_TRUE(handlers().size_preset);
  ASSERT_TRUE(handlers().save_stream_target);

  app.show_recording_window();
  EXPECT_EQ(main_log_->handler_installs, 2);
  EXPECT_EQ(main_log_->constructed, 1);
  // The microphones were read again and the window got the state before it
  // was shown.
  ASSERT_FALSE(main_log_->refresh_log.empty());
  EXPECT_EQ(main_log_->refresh_log.back().first, app.setup_state());
  EXPECT_EQ(app.setup_state().microphones.front(), L"Default microphone (system)");
}

TEST_F(AppSetupTest, CaptureAreaIsEvenAtLeast64AndCentredInsideTheMonitor) {
  App& app = start_shown();
  struct Case {
    double x, y;
    uint32_t width, height;
    CaptureBounds area;
  };
  for (const Case& c : {Case{960, 540, 63, 63, {928, 508, 992, 572}},
                        Case{960, 540, 1281, 721, {320, 180, 1600, 900}},
                        // Pushed back inside the monitor.
                        Case{0, 2000, 640, 360, {0, 720, 640, 1080}}}) {
    ASSERT_TRUE(app.set_capture_area(c.x, c.y, c.width, c.height, true, true, nullptr));
    const CaptureBounds area = AppTestAccess::capture_area(app);
    EXPECT_EQ(area.left, c.area.left);
    EXPECT_EQ(area.top, c.area.top);
    EXPECT_EQ(area.right, c.area.right);
    EXPECT_EQ(area.bottom, c.area.bottom);
    EXPECT_EQ(app.setup_state().width, c.area.right - c.area.left);
    EXPECT_EQ(app.setup_state().height, c.area.bottom - c.area.top);
    EXPECT_TRUE(app.setup_state().custom_size);
    const auto [viewport, published] = AppTestAccess::viewport(app);
    EXPECT_TRUE(published);
    EXPECT_EQ(viewport.left, c.area.left);
    EXPECT_EQ(viewport.bottom, c.area.bottom);
    EXPECT_EQ(viewport.center_x, (c.area.left + c.area.right) / 2);
  }
  // 1280 x 720 fills the 16:9 monitor's width 1.5 times.
  ASSERT_TRUE(app.set_capture_area(960, 540, 1280, 720, false, true, nullptr));
  EXPECT_DOUBLE_EQ(AppTestAccess::viewport(app).first.zoom, 1.5);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(AppSetupTest, CaptureAreaLargerThanTheMonitorIsReportedAndChangesNothing) {
  App& app = start_shown();
  ASSERT_TRUE(app.set_capture_area(960, 540, 1280, 720, true, true, nullptr));
  const RecordingSetupState before = app.setup_state();

  EXPECT_FALSE(app.set_capture_area(960, 540, 1922, 1080, true, true, nullptr));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].key, L"message.size_outside_screen");
  EXPECT_EQ(messages_[0].arguments, (std::vector<std::wstring>{L"1920", L"1080"}));
  EXPECT_EQ(messages_[0].flags, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(messages_[0].owner, AppTestAccess::host_window(app));
  EXPECT_EQ(app.setup_state(), before);
  EXPECT_EQ(AppTestAccess::capture_area(app).left, 320);

  // Without report nothing is shown.
  EXPECT_FALSE(app.set_capture_area(960, 540, 64, 1100, true, false, nullptr));
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(AppSetupTest, InvalidSizeTextsAreRefusedAndTheWindowRestored) {
  App& app = start_shown();
  for (const auto& [width, height] : std::vector<std::pair<std::wstring, std::wstring>>{
           {L"0", L"600"}, {L"16385", L"600"}, {L"12a", L"600"}, {L"", L"600"}, {L"800", L"6 "}}) {
    messages_.clear();
    main_log_->refresh_log.clear();
    handlers().custom_size(width, height);
    EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"message.invalid_size"});
    EXPECT_EQ(messages_[0].flags, 48u);
    EXPECT_EQ(refresh_flags(), std::vector<bool>{true});
    EXPECT_EQ(app.setup_state().width, 1920);
  }
  messages_.clear();
  handlers().custom_size(L"800", L"600");
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(app.setup_state().width, 800);
  EXPECT_EQ(app.setup_state().height, 600);
  EXPECT_TRUE(app.setup_state().custom_size);
  EXPECT_EQ(app.setup_state().preset_index, 3);
  // 16384 is a valid text but does not fit the monitor.
  handlers().custom_size(L"16384", L"600");
  EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"message.size_outside_screen"});
}

TEST_F(AppSetupTest, BitRateTextsAreDigitsUpToTheLargestRate) {
  App& app = start_shown();
  struct Case {
    std::wstring text;
    bool accepted;
  };
  for (const Case& c : {Case{L"4294967", true}, Case{L"4294968", false}, Case{L"0", false},
                        Case{L"+5", false}, Case{L" 5", false}, Case{L"", false},
                        Case{L"99999999999999999999", false}, Case{L"1", true}}) {
    messages_.clear();
    main_log_->refresh_log.clear();
    const int clears = main_log_->pending_text_clears;
    handlers().recording_quality(3, c.text);
    if (c.accepted) {
      const uint32_t kbps = static_cast<uint32_t>(std::stoul(c.text));
      EXPECT_EQ(app.setup_state().recording_quality, (QualitySetting{3, kbps}));
      EXPECT_EQ(SettingsStore(key_.path()).read_recording_quality(), (QualitySetting{3, kbps}));
      EXPECT_TRUE(messages_.empty());
      EXPECT_EQ(refresh_flags(), std::vector<bool>{true});
      EXPECT_EQ(main_log_->pending_text_clears, clears + 1);
    } else {
      EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"message.invalid_bitrate"});
      EXPECT_EQ(messages_[0].flags, 48u);
      EXPECT_TRUE(main_log_->refresh_log.empty()) << std::string(c.text.begin(), c.text.end());
    }
  }
  handlers().stream_quality(2, L"8000");
  EXPECT_EQ(app.setup_state().stream_quality, (QualitySetting{2, 8000}));
  EXPECT_EQ(SettingsStore(key_.path()).read_stream_quality(), (QualitySetting{2, 8000}));
}

TEST_F(AppSetupTest, QualityThatCannotBeStoredStillAppliesWithAWarning) {
  App& app = start_shown(failing_store_platform());
  handlers().stream_quality(3, L"5000");
  EXPECT_EQ(app.setup_state().stream_quality, (QualitySetting{3, 5000}));
  EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"message.quality_save_failed"});
}

TEST_F(AppSetupTest, FrameRateOtherThan30Or60ChangesNothingButRestoresTheWindow) {
  App& app = start_shown();
  const RecordingSetupState before = app.setup_state();
  handlers().frame_rate(50);
  EXPECT_EQ(app.setup_state(), before);
  EXPECT_EQ(refresh_flags(), std::vector<bool>{true});
  handlers().frame_rate(30);
  EXPECT_EQ(app.setup_state().frame_rate, 30);
}

TEST_F(AppSetupTest, SettingTheSameValueTwiceCommitsOnce) {
  App& app = start_shown();
  const uint64_t revision = app.setup_revision();
  handlers().follow_mouse(false);
  handlers().follow_mouse(false);
  EXPECT_EQ(app.setup_revision(), revision + 1);
  handlers().toggle(SetupToggle::kMicrophone, true);
  handlers().toggle(SetupToggle::kMicrophone, true);
  EXPECT_EQ(app.setup_revision(), revision + 2);
  EXPECT_TRUE(app.setup_state().toggle(SetupToggle::kMicrophone));
  // Codes outside the eight options change nothing.
  handlers().toggle(static_cast<SetupToggle>(8), true);
  EXPECT_EQ(app.setup_revision(), revision + 2);
}

TEST_F(AppSetupTest, SlidersAreRoundedToTheirStepsAndNaNIsIgnored) {
  App& app = start_shown();
  handlers().follow_strength(0.556f);
  EXPECT_FLOAT_EQ(app.setup_state().follow_strength, 0.56f);
  EXPECT_FLOAT_EQ(static_cast<float>(AppTestAccess::follow_strength(app)), 0.56f);
  handlers().follow_strength(1.7f);
  EXPECT_FLOAT_EQ(app.setup_state().follow_strength, 1.0f);
  handlers().gain(SetupGain::kSystem, 0.3333f);
  EXPECT_FLOAT_EQ(app.setup_state().system_gain, 0.335f);
  handlers().gain(SetupGain::kMicrophone, -2.0f);
  EXPECT_FLOAT_EQ(app.setup_state().microphone_gain, 0.0f);

  const uint64_t revision = app.setup_revision();
  handlers().follow_strength(std::numeric_limits<float>::quiet_NaN());
  handlers().gain(SetupGain::kSystem, std::numeric_limits<float>::quiet_NaN());
  handlers().gain(SetupGain::kMicrophone, std::numeric_limits<float>::infinity());
  EXPECT_EQ(app.setup_revision(), revision);
  EXPECT_FLOAT_EQ(app.setup_state().system_gain, 0.335f);
}

TEST_F(AppSetupTest, PresetThatDoesNotFitFallsBackToCustomWithTheOldSize) {
  App& app = start_shown();
  ASSERT_TRUE(app.set_capture_area(640, 360, 1280, 720, false, true, nullptr));
  // The list was built for a larger monitor than the target is now.
  AppTestAccess::monitor_rect(app) = {0, 0, 1280, 720};
  main_log_->refresh_log.clear();

  handlers().size_preset(0);
  EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"message.size_outside_screen"});
  EXPECT_EQ(app.setup_state().preset_index, 3);
  EXPECT_TRUE(app.setup_state().custom_size);
  EXPECT_EQ(app.setup_state().preset_label, L"Custom");
  EXPECT_EQ(app.setup_state().width, 1280);
  EXPECT_EQ(app.setup_state().height, 720);
  EXPECT_EQ(refresh_flags(), std::vector<bool>{true});
}

TEST_F(AppSetupTest, FittingPresetSetsItsSizeAndOutOfRangeIndexOnlyRefreshes) {
  App& app = start_shown();
  handlers().size_preset(1);
  EXPECT_EQ(app.setup_state().preset_index, 1);
  EXPECT_EQ(app.setup_state().width, 1080);
  EXPECT_EQ(app.setup_state().height, 1080);
  EXPECT_FALSE(app.setup_state().custom_size);
  const RecordingSetupState before = app.setup_state();
  main_log_->refresh_log.clear();
  handlers().size_preset(4);
  handlers().size_preset(-1);
  EXPECT_EQ(app.setup_state(), before);
  EXPECT_EQ(refresh_flags(), (std::vector<bool>{true, true}));
}

TEST_F(AppSetupTest, OverlayIsPlacedTopmostWithoutActivationAndAtLeastOnePixelWide) {
  App& app = start_shown();
  const HWND overlay = AppTestAccess::overlay_window(app);
  const HWND foreground = GetForegroundWindow();
  app.position_overlay({100.4, 50.6, 100.4, 250.6});
  RECT placed{};
  ASSERT_TRUE(GetWindowRect(overlay, &placed));
  EXPECT_EQ(placed.left, 100);
  EXPECT_EQ(placed.top, 51);
  EXPECT_EQ(placed.right - placed.left, 1);
  EXPECT_EQ(placed.bottom - placed.top, 200);
  EXPECT_TRUE(IsWindowVisible(overlay));
  EXPECT_EQ(GetWindowLongPtrW(overlay, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
  EXPECT_EQ(GetForegroundWindow(), foreground);
}

// What a refused callback does to the window: nothing, or a refresh with
// the given force flag.
enum class Restore { kNone, kRefresh, kForcedRefresh };

struct BusyCase {
  const char* name;
  std::function<void(MainWindowHandlers&)> call;
  Restore restore;
};

TEST_F(AppSetupTest, WhileBusyEverySetterLeavesTheStateAndRestoresTheWindow) {
  const std::vector<BusyCase> cases = {
      {"follow mouse", [](auto& h) { h.follow_mouse(false); }, Restore::kRefresh},
      {"follow strength", [](auto& h) { h.follow_strength(0.9f); }, Restore::kRefresh},
      {"toggle", [](auto& h) { h.toggle(SetupToggle::kMuteMicrophone, true); }, Restore::kRefresh},
      {"gain", [](auto& h) { h.gain(SetupGain::kSystem, 0.9f); }, Restore::kRefresh},
      {"microphone", [](auto& h) { h.microphone(0); }, Restore::kForcedRefresh},
      {"devices", [](auto& h) { h.refresh_devices(); }, Restore::kNone},
      {"choose folder", [](auto& h) { h.choose_folder(); }, Restore::kNone},
      {"size preset", [](auto& h) { h.size_preset(1); }, Restore::kForcedRefresh},
      {"frame rate", [](auto& h) { h.frame_rate(30); }, Restore::kForcedRefresh},
      {"custom size", [](auto& h) { h.custom_size(L"800", L"600"); }, Restore::kForcedRefresh},
      {"recording quality", [](auto& h) { h.recording_quality(3, L"5000"); },
       Restore::kForcedRefresh},
      {"stream quality", [](auto& h) { h.stream_quality(3, L"5000"); }, Restore::kForcedRefresh},
      {"output mode", [](auto& h) { h.output_mode(OutputMode::kLiveOnly); }, Restore::kNone},
      {"stream target",
       [](auto& h) {
         EXPECT_FALSE(h.save_stream_target({false, L"rtmp://example.test/live", L"key"}));
       },
       Restore::kNone},
  };
  int folder_picks = 0;
  AppPlatform platform = make_platform();
  platform.pick_folder = [&folder_picks](HWND, const std::wstring&) {
    ++folder_picks;
    return std::optional<std::wstring>(L"C:\\elsewhere");
  };
  App& app = start_shown(std::move(platform));
  for (bool* flag : {&AppTestAccess::starting(app), &AppTestAccess::recording(app),
                     &AppTestAccess::stopping(app)}) {
    *flag = true;
    for (const BusyCase& c : cases) {
      SCOPED_TRACE(c.name);
      const RecordingSetupState before = app.setup_state();
      const uint64_t revision = app.setup_revision();
      main_log_->refresh_log.clear();
      const int device_updates = main_log_->audio_device_updates;
      c.call(handlers());
      EXPECT_EQ(app.setup_state(), before);
      EXPECT_EQ(app.setup_revision(), revision);
      EXPECT_EQ(main_log_->audio_device_updates, device_updates);
      switch (c.restore) {
        case Restore::kNone:
          EXPECT_TRUE(main_log_->refresh_log.empty());
          break;
        case Restore::kRefresh:
          EXPECT_EQ(refresh_flags(), std::vector<bool>{false});
          break;
        case Restore::kForcedRefresh:
          EXPECT_EQ(refresh_flags(), std::vector<bool>{true});
          break;
      }
    }
    *flag = false;
  }
  EXPECT_EQ(folder_picks, 0);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(AppTestAccess::stream_target(app).server_url, L"");
}

TEST_F(AppSetupTest, RecordingIsAvailableOnlyWithARegionNoEditorAnOutputAndIdle) {
  App& app = start_shown();
  struct Case {
    bool region_ready, selecting, recording, editor_open;
    OutputMode mode;
    bool enabled;
  };
  for (const Case& c : {Case{true, false, false, false, OutputMode::kFileOnly, true},
                        Case{true, false, false, false, OutputMode::kFileAndLive, true},
                        Case{false, false, false, false, OutputMode::kFileOnly, false},
                        Case{true, true, false, false, OutputMode::kFileOnly, false},
                        Case{true, false, true, false, OutputMode::kFileOnly, false},
                        Case{true, false, false, true, OutputMode::kFileOnly, false},
                        Case{true, false, false, false, OutputMode::kNone, false}}) {
    AppTestAccess::region_ready(app) = c.region_ready;
    AppTestAccess::selecting(app) = c.selecting;
    handlers().output_mode(c.mode);
    AppTestAccess::recording(app) = c.recording;
    auto editor_log = std::make_shared<quorvel::test::FakeEditorLog>();
    editor_log->open = c.editor_open;
    AppTestAccess::set_editor(app, std::make_unique<quorvel::test::FakeEditor>(editor_log));
    app.update_record_availability();
    EXPECT_EQ(app.setup_state().record_enabled, c.enabled);
    EXPECT_EQ(main_log_->recording_enabled, c.enabled);
    AppTestAccess::recording(app) = false;
    AppTestAccess::set_editor(app, nullptr);
  }
}

}  // namespace
}  // namespace quorvel::windows
