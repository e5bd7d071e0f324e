#include "tests/fakes/engine/fake_device_factory.h"

namespace quorvel::windows::test {

FakeDeviceFactory::FakeDeviceFactory() : state_(std::make_shared<State>()) {}

void FakeDeviceFactory::refuse_video_support(HRESULT result) {
  std::lock_guard lock(state_->mutex);
  state_->video_result = result;
}

void FakeDeviceFactory::refuse_every_device(HRESULT result) {
  std::lock_guard lock(state_->mutex);
  state_->every_result = result;
}

D3D11DeviceFactory FakeDeviceFactory::function() const {
  return [state = state_](IDXGIAdapter* adapter, D3D_DRIVER_TYPE driver_type, UINT flags,
                          const D3D_FEATURE_LEVEL* levels, UINT level_count, ID3D11Device** device,
                          ID3D11DeviceContext** context) -> HRESULT {
    if (device) *device = nullptr;
    if (context) *context = nullptr;
    {
      std::lock_guard lock(state->mutex);
      state->requested.push_back(flags);
      if ((flags & D3D11_CREATE_DEVICE_VIDEO_SUPPORT) && FAILED(state->video_result)) {
        return state->video_result;
      }
      if (FAILED(state->every_result)) return state->every_result;
    }
    const HRESULT hr = D3D11CreateDevice(adapter, driver_type, nullptr, flags, levels, level_count,
                                         D3D11_SDK_VERSION, device, nullptr, context);
    if (SUCCEEDED(hr)) {
      std::lock_guard lock(state->mutex);
      state->granted = flags;
    }
    return hr;
  };
}

std::vector<UINT> FakeDeviceFactory::requested_flags() const {
  std::lock_guard lock(state_->mutex);
  return state_->requested;
}

UINT FakeDeviceFactory::granted_flags() const {
  std::lock_guard lock(state_->mutex);
  return state_->granted;
}

}  // namespace quorvel::windows::test
