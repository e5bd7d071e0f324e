// The plain 2D textures the engine composes with: one mip level, one array
// slice, no multisampling. Kept in one place so every texture is described
// the same way.
#pragma once

#include <d3d11.h>
#include <wrl/client.h>

namespace quorvel::windows {

// A single-level, single-sample texture description with no CPU access.
inline D3D11_TEXTURE2D_DESC texture_2d_desc(UINT width, UINT height, DXGI_FORMAT format,
                                            D3D11_USAGE usage, UINT bind_flags) {
  D3D11_TEXTURE2D_DESC desc{};
  desc.Width = width;
  desc.Height = height;
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.Format = format;
  desc.SampleDesc.Count = 1;
  desc.Usage = usage;
  desc.BindFlags = bind_flags;
  return desc;
}

// The same, in 8-bit B8G8R8A8.
inline D3D11_TEXTURE2D_DESC bgra_texture_desc(UINT width, UINT height, D3D11_USAGE usage,
                                              UINT bind_flags) {
  return texture_2d_desc(width, height, DXGI_FORMAT_B8G8R8A8_UNORM, usage, bind_flags);
}

// A texture of `desc` (holding `initial` when given) and a shader view of
// it. `texture` and `view` are set only on success.
[[nodiscard]] HRESULT make_texture_view(ID3D11Device* device, const D3D11_TEXTURE2D_DESC& desc,
                          const D3D11_SUBRESOURCE_DATA* initial,
                          Microsoft::WRL::ComPtr<ID3D11Texture2D>& texture,
                          Microsoft::WRL::ComPtr<ID3D11ShaderResourceView>& view);

// An immutable B8G8R8A8 texture of `pixels` (rows `stride` bytes apart) and
// a shader view of it. `texture` and `view` are set only on success.
[[nodiscard]] HRESULT make_immutable_bgra_view(ID3D11Device* device, UINT width, UINT height, const void* pixels,
                                 UINT stride, Microsoft::WRL::ComPtr<ID3D11Texture2D>& texture,
                                 Microsoft::WRL::ComPtr<ID3D11ShaderResourceView>& view);

// A default-usage B8G8R8A8 render target (bound as a target plus
// `extra_bind_flags`) and its view. `texture` and `view` are set only on
// success.
[[nodiscard]] HRESULT make_bgra_render_target(ID3D11Device* device, UINT width, UINT height, UINT extra_bind_flags,
                                Microsoft::WRL::ComPtr<ID3D11Texture2D>& texture,
                                Microsoft::WRL::ComPtr<ID3D11RenderTargetView>& view);

}  // namespace quorvel::windows
