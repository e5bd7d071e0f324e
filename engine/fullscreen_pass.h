// One full-screen triangle through a vertex and a pixel shader into a render
// target: how the session composes a frame and the snapshot converts one.
// The pass's constants live in a dynamic buffer rewritten before each draw.
#pragma once

#include <d3d11.h>
#include <wrl/client.h>

#include <cstddef>
#include <span>

namespace quorvel::windows {

// A CPU-writable constant buffer of `bytes` (a multiple of 16).
[[nodiscard]] HRESULT make_dynamic_constants(ID3D11Device* device, UINT bytes, Microsoft::WRL::ComPtr<ID3D11Buffer>& buffer);

// Replaces the whole of a buffer from make_dynamic_constants.
[[nodiscard]] HRESULT write_dynamic_constants(ID3D11DeviceContext* context, ID3D11Buffer* buffer, const void* data,
                                size_t bytes);

struct FullscreenPass {
  ID3D11RenderTargetView* target = nullptr;
  UINT width = 0;
  UINT height = 0;
  // Null for the default rasterizer state.
  ID3D11RasterizerState* rasterizer = nullptr;
  ID3D11VertexShader* vertex_shader = nullptr;
  ID3D11PixelShader* pixel_shader = nullptr;
  // Pixel-shader resources from slot 0; at most kMaxViews.
  std::span<ID3D11ShaderResourceView* const> views;
  // Pixel-shader constant buffer 0.
  ID3D11Buffer* constants = nullptr;

  static constexpr size_t kMaxViews = 4;
};

// Draws the pass over the whole target with no input layout, the default
// blend and depth states and no geometry, hull or domain shader, then
// unbinds its views and target so that they can be used as sources next.
// E_INVALIDARG for more than kMaxViews views.
[[nodiscard]] HRESULT draw_fullscreen_pass(ID3D11DeviceContext* context, const FullscreenPass& pass);

}  // namespace quorvel::windows
