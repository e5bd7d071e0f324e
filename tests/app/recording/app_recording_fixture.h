// The recording road of the App on the engine's fakes: a real session with
// an identity encoder, file writers that put the bytes on disk, a scripted
// free-space probe and a manual performance counter; real windows and a
// real timeline and log in a temporary folder. Shared by the recording
// tests; frames are handed in by the test.
#pragma once

#include <d3d11.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/app_session_fixture.h"
#include "tests/fakes/engine/fake_audio_clock.h"
#include "tests/fakes/engine/fake_audio_endpoints.h"
#include "tests/fakes/engine/fake_encoder_sink_writer.h"

namespace quorvel::windows {

inline constexpr uint32_t kMonitorWidth = 320;
inline constexpr uint32_t kMonitorHeight = 240;

std::string read_bytes(const std::filesystem::path& path);
std::vector<std::string> log_lines(const std::string& bytes);
// The value of `key` in a log's lines, or "<missing>".
std::string log_value(const std::vector<std::string>& lines, const std::string& key);

class AppRecordingTest : public AppSessionTest {
 public:
  // The start cases' arrangements reach these.
  void change_setup(const std::function<void(RecordingSetupState&)>& change);

 protected:
  void SetUp() override;

  AppPlatform recording_platform();

  // An App with a confirmed region of 160 x 120 on a 320 x 240 monitor, file
  // output into the temporary folder, no audio.
  App& start_app();

  // One captured frame at the current counter, then the counter moves on by
  // one frame at 30 frame/s.
  HRESULT push_frame();

  void advance(int64_t ticks) { *counter_ += ticks; }

  uint64_t submitted_frames();

  std::filesystem::path session_folder() const;

  // The streamer publishes and sends on its own thread and nothing signals
  // its counts, so they are polled, with a bound of `bound_ms` real time.
  bool wait_for_stream(const std::function<bool(const LiveStreamStatus&)>& done,
                       int bound_ms = 10000);

  Microsoft::WRL::ComPtr<ID3D11Device> device_;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext> context_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> frame_;
  std::shared_ptr<std::atomic<uint64_t>> free_bytes_ =
      std::make_shared<std::atomic<uint64_t>>(kPlentyOfDisk);
  // The file writer checks the free space on its own thread as well and
  // would fail the file when it happens to write after the test lowered it;
  // set where a test is about the tick's reading alone.
  std::shared_ptr<std::atomic<bool>> low_disk_for_the_tick_only_ =
      std::make_shared<std::atomic<bool>>(false);
  std::vector<std::wstring> opened_folders_;
  // When set, the encoder of every session; it can be made to refuse samples.
  std::shared_ptr<test::FakeEncoderRecord> refusing_encoder_;
  // When set, the encoders write H.264-shaped access units (a key frame
  // every fourth frame), so that the live stream can package them.
  bool h264_shaped_encoders_ = false;
  // Applied last to the platform recording_platform makes.
  std::function<void(AppPlatform&)> platform_changes_;
};

// The same with a microphone: one capture endpoint whose packets the test
// delivers, and a mixer on a simulated clock that starts at the counter's
// start and runs only as far as the test lets it. The encoders write
// H.264-shaped access units.
class AppAudioRecordingTest : public AppRecordingTest {
 protected:
  // Counter ticks of one 480-frame block and of the mixer's latency.
  static int64_t block_ticks() { return counter_frequency() / 100; }
  static int64_t latency_ticks() { return counter_frequency() / 20; }

  // start_app with the microphone on (muted as asked, with a track of its
  // own in the file when asked); not yet recording.
  App& start_with_microphone(bool muted, bool own_track = false);
  // Waits until the App's microphone stream runs.
  bool wait_microphone_running();
  // Delivers `blocks` packets of 480 frames at `level` (left) and -`level`
  // (right), the first stamped at counter value `from`, and waits until the
  // source has handed them on.
  void deliver_microphone(int64_t from, int blocks, float level);
  // Lets the mixer mix everything before counter value `until`.
  void mix_until(int64_t until);

  FakeAudioSystem audio_;
  std::shared_ptr<FakeAudioClock> audio_clock_ =
      std::make_shared<FakeAudioClock>(counter_frequency(), kCounterStart);

 private:
  size_t delivered_ = 0;
  uint64_t device_position_ = 0;
};

// A live target the streamer's fake server accepts, and the output mode.
void go_live(AppRecordingTest& test, App& app, OutputMode mode, uint32_t stream_level);

}  // namespace quorvel::windows
