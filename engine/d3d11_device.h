// Creation of the engine's Direct3D 11 devices (the capture's and the
// privacy cover's). They ask for video support, which the video processor
// and the hardware encoders need, but adapters without a video engine (the
// Microsoft Basic Display Adapter of virtual machines, remote sessions and
// fresh driver updates, some older or server GPUs) refuse that flag. A device
// without it still serves screenshots, the region selection and everything
// else; only the paths that need video fail, later, with their own error.
//
// Free functions, callable from any thread.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <wrl/client.h>

#include <functional>

namespace quorvel::windows {

// Makes a device on `adapter` (null: the default one) the way
// D3D11CreateDevice does, at the SDK version the program is built with. The
// product uses create_d3d11_device; tests pass a fake.
using D3D11DeviceFactory =
    std::function<HRESULT(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driver_type, UINT flags,
                          const D3D_FEATURE_LEVEL* levels, UINT level_count,
                          ID3D11Device** device, ID3D11DeviceContext** context)>;

// The real one: D3D11CreateDevice.
[[nodiscard]] HRESULT create_d3d11_device(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driver_type,
                                          UINT flags, const D3D_FEATURE_LEVEL* levels,
                                          UINT level_count, ID3D11Device** device,
                                          ID3D11DeviceContext** context);

// A device with `flags` and D3D11_CREATE_DEVICE_VIDEO_SUPPORT from `factory`
// (empty: create_d3d11_device); when that is refused, one with `flags`
// alone. The failure of the second request when both fail. `device` and
// `context` are replaced only on success.
[[nodiscard]] HRESULT create_device_preferring_video(const D3D11DeviceFactory& factory,
                                                     IDXGIAdapter* adapter,
                                                     D3D_DRIVER_TYPE driver_type, UINT flags,
                                                     const D3D_FEATURE_LEVEL* levels,
                                                     UINT level_count,
                                                     Microsoft::WRL::ComPtr<ID3D11Device>& device,
                                                     Microsoft::WRL::ComPtr<ID3D11DeviceContext>& context);

}  // namespace quorvel::windows
