#include "tests/app/app_session_fixture.h"

#include <condition_variable>
#include <mutex>
#include <stop_token>

#include "tests/app/app_test_access.h"
#include "tests/fakes/engine/fake_key_frame_encoder.h"

namespace quorvel::windows {

int64_t AppSessionTest::counter_frequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

AppPlatform AppSessionTest::session_platform() {
  AppPlatform platform = make_platform();
  // Every fourth video sample is a key frame, as the live output needs.
  platform.sessions.writers.sink_writers.create_encoding_writer =
      test::FakeKeyFrameEncoder::wrap(test::FakeSinkWriter::factory(&encoders_), 4);
  platform.make_streamer = [this] {
    return RtmpStreamer::create(
        [this](const std::atomic<bool>& abort) { return server_.make(abort); }, stream_clock_);
  };
  platform.sessions.writers.sink_writers.create_file_writer = files_.function();
  platform.sessions.writers.disk.free_bytes = [](const wchar_t*, uint64_t& bytes) {
    bytes = kPlentyOfDisk;
    return S_OK;
  };
  platform.sessions.nv12_converters = test::FakeNv12Converter::factory(converter_);
  platform.capture.open_duplication = [](IDXGIAdapter1*, IDXGIOutput*, ID3D11Device*,
                                         IDXGIOutputDuplication**) {
    return DXGI_ERROR_ACCESS_LOST;
  };
  platform.capture.wait_before_retry = [](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any stopped;
    std::unique_lock lock(mutex);
    stopped.wait(lock, stop, [] { return false; });
    return false;
  };
  platform.performance_counter = [counter = counter_] { return counter->load(); };
  return platform;
}

App& AppSessionTest::start_with_region(AppPlatform platform, CaptureBounds monitor,
                                       CaptureBounds area,
                                       std::optional<bool> follow_mouse) {
  app_ = std::make_unique<App>(GetModuleHandleW(nullptr), std::move(platform));
  app_->start_up(0);
  AppTestAccess::monitor_rect(*app_) = monitor;
  AppTestAccess::capture_area(*app_) = area;
  AppTestAccess::region_ready(*app_) = true;
  RecordingSetupState setup = app_->setup_state();
  setup.width = 160;
  setup.height = 120;
  setup.custom_size = true;
  setup.frame_rate = 30;
  setup.output_folder = folder_.path().wstring();
  setup.toggles = {true, false, false, false, false, false, false, false};
  if (follow_mouse) setup.follow_mouse = *follow_mouse;
  app_->commit_setup_state(setup);
  return *app_;
}

}  // namespace quorvel::windows
