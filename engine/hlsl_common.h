// HLSL text shared by the engine's shaders, joined into their sources at
// compile time: the shader compilers the program meets do not accept calls to
// functions of our own, so common steps cannot be HLSL functions.
//
// Each piece names the variables it reads and writes; the shader that pastes
// it declares them.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace quorvel::windows::hlsl {

// Joins string literals into one NUL-terminated array at compile time.
template <size_t... N>
constexpr auto join(const char (&... parts)[N]) {
  std::array<char, (N + ...) - sizeof...(N) + 1> out{};
  size_t position = 0;
  ((std::copy_n(parts, N - 1, out.begin() + position), position += N - 1), ...);
  return out;
}

template <size_t N>
constexpr std::string_view view(const std::array<char, N>& text) {
  return std::string_view(text.data(), N - 1);
}

// One full-screen triangle without a vertex buffer.
inline constexpr char kFullscreenTriangle[] = R"hlsl(
struct VertexOutput
{
    float4 position : SV_Position;
};

VertexOutput vs_main(uint vertexId : SV_VertexID)
{
    VertexOutput output;
    float2 corner = float2(-1.0, -1.0);
    if (vertexId == 1)
    {
        corner = float2(-1.0, 3.0);
    }
    if (vertexId == 2)
    {
        corner = float2(3.0, -1.0);
    }
    output.position = float4(corner, 0.0, 1.0);
    return output;
}
)hlsl";

// Reads x, y (the upright output pixel), sourceWidth, sourceHeight and
// rotation (1 identity, 2 90°, 3 180°, 4 270°); declares int2 texel, the
// source texel. The duplication hands over the desktop as the adapter scans
// it out; the picture the user sees is that image turned by the rotation.
inline constexpr char kUnrotateTexel[] = R"hlsl(
    int2 texel = int2(x, y);
    if (rotation == 2)
    {
        texel = int2(y, sourceHeight - 1 - x);
    }
    else if (rotation == 3)
    {
        texel = int2(sourceWidth - 1 - x, sourceHeight - 1 - y);
    }
    else if (rotation == 4)
    {
        texel = int2(sourceWidth - 1 - y, x);
    }
)hlsl";

// Reads and writes float3 color; reads hdrInput, sdrWhiteNits and
// maxLuminanceNits. Linear scRGB is scaled so that SDR white is 1.0,
// luminance above the 0.95 knee is compressed by an exponential shoulder
// that reaches 1.0 at the display's peak, and the result is sRGB-encoded.
inline constexpr char kToneMapToSrgb[] = R"hlsl(
    if (hdrInput != 0)
    {
        float3 scene = max(color, 0.0);
        float whiteScale = max(sdrWhiteNits / 80.0, 1.0);
        float3 relative = scene / whiteScale;
        float luminance = dot(relative, float3(0.2126, 0.7152, 0.0722));
        float maxRelative = max(maxLuminanceNits / max(sdrWhiteNits, 80.0), 1.01);
        float knee = 0.95;
        float mapped = luminance;
        if (luminance > knee)
        {
            float n = saturate((luminance - knee) / (maxRelative - knee));
            // exp(-3 n) and 1 - exp(-3).
            float shoulder = (1.0 - pow(2.718281828, -3.0 * n)) / 0.950212932;
            mapped = knee + (1.0 - knee) * shoulder;
        }
        if (luminance > 0.00001)
        {
            relative = relative * (mapped / luminance);
        }
        float3 linearColor = saturate(relative);
        float3 encoded = 1.055 * pow(max(linearColor, 0.0000001), 1.0 / 2.4) - 0.055;
        color = lerp(encoded, 12.92 * linearColor, (float3)(linearColor <= 0.0031308));
    }
)hlsl";

}  // namespace quorvel::windows::hlsl
