// One cycle of a day's use of the tray program, run again and again on an
// in-process App on the engine's fakes (the fixture of the App's recording
// tests) with the product's own main window, setup windows, screenshot
// editor and account dialog:
//   - a 3-second recording of a region: start, ticks, pause and resume,
//     stop with its result, the frames handed in on the App's frame road;
//   - a screenshot opened in the editor, a selection with two marks,
//     copied and closed;
//   - the main window with its settings, watermark and stream-target
//     windows opened and closed;
//   - a theme switch and a language switch, each and back;
//   - the account dialog opened, its sign-in started against the account
//     service on loopback and cancelled.
//
// Single-threaded: everything runs on the thread that made the object,
// which is the App's UI thread.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/app/app_session_fixture.h"
#include "tests/fakes/engine/fake_output_duplication.h"

namespace quorvel::windows {
class ProductMainWindow;
}

namespace quorvel::bench {

class LoopbackAccountService;

class ShellCycles final : public windows::AppSessionTest {
 public:
  ShellCycles();
  ~ShellCycles() override;

  // Starts the App; false with `error` set when it cannot.
  bool start(std::string& error);
  // Which steps a cycle runs, by name ("record", "screenshot", "windows",
  // "theme", "signin", comma-separated); all of them unless set. False
  // when a name is unknown.
  bool choose_steps(const std::string& names);
  // Encoders of a recording still referenced by the program after the
  // next recording has finished.
  int encoders_kept() const { return encoders_kept_; }
  // One cycle; false with `error` naming the step that failed.
  bool run_cycle(std::string& error);

 private:
  void TestBody() override {}

  void pump();
  bool record(std::string& error);
  bool screenshot(std::string& error);
  bool setup_windows(std::string& error);
  void switch_theme_and_language();
  bool sign_in_cancelled(std::string& error);
  // Forgets what the fixture recorded about the cycle (messages, encoders,
  // conversions), so that only the program's own holdings remain.
  void forget_records();

  int folder_opens_ = 0;
  int encoders_kept_ = 0;
  bool record_ = true;
  bool screenshot_ = true;
  bool windows_ = true;
  bool theme_ = true;
  bool sign_in_ = true;
  std::unique_ptr<LoopbackAccountService> account_service_;
  // The desktop: no frames for the App's own capture, one frame for each
  // screenshot.
  std::unique_ptr<windows::FakeDuplicationScript> desktop_;
  windows::ProductMainWindow* main_window_ = nullptr;
  RECT monitor_{};
  windows::CaptureBounds region_monitor_{};
  windows::CaptureBounds region_{};
  Microsoft::WRL::ComPtr<ID3D11Device> device_;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext> context_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> frame_;
  Microsoft::WRL::ComPtr<IMFSinkWriter> last_writer_;
  std::vector<Microsoft::WRL::ComPtr<windows::test::FakeSinkWriter>> earlier_encoders_;
};

}  // namespace quorvel::bench
