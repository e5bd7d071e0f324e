#include "tests/app/recording/app_recording_fixture.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/engine/gpu_test_support.h"
#include "tests/fakes/engine/fake_annexb_encoder.h"
#include "tests/fakes/engine/fake_key_frame_encoder.h"
#include "tests/fakes/engine/fake_sink_writer.h"

namespace quorvel::windows {

namespace fs = std::filesystem;

std::string read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> log_lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(bytes);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string log_value(const std::vector<std::string>& lines, const std::string& key) {
  for (const std::string& line : lines) {
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return "<missing>";
}

void AppRecordingTest::change_setup(const std::function<void(RecordingSetupState&)>& change) {
  RecordingSetupState setup = app_->setup_state();
  change(setup);
  app_->commit_setup_state(setup);
}

void AppRecordingTest::SetUp() {
  ASSERT_TRUE(test::make_device(device_, context_));
  frame_ = test::make_bgra_texture(device_.Get(), kMonitorWidth, kMonitorHeight,
                                   std::vector<uint32_t>(kMonitorWidth * kMonitorHeight, 0xFF336699));
  ASSERT_NE(frame_, nullptr);
}

AppPlatform AppRecordingTest::recording_platform() {
  AppPlatform platform = session_platform();
  if (h264_shaped_encoders_) {
    platform.sessions.writers.sink_writers.create_encoding_writer = test::FakeKeyFrameEncoder::wrap(
        test::FakeAnnexBEncoder::wrap(test::FakeSinkWriter::factory(&encoders_)), 4);
  }
  if (refusing_encoder_) {
    // Key frames as everywhere else: the live cover clip needs one.
    platform.sessions.writers.sink_writers.create_encoding_writer =
        test::FakeKeyFrameEncoder::wrap(test::FakeEncoderSinkWriter::factory(refusing_encoder_), 4);
  }
  platform.sessions.writers.disk.free_bytes =
      [free = free_bytes_, tick_only = low_disk_for_the_tick_only_,
       ui_thread = GetCurrentThreadId()](const wchar_t*, uint64_t& bytes) {
        const bool writer_thread = GetCurrentThreadId() != ui_thread;
        // The free space is read before the flag: a test sets the flag
        // first, so a writer that already sees the lowered value also sees
        // the flag, even when the test changes both while it reads.
        const uint64_t current = free->load();
        bytes = writer_thread && tick_only->load() ? kPlentyOfDisk : current;
        return S_OK;
      };
  platform.sessions.watermark_font_family = L"DejaVu Sans";
  platform.system_time = [] {
    SYSTEMTIME time{};
    time.wYear = 2026;
    time.wMonth = 12;
    time.wDay = 8;
    time.wHour = 8;
    time.wMinute = 10;
    return time;
  };
  platform.open_folder = [this](HWND, const std::wstring& folder) {
    opened_folders_.push_back(folder);
    return true;
  };
  if (platform_changes_) platform_changes_(platform);
  return platform;
}

App& AppRecordingTest::start_app() {
  return start_with_region(recording_platform(), {0, 0, kMonitorWidth, kMonitorHeight},
                           {80, 60, 240, 180});
}

HRESULT AppRecordingTest::push_frame() {
  CapturedFrameInfo info;
  const HRESULT result =
      app_->deliver_captured_frame(device_.Get(), context_.Get(), frame_.Get(), info);
  advance(counter_frequency() / 30);
  return result;
}

uint64_t AppRecordingTest::submitted_frames() {
  return AppTestAccess::file_session(*app_).status().video_submitted_frames;
}

fs::path AppRecordingTest::session_folder() const {
  return folder_.path() / L"2026-12-08 08-10-00";
}

App& AppAudioRecordingTest::start_with_microphone(bool muted, bool own_track) {
  audio_.add_device(L"microphone", L"Microphone", eCapture);
  audio_.set_default(eCapture, L"microphone");
  h264_shaped_encoders_ = true;
  platform_changes_ = [this](AppPlatform& platform) {
    platform.audio_devices = audio_.factory();
    platform.mixer_clock = audio_clock_;
  };
  App& app = start_app();
  change_setup([muted, own_track](RecordingSetupState& s) {
    s.toggles[static_cast<size_t>(SetupToggle::kMicrophone)] = true;
    s.toggles[static_cast<size_t>(SetupToggle::kMuteMicrophone)] = muted;
    s.toggles[static_cast<size_t>(SetupToggle::kSeparateMicrophoneTrack)] = own_track;
  });
  return app;
}

bool AppAudioRecordingTest::wait_microphone_running() {
  return audio_.wait_for_streams(1, std::chrono::milliseconds(10000));
}

void AppAudioRecordingTest::deliver_microphone(int64_t from, int blocks, float level) {
  for (int k = 0; k < blocks; ++k) {
    FakeAudioPacket packet;
    packet.frames = 480;
    packet.samples.resize(2 * packet.frames);
    for (uint32_t i = 0; i < packet.frames; ++i) {
      packet.samples[2 * i] = level;
      packet.samples[2 * i + 1] = -level;
    }
    packet.device_position = device_position_;
    device_position_ += packet.frames;
    const int64_t ticks = from + k * block_ticks();
    packet.qpc_position = static_cast<uint64_t>(ticks * 10'000'000 / counter_frequency());
    ASSERT_TRUE(audio_.deliver(std::move(packet)));
    ++delivered_;
  }
  ASSERT_TRUE(audio_.wait_for_releases(delivered_, std::chrono::milliseconds(10000)));
}

void AppAudioRecordingTest::mix_until(int64_t until) {
  ASSERT_TRUE(audio_clock_->run_until(until + latency_ticks()));
}

bool AppRecordingTest::wait_for_stream(const std::function<bool(const LiveStreamStatus&)>& done,
                                       int bound_ms) {
  for (int waited = 0; waited < bound_ms; ++waited) {
    if (done(AppTestAccess::streamer_status(*app_))) return true;
    Sleep(1);
  }
  return false;
}

void go_live(AppRecordingTest& test, App& app, OutputMode mode, uint32_t stream_level) {
  StreamSettings target;
  target.server_url = L"rtmp://127.0.0.1/live";
  target.stream_key = L"key";
  ASSERT_TRUE(app.save_stream_settings(target));
  test.change_setup([mode, stream_level](RecordingSetupState& s) {
    s.output_mode = mode;
    s.stream_quality.level = stream_level;
  });
}

}  // namespace quorvel::windows
