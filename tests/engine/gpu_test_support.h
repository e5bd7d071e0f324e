// Direct3D helpers for the engine's GPU tests: a device, textures made from
// pixel arrays, exact read-back, and the switch that keeps test frames as
// PNG files for a reviewer.
//
// Frames are written only when QUORVEL_TEST_WRITE_FRAMES is set: to the
// folder it names when that folder exists, otherwise to "test-frames" in the
// test's working folder (the build folder CTest runs the test in, beside its
// log). Each written path is printed.
#pragma once

#include <d3d11.h>
#include <windows.h>
#include <mfapi.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/com_apartment.h"

namespace quorvel::windows::test {

// A hardware (Wine: the only) Direct3D 11 device with BGRA support and
// multithread protection, as the desktop capture makes it. Returns false
// when none can be made.
bool make_device(Microsoft::WRL::ComPtr<ID3D11Device>& device,
                 Microsoft::WRL::ComPtr<ID3D11DeviceContext>& context);

// COM, the whole of Media Foundation and a device from make_device, for the
// tests that drive a recording session. A fixture deriving from it returns
// from its SetUp when this one's failed (HasFatalFailure) and releases what
// uses the device in its TearDown before calling this one's.
class MediaDeviceFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    com_.emplace();
    ASSERT_HRESULT_SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_FULL));
    ASSERT_TRUE(make_device(device_, context_));
  }

  void TearDown() override {
    context_.Reset();
    device_.Reset();
    MFShutdown();
    com_.reset();
  }

  std::optional<ComApartment> com_;
  Microsoft::WRL::ComPtr<ID3D11Device> device_;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext> context_;
};

// A default-usage B8G8R8A8 texture holding `pixels` (0xAARRGGBB per pixel),
// with the given bindings.
Microsoft::WRL::ComPtr<ID3D11Texture2D> make_bgra_texture(ID3D11Device* device, uint32_t width,
                                                          uint32_t height,
                                                          const std::vector<uint32_t>& pixels,
                                                          UINT bind_flags = D3D11_BIND_SHADER_RESOURCE);

// A default-usage R16G16B16A16_FLOAT texture, every pixel (r, g, b, 1).
Microsoft::WRL::ComPtr<ID3D11Texture2D> make_fp16_texture(ID3D11Device* device, uint32_t width,
                                                          uint32_t height, const std::vector<float>& rgb);

// The pixels of a B8G8R8A8 texture as 0xAARRGGBB, rows packed; empty on failure.
std::vector<uint32_t> read_bgra(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Texture2D* texture);

inline uint8_t red(uint32_t pixel) { return static_cast<uint8_t>(pixel >> 16); }
inline uint8_t green(uint32_t pixel) { return static_cast<uint8_t>(pixel >> 8); }
inline uint8_t blue(uint32_t pixel) { return static_cast<uint8_t>(pixel); }

// Writes the pixels as `name`.png when the switch is on; does nothing otherwise.
void keep_frame(const std::string& name, uint32_t width, uint32_t height,
                const std::vector<uint32_t>& pixels);

// A PNG of the given pixels (0xAARRGGBB, straight alpha) at `path`.
HRESULT write_png(const std::wstring& path, uint32_t width, uint32_t height,
                  const std::vector<uint32_t>& pixels);

}  // namespace quorvel::windows::test
