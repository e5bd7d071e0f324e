// An in-process App whose recordings run on the engine's fakes: identity
// encoders with a key frame every fourth sample, files written by the fake
// file writer, a streamer on the fake RTMP server and a manual clock, and a
// performance counter the test moves. The App's own capture stays in
// recovery, so only the frames a test hands in reach the session.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <wrl/client.h>

#include "tests/app/app_test_fixture.h"
#include "tests/fakes/engine/fake_nv12_converter.h"
#include "tests/fakes/engine/fake_sink_writer.h"
#include "tests/fakes/streaming/fake_rtmp_connection.h"
#include "tests/support/fake_clock.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {

class AppSessionTest : public AppTest {
 public:
  static constexpr uint64_t kPlentyOfDisk = 100ull << 30;
  static constexpr int64_t kCounterStart = 1'000'000'000;

  quorvel::test::TempDir folder_;

  // The performance counter's ticks per second.
  static int64_t counter_frequency();

 protected:
  void TearDown() override { app_.reset(); }

  // The fixture's platform with every engine seam on the fakes and plenty of
  // free disk.
  AppPlatform session_platform();

  // Starts `platform`'s App with a confirmed `area` on `monitor`, a custom
  // 160 x 120 size at 30 frame/s, file output into the temporary folder and
  // no audio; not yet recording. The follow-mouse choice stays as stored
  // unless given.
  App& start_with_region(AppPlatform platform, CaptureBounds monitor, CaptureBounds area,
                         std::optional<bool> follow_mouse = std::nullopt);

  std::vector<Microsoft::WRL::ComPtr<test::FakeSinkWriter>> encoders_;
  test::FakeFileWriterFactory files_;
  std::shared_ptr<test::FakeNv12Record> converter_ = std::make_shared<test::FakeNv12Record>();
  std::shared_ptr<std::atomic<int64_t>> counter_ =
      std::make_shared<std::atomic<int64_t>>(kCounterStart);
  test::FakeRtmpServer server_;
  std::shared_ptr<test::FakeClock> stream_clock_ = std::make_shared<test::FakeClock>();
};

}  // namespace quorvel::windows
