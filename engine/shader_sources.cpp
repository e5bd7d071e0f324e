#include "engine/shader_sources.h"

#include <d3dcompiler.h>
#include <wrl/client.h>

#include <array>

#include "engine/frame_shader.h"
#include "engine/hlsl_common.h"
#include "engine/watermark_shader.h"

namespace quorvel::windows {
namespace {

// Constants: SnapshotConstants, 32 bytes. The rotation and tone curve are
// shared with the recording's frame composition (hlsl_common.h).
constexpr auto kSnapshotSource = hlsl::join(R"hlsl(
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

)hlsl", hlsl::kFullscreenTriangle, R"hlsl(
float4 ps_main(VertexOutput input) : SV_Target
{
    int x = (int)input.position.x;
    int y = (int)input.position.y;
    int sourceWidth = (int)sourceSize.x;
    int sourceHeight = (int)sourceSize.y;
)hlsl", hlsl::kUnrotateTexel, R"hlsl(
    float4 texelValue = sourceTexture.Load(int3(texel, 0));
    float3 color = texelValue.rgb;

)hlsl", hlsl::kToneMapToSrgb, R"hlsl(

    // A duplication that has not published a frame yet exposes an all-zero
    // surface; alpha 0 marks such texels for the read-back.
    float4 magnitude = abs(texelValue);
    float largest = max(max(magnitude.r, magnitude.g), max(magnitude.b, magnitude.a));
    float alpha = (float)(largest > 0.0);
    return float4(saturate(color), alpha);
}
)hlsl");

constexpr std::array<ShaderEntryPoint, 2> kSnapshotEntryPoints{{
    {"vs_main", "vs_5_0"},
    {"ps_main", "ps_5_0"},
}};

}  // namespace

const EmbeddedShader& snapshot_shader() {
  static const EmbeddedShader shader{"quorvel-snapshot",
                                     hlsl::view(kSnapshotSource),
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
