#include "engine/shader_sources.h"

#include <d3dcompiler.h>
#include <wrl/client.h>

#include <array>

#include "engine/frame_shader.h"
#include "engine/watermark_shader.h"

namespace quorvel::windows {
namespace {

// Constants: SnapshotConstants, 32 bytes. The tone curve is the one the
// recording's frame composition uses, written out inline because the shader
// may not call functions of its own: linear scRGB is scaled so that SDR
// white is 1.0, luminance above the 0.95 knee is compressed by an
// exponential shoulder that reaches 1.0 at the display's peak, and the result
// is sRGB-encoded.
constexpr char kSnapshotSource[] = R"hlsl(
cbuffer SnapshotConstants : register(b0)
{
    float2 sourceSize;
    float sdrWhiteNits;
    float maxLuminanceNits;
    uint rotation;
    uint hdrInput;
    uint2 padding;
};

Texture2D<float4> sourceTexture : register(t0);

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
    int sourceWidth = (int)sourceSize.x;
    int sourceHeight = (int)sourceSize.y;
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
    float4 texelValue = sourceTexture.Load(int3(texel, 0));
    float3 color = texelValue.rgb;

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

    // A duplication that has not published a frame yet exposes an all-zero
    // surface; alpha 0 marks such texels for the read-back.
    float4 magnitude = abs(texelValue);
    float largest = max(max(magnitude.r, magnitude.g), max(magnitude.b, magnitude.a));
    float alpha = (float)(largest > 0.0);
    return float4(saturate(color), alpha);
}
)hlsl";

constexpr std::array<ShaderEntryPoint, 2> kSnapshotEntryPoints{{
    {"vs_main", "vs_5_0"},
    {"ps_main", "ps_5_0"},
}};

}  // namespace

const EmbeddedShader& snapshot_shader() {
  static const EmbeddedShader shader{"quorvel-snapshot",
                                     std::string_view(kSnapshotSource, sizeof(kSnapshotSource) - 1),
                                     kSnapshotEntryPoints};
  return shader;
}

std::span<const EmbeddedShader* const> embedded_shaders() {
  static const EmbeddedShader* const shaders[] = {&snapshot_shader(), &frame_shader(),
                                                  &watermark_shader()};
  return shaders;
}

HRESULT compile_embedded_shader(const EmbeddedShader& shader, const char* entry, const char* target,
                                ID3DBlob** code, std::string* errors) {
  if (!entry || !target || !code) return E_INVALIDARG;
  *code = nullptr;
  Microsoft::WRL::ComPtr<ID3DBlob> messages;
  const HRESULT hr =
      D3DCompile(shader.source.data(), shader.source.size(), shader.name, nullptr, nullptr, entry,
                 target, D3DCOMPILE_OPTIMIZATION_LEVEL3, 0, code, &messages);
  if (errors) {
    errors->clear();
    if (messages && messages->GetBufferSize() > 0) {
      errors->assign(static_cast<const char*>(messages->GetBufferPointer()),
                     messages->GetBufferSize());
    }
  }
  return hr;
}

}  // namespace quorvel::windows
