// Capture of one monitor through DXGI desktop duplication on a worker thread
// of its own. Every acquired desktop texture goes, with its CapturedFrameInfo,
// to a frame callback on that thread; the ordinary interruptions of desktop
// duplication (mode changes, the secure desktop, user switching, lost access)
// are survived by re-creating the duplication.
//
// The application owns one DesktopCapture for the preview and the recording;
// a snapshot runs a short-lived one of its own. start, stop, request_refresh
// and stats may be called from one controlling thread (the UI thread) while
// the worker runs; the callbacks run on the worker.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <dxgi1_2.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include <wrl/client.h>

#include "engine/captured_frame_info.h"
#include "engine/clock.h"
#include "engine/d3d11_device.h"

namespace quorvel::windows {

enum class DesktopCaptureState : uint8_t {
  kIdle = 0,
  kStarting = 1,
  kCapturing = 2,
  kRecovering = 3,
  kFailed = 4,
};

// The last set-up step the worker reached, for diagnostics.
enum class DesktopCaptureStage : uint32_t {
  kNone = 0,
  kThreadStarted = 1,
  kFactoryCreated = 2,
  kOutputFound = 3,
  kDeviceCreated = 4,
  kOpeningDuplication = 5,
  kDuplicating = 6,
};

struct DesktopCaptureStats {
  DesktopCaptureState state = DesktopCaptureState::kIdle;
  uint64_t frames = 0;
  uint64_t coalesced_frames = 0;
  uint64_t timeouts = 0;
  uint64_t recovery_episodes = 0;
  uint64_t recovery_attempts = 0;
  uint64_t recoveries = 0;
  uint64_t callback_failures = 0;
  // Performance-counter ticks.
  int64_t start_counter = 0;
  int64_t last_frame_counter = 0;
  // 100-ns units.
  int64_t callback_time_total = 0;
  int64_t callback_time_max = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  HRESULT last_result = S_OK;
  HRESULT device_removed_reason = S_OK;
  DesktopCaptureStage stage = DesktopCaptureStage::kNone;
  std::wstring adapter_name;
  std::wstring monitor_name;
};

// Opens the duplication of `output` (an output of `adapter`) for `device`.
using DuplicationOpener =
    std::function<HRESULT(IDXGIAdapter1* adapter, IDXGIOutput* output, ID3D11Device* device,
                          IDXGIOutputDuplication** duplication)>;
// Waits before another attempt to open the duplication; false when stop was
// requested during the wait.
using RetryWait = std::function<bool(std::stop_token stop)>;

// The platform calls a capture makes that tests replace. Empty members mean
// the real ones.
struct DesktopCaptureSeams {
  DuplicationOpener open_duplication;
  RetryWait wait_before_retry;
  // Makes the capture's device (with video support where the adapter has it).
  D3D11DeviceFactory create_device;
  // What a snapshot taken with these seams measures its time-out on; empty:
  // the steady clock.
  std::shared_ptr<Clock> clock;
};

// Attempts per recovery episode before the capture gives up.
inline constexpr int kMaxRecoveryAttempts = 40;

// The six duplication results that a re-created duplication can get past.
bool is_transient_capture_error(HRESULT result);

// Up to 25 sleeps of 10 ms, checking `stop` before each. `sleep` replaces
// the real sleep in tests.
bool wait_before_retry(std::stop_token stop,
                       const std::function<void(std::chrono::milliseconds)>& sleep = {});

// The output of `adapter` that shows `monitor`: DXGI_ERROR_NOT_FOUND when
// none does, another enumeration failure unchanged.
[[nodiscard]] HRESULT find_output_for_monitor(IDXGIAdapter1* adapter, HMONITOR monitor,
                                Microsoft::WRL::ComPtr<IDXGIOutput>& output,
                                DXGI_OUTPUT_DESC& output_desc);

// The SDR white level in nits of the display whose GDI device name is
// `gdi_device_name`, when the display configuration reports one.
std::optional<float> query_sdr_white_level(std::wstring_view gdi_device_name);

// The real duplication: DuplicateOutput1 with the FP16 and BGRA formats,
// falling back to DuplicateOutput where the newer call is unavailable.
[[nodiscard]] HRESULT duplicate_output(IDXGIAdapter1* adapter, IDXGIOutput* output, ID3D11Device* device,
                         IDXGIOutputDuplication** duplication);

class DesktopCapture {
 public:
  DesktopCapture();
  explicit DesktopCapture(DesktopCaptureSeams seams);
  ~DesktopCapture();

  DesktopCapture(const DesktopCapture&) = delete;
  DesktopCapture& operator=(const DesktopCapture&) = delete;

  // False (the callbacks are dropped) for a null monitor or while a worker
  // thread is still attached, even one that has failed: stop it first.
  // False too when the thread cannot be created: the stats then say kFailed
  // with E_OUTOFMEMORY or E_FAIL.
  bool start(HMONITOR monitor, FrameCallback on_frame, IdleCallback on_idle);

  // Requests stop, joins the worker and returns to idle. Safe to repeat.
  void stop();

  // Makes the worker re-create the duplication on its next turn, re-reading
  // the output, its names, the mode and the HDR values. Ignored while no
  // worker is attached.
  void request_refresh();

  DesktopCaptureStats stats() const;

 private:
  class Worker;

  void run(std::stop_token stop, HMONITOR monitor, FrameCallback on_frame, IdleCallback on_idle);
  void set_device_names(std::wstring adapter_name, std::wstring monitor_name);
  void fail(HRESULT result);
  void add_callback_time(int64_t duration);

  DesktopCaptureSeams seams_;
  std::jthread thread_;

  std::atomic<DesktopCaptureState> state_{DesktopCaptureState::kIdle};
  std::atomic<bool> refresh_requested_{false};
  std::atomic<uint64_t> frames_{0};
  std::atomic<uint64_t> coalesced_frames_{0};
  std::atomic<uint64_t> timeouts_{0};
  std::atomic<uint64_t> recovery_episodes_{0};
  std::atomic<uint64_t> recovery_attempts_{0};
  std::atomic<uint64_t> recoveries_{0};
  std::atomic<uint64_t> callback_failures_{0};
  std::atomic<int64_t> start_counter_{0};
  std::atomic<int64_t> last_frame_counter_{0};
  std::atomic<int64_t> callback_time_total_{0};
  std::atomic<int64_t> callback_time_max_{0};
  std::atomic<uint32_t> width_{0};
  std::atomic<uint32_t> height_{0};
  std::atomic<HRESULT> last_result_{S_OK};
  std::atomic<HRESULT> device_removed_reason_{S_OK};
  std::atomic<DesktopCaptureStage> stage_{DesktopCaptureStage::kNone};

  mutable std::mutex names_mutex_;
  std::wstring adapter_name_;
  std::wstring monitor_name_;
};

}  // namespace quorvel::windows
