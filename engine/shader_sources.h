// The HLSL the engine embeds and compiles at run time with D3DCompile.
//
// Every shader is listed by embedded_shaders(), so that one test compiles all
// of them with the same compiler the program uses. The sources keep to the
// HLSL that every D3DCompile the program meets accepts: no ?:, no calls to
// functions of our own, no exp/exp2/frac/sqrt/sin/cos/step/any, no
// GetDimensions or SampleLevel; pow, lerp, saturate, dot, Load, Sample, if
// and loops are fine. Immutable; any thread may read them.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <d3dcommon.h>
#include <wrl/client.h>

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace quorvel::windows {

struct ShaderEntryPoint {
  const char* entry;
  const char* target;
};

// Every embedded shader has the same two stages: a full-screen vertex stage
// and a pixel stage.
inline constexpr ShaderEntryPoint kVertexEntryPoint{"vs_main", "vs_5_0"};
inline constexpr ShaderEntryPoint kPixelEntryPoint{"ps_main", "ps_5_0"};
inline constexpr std::array<ShaderEntryPoint, 2> kVertexPixelEntryPoints{{kVertexEntryPoint, kPixelEntryPoint}};

struct EmbeddedShader {
  // The source name the compiler reports in its messages.
  const char* name;
  std::string_view source;
  std::span<const ShaderEntryPoint> entry_points;
};

// The snapshot converter: one full-screen triangle (vs_main) and a pixel
// shader (ps_main) that undoes rotation and tone-maps scRGB to SDR.
const EmbeddedShader& snapshot_shader();

// Every shader the engine embeds.
std::span<const EmbeddedShader* const> embedded_shaders();

// D3DCompile of one entry point with full optimisation. On failure the
// compiler's messages, when it gave any, go to `errors`.
[[nodiscard]] HRESULT compile_embedded_shader(const EmbeddedShader& shader, const char* entry, const char* target,
                                ID3DBlob** code, std::string* errors = nullptr);

// Compiles the vertex and pixel stages of `shader` (kVertexEntryPoint,
// kPixelEntryPoint) and creates both on `device`.
[[nodiscard]] HRESULT create_vertex_pixel_shaders(ID3D11Device* device, const EmbeddedShader& shader,
                                    Microsoft::WRL::ComPtr<ID3D11VertexShader>& vertex_shader,
                                    Microsoft::WRL::ComPtr<ID3D11PixelShader>& pixel_shader);

}  // namespace quorvel::windows
