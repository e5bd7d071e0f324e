#include "tests/app/process/frame_pump.h"

#include <chrono>
#include <cmath>
#include <numbers>

namespace quorvel::test {
namespace {

constexpr double kToneHz = 440.0;
constexpr float kToneLevel = 0.1f;
// Audio never runs further behind than this; a stalled stream restarts
// from now instead of catching up with a burst.
constexpr uint64_t kMaxPacketsPerTurn = 10;

}  // namespace

FramePump::FramePump(windows::FakeDuplicationScript& script, windows::FakeAudioSystem& audio)
    : script_(script),
      audio_(audio),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      timer_(CreateWaitableTimerW(nullptr, FALSE, nullptr)) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  frequency_ = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
  LARGE_INTEGER due{};
  due.QuadPart = -static_cast<LONGLONG>(kFramePeriodMs) * 10'000;
  SetWaitableTimer(timer_.get(), &due, kFramePeriodMs, nullptr, nullptr, FALSE);
  thread_ = std::thread([this] { run(); });
}

FramePump::~FramePump() {
  SetEvent(stop_.get());
  if (thread_.joinable()) thread_.join();
  CancelWaitableTimer(timer_.get());
}

void FramePump::run() {
  const HANDLE handles[] = {stop_.get(), timer_.get()};
  while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
    offer_frame();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    offer_audio(now.QuadPart);
  }
}

void FramePump::offer_frame() {
  // A slowly changing grey, so that consecutive frames differ.
  const auto level = static_cast<uint8_t>(64 + frames_offered_ % 128);
  const windows::FakeAcquireStep frame = windows::FakeAcquireStep::frame({level, level, level, 255});
  // What the screen shows now: a duplication opened next (a snapshot's)
  // starts with it at once, as a real one does.
  script_.set_desktop(frame);
  // Only a capture waiting for its next frame gets one: frames never pile
  // up while nobody captures (between a snapshot and the restart, or after
  // the program stopped its capture).
  if (!script_.wait_until_drained(std::chrono::milliseconds(0))) return;
  script_.push(frame);
  ++frames_offered_;
}

void FramePump::offer_audio(int64_t now_counter) {
  if (audio_started_at_ == 0) audio_started_at_ = now_counter;
  const auto due_frames = static_cast<uint64_t>((now_counter - audio_started_at_) * kAudioRate /
                                                frequency_);
  uint64_t packets = 0;
  while (audio_frames_ + kPacketFrames <= due_frames && packets < kMaxPacketsPerTurn) {
    // Without a running stream the packet is dropped, as a sound card's
    // output is when nobody records it.
    audio_.deliver(tone_packet());
    audio_frames_ += kPacketFrames;
    ++packets;
  }
  if (audio_frames_ + kPacketFrames <= due_frames) audio_frames_ = due_frames;
}

windows::FakeAudioPacket FramePump::tone_packet() {
  windows::FakeAudioPacket packet;
  packet.frames = kPacketFrames;
  packet.device_position = audio_frames_;
  // No performance-counter position: the source stamps the packet with the
  // time it reads it.
  packet.qpc_position = 0;
  packet.samples.resize(static_cast<size_t>(kPacketFrames) * 2);
  for (uint32_t i = 0; i < kPacketFrames; ++i) {
    const double t = static_cast<double>(audio_frames_ + i) / kAudioRate;
    const auto value =
        static_cast<float>(kToneLevel * std::sin(2.0 * std::numbers::pi * kToneHz * t));
    packet.samples[2 * static_cast<size_t>(i)] = value;
    packet.samples[2 * static_cast<size_t>(i) + 1] = value;
  }
  return packet;
}

}  // namespace quorvel::test
