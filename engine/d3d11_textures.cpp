#include "engine/d3d11_textures.h"

#include <utility>

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

HRESULT make_texture_view(ID3D11Device* device, const D3D11_TEXTURE2D_DESC& desc,
                          const D3D11_SUBRESOURCE_DATA* initial, ComPtr<ID3D11Texture2D>& texture,
                          ComPtr<ID3D11ShaderResourceView>& view) {
  ComPtr<ID3D11Texture2D> made_texture;
  HRESULT hr = device->CreateTexture2D(&desc, initial, &made_texture);
  if (FAILED(hr)) return hr;
  ComPtr<ID3D11ShaderResourceView> made_view;
  hr = device->CreateShaderResourceView(made_texture.Get(), nullptr, &made_view);
  if (FAILED(hr)) return hr;
  texture = std::move(made_texture);
  view = std::move(made_view);
  return S_OK;
}

HRESULT make_immutable_bgra_view(ID3D11Device* device, UINT width, UINT height, const void* pixels,
                                 UINT stride, ComPtr<ID3D11Texture2D>& texture,
                                 ComPtr<ID3D11ShaderResourceView>& view) {
  const D3D11_TEXTURE2D_DESC desc =
      bgra_texture_desc(width, height, D3D11_USAGE_IMMUTABLE, D3D11_BIND_SHADER_RESOURCE);
  const D3D11_SUBRESOURCE_DATA data{pixels, stride, 0};
  return make_texture_view(device, desc, &data, texture, view);
}

HRESULT make_bgra_render_target(ID3D11Device* device, UINT width, UINT height, UINT extra_bind_flags,
                                ComPtr<ID3D11Texture2D>& texture, ComPtr<ID3D11RenderTargetView>& view) {
  const D3D11_TEXTURE2D_DESC desc =
      bgra_texture_desc(width, height, D3D11_USAGE_DEFAULT, D3D11_BIND_RENDER_TARGET | extra_bind_flags);
  ComPtr<ID3D11Texture2D> made_texture;
  HRESULT hr = device->CreateTexture2D(&desc, nullptr, &made_texture);
  if (FAILED(hr)) return hr;
  ComPtr<ID3D11RenderTargetView> made_view;
  hr = device->CreateRenderTargetView(made_texture.Get(), nullptr, &made_view);
  if (FAILED(hr)) return hr;
  texture = std::move(made_texture);
  view = std::move(made_view);
  return S_OK;
}

}  // namespace quorvel::windows
