#include "engine/desktop_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <new>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/display_test_support.h"
#include "tests/fakes/engine/fake_device_factory.h"
#include "tests/fakes/engine/fake_output_duplication.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using namespace std::chrono_literals;
using Microsoft::WRL::ComPtr;

using test::primary_monitor;
// Some expectations hold only for Wine's display, which cannot be duplicated
// and reports no HDR values.
using quorvel::test::running_under_wine;

// The capture thread ends on its own only by failing; there is no event to
// wait on, so the tests poll its published counters.
template <typename Predicate>
bool eventually(Predicate predicate, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

bool reaches_state(const DesktopCapture& capture, DesktopCaptureState state) {
  return eventually([&] { return capture.stats().state == state; });
}

// What the frame callback saw, copied out of the record while it was valid.
struct SeenFrame {
  ID3D11Device* device = nullptr;
  ID3D11Texture2D* texture = nullptr;
  bool texture_is_scripted = false;
  CapturedFrameInfo info;
  std::vector<uint8_t> shape;
};

// A capture on the primary monitor whose duplication is scripted and whose
// retry wait returns at once (counting its calls).
class FakeCaptureTest : public testing::Test {
 protected:
  explicit FakeCaptureTest(DXGI_FORMAT format = DXGI_FORMAT_B8G8R8A8_UNORM)
      : script_(FakeDuplicationScript::mode(64, 48, format)) {}

  void TearDown() override {
    capture_.stop();
    EXPECT_EQ(capture_.stats().state, DesktopCaptureState::kIdle);
    EXPECT_EQ(script_.live_duplications(), 0) << "the capture kept a duplication";
    EXPECT_EQ(script_.protocol_errors(), 0) << "acquire while holding a frame, or release without";
    EXPECT_EQ(script_.frames_delivered(), script_.frames_released());
  }

  DesktopCaptureSeams seams() {
    return {script_.opener(),
            [this](std::stop_token stop) {
              ++retry_waits_;
              // What the shell would read while the capture waits to retry.
              const DesktopCaptureStats stats = capture_.stats();
              std::lock_guard lock(seen_mutex_);
              while_waiting_.push_back({stats.state, stats.last_result});
              return !stop.stop_requested();
            },
            devices_.function()};
  }

  FrameCallback recording_callback() {
    return [this](ID3D11Device* device, ID3D11DeviceContext*, ID3D11Texture2D* texture,
                  const CapturedFrameInfo& info) {
      SeenFrame seen;
      seen.device = device;
      seen.texture = texture;
      seen.texture_is_scripted = texture == script_.last_texture();
      seen.info = info;
      if (info.cursor.shape_data) {
        seen.shape.assign(info.cursor.shape_data, info.cursor.shape_data + info.cursor.shape_size);
      }
      std::lock_guard lock(seen_mutex_);
      seen_.push_back(std::move(seen));
      return S_OK;
    };
  }

  std::vector<SeenFrame> seen() {
    std::lock_guard lock(seen_mutex_);
    return seen_;
  }

  void start_capturing(IdleCallback on_idle = {}) {
    ASSERT_TRUE(capture_.start(primary_monitor(), recording_callback(), std::move(on_idle)));
    ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kCapturing));
  }

  FakeDuplicationScript script_;
  std::atomic<int> retry_waits_{0};
  test::FakeDeviceFactory devices_;
  DesktopCapture capture_{seams()};
  std::mutex seen_mutex_;
  std::vector<SeenFrame> seen_;
  struct Waiting {
    DesktopCaptureState state;
    HRESULT last_result;
  };
  std::vector<Waiting> while_waiting_;
};

TEST(DesktopCaptureHelpers, TransientErrorsAreExactlyTheSixDuplicationInterruptions) {
  struct Case {
    HRESULT result;
    bool transient;
  };
  const Case cases[] = {
      {DXGI_ERROR_INVALID_CALL, true},
      {DXGI_ERROR_NOT_FOUND, true},
      {DXGI_ERROR_NOT_CURRENTLY_AVAILABLE, true},
      {DXGI_ERROR_ACCESS_LOST, true},
      {DXGI_ERROR_SESSION_DISCONNECTED, true},
      {E_ACCESSDENIED, true},
      {S_OK, false},
      {DXGI_ERROR_WAIT_TIMEOUT, false},
      {DXGI_ERROR_UNSUPPORTED, false},
      {DXGI_ERROR_DEVICE_REMOVED, false},
      {DXGI_ERROR_DEVICE_RESET, false},
      {E_NOTIMPL, false},
      {E_INVALIDARG, false},
      {E_FAIL, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_transient_capture_error(c.result), c.transient)
        << std::hex << static_cast<uint32_t>(c.result);
  }
}

TEST(DesktopCaptureHelpers, RetryWaitIsTwentyFiveSleepsOfTenMilliseconds) {
  std::stop_source source;
  std::vector<std::chrono::milliseconds> sleeps;
  EXPECT_TRUE(wait_before_retry(source.get_token(),
                                [&](std::chrono::milliseconds span) { sleeps.push_back(span); }));
  ASSERT_EQ(sleeps.size(), 25u);
  for (const auto span : sleeps) EXPECT_EQ(span, 10ms);
}

TEST(DesktopCaptureHelpers, RetryWaitEndsAtTheFirstSleepAfterStop) {
  struct Case {
    int stop_after_sleeps;
    size_t expected_sleeps;
  };
  // Stop before the wait, during the first, the third and the last sleep.
  const Case cases[] = {{0, 0}, {1, 1}, {3, 3}, {25, 25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stop_after_sleeps);
    std::stop_source source;
    size_t sleeps = 0;
    if (c.stop_after_sleeps == 0) source.request_stop();
    EXPECT_FALSE(wait_before_retry(source.get_token(), [&](std::chrono::milliseconds) {
      if (++sleeps == static_cast<size_t>(c.stop_after_sleeps)) source.request_stop();
    }));
    EXPECT_EQ(sleeps, c.expected_sleeps);
  }
}

// Wine enumerates the real adapter and monitor and creates the device, but
// cannot duplicate an output: the capture ends deterministically while
// opening the duplication.
TEST(DesktopCaptureOnWine, RealDuplicationFailsWhileOpeningWithNotImplemented) {
  if (!running_under_wine()) GTEST_SKIP() << "Windows duplicates the output";
  MONITORINFOEXW monitor_info{};
  monitor_info.cbSize = sizeof(monitor_info);
  ASSERT_TRUE(GetMonitorInfoW(primary_monitor(), &monitor_info));

  DesktopCapture capture;
  ASSERT_TRUE(capture.start(primary_monitor(), {}, {}));
  ASSERT_TRUE(reaches_state(capture, DesktopCaptureState::kFailed));

  const DesktopCaptureStats stats = capture.stats();
  EXPECT_EQ(stats.stage, DesktopCaptureStage::kOpeningDuplication);
  EXPECT_EQ(stats.last_result, E_NOTIMPL);
  EXPECT_EQ(stats.device_removed_reason, S_OK);
  EXPECT_FALSE(stats.adapter_name.empty());
  EXPECT_EQ(stats.monitor_name, std::wstring(monitor_info.szDevice));
  EXPECT_EQ(stats.width, 0u);
  EXPECT_EQ(stats.height, 0u);
  EXPECT_EQ(stats.frames, 0u);
  EXPECT_EQ(stats.recovery_episodes, 0u);
  EXPECT_EQ(stats.recovery_attempts, 0u);
  EXPECT_NE(stats.start_counter, 0);
  // Wine reports no SDR white level, so the capture keeps 203 nits.
  EXPECT_FALSE(query_sdr_white_level(stats.monitor_name).has_value());
  std::printf("adapter=%s capture_monitor=%s\n", quorvel::test::utf8(stats.adapter_name).c_str(),
              quorvel::test::utf8(stats.monitor_name).c_str());

  capture.stop();
  EXPECT_EQ(capture.stats().state, DesktopCaptureState::kIdle);
  capture.stop();
  EXPECT_EQ(capture.stats().state, DesktopCaptureState::kIdle);
}

TEST(DesktopCaptureOnWine, FindsTheOutputOfThePrimaryMonitorOnlyOnItsAdapter) {
  ComPtr<IDXGIFactory1> factory;
  ASSERT_HRESULT_SUCCEEDED(CreateDXGIFactory1(IID_PPV_ARGS(&factory)));
  ComPtr<IDXGIAdapter1> adapter;
  ASSERT_HRESULT_SUCCEEDED(factory->EnumAdapters1(0, &adapter));
  ComPtr<IDXGIOutput> output;
  DXGI_OUTPUT_DESC desc{};
  ASSERT_HRESULT_SUCCEEDED(find_output_for_monitor(adapter.Get(), primary_monitor(), output, desc));
  EXPECT_EQ(desc.Monitor, primary_monitor());
  EXPECT_TRUE(output);

  ComPtr<IDXGIOutput> none;
  EXPECT_EQ(find_output_for_monitor(adapter.Get(), reinterpret_cast<HMONITOR>(0x1234), none, desc),
            DXGI_ERROR_NOT_FOUND);
  EXPECT_FALSE(none);
}

TEST_F(FakeCaptureTest, RefusesNullMonitorAndSecondStartUntilStopped) {
  // Refused starts drop their callbacks.
  auto token = std::make_shared<int>(0);
  EXPECT_FALSE(capture_.start(nullptr, [token](auto...) { return S_OK; }, {}));
  EXPECT_EQ(token.use_count(), 1);
  EXPECT_EQ(capture_.stats().state, DesktopCaptureState::kIdle);

  start_capturing();
  EXPECT_FALSE(capture_.start(primary_monitor(), [token](auto...) { return S_OK; }, {}));
  EXPECT_EQ(token.use_count(), 1);

  // A failed capture's thread has ended but is still attached.
  script_.push(FakeAcquireStep::error(E_OUTOFMEMORY));
  ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kFailed));
  EXPECT_FALSE(capture_.start(primary_monitor(), recording_callback(), {}));
  EXPECT_EQ(capture_.stats().state, DesktopCaptureState::kFailed);

  capture_.stop();
  EXPECT_EQ(capture_.stats().state, DesktopCaptureState::kIdle);
  start_capturing();
}

class FrameFormatTest : public FakeCaptureTest, public testing::WithParamInterface<DXGI_FORMAT> {
 protected:
  FrameFormatTest() : FakeCaptureTest(GetParam()) {}
};

TEST_P(FrameFormatTest, HandsEveryFrameWithItsInfoToTheCallback) {
  // A callback that takes at least 2 ms of performance-counter time, so the
  // timing statistics have something to measure.
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const int64_t busy_ticks = frequency.QuadPart / 500;
  FrameCallback inner = recording_callback();
  ASSERT_TRUE(capture_.start(primary_monitor(),
                             [&](ID3D11Device* device, ID3D11DeviceContext* context,
                                 ID3D11Texture2D* texture, const CapturedFrameInfo& info) {
                               LARGE_INTEGER begin, now;
                               QueryPerformanceCounter(&begin);
                               do {
                                 QueryPerformanceCounter(&now);
                               } while (now.QuadPart - begin.QuadPart < busy_ticks);
                               return inner(device, context, texture, info);
                             },
                             {}));
  script_.push(FakeAcquireStep::frame());
  script_.push(FakeAcquireStep::frame());
  ASSERT_TRUE(script_.wait_until_drained(10s));

  DXGI_OUTPUT_DESC output_desc{};
  ASSERT_NE(script_.last_output(), nullptr);
  ASSERT_HRESULT_SUCCEEDED(script_.last_output()->GetDesc(&output_desc));
  const auto frames = seen();
  ASSERT_EQ(frames.size(), 2u);
  for (const SeenFrame& frame : frames) {
    EXPECT_EQ(frame.device, script_.last_device());
    EXPECT_TRUE(frame.texture_is_scripted) << "the texture is handed over without copying";
    EXPECT_EQ(frame.info.rotation, static_cast<uint32_t>(output_desc.Rotation));
    EXPECT_EQ(frame.info.hdr_input, GetParam() == DXGI_FORMAT_R16G16B16A16_FLOAT);
    if (running_under_wine()) {
      // Wine's display reports neither an SDR white level nor a peak
      // luminance, so the defaults stay.
      EXPECT_EQ(frame.info.sdr_white_nits, 203.0f);
      EXPECT_EQ(frame.info.max_luminance_nits, 1000.0f);
    }
    EXPECT_EQ(frame.info.frame_info.AccumulatedFrames, 1u);
  }

  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.state, DesktopCaptureState::kCapturing);
  EXPECT_EQ(stats.stage, DesktopCaptureStage::kDuplicating);
  EXPECT_EQ(stats.last_result, S_OK);
  EXPECT_EQ(stats.frames, 2u);
  EXPECT_EQ(stats.width, 64u);
  EXPECT_EQ(stats.height, 48u);
  EXPECT_FALSE(stats.adapter_name.empty());
  EXPECT_FALSE(stats.monitor_name.empty());
  EXPECT_GT(stats.last_frame_counter, stats.start_counter);
  // 2 ms is 20,000 units of 100 ns.
  EXPECT_GE(stats.callback_time_max, 20'000);
  EXPECT_GE(stats.callback_time_total, 2 * 20'000);
  EXPECT_GE(stats.callback_time_total, stats.callback_time_max);
  EXPECT_EQ(stats.callback_failures, 0u);
  EXPECT_EQ(script_.frames_released(), 2);
}

INSTANTIATE_TEST_SUITE_P(Formats, FrameFormatTest,
                         testing::Values(DXGI_FORMAT_B8G8R8A8_UNORM,
                                         DXGI_FORMAT_R16G16B16A16_FLOAT),
                         [](const testing::TestParamInfo<DXGI_FORMAT>& info) {
                           return info.param == DXGI_FORMAT_B8G8R8A8_UNORM ? std::string("Bgra8")
                                                                           : std::string("Fp16");
                         });

// An adapter without a video engine refuses a device with video support;
// the capture then works on a device without it. Only when no device can be
// made at all does the capture fail, with the last refusal.
TEST_F(FakeCaptureTest, AdapterRefusingVideoSupportStillCapturesOnADeviceWithoutIt) {
  constexpr UINT kBgra = D3D11_CREATE_DEVICE_BGRA_SUPPORT;
  constexpr UINT kBgraVideo = D3D11_CREATE_DEVICE_BGRA_SUPPORT | D3D11_CREATE_DEVICE_VIDEO_SUPPORT;
  struct Case {
    const char* name;
    HRESULT video;
    HRESULT every;
    std::vector<UINT> requested;
    bool captures;
    UINT device_flags;
  };
  const Case cases[] = {
      {"video granted", S_OK, S_OK, {kBgraVideo}, true, kBgraVideo},
      {"video refused", DXGI_ERROR_UNSUPPORTED, S_OK, {kBgraVideo, kBgra}, true, kBgra},
      {"no device at all", DXGI_ERROR_UNSUPPORTED, E_OUTOFMEMORY, {kBgraVideo, kBgra}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devices_.refuse_video_support(c.video);
    devices_.refuse_every_device(c.every);
    const size_t requests_before = devices_.requested_flags().size();
    const size_t frames_before = seen().size();
    const int opens_before = script_.open_calls();
    ASSERT_TRUE(capture_.start(primary_monitor(), recording_callback(), {}));
    if (c.captures) {
      ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kCapturing));
      script_.push(FakeAcquireStep::frame({10, 20, 30, 255}));
      ASSERT_TRUE(script_.wait_until_drained(10s));
      const auto frames = seen();
      ASSERT_EQ(frames.size(), frames_before + 1);
      ASSERT_NE(frames.back().device, nullptr);
      EXPECT_EQ(frames.back().device, script_.last_device());
      EXPECT_EQ(devices_.granted_flags(), c.device_flags);
      EXPECT_TRUE(frames.back().texture_is_scripted);
    } else {
      ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kFailed));
      const DesktopCaptureStats stats = capture_.stats();
      EXPECT_EQ(stats.last_result, E_OUTOFMEMORY);
      EXPECT_EQ(stats.stage, DesktopCaptureStage::kOutputFound);
      EXPECT_EQ(script_.open_calls(), opens_before);
    }
    capture_.stop();
    const std::vector<UINT> requested = devices_.requested_flags();
    EXPECT_EQ(std::vector<UINT>(requested.begin() + static_cast<std::ptrdiff_t>(requests_before),
                                requested.end()),
              c.requested);
  }
}

TEST_F(FakeCaptureTest, CountsFramesCoalescedIntoOne) {
  start_capturing();
  const UINT accumulated[] = {0, 1, 3, 5};
  for (const UINT count : accumulated) {
    script_.push(FakeAcquireStep::frame().with_accumulated_frames(count));
  }
  ASSERT_TRUE(script_.wait_until_drained(10s));
  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.frames, 4u);
  EXPECT_EQ(stats.coalesced_frames, 0u + 0u + 2u + 4u);
}

TEST_F(FakeCaptureTest, CursorChangesOnlyWithMouseUpdatesAndShapesOnlyWithNewShapes) {
  start_capturing();
  const std::vector<uint8_t> arrow = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::vector<uint8_t> beam = {0xAA, 0xBB, 0xCC, 0xDD};
  DXGI_OUTDUPL_POINTER_SHAPE_INFO arrow_info{
      DXGI_OUTDUPL_POINTER_SHAPE_TYPE_COLOR, 1, 3, 4, {0, 1}};
  DXGI_OUTDUPL_POINTER_SHAPE_INFO beam_info{
      DXGI_OUTDUPL_POINTER_SHAPE_TYPE_MONOCHROME, 1, 4, 1, {0, 0}};

  // 1: no update yet. 2: position and arrow. 3: no mouse update, although
  // the record's position says otherwise. 4: hidden elsewhere. 5: a new,
  // smaller shape without a mouse update.
  script_.push(FakeAcquireStep::frame());
  script_.push(FakeAcquireStep::frame().with_mouse({10, 20}, true).with_shape(arrow, arrow_info));
  FakeAcquireStep stale = FakeAcquireStep::frame();
  stale.frame_info.PointerPosition.Position = {999, 999};
  stale.frame_info.PointerPosition.Visible = FALSE;
  script_.push(stale);
  script_.push(FakeAcquireStep::frame().with_mouse({-30, 40}, false));
  script_.push(FakeAcquireStep::frame().with_shape(beam, beam_info));
  ASSERT_TRUE(script_.wait_until_drained(10s));

  struct Expected {
    bool visible;
    POINT position;
    std::vector<uint8_t> shape;
    UINT shape_type;
  };
  const Expected expected[] = {
      {false, {0, 0}, {}, 0},
      {true, {10, 20}, arrow, DXGI_OUTDUPL_POINTER_SHAPE_TYPE_COLOR},
      {true, {10, 20}, arrow, DXGI_OUTDUPL_POINTER_SHAPE_TYPE_COLOR},
      {false, {-30, 40}, arrow, DXGI_OUTDUPL_POINTER_SHAPE_TYPE_COLOR},
      {false, {-30, 40}, beam, DXGI_OUTDUPL_POINTER_SHAPE_TYPE_MONOCHROME},
  };
  const auto frames = seen();
  ASSERT_EQ(frames.size(), std::size(expected));
  for (size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(i + 1);
    const CapturedCursor& cursor = frames[i].info.cursor;
    EXPECT_EQ(cursor.visible, expected[i].visible);
    EXPECT_EQ(cursor.position.x, expected[i].position.x);
    EXPECT_EQ(cursor.position.y, expected[i].position.y);
    EXPECT_EQ(cursor.shape_size, expected[i].shape.size());
    EXPECT_EQ(frames[i].shape, expected[i].shape);
    EXPECT_EQ(cursor.shape_info.Type, expected[i].shape_type);
  }
  EXPECT_EQ(frames[1].info.cursor.shape_info.HotSpot.y, 1);
  EXPECT_EQ(frames[4].info.cursor.shape_info.Pitch, 1u);
}

TEST_F(FakeCaptureTest, IdleCallbackRunsOnEveryTimeoutAndItsFailureEndsTheCapture) {
  for (int i = 0; i < 3; ++i) script_.push(FakeAcquireStep::timeout());
  int idle_calls = 0;
  ASSERT_TRUE(capture_.start(primary_monitor(), recording_callback(),
                             [&] { return ++idle_calls == 3 ? E_ABORT : S_OK; }));
  ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kFailed));
  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(idle_calls, 3);
  EXPECT_EQ(stats.timeouts, 3u);
  EXPECT_EQ(stats.callback_failures, 1u);
  EXPECT_EQ(stats.last_result, E_ABORT);
  EXPECT_EQ(stats.stage, DesktopCaptureStage::kDuplicating);
}

// The idle callback repeats the last video frame about 60 times a second,
// so with one the acquire waits 16 ms; without one it waits 100 ms.
TEST(DesktopCaptureAcquire, WaitsSixteenMillisecondsWithAnIdleCallbackElseOneHundred) {
  struct Case {
    bool idle;
    UINT expected_ms;
  };
  const Case cases[] = {{true, 16}, {false, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.idle);
    FakeDuplicationScript script(FakeDuplicationScript::mode(16, 16, DXGI_FORMAT_B8G8R8A8_UNORM));
    script.push(FakeAcquireStep::frame());
    DesktopCapture capture({script.opener(), [](std::stop_token) { return true; }});
    IdleCallback on_idle;
    if (c.idle) on_idle = [] { return S_OK; };
    ASSERT_TRUE(capture.start(primary_monitor(), {}, std::move(on_idle)));
    ASSERT_TRUE(script.wait_until_drained(10s));
    EXPECT_EQ(script.last_acquire_timeout_ms(), c.expected_ms);
    capture.stop();
  }
}

TEST_F(FakeCaptureTest, TimeoutsWithoutIdleCallbackAreCounted) {
  start_capturing();
  script_.push(FakeAcquireStep::timeout());
  script_.push(FakeAcquireStep::timeout());
  ASSERT_TRUE(script_.wait_until_drained(10s));
  EXPECT_GE(capture_.stats().timeouts, 2u);
  EXPECT_EQ(capture_.stats().state, DesktopCaptureState::kCapturing);
}

TEST_F(FakeCaptureTest, FailingFrameCallbackEndsTheCaptureAndReleasesTheFrame) {
  ASSERT_TRUE(capture_.start(primary_monitor(),
                             [](auto...) { return static_cast<HRESULT>(E_OUTOFMEMORY); }, {}));
  script_.push(FakeAcquireStep::frame());
  ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kFailed));
  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.last_result, E_OUTOFMEMORY);
  EXPECT_EQ(stats.callback_failures, 1u);
  EXPECT_EQ(stats.frames, 0u);
  ASSERT_TRUE(eventually([&] { return script_.frames_released() == 1; }));
}

// An exception must not leave the capture thread (it would end the
// process): a throwing callback fails the capture like a failing one.
TEST(DesktopCaptureCallbacks, ThrowingCallbackFailsTheCaptureInsteadOfEndingTheProcess) {
  struct Case {
    const char* name;
    bool idle;
    bool out_of_memory;
    HRESULT expected;
  };
  const Case cases[] = {
      {"frame callback throws", false, false, E_UNEXPECTED},
      {"frame callback runs out of memory", false, true, E_OUTOFMEMORY},
      {"idle callback throws", true, false, E_UNEXPECTED},
      {"idle callback runs out of memory", true, true, E_OUTOFMEMORY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDuplicationScript script(FakeDuplicationScript::mode(16, 16, DXGI_FORMAT_B8G8R8A8_UNORM));
    script.push(c.idle ? FakeAcquireStep::timeout() : FakeAcquireStep::frame());
    const auto raise = [out_of_memory = c.out_of_memory]() -> HRESULT {
      if (out_of_memory) throw std::bad_alloc();
      throw std::runtime_error("callback broke");
    };
    DesktopCapture capture({script.opener(), [](std::stop_token) { return true; }});
    FrameCallback on_frame;
    IdleCallback on_idle;
    if (c.idle) {
      on_idle = raise;
    } else {
      on_frame = [raise](auto...) { return raise(); };
    }
    ASSERT_TRUE(capture.start(primary_monitor(), std::move(on_frame), std::move(on_idle)));
    ASSERT_TRUE(reaches_state(capture, DesktopCaptureState::kFailed));
    const DesktopCaptureStats stats = capture.stats();
    EXPECT_EQ(stats.last_result, c.expected);
    EXPECT_EQ(stats.callback_failures, 1u);
    EXPECT_EQ(stats.frames, 0u);
    capture.stop();
    EXPECT_EQ(script.frames_delivered(), script.frames_released());
    EXPECT_EQ(script.live_duplications(), 0);
  }
}

TEST_F(FakeCaptureTest, FailingPointerShapeEndsTheCapture) {
  start_capturing();
  FakeAcquireStep step = FakeAcquireStep::frame().with_shape({1, 2, 3, 4}, {});
  step.pointer_shape_result = E_OUTOFMEMORY;
  script_.push(step);
  ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kFailed));
  EXPECT_EQ(capture_.stats().last_result, E_OUTOFMEMORY);
  EXPECT_TRUE(seen().empty());
}

// The desktop switching between the acquire and the pointer-shape read (a
// UAC prompt, the lock screen) loses access on the read: the frame goes back,
// the duplication is opened again and the frames that follow arrive as
// before.
TEST_F(FakeCaptureTest, LostAccessOnThePointerShapeReadIsRecoveredAndFramesGoOn) {
  start_capturing();
  script_.push(FakeAcquireStep::frame({1, 2, 3, 255}).with_mouse({5, 6}, true));
  FakeAcquireStep switched = FakeAcquireStep::frame({9, 9, 9, 255})
                                 .with_mouse({7, 8}, true)
                                 .with_shape({1, 2, 3, 4}, {});
  switched.pointer_shape_result = DXGI_ERROR_ACCESS_LOST;
  script_.push(switched);
  script_.push(FakeAcquireStep::frame({4, 5, 6, 255}).with_shape({5, 6, 7, 8}, {}));
  ASSERT_TRUE(script_.wait_until_drained(10s));

  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.state, DesktopCaptureState::kCapturing);
  EXPECT_EQ(stats.last_result, S_OK);
  EXPECT_EQ(stats.recovery_episodes, 1u);
  EXPECT_EQ(stats.recoveries, 1u);
  EXPECT_EQ(stats.frames, 2u);
  EXPECT_EQ(stats.callback_failures, 0u);
  EXPECT_EQ(script_.open_calls(), 2);
  // The frame whose shape was lost was handed back, not to the callback.
  EXPECT_EQ(script_.frames_delivered(), 3);
  EXPECT_EQ(script_.frames_released(), 3);

  const auto frames = seen();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].info.cursor.position.x, 5);
  EXPECT_TRUE(frames[0].info.cursor.visible);
  // After the recovery the cursor starts afresh and takes the new shape.
  EXPECT_FALSE(frames[1].info.cursor.visible);
  EXPECT_EQ(frames[1].shape, (std::vector<uint8_t>{5, 6, 7, 8}));
  EXPECT_TRUE(frames[1].texture_is_scripted);
}

TEST_F(FakeCaptureTest, OtherAcquireErrorsFailWithoutRecovery) {
  start_capturing();
  script_.push(FakeAcquireStep::error(DXGI_ERROR_DRIVER_INTERNAL_ERROR));
  ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kFailed));
  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.last_result, DXGI_ERROR_DRIVER_INTERNAL_ERROR);
  // The real device was not removed.
  EXPECT_EQ(stats.device_removed_reason, S_OK);
  EXPECT_EQ(stats.recovery_episodes, 0u);
  EXPECT_EQ(script_.open_calls(), 1);
}

TEST_F(FakeCaptureTest, LostAccessIsRecoveredAndTheCursorStartsAfresh) {
  start_capturing();
  script_.push(FakeAcquireStep::frame().with_mouse({5, 6}, true).with_shape({1, 2, 3, 4}, {}));
  script_.push(FakeAcquireStep::error(DXGI_ERROR_ACCESS_LOST));
  script_.push(FakeAcquireStep::frame());
  ASSERT_TRUE(script_.wait_until_drained(10s));

  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.state, DesktopCaptureState::kCapturing);
  EXPECT_EQ(stats.last_result, S_OK);
  EXPECT_EQ(stats.recovery_episodes, 1u);
  EXPECT_EQ(stats.recovery_attempts, 1u);
  EXPECT_EQ(stats.recoveries, 1u);
  EXPECT_EQ(stats.frames, 2u);
  EXPECT_EQ(script_.open_calls(), 2);
  EXPECT_EQ(retry_waits_, 1);

  const auto frames = seen();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_TRUE(frames[0].info.cursor.visible);
  EXPECT_EQ(frames[0].info.cursor.shape_size, 4u);
  EXPECT_FALSE(frames[1].info.cursor.visible);
  EXPECT_EQ(frames[1].info.cursor.position.x, 0);
  EXPECT_EQ(frames[1].info.cursor.position.y, 0);
  EXPECT_EQ(frames[1].info.cursor.shape_size, 0u);
  EXPECT_EQ(frames[1].info.cursor.shape_data, nullptr);
}

TEST_F(FakeCaptureTest, MonitorThatDisappearsIsRetriedFortyTimesThenFails) {
  start_capturing();
  script_.set_default_open_result(DXGI_ERROR_NOT_FOUND);
  script_.push(FakeAcquireStep::error(DXGI_ERROR_ACCESS_LOST));
  ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kFailed));

  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.last_result, DXGI_ERROR_NOT_FOUND);
  EXPECT_EQ(stats.recovery_episodes, 1u);
  EXPECT_EQ(stats.recovery_attempts, 40u);
  EXPECT_EQ(stats.recoveries, 0u);
  EXPECT_EQ(retry_waits_, 40);
  EXPECT_EQ(script_.open_calls(), 1 + 40);

  // Recovering throughout, showing the lost access first and then the
  // result of the latest attempt.
  std::lock_guard lock(seen_mutex_);
  ASSERT_EQ(while_waiting_.size(), 40u);
  for (size_t i = 0; i < while_waiting_.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(while_waiting_[i].state, DesktopCaptureState::kRecovering);
    EXPECT_EQ(while_waiting_[i].last_result,
              i == 0 ? DXGI_ERROR_ACCESS_LOST : DXGI_ERROR_NOT_FOUND);
  }
}

TEST_F(FakeCaptureTest, FortyAttemptsAreAllowedPerEpisodeNotPerCapture) {
  start_capturing();
  // Each episode succeeds at its fortieth attempt.
  for (int episode = 1; episode <= 2; ++episode) {
    SCOPED_TRACE(episode);
    for (int i = 0; i < 39; ++i) script_.push_open_result(DXGI_ERROR_NOT_FOUND);
    script_.push_open_result(S_OK);
    script_.push(FakeAcquireStep::error(DXGI_ERROR_ACCESS_LOST));
    ASSERT_TRUE(eventually([&] {
      return capture_.stats().recoveries == static_cast<uint64_t>(episode);
    }));
  }
  script_.push(FakeAcquireStep::frame());
  ASSERT_TRUE(script_.wait_until_drained(10s));

  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.state, DesktopCaptureState::kCapturing);
  EXPECT_EQ(stats.last_result, S_OK);
  EXPECT_EQ(stats.recovery_episodes, 2u);
  EXPECT_EQ(stats.recovery_attempts, 80u);
  EXPECT_EQ(stats.recoveries, 2u);
  EXPECT_EQ(stats.frames, 1u);
  EXPECT_EQ(script_.open_calls(), 1 + 80);
}

TEST_F(FakeCaptureTest, NonTransientReopenFailureEndsTheEpisodeAtOnce) {
  start_capturing();
  script_.set_default_open_result(E_NOTIMPL);
  script_.push(FakeAcquireStep::error(DXGI_ERROR_SESSION_DISCONNECTED));
  ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kFailed));
  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.last_result, E_NOTIMPL);
  EXPECT_EQ(stats.recovery_attempts, 1u);
  EXPECT_EQ(stats.recoveries, 0u);
}

TEST_F(FakeCaptureTest, FirstOpenRetriesWhileTheFailureIsTransient) {
  struct Case {
    const char* name;
    std::vector<HRESULT> open_results;
    HRESULT default_result;
    DesktopCaptureState state;
    HRESULT last_result;
    uint64_t episodes, attempts, recoveries;
  };
  const Case cases[] = {
      {"recovers",
       {DXGI_ERROR_NOT_CURRENTLY_AVAILABLE, E_ACCESSDENIED},
       S_OK,
       DesktopCaptureState::kCapturing,
       S_OK,
       1,
       2,
       1},
      {"not transient", {E_NOTIMPL}, S_OK, DesktopCaptureState::kFailed, E_NOTIMPL, 0, 0, 0},
      {"turns fatal",
       {DXGI_ERROR_ACCESS_LOST, E_NOTIMPL},
       S_OK,
       DesktopCaptureState::kFailed,
       E_NOTIMPL,
       1,
       1,
       0},
      {"never opens",
       {},
       DXGI_ERROR_NOT_FOUND,
       DesktopCaptureState::kFailed,
       DXGI_ERROR_NOT_FOUND,
       1,
       40,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDuplicationScript script(FakeDuplicationScript::mode(16, 16, DXGI_FORMAT_B8G8R8A8_UNORM));
    for (const HRESULT result : c.open_results) script.push_open_result(result);
    script.set_default_open_result(c.default_result);
    DesktopCapture capture({script.opener(), [](std::stop_token) { return true; }});
    ASSERT_TRUE(capture.start(primary_monitor(), {}, {}));
    ASSERT_TRUE(reaches_state(capture, c.state));
    const DesktopCaptureStats stats = capture.stats();
    EXPECT_EQ(stats.last_result, c.last_result);
    EXPECT_EQ(stats.stage, c.state == DesktopCaptureState::kCapturing
                               ? DesktopCaptureStage::kDuplicating
                               : DesktopCaptureStage::kOpeningDuplication);
    EXPECT_EQ(stats.recovery_episodes, c.episodes);
    EXPECT_EQ(stats.recovery_attempts, c.attempts);
    EXPECT_EQ(stats.recoveries, c.recoveries);
    capture.stop();
    EXPECT_EQ(script.live_duplications(), 0);
  }
}

TEST_F(FakeCaptureTest, RefreshReopensTheDuplicationOnce) {
  start_capturing();
  script_.push(FakeAcquireStep::frame());
  ASSERT_TRUE(script_.wait_until_drained(10s));

  capture_.request_refresh();
  ASSERT_TRUE(eventually([&] { return capture_.stats().recoveries == 1; }));
  script_.push(FakeAcquireStep::frame());
  ASSERT_TRUE(script_.wait_until_drained(10s));

  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.state, DesktopCaptureState::kCapturing);
  EXPECT_EQ(stats.last_result, S_OK);
  EXPECT_EQ(stats.recovery_episodes, 1u);
  EXPECT_EQ(stats.recovery_attempts, 1u);
  EXPECT_EQ(stats.recoveries, 1u);
  EXPECT_EQ(stats.frames, 2u);
  EXPECT_EQ(retry_waits_, 1);
  EXPECT_EQ(script_.open_calls(), 2);
}

TEST_F(FakeCaptureTest, RefreshWithoutAWorkerDoesNothingAndStartForgetsAStaleOne) {
  capture_.request_refresh();
  EXPECT_EQ(capture_.stats().state, DesktopCaptureState::kIdle);

  // A request left behind by a run whose thread had already ended.
  script_.push_open_result(E_NOTIMPL);
  ASSERT_TRUE(capture_.start(primary_monitor(), recording_callback(), {}));
  ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kFailed));
  capture_.request_refresh();
  capture_.stop();

  start_capturing();
  script_.push(FakeAcquireStep::frame());
  ASSERT_TRUE(script_.wait_until_drained(10s));
  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.frames, 1u);
  EXPECT_EQ(stats.recovery_episodes, 0u);
  EXPECT_EQ(stats.recovery_attempts, 0u);
  EXPECT_EQ(retry_waits_, 0);
  EXPECT_EQ(script_.open_calls(), 2);
}

// A display change: the re-created duplication has another size and format.
TEST_F(FakeCaptureTest, RefreshTakesTheNewModeSizeAndFormat) {
  start_capturing();
  script_.push(FakeAcquireStep::frame());
  ASSERT_TRUE(script_.wait_until_drained(10s));
  script_.set_mode(FakeDuplicationScript::mode(40, 24, DXGI_FORMAT_R16G16B16A16_FLOAT));

  capture_.request_refresh();
  ASSERT_TRUE(eventually([&] { return capture_.stats().recoveries == 1; }));
  script_.push(FakeAcquireStep::frame());
  ASSERT_TRUE(script_.wait_until_drained(10s));

  const DesktopCaptureStats stats = capture_.stats();
  EXPECT_EQ(stats.width, 40u);
  EXPECT_EQ(stats.height, 24u);
  const auto frames = seen();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_FALSE(frames[0].info.hdr_input);
  EXPECT_TRUE(frames[1].info.hdr_input);
  D3D11_TEXTURE2D_DESC desc{};
  script_.last_texture()->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 40u);
  EXPECT_EQ(desc.Format, DXGI_FORMAT_R16G16B16A16_FLOAT);
}

TEST_F(FakeCaptureTest, StartResetsTheCountersOfThePreviousRun) {
  start_capturing();
  script_.push(FakeAcquireStep::frame().with_accumulated_frames(4));
  script_.push(FakeAcquireStep::timeout());
  script_.push(FakeAcquireStep::error(DXGI_ERROR_ACCESS_LOST));
  script_.push(FakeAcquireStep::frame());
  ASSERT_TRUE(script_.wait_until_drained(10s));
  const DesktopCaptureStats first = capture_.stats();
  ASSERT_EQ(first.frames, 2u);
  capture_.stop();

  // The second run is held while opening, so nothing of it is counted yet.
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> opening{false};
  DuplicationOpener opener = script_.opener();
  DesktopCapture capture({[&, released](IDXGIAdapter1* adapter, IDXGIOutput* output,
                                        ID3D11Device* device, IDXGIOutputDuplication** out) {
                            opening = true;
                            released.wait();
                            return opener(adapter, output, device, out);
                          },
                          [](std::stop_token) { return true; }});
  ASSERT_TRUE(capture.start(primary_monitor(), {}, {}));
  ASSERT_TRUE(eventually([&] { return opening.load(); }));
  DesktopCaptureStats stats = capture.stats();
  EXPECT_EQ(stats.state, DesktopCaptureState::kStarting);
  EXPECT_EQ(stats.stage, DesktopCaptureStage::kOpeningDuplication);
  EXPECT_EQ(stats.frames, 0u);
  EXPECT_EQ(stats.width, 0u);
  release.set_value();
  ASSERT_TRUE(reaches_state(capture, DesktopCaptureState::kCapturing));
  capture.stop();

  // The same object started again.
  ASSERT_TRUE(capture_.start(primary_monitor(), {}, {}));
  ASSERT_TRUE(reaches_state(capture_, DesktopCaptureState::kCapturing));
  stats = capture_.stats();
  EXPECT_EQ(stats.frames, 0u);
  EXPECT_EQ(stats.coalesced_frames, 0u);
  EXPECT_EQ(stats.timeouts, 0u);
  EXPECT_EQ(stats.recovery_episodes, 0u);
  EXPECT_EQ(stats.recovery_attempts, 0u);
  EXPECT_EQ(stats.recoveries, 0u);
  EXPECT_EQ(stats.last_frame_counter, 0);
  EXPECT_EQ(stats.callback_time_total, 0);
  EXPECT_GT(stats.start_counter, first.start_counter);
}

TEST(DesktopCaptureStop, StopDuringARetryWaitEndsTheWaitAndTheCapture) {
  FakeDuplicationScript script(FakeDuplicationScript::mode(16, 16, DXGI_FORMAT_B8G8R8A8_UNORM));
  script.set_default_open_result(DXGI_ERROR_NOT_FOUND);
  // A retry wait that ends only when the capture's stop is requested, and
  // says when it begins: the test needs no clock at all.
  std::mutex mutex;
  std::condition_variable changed;
  int waits = 0;
  bool ended_by_stop = false;
  const RetryWait wait_for_stop = [&](std::stop_token stop) {
    std::unique_lock lock(mutex);
    ++waits;
    changed.notify_all();
    // Looks at the token in short slices rather than waiting on it:
    // libstdc++'s stop-token wait can miss its wake-up under MinGW and
    // hang the stop for good.
    while (!stop.stop_requested()) changed.wait_for(lock, 5ms);
    ended_by_stop = stop.stop_requested();
    return false;
  };
  DesktopCapture capture({script.opener(), wait_for_stop});
  ASSERT_TRUE(capture.start(primary_monitor(), {}, {}));
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return waits == 1; }));
  }

  capture.stop();
  EXPECT_TRUE(ended_by_stop);
  EXPECT_EQ(waits, 1);
  const DesktopCaptureStats stats = capture.stats();
  EXPECT_EQ(stats.state, DesktopCaptureState::kIdle);
  EXPECT_EQ(stats.recovery_episodes, 1u);
  EXPECT_EQ(stats.recovery_attempts, 0u) << "nothing is reopened after the stop";
  EXPECT_EQ(stats.last_result, DXGI_ERROR_NOT_FOUND);
}

}  // namespace
}  // namespace quorvel::windows
