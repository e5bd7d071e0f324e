#include "engine/frame_shader.h"

#include "engine/hlsl_common.h"

namespace quorvel::windows {

namespace {

// The HLSL keeps to what every run-time compiler the program meets accepts:
// no ?:, no functions of our own, no exp/sin/cos/step/frac. The rotation and
// tone curve are the desktop snapshot's own text, so a screenshot and a
// recording of the same HDR desktop match.
constexpr auto kFrameSource = hlsl::join(R"hlsl(
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

)hlsl", hlsl::kFullscreenTriangle, R"hlsl(
float4 ps_main(VertexOutput input) : SV_Target
{
    int x = (int)input.position.x;
    int y = (int)input.position.y;
    int sourceWidth = (int)frameSize.x;
    int sourceHeight = (int)frameSize.y;

)hlsl", hlsl::kUnrotateTexel, R"hlsl(
    float3 color = frameTexture.Load(int3(texel, 0)).rgb;

)hlsl", hlsl::kToneMapToSrgb, R"hlsl(

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
)hlsl");

}  // namespace

const EmbeddedShader& frame_shader() {
  static const EmbeddedShader shader{"quorvel-frame",
                                     hlsl::view(kFrameSource), kVertexPixelEntryPoints};
  return shader;
}

}  // namespace quorvel::windows
