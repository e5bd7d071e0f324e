// How a session with a live stream beside the file ends when one output
// fails, what the user is told when both succeeded, that a stop asked for
// during the stop changes nothing, that every stop takes the bar's Stop
// away, and that frames captured before the first viewport are dropped
// without failing the capture.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/common/translate.h"
#include "tests/app/recording/app_recording_fixture.h"
#include "tests/fakes/engine/fake_encoder_sink_writer.h"
#include "tests/support/fake_clock.h"

namespace quorvel::windows {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kStem[] = L"Quorvel 2026-12-08 08-10-00";
constexpr int64_t kQuarterSecondNs = 250'000'000;

// The sessions hand packets to their writers on threads of their own and
// nothing signals a writer's verdict, so it is polled with a bound.
bool eventually(const std::function<bool()>& done, int bound_ms = 10000) {
  for (int waited = 0; waited < bound_ms; ++waited) {
    if (done()) return true;
    Sleep(1);
  }
  return done();
}

class AppRecordingStopTest : public AppRecordingTest {
 protected:
  std::vector<std::string> session_log() {
    return log_lines(read_bytes(session_folder() / (std::wstring(kStem) + L".log")));
  }
  bool file_written() { return fs::exists(session_folder() / (std::wstring(kStem) + L".mp4")); }

  // Starts recording to a file with a live stream beside it at stream
  // quality `stream_level` (2 gives the stream an encoder of its own) and
  // waits until the server took the connection.
  void record_beside_live(uint32_t stream_level) {
    App& app = start_app();
    go_live(*this, app, OutputMode::kFileAndLive, stream_level);
    app.start_recording();
    ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
    ASSERT_EQ(AppTestAccess::independent_live_encoder(app), stream_level == 2);
    ASSERT_TRUE(wait_for_stream([](const LiveStreamStatus& s) { return s.connections == 1; }))
        << AppTestAccess::streamer_state(app);
  }

  // The one result box of a file+live session, the file and its folder, and
  // what the log says of each output.
  void expect_dual_result(unsigned icon, bool file_committed, bool live_succeeded) {
    ASSERT_EQ(message_keys(), std::vector<std::wstring>{L"stream.dual_result"});
    EXPECT_EQ(messages_[0].flags & MB_ICONMASK, icon);
    EXPECT_EQ(file_written(), file_committed);
    EXPECT_EQ(opened_folders_.size(), file_committed ? 1u : 0u);
    const std::vector<std::string> log = session_log();
    EXPECT_EQ(log_value(log, "file_committed"), file_committed ? "1" : "0");
    EXPECT_EQ(log_value(log, "live_succeeded"), live_succeeded ? "1" : "0");
  }
};

TEST_F(AppRecordingStopTest, LowDiskBesideALiveStreamFailsOnlyTheFileAndTheStreamGoesOn) {
  // The writer reads the free space at its first packet and then once every
  // 250 ms of this clock.
  auto writer_clock = std::make_shared<test::FakeClock>();
  platform_changes_ = [writer_clock](AppPlatform& platform) {
    platform.sessions.writers.disk.clock = writer_clock;
  };
  h264_shaped_encoders_ = true;
  ASSERT_NO_FATAL_FAILURE(record_beside_live(1));
  App& app = *app_;
  for (int i = 0; i < 4; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());

  *free_bytes_ = 268'435'455;
  writer_clock->advance(kQuarterSecondNs);
  for (int i = 0; i < 4; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  RecordingSession& file = AppTestAccess::file_session(app);
  ASSERT_TRUE(eventually([&] { return file.status().file_result == HRESULT_FROM_WIN32(ERROR_DISK_FULL); }))
      << std::hex << file.status().file_result;

  AppTestAccess::run_status_checks(app);
  EXPECT_TRUE(AppTestAccess::recording(app));
  EXPECT_TRUE(messages_.empty()) << testing::PrintToString(message_keys());
  const uint64_t sent = AppTestAccess::streamer_status(app).video_packets_sent;
  for (int i = 0; i < 8; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  EXPECT_TRUE(wait_for_stream([sent](const LiveStreamStatus& s) { return s.video_packets_sent > sent; }))
      << AppTestAccess::streamer_state(app);

  app.stop_recording(true);
  expect_dual_result(MB_ICONWARNING, false, true);
}

TEST_F(AppRecordingStopTest, AFailedIndependentLiveEncoderEndsTheStreamOnceAndTheFileGoesOn) {
  refusing_encoder_ = std::make_shared<test::FakeEncoderRecord>();
  auto live_writer = std::make_shared<std::atomic<size_t>>(SIZE_MAX);
  refusing_encoder_->write_result = [live_writer](size_t writer, DWORD) {
    return writer == live_writer->load() ? E_FAIL : S_OK;
  };
  ASSERT_NO_FATAL_FAILURE(record_beside_live(2));
  App& app = *app_;

  // The first frame sets up the encoders, the file's before the stream's.
  const size_t before = refusing_encoder_->writers.size();
  *live_writer = before + 1;
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  ASSERT_EQ(refusing_encoder_->writers.size(), before + 2);
  for (int i = 0; i < 3; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  ASSERT_EQ(AppTestAccess::live_session(app).status().state, RecordingState::kFailed);
  ASSERT_NE(AppTestAccess::file_session(app).status().state, RecordingState::kFailed);

  // Later checks find the stream already ended and leave it alone.
  for (int i = 0; i < 3; ++i) AppTestAccess::run_status_checks(app);
  EXPECT_TRUE(AppTestAccess::recording(app));
  EXPECT_TRUE(messages_.empty()) << testing::PrintToString(message_keys());
  EXPECT_EQ(AppTestAccess::streamer_status(app).state, static_cast<uint32_t>(LiveStreamState::Idle))
      << AppTestAccess::streamer_state(app);
  EXPECT_EQ(server_.attempts(), 1);

  const uint64_t frames = submitted_frames();
  for (int i = 0; i < 3; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  EXPECT_GT(submitted_frames(), frames);

  app.stop_recording(true);
  expect_dual_result(MB_ICONWARNING, true, false);
}

TEST_F(AppRecordingStopTest, BothOutputsSucceededAreToldOnceAndAStopDuringTheStopIsIgnored) {
  int asked_again = 0;
  platform_changes_ = [this, &asked_again](AppPlatform& platform) {
    // While the result is on screen the user presses the stop hotkey and
    // closes the bar, and the App is asked to stop once more.
    platform.message = [this, &asked_again](HWND owner, std::wstring_view key,
                                            const std::vector<std::wstring>& arguments,
                                            unsigned flags) {
      messages_.push_back({owner, std::wstring(key), flags, arguments, {}, {}});
      ++asked_again;
      send_to_host(WM_HOTKEY, 1008, 0);
      if (const HWND bar = AppTestAccess::control_window(*app_)) SendMessageW(bar, WM_CLOSE, 0, 0);
      app_->request_stop(true);
      app_->stop_recording(true);
      return IDOK;
    };
  };
  h264_shaped_encoders_ = true;
  ASSERT_NO_FATAL_FAILURE(record_beside_live(1));
  App& app = *app_;
  for (int i = 0; i < 8; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
  ASSERT_TRUE(wait_for_stream([](const LiveStreamStatus& s) { return s.video_packets_sent > 0; }))
      << AppTestAccess::streamer_state(app);

  app.stop_recording(true);
  pump();
  EXPECT_EQ(asked_again, 1);
  EXPECT_FALSE(AppTestAccess::recording(app));
  EXPECT_FALSE(AppTestAccess::stop_requested(app));
  expect_dual_result(MB_ICONINFORMATION, true, true);
}

// What the bar's Stop button was when the bar's title turned to saving,
// which each stop does before it finishes the files.
struct StopWhileSaving {
  App* app = nullptr;
  std::wstring saving_title;
  std::vector<bool> stop_enabled;
};

LRESULT CALLBACK note_stop_while_saving(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR, DWORD_PTR data) {
  auto& note = *reinterpret_cast<StopWhileSaving*>(data);
  if (message == WM_SETTEXT && lparam != 0 &&
      note.saving_title == reinterpret_cast<const wchar_t*>(lparam)) {
    const RecordingControlView* view = AppTestAccess::control_view(*note.app);
    if (view != nullptr && view->button(8) != nullptr) {
      note.stop_enabled.push_back(view->button(8)->is_enabled());
    }
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

TEST_F(AppRecordingStopTest, EveryStopDisablesTheBarsStopWhileTheFilesAreFinished) {
  struct Case {
    const char* name;
    std::function<void(App&)> stop;
  };
  const Case cases[] = {
      {"hotkey", [this](App&) { send_to_host(WM_HOTKEY, 1008, 0); }},
      {"tick on low disk",
       [this](App& app) {
         *low_disk_for_the_tick_only_ = true;
         *free_bytes_ = 1000;
         AppTestAccess::last_status_check(app) = {};
         app.tick();
       }},
      {"exit",
       [this](App& app) {
         app.exit_application();
         EXPECT_EQ(pump(), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    *low_disk_for_the_tick_only_ = false;
    *free_bytes_ = kPlentyOfDisk;
    App& app = start_app();
    app.start_recording();
    ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
    for (int i = 0; i < 3; ++i) ASSERT_HRESULT_SUCCEEDED(push_frame());
    const HWND bar = AppTestAccess::control_window(app);
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(AppTestAccess::control_view(app)->button(8)->is_enabled());
    StopWhileSaving note{&app, translate_for_locale(L"en-US", L"control.saving"), {}};
    ASSERT_TRUE(SetWindowSubclass(bar, &note_stop_while_saving, 1,
                                  reinterpret_cast<DWORD_PTR>(&note)));

    c.stop(app);

    EXPECT_FALSE(AppTestAccess::recording(app));
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_EQ(note.stop_enabled, std::vector<bool>{false});
    app_.reset();
    messages_.clear();
  }
}

TEST_F(AppRecordingStopTest, FramesBeforeTheFirstViewportAreDroppedWithoutAFailure) {
  App& app = start_app();
  app.start_recording();
  ASSERT_TRUE(AppTestAccess::recording(app)) << testing::PrintToString(message_keys());
  AppTestAccess::withdraw_viewport(app);
  EXPECT_EQ(push_frame(), S_OK);
  EXPECT_EQ(push_frame(), S_OK);
  EXPECT_EQ(submitted_frames(), 0u);
  EXPECT_EQ(AppTestAccess::file_session(app).status().state, RecordingState::kStarted);

  app.update_viewport();
  ASSERT_HRESULT_SUCCEEDED(push_frame());
  EXPECT_GT(submitted_frames(), 0u);
  app.stop_recording(true);
  EXPECT_TRUE(messages_.empty()) << testing::PrintToString(message_keys());
  EXPECT_TRUE(file_written());
}

}  // namespace
}  // namespace quorvel::windows
