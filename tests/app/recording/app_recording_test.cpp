// The recording road of the App on the engine's fakes: start, frames,
// pause, the tick's checks, stop, results and the diagnostics log.
#include <d3d11.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfreadwrite.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/recording/recording_path.h"
#include "app/recording/session_log.h"
#include "tests/app/held_hotkey.h"
#include "tests/app/recording/app_recording_fixture.h"
#include "tests/engine/gpu_test_support.h"
#include "tests/fakes/engine/fake_encoder_sink_writer.h"
#include "tests/fakes/engine/fake_key_frame_encoder.h"
#include "tests/fakes/engine/fake_nv12_converter.h"
#include "tests/fakes/engine/fake_sink_writer.h"
#include "tests/fakes/streaming/fake_rtmp_connection.h"
#include "tests/support/fake_clock.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;
namespace fs = std::filesystem;

TEST_F(AppRecordingTest, FileRecordingCommitsTheVideoTimelineAndLogAndOpensTheFolderOnce) {
  App& app = start_app();
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  const HWND bar = AppTestAccess::control_window(app);
  ASSERT_NE(bar, nullptr);
  wchar_t title[128] = {};
  GetWindowTextW(bar, title, 128);
  EXPECT_EQ(std::wstring(title), app.localized_text(L"control.recording", {L"00:00:00"}));

  for (int i = 0; i < 10; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  ASSERT_HRESULT_SUCCEEDED(app.repeat_captured_frame());
  app.stop_recording(true);

  EXPECT_TRUE(messages_.empty()) << testing::PrintToString(message_keys());
  EXPECT_FALSE(AppTestAccess::recording(app));
  EXPECT_FALSE(app.busy());
  EXPECT_EQ(AppTestAccess::control_window(app), nullptr);
  EXPECT_FALSE(IsWindow(bar));
  ASSERT_EQ(opened_folders_.size(), 1u);
  EXPECT_EQ(fs::path(opened_folders_[0]), session_folder());

  const fs::path stem = session_folder() / L"Quorvel 2026-12-08 08-10-00";
  EXPECT_GT(fs::file_size(stem.wstring() + L".mp4"), 0u);
  EXPECT_TRUE(fs::exists(stem.wstring() + L".quorvel"));
  for (const auto& entry : fs::directory_iterator(session_folder())) {
    EXPECT_EQ(entry.path().wstring().find(L".partial"), std::wstring::npos) << entry.path();
  }

  const std::string bytes = read_bytes(stem.wstring() + L".log");
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(bytes.back(), '\n');
  EXPECT_EQ(bytes.find('\r'), std::string::npos);
  const std::vector<std::string> lines = log_lines(bytes.substr(3));
  ASSERT_EQ(lines.size(), 62u);
  EXPECT_EQ(lines[0], "Quorvel recording log");
  EXPECT_EQ(lines[1], "version=1.0.4");
  const char* const kKeys[] = {
      "result_hresult", "committed", "timeline_ok", "output", "capture_monitor", "adapter",
      "capture_size", "viewport", "output_size", "fps", "follow_mouse",
      "requested_video_bitrate_bps", "requested_stream_bitrate_bps", "independent_live_encoder",
      "follow_tightness", "include_cursor", "display_density_source", "display_pixels_per_mm",
      "magnifier_sample_grid", "magnifier_pixel_scale", "paused_duration_100ns",
      "capture_recoveries", "video_source_frames", "video_submitted_frames",
      "video_duplicated_frames", "video_dropped_frames", "video_rate_limited_frames",
      "encoded_video_packets", "encoded_video_size", "encoded_video_fps", "encoded_audio_packets",
      "encoded_packet_bytes", "live_encoded_video_packets", "live_encoded_video_size",
      "live_encoded_video_fps", "live_encoded_audio_packets", "file_result_hresult",
      "file_committed", "live_succeeded", "live_requested", "live_error", "file_queue_peak_bytes",
      "input_format_changes", "hdr_input", "audio_system_requested", "audio_microphone_requested",
      "audio_system_mp4_track", "audio_microphone_mp4_track", "audio_system_file",
      "audio_microphone_file", "audio_video_drift_100ns", "audio_video_drift_max_abs_100ns",
      "system_reconnects", "microphone_reconnects", "mixer_discontinuities",
      "mixer_clock_resyncs", "mixer_queue_drop_frames", "timeline_camera_records",
      "timeline_video_records", "timeline_write_failed"};
  for (size_t i = 0; i < std::size(kKeys); ++i) {
    const std::string& line = lines[i + 2];
    EXPECT_EQ(line.substr(0, line.find('=')), kKeys[i]) << "line " << i + 3;
    EXPECT_EQ(line.find(" ="), std::string::npos);
    EXPECT_EQ(line.find("= "), std::string::npos);
  }
  EXPECT_EQ(log_value(lines, "result_hresult"), "0x0");
  EXPECT_EQ(log_value(lines, "committed"), "1");
  EXPECT_EQ(log_value(lines, "timeline_ok"), "1");
  EXPECT_EQ(log_value(lines, "file_committed"), "1");
  EXPECT_EQ(log_value(lines, "output_size"), "160x120");
  EXPECT_EQ(log_value(lines, "viewport"), "160x120");
  EXPECT_EQ(log_value(lines, "fps"), "30");
  EXPECT_EQ(log_value(lines, "follow_tightness"), "0.55");
  EXPECT_EQ(log_value(lines, "magnifier_sample_grid"), "29x29");
  EXPECT_EQ(log_value(lines, "display_density_source"), "raw_dpi");
  EXPECT_EQ(log_value(lines, "display_pixels_per_mm"), "3.77953x3.77953");
  EXPECT_EQ(log_value(lines, "magnifier_pixel_scale"), "8x8");
  EXPECT_EQ(log_value(lines, "requested_stream_bitrate_bps"), "0");
  EXPECT_EQ(log_value(lines, "live_error"), "0");
  EXPECT_EQ(log_value(lines, "paused_duration_100ns"), "0");
  EXPECT_EQ(log_value(lines, "live_encoded_video_packets"),
            log_value(lines, "encoded_video_packets"));
  EXPECT_EQ(log_value(lines, "live_encoded_video_size"), log_value(lines, "encoded_video_size"));
  EXPECT_NE(log_value(lines, "video_submitted_frames"), "0");
  EXPECT_EQ(log_value(lines, "timeline_camera_records"),
            log_value(lines, "video_submitted_frames"));
}

struct RefusedStart {
  const char* name;
  std::function<void(AppRecordingTest&, App&)> arrange;
  const wchar_t* key;
  unsigned icon;
};

class AppRecordingRefusedStartTest : public AppRecordingTest,
                                     public testing::WithParamInterface<RefusedStart> {};

TEST_P(AppRecordingRefusedStartTest, ReportsAndStartsNothing) {
  App& app = start_app();
  GetParam().arrange(*this, app);
  app.start_recording();
  ASSERT_EQ(messages_.size(), 1u) << testing::PrintToString(message_keys());
  EXPECT_EQ(messages_[0].key, GetParam().key);
  EXPECT_EQ(messages_[0].flags & MB_ICONMASK, GetParam().icon);
  EXPECT_FALSE(app.busy());
  EXPECT_EQ(AppTestAccess::control_window(app), nullptr);
  EXPECT_FALSE(fs::exists(session_folder()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppRecordingRefusedStartTest,
    testing::Values(
        RefusedStart{"NoOutput",
                     [](AppRecordingTest& test, App&) {
                       test.change_setup([](RecordingSetupState& s) { s.output_mode = OutputMode::kNone; });
                     },
                     L"stream.no_output", MB_ICONINFORMATION},
        RefusedStart{"NoRegion",
                     [](AppRecordingTest&, App& app) { AppTestAccess::region_ready(app) = false; },
                     L"message.select_region_first", MB_ICONINFORMATION},
        RefusedStart{"UnparsableLiveTarget",
                     [](AppRecordingTest& test, App&) {
                       test.change_setup([](RecordingSetupState& s) { s.output_mode = OutputMode::kLiveOnly; });
                     },
                     L"stream.invalid", MB_ICONWARNING},
        RefusedStart{"OutputFolderIsAFile",
                     [](AppRecordingTest& test, App&) {
                       const fs::path file = test.folder_.path() / L"not a folder";
                       std::ofstream(file) << "x";
                       test.change_setup([file](RecordingSetupState& s) {
                         s.output_folder = file.wstring();
                       });
                       // The file stays: the folder check alone must refuse.
                       fs::remove(file);
                       std::ofstream(file) << "x";
                     },
                     L"message.invalid_output_folder", MB_ICONWARNING},
        RefusedStart{"ZeroCustomBitrate",
                     [](AppRecordingTest& test, App&) {
                       test.change_setup([](RecordingSetupState& s) {
                         s.recording_quality = QualitySetting{QualitySetting::kCustomLevel, 0};
                       });
                     },
                     L"message.invalid_bitrate", MB_ICONWARNING}),
    [](const testing::TestParamInfo<RefusedStart>& info) { return std::string(info.param.name); });

TEST_F(AppRecordingTest, AFinishedRecordingKeepsNoReferenceToItsEncoder) {
  App& app = start_app();
  const CaptureBounds monitor = AppTestAccess::monitor_rect(app);
  const CaptureBounds area = AppTestAccess::capture_area(app);
  for (int recording = 1; recording <= 2; ++recording) {
    // Each recording starts from a chosen region, as the user would.
    AppTestAccess::monitor_rect(app) = monitor;
    AppTestAccess::capture_area(app) = area;
    AppTestAccess::region_ready(app) = true;
    app.start_recording();
    ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
    for (int i = 0; i < 5; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
    app.stop_recording(true);
    ASSERT_FALSE(AppTestAccess::recording(app));
    ASSERT_EQ(encoders_.size(), static_cast<size_t>(recording));
    for (const auto& encoder : encoders_) {
      // Ours is the last reference: the encoder, and the sink it writes
      // to, go with it.
      encoder->AddRef();
      EXPECT_EQ(encoder->Release(), 1u) << "recording " << recording;
      EXPECT_EQ(encoder->finalize_calls(), 1);
    }
  }
}

TEST_F(AppRecordingTest, UnreadableWatermarkImageRemovesTheEmptyDatedFolder) {
  App& app = start_app();
  RecordingWatermark watermark;
  watermark.enabled = true;
  watermark.mode = RecordingWatermark::kModeImage;
  watermark.image_path = (folder_.path() / L"missing.png").wstring();
  AppTestAccess::set_watermark(app, watermark);
  app.start_recording();
  EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"message.watermark_image_invalid"});
  EXPECT_FALSE(fs::exists(session_folder()));
  EXPECT_FALSE(app.busy());
}

struct FailedStart {
  const char* name;
  // A stream at another quality than the file, with an encoder of its own.
  bool independent_live;
  bool low_disk;
  // No encoder can be made: the stream's cover clip cannot be encoded.
  bool no_encoders;
  const wchar_t* key;
};

class AppRecordingFailedStartTest : public AppRecordingTest,
                                    public testing::WithParamInterface<FailedStart> {};

TEST_P(AppRecordingFailedStartTest, UndoesEverythingAndRemovesTheFolder) {
  if (GetParam().no_encoders) {
    platform_changes_ = [](AppPlatform& platform) {
      platform.sessions.writers.sink_writers.create_encoding_writer =
          [](IMFMediaSink*, IMFAttributes*, IMFSinkWriter** out) {
            *out = nullptr;
            return MF_E_TOPO_CODEC_NOT_FOUND;
          };
    };
  }
  App& app = start_app();
  if (GetParam().independent_live) go_live(*this, app, OutputMode::kFileAndLive, 2);
  if (GetParam().low_disk) *free_bytes_ = 268'435'455;
  app.start_recording();
  ASSERT_EQ(messages_.size(), 1u) << testing::PrintToString(message_keys());
  EXPECT_EQ(messages_[0].key, GetParam().key);
  EXPECT_EQ(messages_[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_FALSE(app.busy());
  EXPECT_FALSE(AppTestAccess::file_session(app).is_active());
  EXPECT_FALSE(AppTestAccess::live_session(app).is_active());
  // No streamer thread is left: it never ran or ended without an error.
  EXPECT_EQ(AppTestAccess::streamer_status(app).state, static_cast<uint32_t>(LiveStreamState::Idle));
  EXPECT_TRUE(AppTestAccess::overlay_interactive(app));
  EXPECT_FALSE(fs::exists(session_folder()));
  EXPECT_EQ(AppTestAccess::control_window(app), nullptr);
  EXPECT_TRUE(quorvel::test::hotkey_is_free(MOD_CONTROL, VK_F12));
}

// Low disk alone does not stop a start beside a stream with its own
// encoder: the file is optional there and fails at its first write.
INSTANTIATE_TEST_SUITE_P(
    Cases, AppRecordingFailedStartTest,
    testing::Values(FailedStart{"LowDisk", false, true, false, L"message.recorder_init_failed"},
                    FailedStart{"BesideAStreamWithoutEncoders", true, false, true,
                                L"stream.dual_encoder_unavailable"}),
    [](const testing::TestParamInfo<FailedStart>& info) { return std::string(info.param.name); });

TEST_F(AppRecordingTest, EveryNameOfTheStartSecondTakenIsReportedAndReleasesTheRecordingHotkeys) {
  App& app = start_app();
  const std::wstring name = session_folder().filename().wstring();
  ASSERT_TRUE(CreateDirectoryW(session_folder().c_str(), nullptr));
  for (int n = 2; n <= kLastRecordingFolderNumber; ++n) {
    const fs::path taken = folder_.path() / (name + L" (" + std::to_wstring(n) + L")");
    ASSERT_TRUE(CreateDirectoryW(taken.c_str(), nullptr)) << n;
  }
  app.start_recording();
  ASSERT_EQ(message_keys(), std::vector<std::wstring>{L"message.create_output_folder_failed"});
  EXPECT_EQ(messages_[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_FALSE(app.busy());
  EXPECT_EQ(AppTestAccess::control_window(app), nullptr);
  EXPECT_FALSE(fs::exists(folder_.path() / (name + L" (10000)")));
  // The recording hotkeys taken for the start are given back; the idle
  // ones stay.
  EXPECT_TRUE(quorvel::test::hotkey_is_free(MOD_CONTROL, VK_F1));
  EXPECT_TRUE(quorvel::test::hotkey_is_free(MOD_CONTROL, VK_F12));
  EXPECT_FALSE(quorvel::test::hotkey_is_free(MOD_CONTROL | MOD_SHIFT, 'A'));
}

struct DiskCase {
  uint64_t free_bytes;
  bool stops;
};

class AppRecordingDiskTest : public AppRecordingTest,
                             public testing::WithParamInterface<DiskCase> {};

TEST_P(AppRecordingDiskTest, LowDiskStopsOnceWithItsMessage) {
  App& app = start_app();
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app));
  for (int i = 0; i < 3; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  *low_disk_for_the_tick_only_ = true;
  *free_bytes_ = GetParam().free_bytes;
  AppTestAccess::run_status_checks(app);
  // The next tick after the box finds no session to judge.
  app.tick();
  if (GetParam().stops) {
    EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"message.disk_low"});
    EXPECT_FALSE(AppTestAccess::recording(app));
    EXPECT_EQ(opened_folders_.size(), 1u);
  } else {
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(AppTestAccess::recording(app));
    app.stop_recording(true);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, AppRecordingDiskTest,
                         testing::Values(DiskCase{268'435'455, true}, DiskCase{268'435'456, false},
                                         DiskCase{0, false}));

TEST_F(AppRecordingTest, ABoxOpenedByTheTickRunsNoSecondTickAndNoSecondStop) {
  App& app = start_app();
  int nested_ticks = 0;
  app_.reset();
  AppPlatform platform = recording_platform();
  // As a modal box does: the bar's timer keeps firing while it is open.
  platform.message = [this, &nested_ticks](HWND, std::wstring_view key,
                                           const std::vector<std::wstring>& arguments,
                                           unsigned flags) {
    messages_.push_back({nullptr, std::wstring(key), flags, arguments, {}, {}});
    const HWND bar = AppTestAccess::control_window(*app_);
    for (int i = 0; i < 5; ++i) {
      SendMessageW(bar, WM_TIMER, 1, 0);
      ++nested_ticks;
    }
    return IDOK;
  };
  app_ = std::make_unique<App>(GetModuleHandleW(nullptr), std::move(platform));
  app_->start_up(0);
  AppTestAccess::monitor_rect(*app_) = {0, 0, kMonitorWidth, kMonitorHeight};
  AppTestAccess::capture_area(*app_) = {80, 60, 240, 180};
  AppTestAccess::region_ready(*app_) = true;
  change_setup([this](RecordingSetupState& s) {
    s.width = 160;
    s.height = 120;
    s.frame_rate = 30;
    s.output_folder = folder_.path().wstring();
    s.toggles = {true, false, false, false, false, false, false, false};
  });
  (void)app;
  app_->start_recording();
  ASSERT_TRUE(AppTestAccess::recording(*app_));
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  *low_disk_for_the_tick_only_ = true;
  *free_bytes_ = 1000;
  AppTestAccess::run_status_checks(*app_);
  EXPECT_EQ(nested_ticks, 5);
  EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"message.disk_low"});
  EXPECT_EQ(opened_folders_.size(), 1u);
  // The stop hotkey pressed after the box finds nothing to stop.
  send_to_host(WM_HOTKEY, 1008, 0);
  EXPECT_EQ(opened_folders_.size(), 1u);
  EXPECT_EQ(messages_.size(), 1u);
}

// What a modal box does while it is up: its own message loop runs for
// `span_ms` of real time and the bar's timer keeps firing in it. Returns how
// many tick timers it dispatched.
int run_modal_loop_for(DWORD span_ms, HWND bar) {
  const ULONGLONG end = GetTickCount64() + span_ms;
  int ticks = 0;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_TIMER && message.hwnd == bar && message.wParam == 1) ++ticks;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return ticks;
}

// The capture thread stores its verdict after the last re-open; nothing
// signals that store, so the state is polled with a bound.
bool wait_capture_failed(App& app) {
  for (int i = 0; i < 10000; ++i) {
    if (AppTestAccess::capture(app).stats().state == DesktopCaptureState::kFailed) return true;
    Sleep(1);
  }
  return false;
}

TEST_F(AppRecordingTest, UnrecoverableCaptureShowsOneBoxThroughItsTicksAndStopsOnce) {
  int modal_ticks = 0;
  platform_changes_ = [this, &modal_ticks](AppPlatform& platform) {
    // The duplication is lost for good and every re-open fails at once.
    platform.capture.open_duplication = [](IDXGIAdapter1*, IDXGIOutput*, ID3D11Device*,
                                           IDXGIOutputDuplication**) {
      return DXGI_ERROR_ACCESS_LOST;
    };
    platform.capture.wait_before_retry = [](std::stop_token stop) {
      return !stop.stop_requested();
    };
    // The box stays up for 600 ms, as a user reading it would keep it. A
    // second box opened under it is only recorded, so that the test ends.
    platform.message = [this, &modal_ticks, in_box = false](
                           HWND owner, std::wstring_view key,
                           const std::vector<std::wstring>& arguments, unsigned flags) mutable {
      messages_.push_back({owner, std::wstring(key), flags, arguments, {}, {}});
      if (in_box) return IDOK;
      in_box = true;
      modal_ticks += run_modal_loop_for(600, AppTestAccess::control_window(*app_));
      in_box = false;
      return IDOK;
    };
  };
  App& app = start_app();
  // What start-up left queued (its hotkey report) is done before the box's
  // loop would dispatch it.
  pump();
  messages_.clear();
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  const HWND bar = AppTestAccess::control_window(app);
  for (int i = 0; i < 3; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  // The App's own capture of the monitor runs on the failing seams.
  ASSERT_TRUE(wait_capture_failed(app));

  AppTestAccess::run_status_checks(app);

  EXPECT_GT(modal_ticks, 0) << "the bar's timer never fired under the box";
  ASSERT_EQ(message_keys(), std::vector<std::wstring>{L"message.capture_unrecoverable"});
  EXPECT_EQ(messages_[0].owner, bar);
  EXPECT_EQ(messages_[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_FALSE(AppTestAccess::recording(app));
  EXPECT_FALSE(IsWindow(bar));
  // One stop: the committed file's folder opened once.
  ASSERT_EQ(opened_folders_.size(), 1u);
  const fs::path log = session_folder() / L"Quorvel 2026-12-08 08-10-00.log";
  EXPECT_EQ(log_value(log_lines(read_bytes(log)), "committed"), "1");

  // One log: nothing after the stop writes it again, neither the timer nor
  // the stop hotkey.
  fs::remove(log);
  run_modal_loop_for(50, nullptr);
  app.tick();
  send_to_host(WM_HOTKEY, 1008, 0);
  pump();
  EXPECT_FALSE(fs::exists(log));
  EXPECT_EQ(opened_folders_.size(), 1u);
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(AppRecordingTest, PausedFramesAreRefusedAndThePauseIsLeftOutOfTheLog) {
  App& app = start_app();
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app));
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  const uint64_t before = submitted_frames();

  app.pause_recording();
  ASSERT_TRUE(AppTestAccess::paused(app));
  EXPECT_EQ(push_frame(), S_OK);
  EXPECT_EQ(app.repeat_captured_frame(), S_OK);
  EXPECT_EQ(submitted_frames(), before);
  advance(counter_frequency() * 3);
  app.resume_recording();
  EXPECT_EQ(AppTestAccess::paused_total(app), counter_frequency() * 3 + counter_frequency() / 30);

  app.pause_recording();
  advance(counter_frequency() * 2);
  // A stop while paused counts the open pause.
  app.stop_recording(true);
  const std::vector<std::string> lines =
      log_lines(read_bytes(session_folder() / L"Quorvel 2026-12-08 08-10-00.log"));
  EXPECT_EQ(log_value(lines, "paused_duration_100ns"),
            std::to_string(paused_duration_100ns(counter_frequency() * 5 + counter_frequency() / 30, counter_frequency())));
}

TEST_F(AppRecordingTest, AnEncoderThatRefusesSamplesEndsTheSessionPointingAtTheLog) {
  refusing_encoder_ = std::make_shared<test::FakeEncoderRecord>();
  auto refuse = std::make_shared<std::atomic<bool>>(false);
  refusing_encoder_->write_result = [refuse](size_t, DWORD) {
    return refuse->load() ? E_FAIL : S_OK;
  };
  App& app = start_app();
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  *refuse = true;
  // The refusal surfaces when the next slots are encoded.
  for (int i = 0; i < 3; ++i) (void)push_frame();
  EXPECT_EQ(AppTestAccess::file_session(app).status().state, RecordingState::kFailed);
  AppTestAccess::run_status_checks(app);
  EXPECT_FALSE(AppTestAccess::recording(app));
  ASSERT_EQ(messages_.size(), 1u) << testing::PrintToString(message_keys());
  EXPECT_EQ(messages_[0].key, L"message.recording_incomplete");
  EXPECT_EQ(messages_[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
  const fs::path log = session_folder() / L"Quorvel 2026-12-08 08-10-00.log";
  EXPECT_EQ(messages_[0].arguments, std::vector<std::wstring>{log.wstring()});
  EXPECT_TRUE(opened_folders_.empty());
  const std::vector<std::string> lines = log_lines(read_bytes(log));
  EXPECT_EQ(log_value(lines, "committed"), "0");
  EXPECT_EQ(log_value(lines, "file_committed"), "0");
}

TEST_F(AppRecordingTest, ExitDuringARecordingCommitsItWithoutOpeningTheFolder) {
  App& app = start_app();
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app));
  for (int i = 0; i < 3; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  send_to_host(WM_COMMAND, kTrayCommandExit, 0);
  EXPECT_FALSE(AppTestAccess::recording(app));
  EXPECT_TRUE(opened_folders_.empty());
  EXPECT_TRUE(fs::exists(session_folder() / L"Quorvel 2026-12-08 08-10-00.mp4"));
  const std::vector<std::string> lines =
      log_lines(read_bytes(session_folder() / L"Quorvel 2026-12-08 08-10-00.log"));
  EXPECT_EQ(log_value(lines, "committed"), "1");
  EXPECT_EQ(pump(), 0);
}

TEST_F(AppRecordingTest, ClosingTheBarStopsThroughTheHostOnce) {
  App& app = start_app();
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app));
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  const HWND bar = AppTestAccess::control_window(app);
  SendMessageW(bar, WM_CLOSE, 0, 0);
  SendMessageW(bar, WM_CLOSE, 0, 0);
  EXPECT_TRUE(AppTestAccess::stop_requested(app));
  EXPECT_TRUE(IsWindow(bar));
  pump();
  EXPECT_FALSE(AppTestAccess::recording(app));
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(opened_folders_.size(), 1u);
}

struct LiveCase {
  const char* name;
  OutputMode mode;
  uint32_t stream_level;
  bool independent;
  bool file;
};

class AppLiveRecordingTest : public AppRecordingTest,
                             public testing::WithParamInterface<LiveCase> {};

TEST_P(AppLiveRecordingTest, SendsTheSessionsPacketsToTheStreamer) {
  App& app = start_app();
  go_live(*this, app, GetParam().mode, GetParam().stream_level);
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  EXPECT_EQ(AppTestAccess::independent_live_encoder(app), GetParam().independent);
  EXPECT_EQ(AppTestAccess::live_session(app).is_active(), GetParam().independent);
  // Live sessions cannot pause.
  app.pause_recording();
  EXPECT_FALSE(AppTestAccess::paused(app));
  for (int i = 0; i < 8; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  // The session's packets reached the streamer's queue.
  EXPECT_GT(AppTestAccess::streamer_queue_peak(app), 0u)
      << testing::PrintToString(server_.events()) << " state "
      << AppTestAccess::streamer_state(app);
  app.stop_recording(false);
  EXPECT_FALSE(app.busy());
  const fs::path stem = session_folder() / L"Quorvel 2026-12-08 08-10-00";
  EXPECT_EQ(fs::exists(session_folder()), GetParam().file);
  EXPECT_EQ(fs::exists(stem.wstring() + L".mp4"), GetParam().file);
  EXPECT_EQ(fs::exists(stem.wstring() + L".log"), GetParam().file);
  // With a live stream no timeline is written.
  EXPECT_FALSE(fs::exists(stem.wstring() + L".quorvel"));
  if (GetParam().file) {
    const std::vector<std::string> lines = log_lines(read_bytes(stem.wstring() + L".log"));
    EXPECT_EQ(log_value(lines, "live_requested"), "1");
    EXPECT_EQ(log_value(lines, "independent_live_encoder"), GetParam().independent ? "1" : "0");
    EXPECT_NE(log_value(lines, "requested_stream_bitrate_bps"), "0");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppLiveRecordingTest,
    testing::Values(LiveCase{"BothAtOneQualityShareOneEncoder", OutputMode::kFileAndLive, 1, false, true},
                    LiveCase{"BothAtTwoQualitiesUseTwoEncoders", OutputMode::kFileAndLive, 2, true, true},
                    LiveCase{"LiveOnlyWritesNothing", OutputMode::kLiveOnly, 1, false, false}),
    [](const testing::TestParamInfo<LiveCase>& info) { return std::string(info.param.name); });

struct LiveFailureCase {
  const char* name;
  test::FakeFailure failure;
  // The streamer's error code for it.
  int code;
  std::vector<std::wstring> keys;
};

class AppLiveFailureTest : public AppRecordingTest,
                           public testing::WithParamInterface<LiveFailureCase> {};

TEST_P(AppLiveFailureTest, LiveOnlyStreamThatFailsStopsWithItsErrorText) {
  App& app = start_app();
  go_live(*this, app, OutputMode::kLiveOnly, 1);
  server_.always_fail_connect(GetParam().failure);
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  // A network failure or a time-out is retried with back-off on the
  // stream's clock until the reconnects run out.
  const bool retried = GetParam().code == 1 || GetParam().code == 2;
  for (uint32_t attempt = 0; retried && attempt < kStreamMaxReconnects; ++attempt) {
    const int64_t deadline =
        stream_clock_->now() + (int64_t{1'000'000'000} << std::min<uint32_t>(attempt, 3));
    ASSERT_TRUE(stream_clock_->wait_for_waiter(deadline)) << "attempt " << attempt;
    stream_clock_->advance(deadline - stream_clock_->now());
  }
  ASSERT_TRUE(wait_for_stream([](const LiveStreamStatus& s) {
    return s.state == static_cast<uint32_t>(LiveStreamState::Failed);
  })) << AppTestAccess::streamer_state(app);
  EXPECT_EQ(AppTestAccess::streamer_state(app), "4/" + std::to_string(GetParam().code));

  AppTestAccess::run_status_checks(app);
  EXPECT_FALSE(AppTestAccess::recording(app));
  EXPECT_FALSE(app.busy());
  EXPECT_EQ(message_keys(), GetParam().keys);
  for (const ShownMessage& message : messages_) {
    EXPECT_EQ(message.flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
  }
  EXPECT_TRUE(opened_folders_.empty());
  EXPECT_FALSE(fs::exists(session_folder()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppLiveFailureTest,
    testing::Values(
        LiveFailureCase{"NetworkAfterTheLastReconnect", {1}, 1, {L"stream.error.network"}},
        LiveFailureCase{"TimeoutAfterTheLastReconnect", {2}, 2, {L"stream.error.timeout"}},
        LiveFailureCase{"ProtocolAtOnce", {3}, 3, {L"stream.error.protocol"}},
        LiveFailureCase{"RejectedAtOnce", {4}, 4, {L"stream.error.rejected"}},
        LiveFailureCase{"NotAcceptedAtOnce", {7}, 7, {L"stream.error.not_accepted"}},
        LiveFailureCase{"TlsAtOnce", {1, true}, 8, {L"stream.error.tls"}},
        LiveFailureCase{"CertificateAtOnce", {1, true, true}, 9, {L"stream.error.certificate"}},
        LiveFailureCase{"UnknownCodeReadsAsNetwork", {42}, 42, {L"stream.error.network"}}),
    [](const testing::TestParamInfo<LiveFailureCase>& info) { return std::string(info.param.name); });

TEST_F(AppRecordingTest, ALiveOnlyStopBeforeAnythingWasSentShowsNoBox) {
  App& app = start_app();
  go_live(*this, app, OutputMode::kLiveOnly, 1);
  // The server never answers: the streamer ends on the stop without an
  // error code, having sent nothing.
  server_.hold_connects(true);
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  for (int i = 0; i < 3; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  app.stop_recording(true);
  EXPECT_FALSE(app.busy());
  const LiveStreamStatus status = AppTestAccess::streamer_status(app);
  EXPECT_EQ(status.error, 0);
  EXPECT_EQ(status.video_packets_sent, 0u);
  EXPECT_TRUE(messages_.empty()) << testing::PrintToString(message_keys());
  EXPECT_TRUE(opened_folders_.empty());
}

TEST_F(AppRecordingTest, TheSharedEncodersSinkSendsOnlyTheMixedAudioAndRefusesAFailedStream) {
  App& app = start_app();
  go_live(*this, app, OutputMode::kFileAndLive, 1);
  change_setup([](RecordingSetupState& s) { s.recording_quality.level = 1; });
  ASSERT_TRUE(app.validate_recording_settings());
  const RecordingOptions options = app.recording_options();
  ASSERT_TRUE(options.packet_callback);
  EXPECT_TRUE(options.live_encoding);
  EXPECT_TRUE(options.file_optional);
  ComPtr<IMFMediaType> aac;
  ASSERT_HRESULT_SUCCEEDED(MFCreateMediaType(&aac));
  ASSERT_HRESULT_SUCCEEDED(aac->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio));
  ASSERT_HRESULT_SUCCEEDED(aac->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_AAC));
  auto audio = std::make_shared<EncodedPacket>();
  ASSERT_HRESULT_SUCCEEDED(EncodedStreamFormat::create(aac.Get(), audio->format));
  audio->data = {1, 2, 3};
  audio->stream_index = 2;
  // A source's own track never goes live; the streamer is not even asked.
  EXPECT_EQ(options.packet_callback(audio), S_OK);
  audio->stream_index = 1;
  // An idle streamer refuses packets.
  EXPECT_EQ(options.packet_callback(audio), E_FAIL);
}

TEST(SessionLogTest, PausedDurationStaysExactBeyondTheProductRange) {
  EXPECT_EQ(paused_duration_100ns(1'000'000'000'000, 10'000'000), 1'000'000'000'000);
  EXPECT_EQ(paused_duration_100ns(5, 0), 0);
  // 30 hours of pause at a 3 GHz counter would overflow ticks x 10^7.
  const int64_t frequency = 3'000'000'000;
  const int64_t ticks = frequency * 30 * 3600 + frequency / 2;
  EXPECT_EQ(paused_duration_100ns(ticks, frequency), 30LL * 3600 * 10'000'000 + 5'000'000);
}

TEST(SessionLogTest, FormatsEachValueKind) {
  SessionLog log;
  log.add_hresult("a", static_cast<HRESULT>(0x80070070));
  log.add_hresult("b", S_OK);
  log.add_double("c", 0.55);
  log.add_double_size("d", 3.779527559, 3.779527559);
  log.add_size("e", 1920, 1080);
  log.add_pair("f", 60, 1);
  log.add_bool("g", true);
  log.add_signed("h", -12);
  log.add("i", std::wstring(L"D:\\\u00e9"));
  EXPECT_EQ(log.bytes(),
            "\xEF\xBB\xBFQuorvel recording log\nversion=1.0.4\n"
            "a=0x80070070\nb=0x0\nc=0.55\nd=3.77953x3.77953\ne=1920x1080\nf=60/1\ng=1\nh=-12\n"
            "i=D:\\\xC3\xA9\n");
}

}  // namespace
}  // namespace quorvel::windows
