#include "engine/d3d11_device.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

HRESULT create_d3d11_device(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driver_type, UINT flags,
                            const D3D_FEATURE_LEVEL* levels, UINT level_count,
                            ID3D11Device** device, ID3D11DeviceContext** context) {
  return D3D11CreateDevice(adapter, driver_type, nullptr, flags, levels, level_count,
                           D3D11_SDK_VERSION, device, nullptr, context);
}

HRESULT create_device_preferring_video(const D3D11DeviceFactory& factory, IDXGIAdapter* adapter,
                                       D3D_DRIVER_TYPE driver_type, UINT flags,
                                       const D3D_FEATURE_LEVEL* levels, UINT level_count,
                                       ComPtr<ID3D11Device>& device,
                                       ComPtr<ID3D11DeviceContext>& context) {
  const D3D11DeviceFactory create = factory ? factory : D3D11DeviceFactory(create_d3d11_device);
  ComPtr<ID3D11Device> made;
  ComPtr<ID3D11DeviceContext> made_context;
  HRESULT hr = create(adapter, driver_type, flags | D3D11_CREATE_DEVICE_VIDEO_SUPPORT, levels,
                      level_count, &made, &made_context);
  if (FAILED(hr)) {
    made.Reset();
    made_context.Reset();
    hr = create(adapter, driver_type, flags & ~static_cast<UINT>(D3D11_CREATE_DEVICE_VIDEO_SUPPORT),
                levels, level_count, &made, &made_context);
    if (FAILED(hr)) return hr;
  }
  if (!made || !made_context) return E_POINTER;
  device = std::move(made);
  context = std::move(made_context);
  return S_OK;
}

}  // namespace quorvel::windows
