#include "engine/frame_shader.h"

#include <array>

namespace quorvel::windows {

namespace {

// The HLSL keeps to what every run-time compiler the program meets accepts:
// no ?:, no functions of our own, no exp/sin/cos/step/frac. The tone curve
// is the one the desktop snapshot uses, so a screenshot and a recording of
// the same HDR desktop match: scRGB is scaled so that SDR white is 1.0,
// luminance above the 0.95 knee is compressed by an exponential shoulder that
// reaches 1.0 at the display's peak, and the result is sRGB-encoded.
constexpr char kFrameSource[] = R"hlsl(
cbuffer FrameConstants : register(b0)
{
    float2 frameSize;
    float2 cursorOrigin;
    float2 cursorSize;
    float sdrWhiteNits;
    float maxLuminanceNits;
    uint cursorType;
    uint cursorVisible;
    uint hdrInput;
    uint rotation;
};

Texture2D<float4> frameTexture : register(t0);
Texture2D<float4> cursorTexture : register(t1);

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

float4 ps_main(VertexOutput input) : SV_Target
{
    int x = (int)input.position.x;
    int y = (int)input.position.y;
    int sourceWidth = (int)frameSize.x;
    int sourceHeight = (int)frameSize.y;

    // The duplication hands over the desktop as the adapter scans it out;
    // the picture the user sees is that image turned by the output's rotation.
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
    float3 color = frameTexture.Load(int3(texel, 0)).rgb;

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

    if (cursorVisible != 0)
    {
        int2 local = int2(x, y) - int2(cursorOrigin);
        if (local.x >= 0 && local.y >= 0 && local.x < (int)cursorSize.x && local.y < (int)cursorSize.y)
        {
            float4 cursor = cursorTexture.Load(int3(local, 0));
            if (cursorType == 1 && cursor.a > 0.40 && cursor.a < 0.60)
            {
                // The half-alpha black of a monochrome shape inverts the screen.
                color = 1.0 - color;
            }
            else if (cursorType == 4)
            {
                color = lerp(cursor.rgb, abs(color - cursor.rgb), (float3)(cursor.a > 0.5));
            }
            else
            {
                color = lerp(color, cursor.rgb, cursor.a);
            }
        }
    }

    return float4(saturate(color), 1.0);
}
)hlsl";

constexpr std::array<ShaderEntryPoint, 2> kEntryPoints{{
    {"vs_main", "vs_5_0"},
    {"ps_main", "ps_5_0"},
}};

}  // namespace

const EmbeddedShader& frame_shader() {
  static const EmbeddedShader shader{"quorvel-frame",
                                     std::string_view(kFrameSource, sizeof(kFrameSource) - 1), kEntryPoints};
  return shader;
}

}  // namespace quorvel::windows
