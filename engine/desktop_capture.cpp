#include "engine/desktop_capture.h"

#include <d3d10.h>
#include <dxgi1_6.h>

#include <cwchar>
#include <exception>
#include <new>
#include <system_error>
#include <vector>

#include "engine/com_apartment.h"
#include "engine/exception_guard.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

constexpr UINT kIdleAcquireTimeoutMs = 16;
constexpr UINT kAcquireTimeoutMs = 100;
constexpr int kRetrySleeps = 25;
constexpr std::chrono::milliseconds kRetrySleep{10};

int64_t performance_counter() {
  LARGE_INTEGER value;
  QueryPerformanceCounter(&value);
  return value.QuadPart;
}

int64_t performance_frequency() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  return frequency;
}

// Split so that long spans do not overflow the multiplication.
int64_t ticks_to_100ns(int64_t ticks) {
  const int64_t frequency = performance_frequency();
  return ticks / frequency * 10'000'000 + ticks % frequency * 10'000'000 / frequency;
}

// Hands an acquired frame back to the duplication on every path.
class AcquiredFrame {
 public:
  explicit AcquiredFrame(IDXGIOutputDuplication* duplication) : duplication_(duplication) {}
  ~AcquiredFrame() { release(); }
  AcquiredFrame(const AcquiredFrame&) = delete;
  AcquiredFrame& operator=(const AcquiredFrame&) = delete;

  // Hands the frame back now, before the duplication is replaced.
  void release() {
    if (duplication_) duplication_->ReleaseFrame();
    duplication_ = nullptr;
  }

 private:
  IDXGIOutputDuplication* duplication_;
};

std::wstring_view fixed_string(const wchar_t* text, size_t capacity) {
  return std::wstring_view(text, wcsnlen(text, capacity));
}

// Fills the header of one DisplayConfigGetDeviceInfo request for the given
// adapter and source or target, and makes it.
template <typename Info>
bool query_device_info(DISPLAYCONFIG_DEVICE_INFO_TYPE type, LUID adapter, UINT32 id, Info& info) {
  info.header.type = type;
  info.header.size = sizeof(info);
  info.header.adapterId = adapter;
  info.header.id = id;
  return DisplayConfigGetDeviceInfo(&info.header) == ERROR_SUCCESS;
}

}  // namespace

bool is_transient_capture_error(HRESULT result) {
  switch (result) {
    case DXGI_ERROR_INVALID_CALL:
    case DXGI_ERROR_NOT_FOUND:
    case DXGI_ERROR_NOT_CURRENTLY_AVAILABLE:
    case DXGI_ERROR_ACCESS_LOST:
    case DXGI_ERROR_SESSION_DISCONNECTED:
    case E_ACCESSDENIED:
      return true;
    default:
      return false;
  }
}

bool wait_before_retry(std::stop_token stop,
                       const std::function<void(std::chrono::milliseconds)>& sleep) {
  for (int i = 0; i < kRetrySleeps; ++i) {
    if (stop.stop_requested()) return false;
    if (sleep) {
      sleep(kRetrySleep);
    } else {
      std::this_thread::sleep_for(kRetrySleep);
    }
  }
  // A stop that came during the last sleep saves a pointless re-open.
  return !stop.stop_requested();
}

HRESULT find_output_for_monitor(IDXGIAdapter1* adapter, HMONITOR monitor,
                                ComPtr<IDXGIOutput>& output, DXGI_OUTPUT_DESC& output_desc) {
  if (!adapter) return E_INVALIDARG;
  for (UINT index = 0;; ++index) {
    ComPtr<IDXGIOutput> candidate;
    const HRESULT hr = adapter->EnumOutputs(index, &candidate);
    if (FAILED(hr)) return hr;  // DXGI_ERROR_NOT_FOUND once past the last output.
    DXGI_OUTPUT_DESC desc{};
    if (FAILED(candidate->GetDesc(&desc))) continue;
    if (desc.Monitor == monitor) {
      output = std::move(candidate);
      output_desc = desc;
      return S_OK;
    }
  }
}

std::optional<float> query_sdr_white_level(std::wstring_view gdi_device_name) {
  UINT32 path_count = 0;
  UINT32 mode_count = 0;
  if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &path_count, &mode_count) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<DISPLAYCONFIG_PATH_INFO> paths(path_count);
  std::vector<DISPLAYCONFIG_MODE_INFO> modes(mode_count);
  if (QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &path_count, paths.data(), &mode_count,
                         modes.data(), nullptr) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  paths.resize(std::min<size_t>(path_count, paths.size()));

  for (const DISPLAYCONFIG_PATH_INFO& path : paths) {
    DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
    if (!query_device_info(DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME, path.sourceInfo.adapterId,
                           path.sourceInfo.id, source)) {
      continue;
    }
    if (fixed_string(source.viewGdiDeviceName, std::size(source.viewGdiDeviceName)) !=
        gdi_device_name) {
      continue;
    }

    DISPLAYCONFIG_SDR_WHITE_LEVEL white{};
    if (!query_device_info(DISPLAYCONFIG_DEVICE_INFO_GET_SDR_WHITE_LEVEL, path.targetInfo.adapterId,
                           path.targetInfo.id, white)) {
      continue;
    }
    if (white.SDRWhiteLevel == 0) continue;
    // The level is given in thousandths of the 80-nit reference white.
    return static_cast<float>(white.SDRWhiteLevel) * 80.0f / 1000.0f;
  }
  return std::nullopt;
}

HRESULT duplicate_output(IDXGIAdapter1* /*adapter*/, IDXGIOutput* output, ID3D11Device* device,
                         IDXGIOutputDuplication** duplication) {
  if (!output || !device || !duplication) return E_INVALIDARG;
  *duplication = nullptr;
  ComPtr<IDXGIOutput5> output5;
  if (SUCCEEDED(output->QueryInterface(IID_PPV_ARGS(&output5)))) {
    // FP16 first: an HDR desktop then arrives as scRGB instead of being
    // clipped to 8 bits by the system.
    const DXGI_FORMAT formats[] = {DXGI_FORMAT_R16G16B16A16_FLOAT, DXGI_FORMAT_B8G8R8A8_UNORM};
    const HRESULT hr = output5->DuplicateOutput1(device, 0, static_cast<UINT>(std::size(formats)),
                                                 formats, duplication);
    if (hr != DXGI_ERROR_UNSUPPORTED && hr != E_INVALIDARG) return hr;
  }
  ComPtr<IDXGIOutput1> output1;
  const HRESULT hr = output->QueryInterface(IID_PPV_ARGS(&output1));
  if (FAILED(hr)) return hr;
  return output1->DuplicateOutput(device, duplication);
}

// Everything one run of the worker thread owns. Members are released in
// reverse order, the duplication first.
class DesktopCapture::Worker {
 public:
  Worker(DesktopCapture& owner, std::stop_token stop, HMONITOR monitor, FrameCallback on_frame,
         IdleCallback on_idle)
      : owner_(owner),
        stop_(std::move(stop)),
        monitor_(monitor),
        on_frame_(std::move(on_frame)),
        on_idle_(std::move(on_idle)) {}

  void run() {
    if (!set_up()) return;
    owner_.stage_ = DesktopCaptureStage::kOpeningDuplication;
    if (!open_first_duplication()) return;

    owner_.last_result_ = S_OK;
    owner_.stage_ = DesktopCaptureStage::kDuplicating;
    owner_.state_ = DesktopCaptureState::kCapturing;
    reset_cursor();

    while (!stop_.stop_requested()) {
      if (owner_.refresh_requested_.exchange(false)) {
        if (!recover(DXGI_ERROR_ACCESS_LOST)) return;
        continue;
      }
      if (!next_frame()) return;
    }
  }

 private:
  // Factory, output, device. False when the capture has failed.
  bool set_up() {
    HRESULT hr = CreateDXGIFactory1(IID_PPV_ARGS(&factory_));
    if (FAILED(hr)) return fail(hr);
    owner_.stage_ = DesktopCaptureStage::kFactoryCreated;

    for (UINT index = 0; !adapter_; ++index) {
      ComPtr<IDXGIAdapter1> adapter;
      hr = factory_->EnumAdapters1(index, &adapter);
      if (hr == DXGI_ERROR_NOT_FOUND) break;
      if (FAILED(hr)) return fail(hr);
      hr = find_output_for_monitor(adapter.Get(), monitor_, output_, output_desc_);
      if (hr == DXGI_ERROR_NOT_FOUND) continue;
      if (FAILED(hr)) return fail(hr);
      hr = adapter->GetDesc1(&adapter_desc_);
      if (FAILED(hr)) return fail(hr);
      adapter_ = std::move(adapter);
    }
    if (!adapter_) return fail(DXGI_ERROR_NOT_FOUND);
    owner_.stage_ = DesktopCaptureStage::kOutputFound;

    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_1, D3D_FEATURE_LEVEL_11_0};
    // Without video support where the adapter has none: the capture itself
    // does not need it, only the recording's video processor does.
    hr = create_device_preferring_video(owner_.seams_.create_device, adapter_.Get(),
                                        D3D_DRIVER_TYPE_UNKNOWN, D3D11_CREATE_DEVICE_BGRA_SUPPORT,
                                        levels, static_cast<UINT>(std::size(levels)), device_,
                                        context_);
    if (FAILED(hr)) return fail(hr);
    owner_.stage_ = DesktopCaptureStage::kDeviceCreated;

    // The encoders use the same device and context from their own threads.
    ComPtr<ID3D10Multithread> multithread;
    hr = device_.As(&multithread);
    if (FAILED(hr)) return fail(hr);
    multithread->SetMultithreadProtected(TRUE);
    return true;
  }

  // The first open, retried while the failure is transient. False when the
  // worker must end (failed or stopped).
  bool open_first_duplication() {
    HRESULT hr = open_duplication();
    if (SUCCEEDED(hr)) return true;
    if (!is_transient_capture_error(hr)) return fail(hr);

    owner_.state_ = DesktopCaptureState::kRecovering;
    ++owner_.recovery_episodes_;
    for (int attempt = 0; attempt < kMaxRecoveryAttempts && is_transient_capture_error(hr);
         ++attempt) {
      owner_.last_result_ = hr;
      if (!owner_.seams_.wait_before_retry(stop_)) return false;
      ++owner_.recovery_attempts_;
      hr = open_duplication();
      if (SUCCEEDED(hr)) {
        ++owner_.recoveries_;
        return true;
      }
    }
    return fail(hr);
  }

  HRESULT open_duplication() {
    duplication_.Reset();

    HRESULT hr = find_output_for_monitor(adapter_.Get(), monitor_, output_, output_desc_);
    if (FAILED(hr)) return hr;
    rotation_ = static_cast<uint32_t>(output_desc_.Rotation);
    owner_.set_device_names(
        std::wstring(fixed_string(adapter_desc_.Description, std::size(adapter_desc_.Description))),
        std::wstring(fixed_string(output_desc_.DeviceName, std::size(output_desc_.DeviceName))));
    if (const auto nits = query_sdr_white_level(
            fixed_string(output_desc_.DeviceName, std::size(output_desc_.DeviceName)))) {
      sdr_white_nits_ = *nits;
    }
    max_luminance_nits_ = kDefaultMaxLuminanceNits;
    ComPtr<IDXGIOutput6> output6;
    if (SUCCEEDED(output_.As(&output6))) {
      DXGI_OUTPUT_DESC1 desc1{};
      if (SUCCEEDED(output6->GetDesc1(&desc1)) && desc1.MaxLuminance > 0.0f) {
        max_luminance_nits_ = desc1.MaxLuminance;
      }
    }

    hr =
        owner_.seams_.open_duplication(adapter_.Get(), output_.Get(), device_.Get(), &duplication_);
    if (FAILED(hr)) {
      duplication_.Reset();
      return hr;
    }
    if (!duplication_) return E_POINTER;

    DXGI_OUTDUPL_DESC desc{};
    duplication_->GetDesc(&desc);
    owner_.width_ = desc.ModeDesc.Width;
    owner_.height_ = desc.ModeDesc.Height;
    hdr_input_ = desc.ModeDesc.Format == DXGI_FORMAT_R16G16B16A16_FLOAT;
    return S_OK;
  }

  // One recovery episode. True when capturing again, false when the worker
  // must end (failed or stopped).
  bool recover(HRESULT error) {
    owner_.last_result_ = error;
    owner_.state_ = DesktopCaptureState::kRecovering;
    ++owner_.recovery_episodes_;
    HRESULT hr = error;
    for (int attempt = 0; attempt < kMaxRecoveryAttempts; ++attempt) {
      if (!owner_.seams_.wait_before_retry(stop_)) return false;
      ++owner_.recovery_attempts_;
      hr = open_duplication();
      owner_.last_result_ = hr;
      if (SUCCEEDED(hr)) {
        ++owner_.recoveries_;
        owner_.last_result_ = S_OK;
        owner_.state_ = DesktopCaptureState::kCapturing;
        reset_cursor();
        return true;
      }
      if (note_device_removed()) return fail(hr);
      if (!is_transient_capture_error(hr)) break;
    }
    return fail(hr);
  }

  // One acquire. False when the worker must end.
  bool next_frame() {
    DXGI_OUTDUPL_FRAME_INFO frame_info{};
    ComPtr<IDXGIResource> resource;
    HRESULT hr = duplication_->AcquireNextFrame(
        on_idle_ ? kIdleAcquireTimeoutMs : kAcquireTimeoutMs, &frame_info, &resource);
    if (hr == DXGI_ERROR_WAIT_TIMEOUT) {
      ++owner_.timeouts_;
      if (on_idle_) {
        hr = timed_call([this] { return on_idle_(); });
        if (FAILED(hr)) return fail_callback(hr);
      }
      return true;
    }
    if (is_transient_capture_error(hr)) return recover(hr);
    if (FAILED(hr)) {
      note_device_removed();
      return fail(hr);
    }

    AcquiredFrame acquired(duplication_.Get());
    if (frame_info.AccumulatedFrames > 1) {
      owner_.coalesced_frames_ += frame_info.AccumulatedFrames - 1;
    }
    ComPtr<ID3D11Texture2D> texture;
    hr = resource.As(&texture);
    if (FAILED(hr)) return fail(hr);

    if (frame_info.LastMouseUpdateTime.QuadPart != 0) {
      cursor_.position = frame_info.PointerPosition.Position;
      cursor_.visible = frame_info.PointerPosition.Visible != FALSE;
    }
    if (frame_info.PointerShapeBufferSize != 0) {
      shape_.resize(frame_info.PointerShapeBufferSize);
      UINT required = 0;
      DXGI_OUTDUPL_POINTER_SHAPE_INFO shape_info{};
      hr = duplication_->GetFramePointerShape(static_cast<UINT>(shape_.size()), shape_.data(),
                                              &required, &shape_info);
      // The desktop may switch between the acquire and the shape read (a
      // UAC prompt, Ctrl+Alt+Del, the lock screen, a game taking the screen
      // for itself): the same interruption as a lost acquire. The frame goes
      // back to the duplication it came from before that is replaced.
      if (is_transient_capture_error(hr)) {
        acquired.release();
        return recover(hr);
      }
      if (FAILED(hr)) return fail(hr);
      // Never more than the bytes the call could have written.
      shape_.resize(std::min<size_t>(required, shape_.size()));
      cursor_.shape_info = shape_info;
    }

    if (on_frame_) {
      CapturedFrameInfo info;
      info.frame_info = frame_info;
      info.rotation = rotation_;
      info.cursor = cursor_;
      info.cursor.shape_data = shape_.empty() ? nullptr : shape_.data();
      info.cursor.shape_size = shape_.size();
      info.hdr_input = hdr_input_;
      info.sdr_white_nits = sdr_white_nits_;
      info.max_luminance_nits = max_luminance_nits_;
      hr =
          timed_call([&] { return on_frame_(device_.Get(), context_.Get(), texture.Get(), info); });
      if (FAILED(hr)) return fail_callback(hr);
    }

    owner_.last_frame_counter_ = performance_counter();
    ++owner_.frames_;
    return true;
  }

  // A callback that throws has failed like one that returned the error.
  template <typename Call>
  HRESULT timed_call(Call&& call) {
    const int64_t before = performance_counter();
    const HRESULT hr = call_guarded(std::forward<Call>(call));
    owner_.add_callback_time(ticks_to_100ns(performance_counter() - before));
    return hr;
  }

  // True (and recorded) when the device reports that it was removed.
  bool note_device_removed() {
    if (!device_) return false;
    const HRESULT reason = device_->GetDeviceRemovedReason();
    if (SUCCEEDED(reason)) return false;
    owner_.device_removed_reason_ = reason;
    return true;
  }

  void reset_cursor() {
    shape_.clear();
    cursor_ = CapturedCursor{};
  }

  bool fail(HRESULT result) {
    owner_.fail(result);
    return false;
  }

  bool fail_callback(HRESULT result) {
    ++owner_.callback_failures_;
    return fail(result);
  }

  DesktopCapture& owner_;
  std::stop_token stop_;
  HMONITOR monitor_;
  FrameCallback on_frame_;
  IdleCallback on_idle_;

  ComPtr<IDXGIFactory1> factory_;
  ComPtr<IDXGIAdapter1> adapter_;
  DXGI_ADAPTER_DESC1 adapter_desc_{};
  ComPtr<IDXGIOutput> output_;
  DXGI_OUTPUT_DESC output_desc_{};
  ComPtr<ID3D11Device> device_;
  ComPtr<ID3D11DeviceContext> context_;
  ComPtr<IDXGIOutputDuplication> duplication_;

  uint32_t rotation_ = DXGI_MODE_ROTATION_IDENTITY;
  bool hdr_input_ = false;
  float sdr_white_nits_ = kDefaultSdrWhiteNits;
  float max_luminance_nits_ = kDefaultMaxLuminanceNits;
  // The shape buffer is reused across frames; the cursor's shape view points
  // into it only while a callback runs.
  CapturedCursor cursor_;
  std::vector<uint8_t> shape_;
};

DesktopCapture::DesktopCapture() : DesktopCapture(DesktopCaptureSeams{}) {}

DesktopCapture::DesktopCapture(DesktopCaptureSeams seams) : seams_(std::move(seams)) {
  if (!seams_.open_duplication) seams_.open_duplication = duplicate_output;
  if (!seams_.create_device) seams_.create_device = create_d3d11_device;
  if (!seams_.wait_before_retry) {
    seams_.wait_before_retry = [](std::stop_token stop) { return wait_before_retry(stop); };
  }
}

DesktopCapture::~DesktopCapture() { stop(); }

bool DesktopCapture::start(HMONITOR monitor, FrameCallback on_frame, IdleCallback on_idle) {
  if (!monitor || thread_.joinable()) return false;

  frames_ = 0;
  refresh_requested_ = false;
  coalesced_frames_ = 0;
  timeouts_ = 0;
  recovery_episodes_ = 0;
  recovery_attempts_ = 0;
  recoveries_ = 0;
  callback_failures_ = 0;
  last_frame_counter_ = 0;
  callback_time_total_ = 0;
  callback_time_max_ = 0;
  width_ = 0;
  height_ = 0;
  last_result_ = S_OK;
  device_removed_reason_ = S_OK;
  stage_ = DesktopCaptureStage::kNone;
  start_counter_ = performance_counter();
  {
    std::lock_guard lock(names_mutex_);
    adapter_name_.clear();
    monitor_name_.clear();
  }
  state_ = DesktopCaptureState::kStarting;

  const HRESULT started = start_guarded_thread(
      thread_, [this, monitor, on_frame = std::move(on_frame),
                on_idle = std::move(on_idle)](std::stop_token stop) mutable {
        run(std::move(stop), monitor, std::move(on_frame), std::move(on_idle));
      });
  if (FAILED(started)) {
    // No worker runs, so the capture must not look as if it were starting.
    fail(started);
    return false;
  }
  return true;
}

void DesktopCapture::stop() {
  if (thread_.joinable()) {
    thread_.request_stop();
    thread_.join();
  }
  state_ = DesktopCaptureState::kIdle;
}

void DesktopCapture::request_refresh() {
  if (thread_.joinable()) refresh_requested_ = true;
}

DesktopCaptureStats DesktopCapture::stats() const {
  DesktopCaptureStats stats;
  stats.state = state_.load();
  stats.frames = frames_.load();
  stats.coalesced_frames = coalesced_frames_.load();
  stats.timeouts = timeouts_.load();
  stats.recovery_episodes = recovery_episodes_.load();
  stats.recovery_attempts = recovery_attempts_.load();
  stats.recoveries = recoveries_.load();
  stats.callback_failures = callback_failures_.load();
  stats.start_counter = start_counter_.load();
  stats.last_frame_counter = last_frame_counter_.load();
  stats.callback_time_total = callback_time_total_.load();
  stats.callback_time_max = callback_time_max_.load();
  stats.width = width_.load();
  stats.height = height_.load();
  stats.last_result = last_result_.load();
  stats.device_removed_reason = device_removed_reason_.load();
  stats.stage = stage_.load();
  std::lock_guard lock(names_mutex_);
  stats.adapter_name = adapter_name_;
  stats.monitor_name = monitor_name_;
  return stats;
}

void DesktopCapture::run(std::stop_token stop, HMONITOR monitor, FrameCallback on_frame,
                         IdleCallback on_idle) {
  // Declared first so that every COM object of the worker is released while
  // the apartment is still entered.
  const ComApartment apartment;
  stage_ = DesktopCaptureStage::kThreadStarted;
  try {
    Worker worker(*this, std::move(stop), monitor, std::move(on_frame), std::move(on_idle));
    worker.run();
  } catch (...) {
    // An allocation that failed on the way (names, shape buffer).
    fail(current_exception_result());
  }
}

void DesktopCapture::set_device_names(std::wstring adapter_name, std::wstring monitor_name) {
  std::lock_guard lock(names_mutex_);
  adapter_name_ = std::move(adapter_name);
  monitor_name_ = std::move(monitor_name);
}

void DesktopCapture::fail(HRESULT result) {
  last_result_ = result;
  state_ = DesktopCaptureState::kFailed;
}

void DesktopCapture::add_callback_time(int64_t duration) {
  callback_time_total_ += duration;
  int64_t current = callback_time_max_.load();
  while (duration > current && !callback_time_max_.compare_exchange_weak(current, duration)) {
  }
}

}  // namespace quorvel::windows
