#include "engine/fullscreen_pass.h"

#include <array>
#include <cstring>

namespace quorvel::windows {

HRESULT make_dynamic_constants(ID3D11Device* device, UINT bytes, Microsoft::WRL::ComPtr<ID3D11Buffer>& buffer) {
  D3D11_BUFFER_DESC desc{};
  desc.ByteWidth = bytes;
  desc.Usage = D3D11_USAGE_DYNAMIC;
  desc.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
  desc.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
  return device->CreateBuffer(&desc, nullptr, &buffer);
}

HRESULT write_dynamic_constants(ID3D11DeviceContext* context, ID3D11Buffer* buffer, const void* data,
                                size_t bytes) {
  D3D11_MAPPED_SUBRESOURCE mapped{};
  const HRESULT hr = context->Map(buffer, 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped);
  if (FAILED(hr)) return hr;
  std::memcpy(mapped.pData, data, bytes);
  context->Unmap(buffer, 0);
  return S_OK;
}

HRESULT draw_fullscreen_pass(ID3D11DeviceContext* context, const FullscreenPass& pass) {
  if (pass.views.size() > FullscreenPass::kMaxViews) return E_INVALIDARG;
  const UINT view_count = static_cast<UINT>(pass.views.size());
  context->IASetInputLayout(nullptr);
  context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  const D3D11_VIEWPORT viewport{0.0f, 0.0f, static_cast<float>(pass.width), static_cast<float>(pass.height),
                                0.0f, 1.0f};
  context->RSSetViewports(1, &viewport);
  context->RSSetState(pass.rasterizer);
  context->OMSetBlendState(nullptr, nullptr, 0xFFFFFFFF);
  context->OMSetDepthStencilState(nullptr, 0);
  ID3D11RenderTargetView* const targets[] = {pass.target};
  context->OMSetRenderTargets(1, targets, nullptr);
  context->VSSetShader(pass.vertex_shader, nullptr, 0);
  context->GSSetShader(nullptr, nullptr, 0);
  context->HSSetShader(nullptr, nullptr, 0);
  context->DSSetShader(nullptr, nullptr, 0);
  context->PSSetShader(pass.pixel_shader, nullptr, 0);
  if (view_count > 0) context->PSSetShaderResources(0, view_count, pass.views.data());
  ID3D11Buffer* const buffers[] = {pass.constants};
  context->PSSetConstantBuffers(0, 1, buffers);
  context->Draw(3, 0);
  const std::array<ID3D11ShaderResourceView*, FullscreenPass::kMaxViews> no_views{};
  if (view_count > 0) context->PSSetShaderResources(0, view_count, no_views.data());
  context->OMSetRenderTargets(0, nullptr, nullptr);
  return S_OK;
}

}  // namespace quorvel::windows
