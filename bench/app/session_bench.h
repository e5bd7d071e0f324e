// The recording App's work per tick and per captured frame, each measured
// beside the least that work must do, in one process: an in-process App
// recording 1920 x 1080 at 60 frame/s with follow mouse on the engine's
// fakes (the fixture the App's recording tests use), its own capture left in
// recovery so that only the frames handed in here reach the session.
//
// Single-threaded: everything runs on the thread that made the object, which
// is the App's UI thread.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <wrl/client.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "tests/app/app_session_fixture.h"

namespace quorvel::windows {

// Microseconds per call, one sample per call.
struct PairedSamples {
  std::vector<double> product;
  std::vector<double> peer;
};

struct TickSamples {
  // App::tick with the status checks not due, and with them due.
  std::vector<double> plain;
  std::vector<double> status;
  // The peer window's move after GetCursorPos, once per tick.
  std::vector<double> peer;
};

class SessionBench final : public AppSessionTest {
 public:
  SessionBench();
  ~SessionBench() override;

  // Starts the recording; false with `error` set when it did not start.
  bool start(std::string& error);
  // App::tick against the peer window moved to the rectangle the tick gave
  // the App's overlay, tick by tick while the cursor moves: `plain_count`
  // ticks with the status checks not due and, spread evenly among them,
  // `status_count` with the checks due.
  bool measure_ticks(int plain_count, int status_count, TickSamples& samples, std::string& error);
  // App::deliver_captured_frame against RecordingSession::push_video_frame
  // of the App's own file session, `count` frames each, alternately, one
  // frame period apart.
  bool measure_frames(int count, PairedSamples& samples, std::string& error);

 private:
  void TestBody() override {}

  void pump();
  POINT cursor_at(int step) const;
  bool make_peer_window();
  // Waits until the file writer received `count` video samples.
  bool wait_for_file_samples(uint64_t count);
  RECT frame_rect();

  std::mutex samples_mutex_;
  std::condition_variable samples_written_;
  uint64_t video_samples_ = 0;
  test::FakeFileWriterFactory counted_files_;
  HWND peer_window_ = nullptr;
  Microsoft::WRL::ComPtr<ID3D11Device> device_;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext> context_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> frame_;
};

}  // namespace quorvel::windows
