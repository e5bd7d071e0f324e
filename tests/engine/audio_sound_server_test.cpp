// Audio capture against the platform's real audio stack. Under Wine the
// endpoints come from PulseAudio: the AudioPulse* tests need the private
// sound server that the engine_tests_pulse CTest entry starts (PULSE_SERVER
// set) and skip without it; the AudioNoSoundServer* tests check the
// behaviour when no endpoint exists and skip when a server was given.
#include <windows.h>
#include <audioclient.h>
#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/audio_capture_source.h"
#include "engine/audio_device_enumerator.h"
#include "engine/com_apartment.h"
#include "engine/engine_errors.h"
#include "engine/unique_handle.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using namespace std::chrono_literals;
using Microsoft::WRL::ComPtr;

constexpr double kPi = 3.14159265358979323846;
// A generous render buffer (200 ms) so a busy machine does not starve it.
constexpr REFERENCE_TIME kRenderBufferDuration = 2000000;

bool sound_server_given() { return !test::environment(L"PULSE_SERVER").empty(); }

// The endpoint-less and loopback-less behaviour checked here is Wine's; on
// Windows the machine's own devices decide, so those tests skip there.
using quorvel::test::running_under_wine;

int64_t qpc_now() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double seconds_since(int64_t from) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(qpc_now() - from) / static_cast<double>(frequency.QuadPart);
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// Plays a sine into the default render endpoint through a shared,
// event-driven WASAPI render stream until destroyed.
class SinePlayer {
 public:
  SinePlayer(double hertz, float amplitude) : hertz_(hertz), amplitude_(amplitude) {
    thread_ = std::thread([this] { run(); });
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return started_; });
  }
  ~SinePlayer() {
    stop_ = true;
    thread_.join();
  }
  HRESULT result() const {
    std::lock_guard lock(mutex_);
    return result_;
  }

 private:
  void run() {
    const ComApartment com;
    const HRESULT hr = play();
    std::lock_guard lock(mutex_);
    result_ = hr;
    started_ = true;
    ready_.notify_all();
  }

  void report_started() {
    std::lock_guard lock(mutex_);
    started_ = true;
    ready_.notify_all();
  }

  HRESULT play() {
    ComPtr<IMMDeviceEnumerator> enumerator;
    HRESULT hr = create_system_audio_device_enumerator(&enumerator);
    if (FAILED(hr)) return hr;
    ComPtr<IMMDevice> device;
    hr = enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device);
    if (FAILED(hr)) return hr;
    ComPtr<IAudioClient> client;
    hr = device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                          reinterpret_cast<void**>(client.GetAddressOf()));
    if (FAILED(hr)) return hr;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 2;
    format.nSamplesPerSec = 48000;
    format.nAvgBytesPerSec = 384000;
    format.nBlockAlign = 8;
    format.wBitsPerSample = 32;
    hr = client->Initialize(AUDCLNT_SHAREMODE_SHARED,
                            AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM |
                                AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY,
                            kRenderBufferDuration, 0, &format, nullptr);
    if (FAILED(hr)) return hr;
    UniqueEvent event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    hr = client->SetEventHandle(event.get());
    if (FAILED(hr)) return hr;
    UINT32 buffer_frames = 0;
    hr = client->GetBufferSize(&buffer_frames);
    if (FAILED(hr)) return hr;
    ComPtr<IAudioRenderClient> render;
    hr = client->GetService(__uuidof(IAudioRenderClient),
                            reinterpret_cast<void**>(render.GetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = fill(client.Get(), render.Get(), buffer_frames);
    if (FAILED(hr)) return hr;
    hr = client->Start();
    if (FAILED(hr)) return hr;
    report_started();
    while (!stop_) {
      if (WaitForSingleObject(event.get(), 100) != WAIT_OBJECT_0) continue;
      hr = fill(client.Get(), render.Get(), buffer_frames);
      if (FAILED(hr)) break;
    }
    client->Stop();
    return hr;
  }

  HRESULT fill(IAudioClient* client, IAudioRenderClient* render, UINT32 buffer_frames) {
    UINT32 padding = 0;
    HRESULT hr = client->GetCurrentPadding(&padding);
    if (FAILED(hr)) return hr;
    const UINT32 frames = buffer_frames - padding;
    if (frames == 0) return S_OK;
    BYTE* data = nullptr;
    hr = render->GetBuffer(frames, &data);
    if (FAILED(hr)) return hr;
    float* samples = reinterpret_cast<float*>(data);
    for (UINT32 i = 0; i < frames; ++i) {
      const float value = amplitude_ * static_cast<float>(std::sin(phase_));
      samples[2 * i] = value;
      samples[2 * i + 1] = value;
      phase_ += 2.0 * kPi * hertz_ / 48000.0;
      if (phase_ > 2.0 * kPi) phase_ -= 2.0 * kPi;
    }
    return render->ReleaseBuffer(frames, 0);
  }

  const double hertz_;
  const float amplitude_;
  double phase_ = 0.0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  bool started_ = false;
  HRESULT result_ = S_OK;
  std::thread thread_;
};

// Keeps the left channel of every audible packet.
class SampleCollector {
 public:
  AudioBlockCallback callback() {
    return [this](const float* data, uint32_t frames, int64_t, bool silent, bool) -> HRESULT {
      std::lock_guard lock(mutex_);
      ++packets_;
      if (silent || !data) return S_OK;
      for (uint32_t i = 0; i < frames; ++i) {
        const float left = data[2 * i];
        // Skip the silence before the rendered sound arrives.
        if (left_.empty() && std::fabs(left) < 0.05f) continue;
        left_.push_back(left);
      }
      changed_.notify_all();
      return S_OK;
    };
  }
  bool wait_for_frames(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return left_.size() >= count; });
  }
  std::vector<float> left() {
    std::lock_guard lock(mutex_);
    return left_;
  }
  uint64_t packets() {
    std::lock_guard lock(mutex_);
    return packets_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<float> left_;
  uint64_t packets_ = 0;
};

TEST(AudioPulseTest, MicrophonePathCapturesRenderedSineAtItsLevelAndFrequency) {
  if (!sound_server_given()) GTEST_SKIP() << "needs the private sound server (PULSE_SERVER)";

  const std::vector<AudioDeviceInfo> microphones = enumerate_audio_capture_devices(true);
  ASSERT_FALSE(microphones.empty());
  EXPECT_TRUE(microphones[0].is_default);
  EXPECT_FALSE(microphones[0].name.empty());
  std::printf("default capture endpoint: %s\n", test::utf8(microphones[0].name).c_str());

  auto source = AudioCaptureSource::create();
  SampleCollector collector;
  ASSERT_TRUE(source->start(AudioCaptureEndpoint{AudioSourceKind::Microphone, {}},
                            collector.callback()));
  SinePlayer player(1000.0, 0.5f);
  ASSERT_HRESULT_SUCCEEDED(player.result());

  // The first sound arrives one to two seconds after the streams start.
  constexpr size_t kWindow = 4800;  // 100 ms
  constexpr size_t kWindows = 10;
  const bool enough = collector.wait_for_frames(kWindow * (kWindows + 1), 20s);
  const AudioCaptureStats stats = source->stats();
  source->stop();
  ASSERT_TRUE(enough) << "captured " << collector.left().size() << " audible frames in "
                      << collector.packets() << " packets; last result 0x" << std::hex
                      << stats.last_result;

  // Level and frequency per 100 ms window, the first skipped while the sound
  // settles; the medians ignore a window hit by a scheduling hiccup of the
  // real-time streams on a busy machine.
  const std::vector<float> left = collector.left();
  std::vector<double> peaks, rms_values, frequencies;
  for (size_t w = 1; w <= kWindows; ++w) {
    const float* window = left.data() + w * kWindow;
    float peak = 0.0f;
    double energy = 0.0;
    double first_crossing = -1.0, last_crossing = -1.0;
    size_t crossings = 0;
    for (size_t i = 0; i < kWindow; ++i) {
      peak = std::max(peak, std::fabs(window[i]));
      energy += static_cast<double>(window[i]) * window[i];
      if (i > 0 && window[i - 1] < 0.0f && window[i] >= 0.0f) {
        // Interpolated position of the rising zero crossing.
        const double at = static_cast<double>(i - 1) +
                          window[i - 1] / static_cast<double>(window[i - 1] - window[i]);
        if (first_crossing < 0) first_crossing = at;
        last_crossing = at;
        ++crossings;
      }
    }
    peaks.push_back(peak);
    rms_values.push_back(std::sqrt(energy / kWindow));
    frequencies.push_back(crossings > 1 ? (crossings - 1) * 48000.0 /
                                              (last_crossing - first_crossing)
                                        : 0.0);
  }
  const auto median = [](std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  const double peak = median(peaks);
  const double rms = median(rms_values);
  const double hertz = median(frequencies);
  std::printf("captured sine: peak %.3f, rms %.3f, %.1f Hz (medians of %zu windows)\n", peak, rms,
              hertz, kWindows);
  EXPECT_NEAR(0.5, peak, 0.05);
  EXPECT_NEAR(0.5 / std::sqrt(2.0), rms, 0.04);
  EXPECT_NEAR(1000.0, hertz, 5.0);

  EXPECT_EQ(AudioCaptureState::Capturing, stats.state);
  EXPECT_EQ(microphones[0].id, stats.device_id);
  EXPECT_EQ(microphones[0].name, stats.device_name);
  EXPECT_GT(stats.level, 0.3f);
  EXPECT_GT(stats.packets, 0u);
  EXPECT_EQ(stats.frames * 8, stats.bytes);
  EXPECT_EQ(0u, stats.callback_failures);
  EXPECT_EQ(AudioCaptureState::Idle, source->stats().state);
}

TEST(AudioPulseTest, SystemSourceWithoutLoopbackRetriesAndStopsCleanly) {
  if (!sound_server_given()) GTEST_SKIP() << "needs the private sound server (PULSE_SERVER)";
  if (!running_under_wine()) GTEST_SKIP() << "checks Wine's missing loopback capture";
  ASSERT_FALSE(enumerate_audio_capture_devices(false).empty()) << "a render endpoint exists";

  auto source = AudioCaptureSource::create();
  SampleCollector collector;
  const int64_t started = qpc_now();
  ASSERT_TRUE(source->start(AudioCaptureEndpoint{AudioSourceKind::System, {}},
                            collector.callback()));
  ASSERT_TRUE(eventually([&] { return source->stats().failures >= 3; }, 10s));
  const double elapsed = seconds_since(started);
  AudioCaptureStats stats = source->stats();
  // Wine initialises the loopback stream and then refuses the capture
  // service; the source must retry, not crash on the missing client.
  EXPECT_EQ(AudioCaptureState::Reconnecting, stats.state);
  EXPECT_EQ(kErrorAudioWrongEndpointType, stats.last_result);
  EXPECT_GE(stats.retries, 2u);
  EXPECT_EQ(0u, stats.reconnects);
  EXPECT_GT(elapsed, 1.8) << "retries wait about a second";
  EXPECT_EQ(0u, collector.packets());

  const int64_t stopping = qpc_now();
  source->stop();
  EXPECT_LT(seconds_since(stopping), 0.5);
  stats = source->stats();
  EXPECT_EQ(AudioCaptureState::Idle, stats.state);
  EXPECT_EQ(S_OK, stats.last_result);
}

TEST(AudioNoSoundServerTest, SourceRetriesWithNotFoundAboutOnceASecondAndListsNothing) {
  if (sound_server_given()) GTEST_SKIP() << "a sound server was given";
  if (!running_under_wine()) GTEST_SKIP() << "checks Wine without a sound server";
  EXPECT_TRUE(enumerate_audio_capture_devices(true).empty());
  EXPECT_TRUE(enumerate_audio_capture_devices(false).empty());

  auto source = AudioCaptureSource::create();
  SampleCollector collector;
  const int64_t started = qpc_now();
  ASSERT_TRUE(source->start(AudioCaptureEndpoint{AudioSourceKind::Microphone, {}},
                            collector.callback()));
  ASSERT_TRUE(eventually([&] { return source->stats().failures >= 3; }, 10s));
  const double elapsed = seconds_since(started);
  AudioCaptureStats stats = source->stats();
  EXPECT_EQ(AudioCaptureState::Reconnecting, stats.state);
  EXPECT_EQ(kErrorNotFound, stats.last_result);
  EXPECT_GT(elapsed, 1.8) << "three attempts take two retry waits";
  EXPECT_LT(elapsed, 4.0);
  EXPECT_TRUE(stats.device_id.empty());

  const int64_t stopping = qpc_now();
  source->stop();
  EXPECT_LT(seconds_since(stopping), 0.5) << "stop cuts the retry wait short";
  EXPECT_EQ(AudioCaptureState::Idle, source->stats().state);
}

}  // namespace
}  // namespace quorvel::windows
