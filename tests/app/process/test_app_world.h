// Everything quorvel_test_app.exe puts in place of the platform: a fake
// desktop duplication of the primary monitor's size fed by a FramePump, a
// snapshot time-out that never passes, a fake sound system with one render
// and one capture endpoint, the identity encoder behind a compact video
// stand-in, the file writer that writes the encoded bytes to the output
// path, and message boxes, folder openers and pickers that report to an
// event file instead of showing anything. Everything else (windows, tray,
// hotkeys, registry, timeline and log files) is real.
//
// Made on the program's main thread before the App and destroyed after it;
// platform() hands the App seams that point into this object.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "app/app_platform.h"
#include "tests/app/process/event_file.h"
#include "tests/app/process/frame_pump.h"
#include "tests/fakes/engine/fake_audio_endpoints.h"
#include "tests/fakes/engine/fake_nv12_converter.h"
#include "tests/fakes/engine/fake_output_duplication.h"
#include "tests/fakes/engine/fake_sink_writer.h"

namespace quorvel::test {

class TestAppWorld {
 public:
  // Frames start flowing at once.
  explicit TestAppWorld(std::wstring event_path);
  TestAppWorld(const TestAppWorld&) = delete;
  TestAppWorld& operator=(const TestAppWorld&) = delete;

  // The program's seams with the fakes filled in and the product's own
  // main window and editor.
  windows::AppPlatform platform();

 private:
  // A BGRA desktop of the primary monitor's size.
  static DXGI_OUTDUPL_DESC primary_monitor_mode();

  EventFile events_;
  windows::FakeDuplicationScript script_;
  windows::FakeAudioSystem audio_;
  std::shared_ptr<windows::test::FakeNv12Record> converter_;
  std::vector<Microsoft::WRL::ComPtr<windows::test::FakeSinkWriter>> encoders_;
  windows::test::FakeFileWriterFactory files_;
  // Last: it feeds the fakes above and stops before they go.
  FramePump pump_;
};

}  // namespace quorvel::test
