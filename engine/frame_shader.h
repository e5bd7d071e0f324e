// The frame composition shader: it undoes the output's rotation, tone-maps
// scRGB (HDR) desktops to SDR, blends the cursor, and writes an upright
// B8G8R8A8 frame the video processor crops, scales and converts to NV12.
//
// FrameConstants is the shader's constant buffer, field for field. Immutable
// data; any thread.
#pragma once

#include <cstdint>

#include "engine/shader_sources.h"

namespace quorvel::windows {

struct FrameConstants {
  float frameSize[2];     // the frame copy (the unrotated desktop) in pixels
  float cursorOrigin[2];  // pointer position in pixels of the upright frame
  float cursorSize[2];    // converted shape width and height
  float sdrWhiteNits;
  float maxLuminanceNits;
  uint32_t cursorType;     // 1 monochrome, 2 colour, 4 masked colour
  uint32_t cursorVisible;  // 0 or 1
  uint32_t hdrInput;       // 1 for R16G16B16A16_FLOAT scRGB
  uint32_t rotation;       // DXGI_MODE_ROTATION of the captured output
};
static_assert(sizeof(FrameConstants) == 48);

// Entry points "vs_main" (vs_5_0) and "ps_main" (ps_5_0).
const EmbeddedShader& frame_shader();

}  // namespace quorvel::windows
