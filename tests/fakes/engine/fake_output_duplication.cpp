#include "tests/fakes/engine/fake_output_duplication.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

struct FakeDuplicationScript::State {
  explicit State(DXGI_OUTDUPL_DESC mode) : mode(mode) {}

  // The mode of the next duplication made; each keeps the one it began with.
  DXGI_OUTDUPL_DESC mode;
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::deque<HRESULT> open_results;
  HRESULT default_open_result = S_OK;
  std::deque<FakeAcquireStep> steps;
  // The current desktop image, if the test set one.
  std::optional<FakeAcquireStep> desktop;
  bool drained = false;
  int open_calls = 0;
  int acquire_calls = 0;
  UINT last_acquire_timeout_ms = 0;
  int frames_delivered = 0;
  int frames_released = 0;
  int protocol_errors = 0;
  int live_duplications = 0;
  ComPtr<ID3D11Texture2D> last_texture;
  ComPtr<ID3D11Device> last_device;
  ComPtr<IDXGIOutput> last_output;
};

class FakeOutputDuplication final : public IDXGIOutputDuplication {
 public:
  FakeOutputDuplication(std::shared_ptr<FakeDuplicationScript::State> state, ID3D11Device* device)
      : state_(std::move(state)), device_(device) {
    std::lock_guard lock(state_->mutex);
    mode_ = state_->mode;
    first_frame_ = state_->desktop;
    ++state_->live_duplications;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDXGIObject) ||
        riid == __uuidof(IDXGIOutputDuplication)) {
      *object = static_cast<IDXGIOutputDuplication*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDXGIObject
  HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetParent(REFIID, void** parent) override {
    if (parent) *parent = nullptr;
    return E_NOTIMPL;
  }

  // IDXGIOutputDuplication
  void STDMETHODCALLTYPE GetDesc(DXGI_OUTDUPL_DESC* desc) override {
    if (desc) *desc = mode_;
  }

  HRESULT STDMETHODCALLTYPE AcquireNextFrame(UINT timeout_ms, DXGI_OUTDUPL_FRAME_INFO* frame_info,
                                             IDXGIResource** resource) override {
    if (!frame_info || !resource) return E_INVALIDARG;
    *resource = nullptr;
    std::unique_lock lock(state_->mutex);
    ++state_->acquire_calls;
    state_->last_acquire_timeout_ms = timeout_ms;
    if (holding_frame_) {
      ++state_->protocol_errors;
      return DXGI_ERROR_INVALID_CALL;
    }
    if (first_frame_) {
      step_ = std::move(*first_frame_);
      first_frame_.reset();
    } else {
      if (state_->steps.empty()) {
        state_->drained = true;
        state_->changed.notify_all();
        if (!state_->changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                      [&] { return !state_->steps.empty(); })) {
          return DXGI_ERROR_WAIT_TIMEOUT;
        }
      }
      step_ = std::move(state_->steps.front());
      state_->steps.pop_front();
      if (step_.result != S_OK) return step_.result;
    }

    ComPtr<ID3D11Texture2D> texture;
    HRESULT hr = make_texture(texture);
    if (FAILED(hr)) return hr;
    ComPtr<IDXGIResource> frame_resource;
    hr = texture.As(&frame_resource);
    if (FAILED(hr)) return hr;
    state_->last_texture = texture;
    ++state_->frames_delivered;
    holding_frame_ = true;
    *frame_info = step_.frame_info;
    *resource = frame_resource.Detach();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetFrameDirtyRects(UINT, RECT*, UINT* required) override {
    if (required) *required = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFrameMoveRects(UINT, DXGI_OUTDUPL_MOVE_RECT*,
                                              UINT* required) override {
    if (required) *required = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetFramePointerShape(UINT buffer_size, void* buffer, UINT* required,
                                                 DXGI_OUTDUPL_POINTER_SHAPE_INFO* info) override {
    std::lock_guard lock(state_->mutex);
    if (!holding_frame_) {
      ++state_->protocol_errors;
      return DXGI_ERROR_INVALID_CALL;
    }
    if (!required || !info) return E_INVALIDARG;
    *required = static_cast<UINT>(step_.pointer_shape.size());
    if (FAILED(step_.pointer_shape_result)) return step_.pointer_shape_result;
    if (buffer_size < step_.pointer_shape.size()) return DXGI_ERROR_MORE_DATA;
    if (!step_.pointer_shape.empty()) {
      std::memcpy(buffer, step_.pointer_shape.data(), step_.pointer_shape.size());
    }
    *info = step_.pointer_shape_info;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE MapDesktopSurface(DXGI_MAPPED_RECT*) override {
    return DXGI_ERROR_UNSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE UnMapDesktopSurface() override { return DXGI_ERROR_INVALID_CALL; }

  HRESULT STDMETHODCALLTYPE ReleaseFrame() override {
    std::lock_guard lock(state_->mutex);
    if (!holding_frame_) {
      ++state_->protocol_errors;
      return DXGI_ERROR_INVALID_CALL;
    }
    holding_frame_ = false;
    ++state_->frames_released;
    state_->changed.notify_all();
    return S_OK;
  }

 private:
  ~FakeOutputDuplication() {
    std::lock_guard lock(state_->mutex);
    --state_->live_duplications;
    state_->changed.notify_all();
  }

  HRESULT make_texture(ComPtr<ID3D11Texture2D>& texture) const {
    const DXGI_MODE_DESC& mode = mode_.ModeDesc;
    const size_t texel_bytes = mode.Format == DXGI_FORMAT_R16G16B16A16_FLOAT ? 8 : 4;
    const size_t row_bytes = texel_bytes * mode.Width;
    std::vector<uint8_t> pixels;
    if (!step_.image.empty()) {
      pixels = step_.image;
    } else {
      pixels.assign(row_bytes * mode.Height, 0);
      if (step_.texel.size() == texel_bytes) {
        for (size_t offset = 0; offset < pixels.size(); offset += texel_bytes) {
          std::memcpy(pixels.data() + offset, step_.texel.data(), texel_bytes);
        }
      }
    }
    if (pixels.size() != row_bytes * mode.Height) return E_INVALIDARG;

    // Like a duplication surface: default usage and bound to nothing, so a
    // consumer has to copy it before sampling it.
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = mode.Width;
    desc.Height = mode.Height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = mode.Format;
    desc.SampleDesc.Count = 1;
    desc.Usage = D3D11_USAGE_DEFAULT;
    D3D11_SUBRESOURCE_DATA data{pixels.data(), static_cast<UINT>(row_bytes), 0};
    return device_->CreateTexture2D(&desc, &data, &texture);
  }

  std::atomic<ULONG> references_{1};
  std::shared_ptr<FakeDuplicationScript::State> state_;
  ComPtr<ID3D11Device> device_;
  DXGI_OUTDUPL_DESC mode_{};
  // Guarded by the script's mutex.
  bool holding_frame_ = false;
  // The desktop image this duplication starts with, until delivered.
  std::optional<FakeAcquireStep> first_frame_;
  FakeAcquireStep step_;
};

FakeAcquireStep FakeAcquireStep::timeout() { return error(DXGI_ERROR_WAIT_TIMEOUT); }

FakeAcquireStep FakeAcquireStep::error(HRESULT result) {
  FakeAcquireStep step;
  step.result = result;
  return step;
}

FakeAcquireStep FakeAcquireStep::frame(std::vector<uint8_t> texel) {
  FakeAcquireStep step;
  step.frame_info.AccumulatedFrames = 1;
  step.frame_info.LastPresentTime.QuadPart = 1;
  step.texel = std::move(texel);
  return step;
}

FakeAcquireStep& FakeAcquireStep::with_mouse(POINT position, bool visible) {
  frame_info.LastMouseUpdateTime.QuadPart = 1;
  frame_info.PointerPosition.Position = position;
  frame_info.PointerPosition.Visible = visible ? TRUE : FALSE;
  return *this;
}

FakeAcquireStep& FakeAcquireStep::with_shape(std::vector<uint8_t> bytes,
                                             DXGI_OUTDUPL_POINTER_SHAPE_INFO info) {
  frame_info.PointerShapeBufferSize = static_cast<UINT>(bytes.size());
  pointer_shape = std::move(bytes);
  pointer_shape_info = info;
  return *this;
}

FakeAcquireStep& FakeAcquireStep::with_accumulated_frames(UINT count) {
  frame_info.AccumulatedFrames = count;
  return *this;
}

FakeDuplicationScript::FakeDuplicationScript(DXGI_OUTDUPL_DESC mode)
    : state_(std::make_shared<State>(mode)) {}

DXGI_OUTDUPL_DESC FakeDuplicationScript::mode(UINT width, UINT height, DXGI_FORMAT format) {
  DXGI_OUTDUPL_DESC desc{};
  desc.ModeDesc.Width = width;
  desc.ModeDesc.Height = height;
  desc.ModeDesc.Format = format;
  desc.Rotation = DXGI_MODE_ROTATION_IDENTITY;
  desc.DesktopImageInSystemMemory = FALSE;
  return desc;
}

void FakeDuplicationScript::set_mode(DXGI_OUTDUPL_DESC mode) {
  std::lock_guard lock(state_->mutex);
  state_->mode = mode;
}

void FakeDuplicationScript::push_open_result(HRESULT result) {
  std::lock_guard lock(state_->mutex);
  state_->open_results.push_back(result);
}

void FakeDuplicationScript::set_default_open_result(HRESULT result) {
  std::lock_guard lock(state_->mutex);
  state_->default_open_result = result;
}

void FakeDuplicationScript::push(FakeAcquireStep step) {
  std::lock_guard lock(state_->mutex);
  state_->steps.push_back(std::move(step));
  state_->drained = false;
  state_->changed.notify_all();
}

void FakeDuplicationScript::set_desktop(FakeAcquireStep frame) {
  std::lock_guard lock(state_->mutex);
  state_->desktop = std::move(frame);
}

DuplicationOpener FakeDuplicationScript::opener() {
  return [state = state_](IDXGIAdapter1*, IDXGIOutput* output, ID3D11Device* device,
                          IDXGIOutputDuplication** duplication) -> HRESULT {
    if (!duplication) return E_INVALIDARG;
    *duplication = nullptr;
    HRESULT result;
    {
      std::lock_guard lock(state->mutex);
      ++state->open_calls;
      state->last_device = device;
      state->last_output = output;
      if (state->open_results.empty()) {
        result = state->default_open_result;
      } else {
        result = state->open_results.front();
        state->open_results.pop_front();
      }
    }
    if (FAILED(result)) return result;
    if (!device) return E_INVALIDARG;
    *duplication = new FakeOutputDuplication(state, device);
    return S_OK;
  };
}

bool FakeDuplicationScript::wait_until_drained(std::chrono::milliseconds timeout) {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, timeout,
                                  [&] { return state_->drained && state_->steps.empty(); });
}

int FakeDuplicationScript::open_calls() const {
  std::lock_guard lock(state_->mutex);
  return state_->open_calls;
}

int FakeDuplicationScript::acquire_calls() const {
  std::lock_guard lock(state_->mutex);
  return state_->acquire_calls;
}

UINT FakeDuplicationScript::last_acquire_timeout_ms() const {
  std::lock_guard lock(state_->mutex);
  return state_->last_acquire_timeout_ms;
}

int FakeDuplicationScript::frames_delivered() const {
  std::lock_guard lock(state_->mutex);
  return state_->frames_delivered;
}

int FakeDuplicationScript::frames_released() const {
  std::lock_guard lock(state_->mutex);
  return state_->frames_released;
}

int FakeDuplicationScript::protocol_errors() const {
  std::lock_guard lock(state_->mutex);
  return state_->protocol_errors;
}

int FakeDuplicationScript::live_duplications() const {
  std::lock_guard lock(state_->mutex);
  return state_->live_duplications;
}

ID3D11Texture2D* FakeDuplicationScript::last_texture() const {
  std::lock_guard lock(state_->mutex);
  return state_->last_texture.Get();
}

ID3D11Device* FakeDuplicationScript::last_device() const {
  std::lock_guard lock(state_->mutex);
  return state_->last_device.Get();
}

IDXGIOutput* FakeDuplicationScript::last_output() const {
  std::lock_guard lock(state_->mutex);
  return state_->last_output.Get();
}

}  // namespace quorvel::windows
