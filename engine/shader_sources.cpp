#include "engine/shader_sources.h"

#include <d3dcompiler.h>
#include <wrl/client.h>

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

}  // namespace

const EmbeddedShader& snapshot_shader() {
  static const EmbeddedShader shader{"quorvel-snapshot",
                                     hlsl::view(kSnapshotSource),
                                     kVertexPixelEntryPoints};
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

HRESULT create_vertex_pixel_shaders(ID3D11Device* device, const EmbeddedShader& shader,
                                    Microsoft::WRL::ComPtr<ID3D11VertexShader>& vertex_shader,
                                    Microsoft::WRL::ComPtr<ID3D11PixelShader>& pixel_shader) {
  Microsoft::WRL::ComPtr<ID3DBlob> vertex_code;
  HRESULT hr = compile_embedded_shader(shader, kVertexEntryPoint.entry, kVertexEntryPoint.target, &vertex_code);
  if (FAILED(hr)) return hr;
  Microsoft::WRL::ComPtr<ID3DBlob> pixel_code;
  hr = compile_embedded_shader(shader, kPixelEntryPoint.entry, kPixelEntryPoint.target, &pixel_code);
  if (FAILED(hr)) return hr;
  hr = device->CreateVertexShader(vertex_code->GetBufferPointer(), vertex_code->GetBufferSize(), nullptr,
                                  &vertex_shader);
  if (FAILED(hr)) return hr;
  return device->CreatePixelShader(pixel_code->GetBufferPointer(), pixel_code->GetBufferSize(), nullptr,
                                   &pixel_shader);
}

}  // namespace quorvel::windows
