// The desktop and the sound card of quorvel_test_app.exe: a thread that
// makes a frame of the monitor's size the current desktop image about 30
// times a second and hands it to the fake duplication whenever the capture
// has taken the previous one and asks for more, and 10 ms packets of a
// quiet tone to whichever fake audio stream is running. It paces itself on a waitable timer; it is a producer, not a
// test's wait.
//
// Made and destroyed on the program's main thread; the script and the audio
// system must outlive it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <thread>

#include "engine/unique_handle.h"
#include "tests/fakes/engine/fake_audio_endpoints.h"
#include "tests/fakes/engine/fake_output_duplication.h"

namespace quorvel::test {

class FramePump {
 public:
  static constexpr LONG kFramePeriodMs = 33;
  static constexpr uint32_t kAudioRate = 48000;
  static constexpr uint32_t kPacketFrames = kAudioRate / 100;

  // Starts the thread at once.
  FramePump(windows::FakeDuplicationScript& script, windows::FakeAudioSystem& audio);
  // Stops and joins the thread.
  ~FramePump();
  FramePump(const FramePump&) = delete;
  FramePump& operator=(const FramePump&) = delete;

 private:
  void run();
  void offer_frame();
  void offer_audio(int64_t now_counter);
  windows::FakeAudioPacket tone_packet();

  windows::FakeDuplicationScript& script_;
  windows::FakeAudioSystem& audio_;
  windows::UniqueEvent stop_;
  windows::UniqueKernelHandle timer_;
  uint64_t frames_offered_ = 0;
  uint64_t audio_frames_ = 0;
  int64_t frequency_ = 1;
  int64_t audio_started_at_ = 0;
  std::thread thread_;
};

}  // namespace quorvel::test
