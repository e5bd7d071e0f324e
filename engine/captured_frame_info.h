// What the desktop-capture thread hands to its frame callback with every
// desktop texture: the duplication's frame information, the output's
// rotation, the cursor as last reported, and the HDR description of the
// texture. Size and pixel format travel with the texture itself.
//
// A record is built on the capture thread and is valid only for the duration
// of one callback; the shape bytes it points at belong to the capture thread.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <dxgi1_2.h>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace quorvel::windows {

// The cursor as the duplication last described it. Position and visibility
// change only on frames that carry a mouse update; the shape only on frames
// that carry a new shape.
struct CapturedCursor {
  bool visible = false;
  // In pixels of the output's desktop image.
  POINT position{0, 0};
  DXGI_OUTDUPL_POINTER_SHAPE_INFO shape_info{};
  const uint8_t* shape_data = nullptr;
  // 0 while no shape has been fetched.
  size_t shape_size = 0;
};

inline constexpr float kDefaultSdrWhiteNits = 203.0f;
inline constexpr float kDefaultMaxLuminanceNits = 1000.0f;

struct CapturedFrameInfo {
  DXGI_OUTDUPL_FRAME_INFO frame_info{};
  // DXGI_MODE_ROTATION: 1 identity, 2 90 degrees, 3 180 degrees, 4 270 degrees.
  uint32_t rotation = DXGI_MODE_ROTATION_IDENTITY;
  CapturedCursor cursor;
  // The texture is DXGI_FORMAT_R16G16B16A16_FLOAT scRGB rather than
  // DXGI_FORMAT_B8G8R8A8_UNORM.
  bool hdr_input = false;
  float sdr_white_nits = kDefaultSdrWhiteNits;
  float max_luminance_nits = kDefaultMaxLuminanceNits;
};

// Called on the capture thread for every acquired frame. The texture and the
// record are released right after the call returns, so a consumer that needs
// the picture later copies it on the GPU during the call. A negative result
// ends the capture.
using FrameCallback =
    std::function<HRESULT(ID3D11Device* device, ID3D11DeviceContext* context,
                          ID3D11Texture2D* texture, const CapturedFrameInfo& info)>;

// Called on the capture thread whenever a short acquire wait passes without a
// new frame. A negative result ends the capture.
using IdleCallback = std::function<HRESULT()>;

}  // namespace quorvel::windows
