// Burns the user's watermark, a line of text or a picture, into every encoded
// frame. It is also the frame's final crop and scale: it samples the viewport
// rectangle out of the composed frame, scales it to the output size and
// blends a small rotating, fading mark into one corner, moving to another
// corner every 12 seconds of video time (see watermark_layout.h).
//
// Owned by the recording session through a unique pointer and used only
// under the session's lock on the thread that delivers frames. The mark's
// texture is built once at initialize and never changes.
#pragma once

#include <d3d11.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <string>

#include "engine/recording_options.h"

namespace quorvel::windows {

// The face text marks are set in.
inline constexpr wchar_t kWatermarkFontFamily[] = L"Segoe UI";

class WatermarkRenderer {
 public:
  // A renderer with the default settings and no Direct3D objects. Text marks
  // are drawn in `font_family`.
  static std::unique_ptr<WatermarkRenderer> create(std::wstring font_family = kWatermarkFontFamily);

  ~WatermarkRenderer();
  WatermarkRenderer(const WatermarkRenderer&) = delete;
  WatermarkRenderer& operator=(const WatermarkRenderer&) = delete;

  // Builds the mark and every Direct3D object for output frames of `width` x
  // `height` made from `composed` (B8G8R8A8, shader-resource bindable).
  // E_INVALIDARG for null objects, a zero size, a disabled watermark, a text
  // mark that is empty or over 320 UTF-16 units, or an image mark without a
  // path. Objects made before a failure stay until the renderer goes.
  [[nodiscard]] HRESULT initialize(ID3D11Device* device, ID3D11DeviceContext* context, ID3D11Texture2D* composed,
                     uint32_t width, uint32_t height, const RecordingWatermark& watermark);

  // Draws the cropped, scaled and marked frame for video time `time` (100-ns
  // units) into the output texture. The rectangle is in composed-frame pixels.
  // E_UNEXPECTED before a successful initialize.
  [[nodiscard]] HRESULT render(int32_t left, int32_t top, int32_t right, int32_t bottom, int64_t time);

  // The frame to encode; owned by the renderer (no reference added).
  ID3D11Texture2D* output_texture() const { return output_texture_.Get(); }

  // The mark's width / height; 0 before initialize.
  float aspect() const { return aspect_; }

 private:
  explicit WatermarkRenderer(std::wstring font_family);

  const std::wstring font_family_;

  // Declared in creation order so the destructor releases them in reverse.
  Microsoft::WRL::ComPtr<ID3D11Device> device_;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext> context_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> output_texture_;
  Microsoft::WRL::ComPtr<ID3D11RenderTargetView> output_view_;
  Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> composed_view_;
  Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> mark_view_;
  Microsoft::WRL::ComPtr<ID3D11VertexShader> vertex_shader_;
  Microsoft::WRL::ComPtr<ID3D11PixelShader> pixel_shader_;
  Microsoft::WRL::ComPtr<ID3D11SamplerState> sampler_;
  Microsoft::WRL::ComPtr<ID3D11Buffer> constants_;

  bool enabled_ = false;
  int32_t mode_ = RecordingWatermark::kModeText;
  std::wstring text_ = L"Quorvel";
  std::wstring image_path_;
  float opacity_ = 0.48f;
  uint32_t seed_ = 0;

  uint32_t output_width_ = 0;
  uint32_t output_height_ = 0;
  uint32_t source_width_ = 0;
  uint32_t source_height_ = 0;
  float aspect_ = 0.0f;
};

// Decodes the picture at `path` with WIC (frame 0), scales it down to at most
// 2048 pixels a side and makes an immutable premultiplied B8G8R8A8 texture
// view of it. WINCODEC_ERR_BADIMAGE for a picture without pixels.
[[nodiscard]] HRESULT load_watermark_image(ID3D11Device* device, const std::wstring& path, ID3D11ShaderResourceView** view,
                             float* aspect);

// Draws `text` in white, semibold, 58 DIP, into a transparent bitmap with a
// 16-pixel border (64 x 64 to 2048 x 1024) and makes an immutable
// premultiplied B8G8R8A8 texture view of it.
[[nodiscard]] HRESULT render_watermark_text(ID3D11Device* device, const std::wstring& text, ID3D11ShaderResourceView** view,
                              float* aspect, const std::wstring& font_family = kWatermarkFontFamily);

}  // namespace quorvel::windows
