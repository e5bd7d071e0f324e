#include "engine/shader_sources.h"

#include <d3d11.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

// Every shader the engine embeds must compile with the same run-time
// compiler the program uses, and the device must accept the byte code.
// Under Wine this also keeps the sources inside the HLSL its compiler knows.
TEST(EmbeddedShaders, EveryEntryPointCompilesAndMakesAShader) {
  ComPtr<ID3D11Device> device;
  ASSERT_HRESULT_SUCCEEDED(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr,
                                             D3D11_CREATE_DEVICE_BGRA_SUPPORT, nullptr, 0,
                                             D3D11_SDK_VERSION, &device, nullptr, nullptr));
  ASSERT_FALSE(embedded_shaders().empty());
  std::set<std::string> names;
  for (const EmbeddedShader* shader : embedded_shaders()) {
    ASSERT_NE(shader, nullptr);
    SCOPED_TRACE(shader->name);
    EXPECT_TRUE(names.insert(shader->name).second) << "two shaders share a source name";
    ASSERT_FALSE(shader->entry_points.empty());
    for (const ShaderEntryPoint& entry : shader->entry_points) {
      SCOPED_TRACE(entry.entry);
      ComPtr<ID3DBlob> code;
      std::string errors;
      ASSERT_HRESULT_SUCCEEDED(
          compile_embedded_shader(*shader, entry.entry, entry.target, &code, &errors))
          << errors;
      ASSERT_TRUE(code);
      const std::string target = entry.target;
      if (target.rfind("vs_", 0) == 0) {
        ComPtr<ID3D11VertexShader> vertex_shader;
        EXPECT_HRESULT_SUCCEEDED(device->CreateVertexShader(
            code->GetBufferPointer(), code->GetBufferSize(), nullptr, &vertex_shader));
      } else if (target.rfind("ps_", 0) == 0) {
        ComPtr<ID3D11PixelShader> pixel_shader;
        EXPECT_HRESULT_SUCCEEDED(device->CreatePixelShader(
            code->GetBufferPointer(), code->GetBufferSize(), nullptr, &pixel_shader));
      } else if (target.rfind("cs_", 0) == 0) {
        ComPtr<ID3D11ComputeShader> compute_shader;
        EXPECT_HRESULT_SUCCEEDED(device->CreateComputeShader(
            code->GetBufferPointer(), code->GetBufferSize(), nullptr, &compute_shader));
      } else {
        ADD_FAILURE() << "no test for target " << target;
      }
    }
  }
  EXPECT_TRUE(names.count("quorvel-snapshot"));
}

TEST(EmbeddedShaders, CompileReportsTheCompilersMessagesOnFailure) {
  const ShaderEntryPoint entries[] = {{"ps_main", "ps_5_0"}};
  const EmbeddedShader broken{"quorvel-broken",
                              "float4 ps_main() : SV_Target { return undefined_name; }", entries};
  ComPtr<ID3DBlob> code;
  std::string errors;
  EXPECT_TRUE(FAILED(compile_embedded_shader(broken, "ps_main", "ps_5_0", &code, &errors)));
  EXPECT_FALSE(code);
  EXPECT_FALSE(errors.empty());
}

}  // namespace
}  // namespace quorvel::windows
