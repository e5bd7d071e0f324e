#include "engine/audio_capture_source.h"

#include <audioclient.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "engine/engine_errors.h"
#include "tests/fakes/engine/fake_audio_endpoints.h"
#include "tests/support/fake_clock.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using namespace std::chrono_literals;
using Microsoft::WRL::ComPtr;

constexpr DWORD kMicrophoneFlags = 0x88040000;
constexpr DWORD kLoopbackFlags = 0x88060000;
constexpr int64_t kSecond = AudioCaptureSource::kRetryWaitNs;
static_assert(kSecond == 1'000'000'000, "the source retries once a second");

int64_t qpc_now() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int64_t qpc_frequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

double seconds_between(int64_t from, int64_t to) {
  return static_cast<double>(to - from) / static_cast<double>(qpc_frequency());
}

// Waits for a condition that another thread makes true, checking every
// millisecond; the capture thread offers no event for its state changes.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = 5000ms) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// Records what the capture source hands to its callback.
class PacketLog {
 public:
  struct Packet {
    const float* data = nullptr;
    std::vector<float> samples;
    uint32_t frames = 0;
    int64_t time = 0;
    bool silent = false;
    bool discontinuity = false;
    int64_t received_at = 0;
  };

  AudioBlockCallback callback() {
    return [this](const float* data, uint32_t frames, int64_t time, bool silent,
                  bool discontinuity) -> HRESULT {
      Packet packet;
      packet.data = data;
      if (data) packet.samples.assign(data, data + frames * 2);
      packet.frames = frames;
      packet.time = time;
      packet.silent = silent;
      packet.discontinuity = discontinuity;
      packet.received_at = qpc_now();
      std::lock_guard lock(mutex_);
      packets_.push_back(std::move(packet));
      changed_.notify_all();
      return results_.size() >= packets_.size() ? results_[packets_.size() - 1] : S_OK;
    };
  }
  // Results for the first packets, in order; later packets get S_OK.
  void set_results(std::vector<HRESULT> results) {
    std::lock_guard lock(mutex_);
    results_ = std::move(results);
  }
  bool wait_for(size_t count, std::chrono::milliseconds timeout = 5000ms) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return packets_.size() >= count; });
  }
  Packet at(size_t index) {
    std::lock_guard lock(mutex_);
    return packets_.at(index);
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Packet> packets_;
  std::vector<HRESULT> results_;
};

FakeAudioPacket packet_of(std::vector<float> samples, DWORD flags = 0, uint64_t qpc_position = 0) {
  FakeAudioPacket packet;
  packet.frames = static_cast<uint32_t>(samples.size() / 2);
  packet.samples = std::move(samples);
  packet.flags = flags;
  packet.qpc_position = qpc_position;
  return packet;
}

// A packet stamped with the current time in WASAPI's 100-ns units.
uint64_t qpc_position_now() {
  return static_cast<uint64_t>(static_cast<double>(qpc_now()) * 1e7 /
                               static_cast<double>(qpc_frequency()));
}

class AudioCaptureSourceTest : public testing::Test {
 protected:
  void SetUp() override {
    system_.set_clock(clock_);
    system_.add_device(L"mic-1", L"USB Microphone", eCapture);
    system_.add_device(L"mic-2", L"Headset Microphone", eCapture);
    system_.add_device(L"speakers", L"Speakers", eRender);
    system_.add_device(L"headphones", L"Headphones", eRender);
    system_.set_default(eCapture, L"mic-1");
    system_.set_default(eRender, L"speakers");
  }
  void TearDown() override { source_->stop(); }

  bool start(AudioSourceKind kind, const std::wstring& id = L"") {
    return source_->start(AudioCaptureEndpoint{kind, id}, log_.callback());
  }
  // Starts and waits until the stream runs.
  void start_capturing(AudioSourceKind kind, const std::wstring& id = L"") {
    ASSERT_TRUE(start(kind, id));
    ASSERT_TRUE(system_.wait_for_streams(1, 5000ms));
    ASSERT_TRUE(eventually([&] { return source_->stats().state == AudioCaptureState::Capturing; }));
  }
  ComPtr<IMMNotificationClient> client() {
    ComPtr<IMMNotificationClient> registered = system_.notification_client();
    EXPECT_TRUE(registered);
    return registered;
  }

  // Retries wait on this clock, which moves only when a test advances it.
  std::shared_ptr<test::FakeClock> clock_ = std::make_shared<test::FakeClock>();
  FakeAudioSystem system_;
  PacketLog log_;
  std::unique_ptr<AudioCaptureSource> source_ =
      AudioCaptureSource::create(system_.factory(), clock_);
};

TEST_F(AudioCaptureSourceTest, SecondStartReturnsFalseAndStopWithoutStartReturnsAtOnce) {
  source_->stop();
  EXPECT_EQ(AudioCaptureState::Idle, source_->stats().state);
  EXPECT_EQ(48000u, source_->stats().sample_rate);
  EXPECT_EQ(2u, source_->stats().channels);
  EXPECT_FALSE(source_->start(AudioCaptureEndpoint{AudioSourceKind::Microphone, L""}, {}))
      << "a callback is required";

  start_capturing(AudioSourceKind::Microphone);
  EXPECT_FALSE(start(AudioSourceKind::System)) << "already running";
  EXPECT_EQ(L"mic-1", source_->stats().device_id) << "the refused start changed nothing";

  source_->stop();
  const AudioCaptureStats stopped = source_->stats();
  EXPECT_EQ(AudioCaptureState::Idle, stopped.state);
  EXPECT_EQ(S_OK, stopped.last_result);
  EXPECT_TRUE(system_.unregistered());
  EXPECT_TRUE(system_.streams().back().stopped);
  EXPECT_TRUE(start(AudioSourceKind::Microphone)) << "a stopped source starts again";
}

TEST_F(AudioCaptureSourceTest, OpensSharedEventDrivenFloatStreamPerKind) {
  struct Case {
    const char* name;
    AudioSourceKind kind;
    DWORD flags;
    EDataFlow flow;
    const wchar_t* device;
    const wchar_t* name_shown;
  };
  const Case cases[] = {
      {"microphone", AudioSourceKind::Microphone, kMicrophoneFlags, eCapture, L"mic-1",
       L"USB Microphone"},
      {"system sound through loopback", AudioSourceKind::System, kLoopbackFlags, eRender,
       L"speakers", L"Speakers"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeAudioSystem world;
    world.add_device(L"mic-1", L"USB Microphone", eCapture);
    world.add_device(L"speakers", L"Speakers", eRender);
    world.set_default(eCapture, L"mic-1");
    world.set_default(eRender, L"speakers");
    auto source = AudioCaptureSource::create(world.factory());
    PacketLog log;
    ASSERT_TRUE(source->start(AudioCaptureEndpoint{c.kind, L""}, log.callback()));
    ASSERT_TRUE(world.wait_for_streams(1, 5000ms));

    const FakeStreamRecord stream = world.streams().at(0);
    EXPECT_EQ(c.device, stream.device_id);
    EXPECT_EQ(AUDCLNT_SHAREMODE_SHARED, stream.share_mode);
    EXPECT_EQ(c.flags, stream.flags);
    EXPECT_EQ(0, stream.buffer_duration);
    EXPECT_EQ(0, stream.periodicity);
    EXPECT_EQ(WAVE_FORMAT_IEEE_FLOAT, stream.format.wFormatTag);
    EXPECT_EQ(2, stream.format.nChannels);
    EXPECT_EQ(48000u, stream.format.nSamplesPerSec);
    EXPECT_EQ(384000u, stream.format.nAvgBytesPerSec);
    EXPECT_EQ(8, stream.format.nBlockAlign);
    EXPECT_EQ(32, stream.format.wBitsPerSample);
    EXPECT_EQ(0, stream.format.cbSize);
    ASSERT_FALSE(world.default_requests().empty());
    EXPECT_EQ(c.flow, world.default_requests()[0].first);
    EXPECT_EQ(eConsole, world.default_requests()[0].second);

    const uint64_t stamp = qpc_position_now();
    ASSERT_TRUE(world.deliver(packet_of({0.25f, -0.5f, 0.125f, 0.0f}, 0, stamp)));
    ASSERT_TRUE(log.wait_for(1));
    const PacketLog::Packet got = log.at(0);
    EXPECT_EQ(2u, got.frames);
    EXPECT_EQ((std::vector<float>{0.25f, -0.5f, 0.125f, 0.0f}), got.samples);
    EXPECT_FALSE(got.silent);
    EXPECT_FALSE(got.discontinuity);

    ASSERT_TRUE(world.wait_for_releases(1, 5000ms));
    const AudioCaptureStats stats = source->stats();
    EXPECT_EQ(AudioCaptureState::Capturing, stats.state);
    EXPECT_EQ(1u, stats.packets);
    EXPECT_EQ(2u, stats.frames);
    EXPECT_EQ(16u, stats.bytes);
    EXPECT_FLOAT_EQ(0.5f, stats.level);
    EXPECT_EQ(c.device, stats.device_id);
    EXPECT_EQ(c.name_shown, stats.device_name);
    EXPECT_EQ(0u, stats.retries);
    EXPECT_EQ((std::vector<uint32_t>{2}), world.released_frames());
    source->stop();
  }
}

TEST_F(AudioCaptureSourceTest, SilentPacketPassesItsPointerFlaggedSilentWithoutRaisingLevel) {
  start_capturing(AudioSourceKind::Microphone);
  ASSERT_TRUE(system_.deliver(packet_of({0.5f, 0.5f, -0.25f, 0.25f})));
  ASSERT_TRUE(log_.wait_for(1));
  // The engine flags the packet silent; its buffer holds loud garbage.
  ASSERT_TRUE(system_.deliver(packet_of({1.0f, 1.0f, 1.0f, 1.0f},
                                        AUDCLNT_BUFFERFLAGS_SILENT |
                                            AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY)));
  ASSERT_TRUE(log_.wait_for(2));
  const PacketLog::Packet silent = log_.at(1);
  EXPECT_TRUE(silent.silent);
  EXPECT_TRUE(silent.discontinuity);
  EXPECT_EQ(system_.last_buffer(), static_cast<const void*>(silent.data))
      << "the pointer the engine gave is passed through";

  ASSERT_TRUE(system_.wait_for_releases(2, 5000ms));
  const AudioCaptureStats stats = source_->stats();
  EXPECT_FLOAT_EQ(0.5f * 0.92f, stats.level) << "decays per packet, not raised";
  EXPECT_EQ(1u, stats.silent_packets);
  EXPECT_EQ(1u, stats.discontinuity_packets);
  EXPECT_EQ(2u, stats.packets);
}

TEST_F(AudioCaptureSourceTest, LevelFollowsTheLoudestSampleAtOnceAndDecaysPerPacket) {
  struct Step {
    const char* name;
    std::vector<float> samples;  // empty: a packet without data
    float level;                 // expected after the packet
  };
  const Step steps[] = {
      {"first sound", {0.5f, -0.25f}, 0.5f},
      {"louder than full scale is full scale", {1.5f, 0.2f}, 1.0f},
      {"quieter: decays by 0.92", {0.1f, 0.1f}, 0.92f},
      {"no data: decays again", {}, 0.92f * 0.92f},
      {"the loudest sample counts, whatever its sign", {-0.9f, 0.0f}, 0.9f},
  };
  start_capturing(AudioSourceKind::Microphone);
  size_t delivered = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    FakeAudioPacket packet = packet_of(step.samples);
    packet.frames = 1;
    ASSERT_TRUE(system_.deliver(std::move(packet)));
    ASSERT_TRUE(system_.wait_for_releases(++delivered, 5000ms));
    EXPECT_FLOAT_EQ(step.level, source_->stats().level);
  }
  ASSERT_TRUE(log_.wait_for(delivered));
  EXPECT_EQ(nullptr, log_.at(3).data);
  EXPECT_FALSE(log_.at(3).silent);
  source_->stop();
  EXPECT_EQ(0.0f, source_->stats().level) << "a stopped source shows no level";
}

TEST_F(AudioCaptureSourceTest, PacketTimeIsItsQpcPositionOrNowWhenMissingOrFlagged) {
  struct Case {
    const char* name;
    DWORD flags;
    bool stamped;
    bool expect_now;
  };
  const Case cases[] = {
      {"stamped packet keeps its position", 0, true, false},
      {"position 0 gives now", 0, false, true},
      {"timestamp error gives now", AUDCLNT_BUFFERFLAGS_TIMESTAMP_ERROR, true, true},
  };
  start_capturing(AudioSourceKind::Microphone);
  size_t delivered = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A position well in the past, so "now" cannot be mistaken for it.
    const uint64_t position = c.stamped ? qpc_position_now() - 50000000 : 0;
    const int64_t before = qpc_now();
    ASSERT_TRUE(system_.deliver(packet_of({0.1f, 0.1f}, c.flags, position)));
    ASSERT_TRUE(log_.wait_for(++delivered));
    const PacketLog::Packet got = log_.at(delivered - 1);
    if (c.expect_now) {
      EXPECT_GE(got.time, before);
      EXPECT_LE(got.time, got.received_at);
    } else {
      const auto expected = static_cast<int64_t>(static_cast<double>(position) *
                                                 static_cast<double>(qpc_frequency()) / 1e7);
      EXPECT_EQ(expected, got.time);
    }
  }
  ASSERT_TRUE(system_.wait_for_releases(delivered, 5000ms));
  EXPECT_EQ(1u, source_->stats().timestamp_error_packets);
}

TEST_F(AudioCaptureSourceTest, SkippedPacketIsCountedAndFailedCallbackStopsCapture) {
  log_.set_results({S_FALSE, E_ABORT});
  start_capturing(AudioSourceKind::Microphone);
  ASSERT_TRUE(system_.deliver(packet_of({0.1f, 0.1f})));
  ASSERT_TRUE(system_.deliver(packet_of({0.2f, 0.2f})));
  ASSERT_TRUE(system_.wait_for_releases(2, 5000ms)) << "the failed packet is still released";
  ASSERT_TRUE(eventually([&] { return source_->stats().state == AudioCaptureState::Failed; }));

  AudioCaptureStats stats = source_->stats();
  EXPECT_EQ(E_ABORT, stats.last_result);
  EXPECT_EQ(1u, stats.skipped_packets);
  EXPECT_EQ(1u, stats.callback_failures);
  EXPECT_EQ(0u, stats.retries) << "a callback failure is not retried";
  EXPECT_FALSE(start(AudioSourceKind::Microphone)) << "the ended thread must be stopped first";
  source_->stop();
  stats = source_->stats();
  EXPECT_EQ(AudioCaptureState::Failed, stats.state) << "stays until the next start";
  EXPECT_EQ(E_ABORT, stats.last_result);
  ASSERT_TRUE(start(AudioSourceKind::Microphone));
  EXPECT_NE(AudioCaptureState::Failed, source_->stats().state);
}

TEST_F(AudioCaptureSourceTest, AThrowingCallbackFailsTheSourceAndThePacketIsStillReleased) {
  struct Case {
    const char* name;
    void (*raise)();
    HRESULT expected;
  };
  const Case cases[] = {
      {"any exception", [] { throw std::runtime_error("callback"); }, E_UNEXPECTED},
      {"failed allocation", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeAudioSystem world;
    world.add_device(L"mic-1", L"USB Microphone", eCapture);
    world.set_default(eCapture, L"mic-1");
    std::atomic<int> calls{0};
    auto source = AudioCaptureSource::create(world.factory());
    ASSERT_TRUE(source->start(AudioCaptureEndpoint{AudioSourceKind::Microphone, L""},
                              [&](const float*, uint32_t, int64_t, bool, bool) -> HRESULT {
                                if (++calls == 2) c.raise();
                                return S_OK;
                              }));
    ASSERT_TRUE(world.wait_for_streams(1, 5000ms));
    ASSERT_TRUE(world.deliver(packet_of({0.1f, 0.1f})));
    ASSERT_TRUE(world.wait_for_releases(1, 5000ms));
    ASSERT_TRUE(world.deliver(packet_of({0.2f, 0.2f})));
    ASSERT_TRUE(world.wait_for_releases(2, 5000ms)) << "the packet is released all the same";
    ASSERT_TRUE(eventually([&] { return source->stats().state == AudioCaptureState::Failed; }));

    const AudioCaptureStats stats = source->stats();
    EXPECT_EQ(c.expected, stats.last_result);
    EXPECT_EQ(1u, stats.callback_failures);
    EXPECT_EQ(0u, stats.retries) << "a failed callback is not retried";
    EXPECT_EQ(2, calls.load());
    EXPECT_TRUE(world.streams().at(0).stopped);
    source->stop();
    EXPECT_EQ(AudioCaptureState::Failed, source->stats().state);
  }
}

TEST_F(AudioCaptureSourceTest, AFailedReleaseEndsTheAttemptWithItsCode) {
  start_capturing(AudioSourceKind::Microphone);
  system_.set_release_result(AUDCLNT_E_DEVICE_INVALIDATED);
  ASSERT_TRUE(system_.deliver(packet_of({0.1f, 0.1f})));
  ASSERT_TRUE(eventually([&] { return source_->stats().failures == 1; }));
  const AudioCaptureStats stats = source_->stats();
  EXPECT_EQ(AudioCaptureState::Reconnecting, stats.state);
  EXPECT_EQ(AUDCLNT_E_DEVICE_INVALIDATED, stats.last_result);
  EXPECT_EQ(0u, stats.callback_failures);
  EXPECT_TRUE(log_.wait_for(1)) << "the packet was delivered before the release failed";
  EXPECT_TRUE(system_.streams().at(0).stopped);
}

TEST_F(AudioCaptureSourceTest, AFailedStopCountsAsAFailureButTheNewDefaultOpensAtOnce) {
  start_capturing(AudioSourceKind::System);
  system_.set_stop_result(AUDCLNT_E_SERVICE_NOT_RUNNING);
  system_.set_default(eRender, L"headphones");
  client()->OnDefaultDeviceChanged(eRender, eConsole, L"headphones");
  ASSERT_TRUE(system_.wait_for_streams(2, 5000ms));
  ASSERT_TRUE(eventually([&] { return source_->stats().state == AudioCaptureState::Capturing; }));
  AudioCaptureStats stats = source_->stats();
  EXPECT_EQ(1u, stats.failures);
  EXPECT_EQ(1u, stats.reconnects);
  EXPECT_EQ(L"headphones", stats.device_id);

  // While stopping, a failed Stop is no failure of the source.
  source_->stop();
  stats = source_->stats();
  EXPECT_EQ(AudioCaptureState::Idle, stats.state);
  EXPECT_EQ(S_OK, stats.last_result);
}

TEST_F(AudioCaptureSourceTest, ThreadSetupFailureLeavesSourceFailed) {
  struct Case {
    const char* name;
    HRESULT enumerator;
    HRESULT registration;
    HRESULT expected;
  };
  const Case cases[] = {
      {"no enumerator", REGDB_E_CLASSNOTREG, S_OK, REGDB_E_CLASSNOTREG},
      {"notifications refused", S_OK, E_ACCESSDENIED, E_ACCESSDENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeAudioSystem world;
    world.add_device(L"mic-1", L"USB Microphone", eCapture);
    world.set_default(eCapture, L"mic-1");
    world.set_enumerator_result(c.enumerator);
    world.set_register_result(c.registration);
    auto source = AudioCaptureSource::create(world.factory());
    PacketLog log;
    ASSERT_TRUE(source->start(AudioCaptureEndpoint{AudioSourceKind::Microphone, L""},
                              log.callback()));
    ASSERT_TRUE(eventually([&] { return source->stats().state == AudioCaptureState::Failed; }));
    EXPECT_EQ(c.expected, source->stats().last_result);
    EXPECT_TRUE(world.streams().empty());
    source->stop();
    EXPECT_EQ(AudioCaptureState::Failed, source->stats().state);
  }
}

TEST_F(AudioCaptureSourceTest, DefaultOutputUnpluggedReconnectsAtOnceOnTheNewDefault) {
  start_capturing(AudioSourceKind::System);
  EXPECT_EQ(L"speakers", source_->stats().device_id);

  system_.set_state(L"speakers", DEVICE_STATE_UNPLUGGED);
  system_.set_default(eRender, L"headphones");
  const int64_t unplugged = clock_->now();
  ComPtr<IMMNotificationClient> notifications = client();
  // Only the console role of the render flow concerns a system source.
  notifications->OnDefaultDeviceChanged(eCapture, eConsole, L"mic-2");
  notifications->OnDefaultDeviceChanged(eRender, eMultimedia, L"headphones");
  notifications->OnDeviceStateChanged(L"speakers", DEVICE_STATE_UNPLUGGED);
  notifications->OnDefaultDeviceChanged(eRender, eConsole, L"headphones");

  // The clock stands still: a reconnect that waited for a retry would never
  // come.
  ASSERT_TRUE(system_.wait_for_streams(2, 5000ms));
  ASSERT_TRUE(eventually([&] { return source_->stats().device_id == L"headphones"; }));
  EXPECT_EQ(system_.resolve_times().back(), unplugged) << "no one-second retry wait";
  const AudioCaptureStats stats = source_->stats();
  EXPECT_EQ(AudioCaptureState::Capturing, stats.state);
  EXPECT_EQ(L"Headphones", stats.device_name);
  EXPECT_EQ(1u, stats.reconnects);
  EXPECT_EQ(1u, stats.retries);
  EXPECT_EQ(2u, stats.device_notifications);
  EXPECT_EQ(0u, stats.failures);
  EXPECT_EQ(kLoopbackFlags, system_.streams().at(1).flags);

  ASSERT_TRUE(system_.deliver(packet_of({0.3f, 0.3f})));
  ASSERT_TRUE(log_.wait_for(1)) << "capture goes on on the new default";
}

TEST_F(AudioCaptureSourceTest, BoundMicrophoneUnpluggedRetriesEverySecondAndResumesOnReplug) {
  start_capturing(AudioSourceKind::Microphone, L"mic-2");
  EXPECT_EQ(L"Headset Microphone", source_->stats().device_name);
  ComPtr<IMMNotificationClient> notifications = client();

  // Other devices do not concern a source bound to an id.
  notifications->OnDeviceStateChanged(L"mic-1", DEVICE_STATE_UNPLUGGED);
  notifications->OnDeviceAdded(L"mic-3");
  notifications->OnDeviceRemoved(nullptr);
  notifications->OnDefaultDeviceChanged(eCapture, eConsole, L"mic-1");
  EXPECT_EQ(0u, source_->stats().device_notifications);

  // Resolutions so far: the first attempt. Then the change test, the
  // immediate reattempt and two retries a second apart.
  ASSERT_EQ(1u, system_.resolves());
  const int64_t unplugged = clock_->now();
  system_.set_state(L"mic-2", DEVICE_STATE_UNPLUGGED);
  notifications->OnDeviceStateChanged(L"MIC-2", DEVICE_STATE_UNPLUGGED);  // ids ignore case
  EXPECT_EQ(1u, source_->stats().device_notifications);
  ASSERT_TRUE(system_.wait_for_resolves(3, 5000ms));
  // Each failed attempt waits exactly one second for the next.
  for (int64_t retry = 1; retry <= 2; ++retry) {
    SCOPED_TRACE(retry);
    ASSERT_TRUE(clock_->wait_for_waiter(unplugged + retry * kSecond));
    EXPECT_EQ(2u + retry, system_.resolves()) << "no attempt before the second has passed";
    clock_->advance(kSecond);
    ASSERT_TRUE(system_.wait_for_resolves(3 + retry, 5000ms));
  }
  EXPECT_EQ(system_.resolve_times(),
            (std::vector<int64_t>{system_.resolve_times()[0], unplugged, unplugged,
                                  unplugged + kSecond, unplugged + 2 * kSecond}))
      << "the change test and the first reattempt do not wait";
  ASSERT_TRUE(clock_->wait_for_waiter(unplugged + 3 * kSecond));
  AudioCaptureStats stats = source_->stats();
  EXPECT_EQ(AudioCaptureState::Reconnecting, stats.state);
  EXPECT_EQ(kErrorAudioDeviceInvalidated, stats.last_result);
  EXPECT_EQ(3u, stats.failures);
  EXPECT_EQ(0u, stats.reconnects);

  // The clock stands still: only the notification can end the wait.
  system_.set_state(L"mic-2", DEVICE_STATE_ACTIVE);
  notifications->OnDeviceStateChanged(L"mic-2", DEVICE_STATE_ACTIVE);
  ASSERT_TRUE(system_.wait_for_streams(2, 5000ms)) << "the replug wakes the source at once";
  ASSERT_TRUE(eventually([&] { return source_->stats().state == AudioCaptureState::Capturing; }));
  stats = source_->stats();
  EXPECT_EQ(1u, stats.reconnects);
  EXPECT_EQ(S_OK, stats.last_result);
  EXPECT_EQ(L"mic-2", stats.device_id);
  EXPECT_EQ(2u, stats.device_notifications);
  EXPECT_EQ(stats.retries, system_.resolves() - 2) << "every attempt but the first, less the "
                                                      "change test, is a retry";
}

TEST_F(AudioCaptureSourceTest, WakeWithUnchangedEndpointKeepsTheStream) {
  start_capturing(AudioSourceKind::Microphone);
  // A default-following source rechecks on any arrival.
  client()->OnDeviceAdded(L"mic-3");
  ASSERT_TRUE(system_.deliver(packet_of({0.1f, 0.1f})));
  ASSERT_TRUE(log_.wait_for(1));
  // The wake was signalled first, so it was handled before the packet.
  EXPECT_EQ(2u, system_.resolves()) << "the endpoint was checked again";
  const AudioCaptureStats stats = source_->stats();
  EXPECT_EQ(1u, stats.device_notifications);
  EXPECT_EQ(0u, stats.reconnects);
  EXPECT_EQ(0u, stats.retries);
  EXPECT_EQ(1u, system_.activations());
  EXPECT_EQ(1u, system_.streams().size());
  EXPECT_EQ(AudioCaptureState::Capturing, stats.state);
}

TEST_F(AudioCaptureSourceTest, LoopbackWithoutCaptureServiceRetriesWithItsCode) {
  // Where loopback capture does not exist, Initialize succeeds and the
  // capture service is refused.
  system_.set_get_service_result(kErrorAudioWrongEndpointType);
  const int64_t started = clock_->now();
  ASSERT_TRUE(start(AudioSourceKind::System));
  ASSERT_TRUE(clock_->wait_for_waiter(started + kSecond));
  clock_->advance(kSecond);
  ASSERT_TRUE(clock_->wait_for_waiter(started + 2 * kSecond));

  const AudioCaptureStats stats = source_->stats();
  EXPECT_EQ(AudioCaptureState::Reconnecting, stats.state);
  EXPECT_EQ(kErrorAudioWrongEndpointType, stats.last_result);
  EXPECT_EQ(1u, stats.retries);
  EXPECT_EQ(2u, stats.failures);
  EXPECT_EQ(0u, stats.reconnects);
  EXPECT_EQ(system_.resolve_times(), (std::vector<int64_t>{started, started + kSecond}));
  const auto streams = system_.streams();
  ASSERT_EQ(streams.size(), 2u);
  EXPECT_EQ(kLoopbackFlags, streams[0].flags);
  EXPECT_FALSE(streams[0].started);

  // The clock stands still: only the stop request can end the retry wait.
  source_->stop();
  EXPECT_EQ(AudioCaptureState::Idle, source_->stats().state);
  EXPECT_EQ(S_OK, source_->stats().last_result);
  EXPECT_EQ(2u, system_.resolves());
}

// The one check on the real steady clock, with bounds a loaded machine keeps.
TEST(AudioCaptureSourceRealTimeTest, RetriesAfterAboutASecondAndStopEndsTheWait) {
  FakeAudioSystem world;
  world.add_device(L"mic-1", L"USB Microphone", eCapture, DEVICE_STATE_UNPLUGGED);
  world.set_default(eCapture, L"mic-1");
  auto source = AudioCaptureSource::create(world.factory());
  PacketLog log;
  ASSERT_TRUE(source->start(AudioCaptureEndpoint{AudioSourceKind::Microphone, {}},
                            log.callback()));
  ASSERT_TRUE(world.wait_for_resolves(2, 20000ms));
  const std::vector<int64_t> times = world.resolve_times();
  EXPECT_GE(seconds_between(times[0], times[1]), 0.99);
  EXPECT_LT(seconds_between(times[0], times[1]), 15.0);
  const int64_t stopping = qpc_now();
  source->stop();
  EXPECT_LT(seconds_between(stopping, qpc_now()), 15.0);
  EXPECT_EQ(AudioCaptureState::Idle, source->stats().state);
}

TEST_F(AudioCaptureSourceTest, StreamErrorEndsAttemptAndCaptureResumesAfterRetry) {
  start_capturing(AudioSourceKind::Microphone);
  system_.set_packet_size_result(kErrorAudioDeviceInvalidated);
  ASSERT_TRUE(system_.deliver(packet_of({0.1f, 0.1f})));
  ASSERT_TRUE(eventually([&] { return source_->stats().failures == 1; }));
  EXPECT_EQ(AudioCaptureState::Reconnecting, source_->stats().state);
  EXPECT_EQ(kErrorAudioDeviceInvalidated, source_->stats().last_result);
  EXPECT_TRUE(system_.streams().at(0).stopped);

  system_.set_packet_size_result(S_OK);
  ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + kSecond));
  clock_->advance(kSecond);
  ASSERT_TRUE(system_.wait_for_streams(2, 5000ms));
  ASSERT_TRUE(eventually([&] { return source_->stats().state == AudioCaptureState::Capturing; }));
  EXPECT_EQ(1u, source_->stats().reconnects);
  EXPECT_EQ(1u, source_->stats().retries);
  source_->stop();
  EXPECT_EQ(0u, system_.events_closed_early())
      << "each stream event outlives the audio client that signals it";
}

TEST(AudioEndpointNotificationClientTest, WakesOnlyForTheEndpointItWatches) {
  struct Case {
    const char* name;
    const wchar_t* bound_id;  // empty: follows the default
    std::function<void(IMMNotificationClient*)> notify;
    bool wakes;
  };
  const Case cases[] = {
      {"default follower: console default of its flow", L"",
       [](IMMNotificationClient* c) { c->OnDefaultDeviceChanged(eCapture, eConsole, L"x"); },
       true},
      {"default follower: other role", L"",
       [](IMMNotificationClient* c) { c->OnDefaultDeviceChanged(eCapture, eCommunications, L"x"); },
       false},
      {"default follower: other flow", L"",
       [](IMMNotificationClient* c) { c->OnDefaultDeviceChanged(eRender, eConsole, L"x"); },
       false},
      {"default follower: any device removed", L"",
       [](IMMNotificationClient* c) { c->OnDeviceRemoved(L"anything"); }, true},
      {"bound: its id in other case", L"Mic-A",
       [](IMMNotificationClient* c) { c->OnDeviceStateChanged(L"mic-a", DEVICE_STATE_DISABLED); },
       true},
      {"bound: another id", L"mic-a",
       [](IMMNotificationClient* c) { c->OnDeviceAdded(L"mic-b"); }, false},
      {"bound: null id", L"mic-a", [](IMMNotificationClient* c) { c->OnDeviceRemoved(nullptr); },
       false},
      {"bound: default changes", L"mic-a",
       [](IMMNotificationClient* c) { c->OnDefaultDeviceChanged(eCapture, eConsole, L"mic-a"); },
       false},
      {"property changes never wake", L"",
       [](IMMNotificationClient* c) { c->OnPropertyValueChanged(L"mic-a", PROPERTYKEY{}); },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UniqueEvent wake(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    std::atomic<uint64_t> counter{0};
    ComPtr<AudioEndpointNotificationClient> client;
    // Takes over the new client's own reference (MinGW's ComPtr::Attach
    // would add another).
    *client.GetAddressOf() =
        new AudioEndpointNotificationClient(wake.get(), eCapture, c.bound_id, &counter);
    ASSERT_EQ(client.Get()->AddRef(), 2u);  // the pointer holds the only reference
    ASSERT_EQ(client.Get()->Release(), 1u);
    c.notify(client.Get());
    EXPECT_EQ(c.wakes ? 1u : 0u, counter.load());
    EXPECT_EQ(c.wakes ? WAIT_OBJECT_0 : static_cast<DWORD>(WAIT_TIMEOUT),
              WaitForSingleObject(wake.get(), 0));
  }
}

TEST(AudioEndpointNotificationClientTest, AnswersItsInterfacesAndCountsReferences) {
  UniqueEvent wake(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  std::atomic<uint64_t> counter{0};
  auto* client = new AudioEndpointNotificationClient(wake.get(), eRender, L"", &counter);
  void* unknown = nullptr;
  ASSERT_EQ(S_OK, client->QueryInterface(__uuidof(IUnknown), &unknown));
  void* notification = nullptr;
  ASSERT_EQ(S_OK, client->QueryInterface(__uuidof(IMMNotificationClient), &notification));
  EXPECT_EQ(static_cast<IMMNotificationClient*>(client), notification);
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, client->QueryInterface(__uuidof(IAudioClient), &other));
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(E_POINTER, client->QueryInterface(__uuidof(IUnknown), nullptr));
  EXPECT_EQ(4u, client->AddRef()) << "created with 1, two queries, this one";
  EXPECT_EQ(3u, client->Release());
  EXPECT_EQ(2u, static_cast<IUnknown*>(unknown)->Release());
  EXPECT_EQ(1u, static_cast<IMMNotificationClient*>(notification)->Release());
  EXPECT_EQ(0u, client->Release()) << "frees itself";
}

TEST(AudioDeviceListTest, PutsDefaultFirstNamesUnnamedDevicesAndSkipsInactiveOnes) {
  FakeAudioSystem world;
  world.add_device(L"mic-a", L"Line In", eCapture);
  world.add_device(L"mic-b", L"", eCapture);
  world.add_device(L"mic-gone", L"Old Mic", eCapture, DEVICE_STATE_UNPLUGGED);
  world.add_device(L"out-a", L"Speakers", eRender);
  world.add_device(L"mic-c", L"Webcam Mic", eCapture);
  world.add_device(L"mic-d", L"Array", eCapture);
  world.set_default(eCapture, L"mic-d");
  world.set_default(eRender, L"out-a");

  const std::vector<AudioDeviceInfo> rows = enumerate_audio_capture_devices(true, world.factory());
  ASSERT_EQ(4u, rows.size());
  const wchar_t* ids[] = {L"mic-d", L"mic-a", L"mic-b", L"mic-c"};
  const wchar_t* names[] = {L"Array", L"Line In", L"未命名音频设备", L"Webcam Mic"};
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(quorvel::test::utf8(rows[i].id));
    EXPECT_EQ(ids[i], rows[i].id);
    EXPECT_EQ(names[i], rows[i].name);
    EXPECT_EQ(i == 0, rows[i].is_default);
    EXPECT_TRUE(rows[i].present);
  }

  const std::vector<AudioDeviceInfo> outputs =
      enumerate_audio_capture_devices(false, world.factory());
  ASSERT_EQ(1u, outputs.size());
  EXPECT_EQ(L"out-a", outputs[0].id);
  EXPECT_TRUE(outputs[0].is_default);
}

TEST(AudioDeviceListTest, IsEmptyWithoutDevicesOrEnumerator) {
  FakeAudioSystem empty;
  EXPECT_TRUE(enumerate_audio_capture_devices(true, empty.factory()).empty());
  FakeAudioSystem broken;
  broken.add_device(L"mic-a", L"Line In", eCapture);
  broken.set_enumerator_result(REGDB_E_CLASSNOTREG);
  EXPECT_TRUE(enumerate_audio_capture_devices(true, broken.factory()).empty());
  FakeAudioSystem no_default;
  no_default.add_device(L"mic-a", L"Line In", eCapture);
  const auto rows = enumerate_audio_capture_devices(true, no_default.factory());
  ASSERT_EQ(1u, rows.size());
  EXPECT_FALSE(rows[0].is_default);
}

}  // namespace
}  // namespace quorvel::windows
