#include "engine/watermark_shader.h"

#include "engine/hlsl_common.h"

namespace quorvel::windows {

namespace {

// Within the HLSL every run-time compiler the program meets accepts: no
// sin/cos (a Taylor polynomial after range reduction stands in: the angle
// is folded into [-pi, pi], then into [-pi/2, pi/2] with sin(pi - a) =
// sin(a), where the terms up to a^11 are exact to about 1e-7), no ?:, no
// functions of our own. The mark is sampled without branches so the
// gradients of Sample stay defined in every pixel.
constexpr auto kWatermarkSource = hlsl::join(R"hlsl(
cbuffer WatermarkConstants : register(b0)
{
    float2 outputSize;
    float2 sourceSize;
    float4 sourceRect;
    float2 watermarkCenter;
    float2 watermarkHalfSize;
    float angle;
    float opacity;
    float imageMode;
    float _padding;
};

Texture2D<float4> frameTexture : register(t0);
Texture2D<float4> markTexture : register(t1);
SamplerState linearSampler : register(s0);

)hlsl", hlsl::kFullscreenTriangle, R"hlsl(
float4 ps_main(VertexOutput input) : SV_Target
{
    float2 p = input.position.xy;
    float2 source = sourceRect.xy + (p / outputSize) * sourceRect.zw;
    float3 color = frameTexture.Sample(linearSampler, source / sourceSize).rgb;

    float pi = 3.14159265358979;
    float halfPi = 1.57079632679490;
    float twoPi = 6.28318530717959;

    // sin(angle)
    float a = angle - floor(angle / twoPi + 0.5) * twoPi;
    float s = a;
    if (s > halfPi)
    {
        s = pi - s;
    }
    if (s < -halfPi)
    {
        s = -pi - s;
    }
    float s2 = s * s;
    float sinA = s * (1.0 + s2 * (-1.0 / 6.0 + s2 * (1.0 / 120.0 + s2 * (-1.0 / 5040.0
                 + s2 * (1.0 / 362880.0 + s2 * (-1.0 / 39916800.0))))));

    // cos(angle) = sin(angle + pi/2)
    float c = a + halfPi;
    if (c > pi)
    {
        c = c - twoPi;
    }
    if (c > halfPi)
    {
        c = pi - c;
    }
    if (c < -halfPi)
    {
        c = -pi - c;
    }
    float c2 = c * c;
    float cosA = c * (1.0 + c2 * (-1.0 / 6.0 + c2 * (1.0 / 120.0 + c2 * (-1.0 / 5040.0
                 + c2 * (1.0 / 362880.0 + c2 * (-1.0 / 39916800.0))))));

    float2 r = p - watermarkCenter;
    float2 local = float2(cosA * r.x + sinA * r.y, -sinA * r.x + cosA * r.y);
    float2 uv = local / max(2.0 * watermarkHalfSize, 0.0001) + 0.5;
    float inside = (float)(uv.x >= 0.0) * (float)(uv.x <= 1.0) * (float)(uv.y >= 0.0)
                   * (float)(uv.y <= 1.0) * (float)(opacity > 0.0);

    float4 mark = markTexture.Sample(linearSampler, uv);
    float shadowAlpha = markTexture.Sample(linearSampler, uv - float2(0.008, 0.018)).a;
    float textMode = (float)(imageMode < 0.5);
    float shadow = shadowAlpha * opacity * 0.22 * inside * textMode;
    color = lerp(color, float3(0.0, 0.0, 0.0), shadow);
    // The mark is premultiplied: its colour already carries its alpha.
    float alpha = mark.a * opacity * inside;
    color = color * (1.0 - alpha) + mark.rgb * (opacity * inside);
    return float4(saturate(color), 1.0);
}
)hlsl");

}  // namespace

const EmbeddedShader& watermark_shader() {
  static const EmbeddedShader shader{
      "quorvel-watermark", hlsl::view(kWatermarkSource), kVertexPixelEntryPoints};
  return shader;
}

}  // namespace quorvel::windows
