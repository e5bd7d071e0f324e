#include "bench/app/session_bench.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "bench/app/sample_statistics.h"
#include "tests/app/app_test_access.h"
#include "tests/engine/gpu_test_support.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFrameRate = 60;
constexpr int64_t kStatusIntervalMs = 250;
constexpr CaptureBounds kMonitor{0, 0, kWidth, kHeight};
// Half the monitor around its centre: the camera zooms in and follows.
constexpr CaptureBounds kArea{480, 270, 1440, 810};
constexpr wchar_t kPeerClass[] = L"QuorvelBenchPeerOverlay";
// As the App's overlay: layered, tool window, topmost, one colour keyed out.
constexpr DWORD kPeerExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr COLORREF kPeerColorKey = RGB(1, 2, 3);
constexpr auto kWriterTimeout = std::chrono::seconds(10);

std::string keys_text(const std::vector<std::wstring>& keys) {
  std::string text;
  for (const std::wstring& key : keys) {
    text += (text.empty() ? "" : ", ") + quorvel::test::utf8(key);
  }
  return text.empty() ? "no message" : text;
}

}  // namespace

SessionBench::SessionBench()
    : counted_files_([this](const test::FakeFileSample& sample) {
        if (sample.stream == 0) {
          std::lock_guard lock(samples_mutex_);
          ++video_samples_;
          samples_written_.notify_all();
        }
        return S_OK;
      }) {}

SessionBench::~SessionBench() {
  if (app_ && AppTestAccess::recording(*app_)) app_->stop_recording(false);
  // The App uses the fakes this object owns: it goes first.
  app_.reset();
  if (peer_window_ != nullptr) DestroyWindow(peer_window_);
  UnregisterClassW(kPeerClass, GetModuleHandleW(nullptr));
}

bool SessionBench::start(std::string& error) {
  if (!test::make_device(device_, context_)) {
    error = "no Direct3D 11 device";
    return false;
  }
  frame_ = test::make_bgra_texture(device_.Get(), kWidth, kHeight,
                                   std::vector<uint32_t>(kWidth * kHeight, 0xFF336699));
  if (frame_ == nullptr || !make_peer_window()) {
    error = "no frame texture or peer window";
    return false;
  }
  AppPlatform platform = session_platform();
  platform.sessions.writers.sink_writers.create_file_writer = counted_files_.function();
  App& app = start_with_region(std::move(platform), kMonitor, kArea, true);
  RecordingSetupState setup = app.setup_state();
  setup.width = kWidth;
  setup.height = kHeight;
  setup.custom_size = true;
  setup.frame_rate = kFrameRate;
  app.commit_setup_state(setup);
  app.start_recording();
  pump();
  if (!AppTestAccess::recording(app)) {
    error = "the recording did not start: " + keys_text(message_keys());
    return false;
  }
  return true;
}

bool SessionBench::make_peer_window() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszClassName = kPeerClass;
  if (RegisterClassExW(&window_class) == 0) return false;
  peer_window_ = CreateWindowExW(kPeerExStyle, kPeerClass, L"", WS_POPUP, 0, 0, 100, 100, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  if (peer_window_ == nullptr) return false;
  SetLayeredWindowAttributes(peer_window_, kPeerColorKey, 255, LWA_COLORKEY);
  return true;
}

// The loop's work between ticks, except the timers: the bench calls the
// tick itself.
void SessionBench::pump() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
         PeekMessageW(&message, nullptr, WM_TIMER + 1, UINT_MAX, PM_REMOVE)) {
    app_->process_message(message);
  }
}

// A circle of 400 pixels around the monitor's centre, one turn in 600 steps.
POINT SessionBench::cursor_at(int step) const {
  const double angle = 2.0 * std::numbers::pi * (step % 600) / 600.0;
  return POINT{kWidth / 2 + static_cast<LONG>(std::lround(400.0 * std::cos(angle))),
               kHeight / 2 + static_cast<LONG>(std::lround(400.0 * std::sin(angle)))};
}

bool SessionBench::measure_ticks(int plain_count, int status_count, TickSamples& samples,
                                 std::string& error) {
  App& app = *app_;
  const HWND overlay = AppTestAccess::overlay_window(app);
  auto& last_status_check = AppTestAccess::last_status_check(app);
  // Every so many ticks the checks are due: both kinds meet the same machine.
  const int status_every = std::max(1, plain_count / std::max(1, status_count)) + 1;
  // The session's clock moves 250 ms from one check to the next, as in a
  // recording, so the bar's clock text changes at every fourth check.
  const int64_t tick_advance = counter_frequency() * kStatusIntervalMs / 1000 / status_every;
  for (int step = 0; step < plain_count + status_count; ++step) {
    const bool status_due = step % status_every == status_every - 1 &&
                            static_cast<int>(samples.status.size()) < status_count;
    if (!status_due && static_cast<int>(samples.plain.size()) == plain_count) continue;
    const POINT target = cursor_at(step);
    SetCursorPos(target.x, target.y);
    *counter_ += tick_advance;
    pump();

    const auto now = std::chrono::steady_clock::now();
    last_status_check = status_due ? now - std::chrono::seconds(1) : now + std::chrono::hours(1);
    const double tick_start = bench::now_us();
    app.tick();
    (status_due ? samples.status : samples.plain).push_back(bench::now_us() - tick_start);

    RECT rect{};
    GetWindowRect(overlay, &rect);
    const double peer_start = bench::now_us();
    POINT cursor{};
    GetCursorPos(&cursor);
    SetWindowPos(peer_window_, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    samples.peer.push_back(bench::now_us() - peer_start);
  }
  pump();
  if (!AppTestAccess::recording(app) || AppTestAccess::stop_requested(app)) {
    error = "the recording stopped during the ticks: " + keys_text(message_keys());
    return false;
  }
  return true;
}

RECT SessionBench::frame_rect() {
  const CaptureViewport viewport = AppTestAccess::viewport(*app_).first;
  return RECT{std::lround(viewport.left - kMonitor.left), std::lround(viewport.top - kMonitor.top),
              std::lround(viewport.right - kMonitor.left),
              std::lround(viewport.bottom - kMonitor.top)};
}

bool SessionBench::wait_for_file_samples(uint64_t count) {
  std::unique_lock lock(samples_mutex_);
  return samples_written_.wait_for(lock, kWriterTimeout, [&] { return video_samples_ >= count; });
}

bool SessionBench::measure_frames(int count, PairedSamples& samples, std::string& error) {
  App& app = *app_;
  RecordingSession& session = AppTestAccess::file_session(app);
  // Rounded up: a period a tick short would land in the previous slot.
  const int64_t period = (counter_frequency() + kFrameRate - 1) / kFrameRate;
  const CapturedFrameInfo info;
  // The first frame sets up the encoders; it is not measured.
  HRESULT result = app.deliver_captured_frame(device_.Get(), context_.Get(), frame_.Get(), info);
  *counter_ += period;
  for (int frame = 0; frame < 2 * count && SUCCEEDED(result); ++frame) {
    const bool through_app = frame % 2 == 0;
    const uint64_t submitted = session.video_submitted_frames();
    // Frames come one period apart: the writer keeps up, as it does in a
    // recording, and the fake converter's copies do not pile up.
    if (!wait_for_file_samples(submitted)) {
      error = "the file writer did not keep up";
      return false;
    }
    converter_->conversions.clear();
    const RECT rect = frame_rect();
    const int64_t time = counter_->load();

    const double start = bench::now_us();
    result = through_app
                 ? app.deliver_captured_frame(device_.Get(), context_.Get(), frame_.Get(), info)
                 : session.push_video_frame(device_.Get(), context_.Get(), frame_.Get(), rect,
                                            time, info);
    const double elapsed = bench::now_us() - start;
    (through_app ? samples.product : samples.peer).push_back(elapsed);
    *counter_ += period;
    if (session.video_submitted_frames() != submitted + 1) {
      error = "frame " + std::to_string(frame) + " was not submitted";
      return false;
    }
  }
  if (FAILED(result)) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(result));
    error = std::string("a frame failed: ") + text;
    return false;
  }
  return true;
}

}  // namespace quorvel::windows
