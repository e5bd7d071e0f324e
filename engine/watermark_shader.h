// The watermark shader: samples the viewport out of the composed frame,
// scales it to the output size and blends the rotating, fading mark.
//
// WatermarkConstants is the shader's constant buffer, field for field.
// Immutable data; any thread.
#pragma once

#include "engine/shader_sources.h"

namespace quorvel::windows {

struct WatermarkConstants {
  float outputSize[2];
  float sourceSize[2];
  float sourceRect[4];  // x, y, width, height in composed-frame pixels
  float watermarkCenter[2];
  float watermarkHalfSize[2];
  float angle;      // radians
  float opacity;    // 0..1, already faded
  float imageMode;  // 1.0 for an image mark, 0.0 for text
  float _padding;
};
static_assert(sizeof(WatermarkConstants) == 64);

// Entry points "vs_main" (vs_5_0) and "ps_main" (ps_5_0).
const EmbeddedShader& watermark_shader();

}  // namespace quorvel::windows
