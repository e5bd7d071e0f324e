#include "engine/watermark_renderer.h"

#include <d2d1.h>
#include <dwrite.h>
#include <wincodec.h>

#include <algorithm>
#include <limits>

#include "engine/d3d11_textures.h"
#include "engine/watermark_layout.h"
#include "engine/watermark_shader.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

namespace {

// An immutable premultiplied BGRA texture of the given pixels and its view.
HRESULT make_mark_view(ID3D11Device* device, UINT width, UINT height, const void* pixels, UINT stride,
                       ID3D11ShaderResourceView** view) {
  ComPtr<ID3D11Texture2D> texture;
  ComPtr<ID3D11ShaderResourceView> made;
  const HRESULT hr = make_immutable_bgra_view(device, width, height, pixels, stride, texture, made);
  if (FAILED(hr)) return hr;
  *view = made.Detach();
  return S_OK;
}

HRESULT make_wic_factory(ComPtr<IWICImagingFactory>& factory) {
  return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
}

}  // namespace

HRESULT load_watermark_image(ID3D11Device* device, const std::wstring& path, ID3D11ShaderResourceView** view,
                             float* aspect) {
  if (path.empty()) return E_INVALIDARG;
  if (!device || !view || !aspect) return E_POINTER;
  *view = nullptr;

  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = make_wic_factory(factory);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapDecoder> decoder;
  hr = factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                          &decoder);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapFrameDecode> frame;
  hr = decoder->GetFrame(0, &frame);
  if (FAILED(hr)) return hr;
  UINT width = 0;
  UINT height = 0;
  hr = frame->GetSize(&width, &height);
  if (FAILED(hr)) return hr;
  if (width == 0 || height == 0) return WINCODEC_ERR_BADIMAGE;

  ComPtr<IWICBitmapSource> source = frame;
  const WatermarkPixelSize size = watermark_image_size(width, height);
  if (size.width != width || size.height != height) {
    ComPtr<IWICBitmapScaler> scaler;
    hr = factory->CreateBitmapScaler(&scaler);
    if (FAILED(hr)) return hr;
    hr = scaler->Initialize(frame.Get(), size.width, size.height, WICBitmapInterpolationModeFant);
    if (FAILED(hr)) return hr;
    source = scaler;
  }
  ComPtr<IWICFormatConverter> converter;
  hr = factory->CreateFormatConverter(&converter);
  if (FAILED(hr)) return hr;
  hr = converter->Initialize(source.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                             0.0, WICBitmapPaletteTypeCustom);
  if (FAILED(hr)) return hr;

  const UINT stride = size.width * 4;
  std::vector<uint8_t> pixels(static_cast<size_t>(stride) * size.height);
  hr = converter->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data());
  if (FAILED(hr)) return hr;
  hr = make_mark_view(device, size.width, size.height, pixels.data(), stride, view);
  if (FAILED(hr)) return hr;
  *aspect = static_cast<float>(size.width) / static_cast<float>(size.height);
  return S_OK;
}

HRESULT render_watermark_text(ID3D11Device* device, const std::wstring& text, ID3D11ShaderResourceView** view,
                              float* aspect, const std::wstring& font_family) {
  if (text.empty()) return E_INVALIDARG;
  if (!device || !view || !aspect) return E_POINTER;
  *view = nullptr;

  ComPtr<IWICImagingFactory> wic;
  HRESULT hr = make_wic_factory(wic);
  if (FAILED(hr)) return hr;
  ComPtr<ID2D1Factory> d2d;
  hr = D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
                         reinterpret_cast<void**>(d2d.GetAddressOf()));
  if (FAILED(hr)) return hr;
  ComPtr<IDWriteFactory> dwrite;
  hr = DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                           reinterpret_cast<IUnknown**>(dwrite.GetAddressOf()));
  if (FAILED(hr)) return hr;

  ComPtr<IDWriteTextFormat> format;
  hr = dwrite->CreateTextFormat(font_family.c_str(), nullptr, DWRITE_FONT_WEIGHT_SEMI_BOLD,
                                DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL, 58.0f, L"", &format);
  if (FAILED(hr)) return hr;
  ComPtr<IDWriteTextLayout> layout;
  hr = dwrite->CreateTextLayout(text.c_str(), static_cast<UINT32>(text.size()), format.Get(),
                                static_cast<float>(kWatermarkMaxTextWidth),
                                static_cast<float>(kWatermarkMaxTextHeight), &layout);
  if (FAILED(hr)) return hr;
  DWRITE_TEXT_METRICS metrics{};
  hr = layout->GetMetrics(&metrics);
  if (FAILED(hr)) return hr;
  const WatermarkPixelSize size =
      watermark_text_bitmap_size(metrics.widthIncludingTrailingWhitespace, metrics.height);

  ComPtr<IWICBitmap> bitmap;
  hr = wic->CreateBitmap(size.width, size.height, GUID_WICPixelFormat32bppPBGRA, WICBitmapCacheOnLoad,
                         &bitmap);
  if (FAILED(hr)) return hr;
  const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
      D2D1_RENDER_TARGET_TYPE_SOFTWARE,
      D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED));
  ComPtr<ID2D1RenderTarget> target;
  hr = d2d->CreateWicBitmapRenderTarget(bitmap.Get(), properties, &target);
  if (FAILED(hr)) return hr;
  ComPtr<ID2D1SolidColorBrush> brush;
  hr = target->CreateSolidColorBrush(D2D1::ColorF(1.0f, 1.0f, 1.0f, 1.0f), &brush);
  if (FAILED(hr)) return hr;
  target->SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE_GRAYSCALE);
  target->BeginDraw();
  target->Clear(D2D1::ColorF(0.0f, 0.0f, 0.0f, 0.0f));
  target->DrawTextLayout(D2D1::Point2F(16.0f, 16.0f), layout.Get(), brush.Get());
  hr = target->EndDraw();
  if (FAILED(hr)) return hr;
  target.Reset();

  ComPtr<IWICBitmapLock> lock;
  const WICRect whole{0, 0, static_cast<INT>(size.width), static_cast<INT>(size.height)};
  hr = bitmap->Lock(&whole, WICBitmapLockRead, &lock);
  if (FAILED(hr)) return hr;
  UINT stride = 0;
  hr = lock->GetStride(&stride);
  if (FAILED(hr)) return hr;
  UINT bytes = 0;
  BYTE* pixels = nullptr;
  hr = lock->GetDataPointer(&bytes, &pixels);
  if (FAILED(hr)) return hr;
  hr = make_mark_view(device, size.width, size.height, pixels, stride, view);
  if (FAILED(hr)) return hr;
  *aspect = static_cast<float>(size.width) / static_cast<float>(size.height);
  return S_OK;
}

std::unique_ptr<WatermarkRenderer> WatermarkRenderer::create(std::wstring font_family) {
  return std::unique_ptr<WatermarkRenderer>(new WatermarkRenderer(std::move(font_family)));
}

WatermarkRenderer::WatermarkRenderer(std::wstring font_family) : font_family_(std::move(font_family)) {}

WatermarkRenderer::~WatermarkRenderer() = default;

HRESULT WatermarkRenderer::initialize(ID3D11Device* device, ID3D11DeviceContext* context,
                                      ID3D11Texture2D* composed, uint32_t width, uint32_t height,
                                      const RecordingWatermark& watermark) {
  if (!device || !context || !composed || width == 0 || height == 0 || !watermark.enabled) {
    return E_INVALIDARG;
  }
  if (watermark.mode == RecordingWatermark::kModeImage) {
    if (watermark.image_path.empty()) return E_INVALIDARG;
  } else if (watermark.mode == RecordingWatermark::kModeText) {
    if (watermark.text.empty() || watermark.text.size() > kWatermarkMaxTextLength) return E_INVALIDARG;
  }

  device_ = device;
  context_ = context;
  output_width_ = width;
  output_height_ = height;
  enabled_ = watermark.enabled;
  mode_ = watermark.mode;
  text_ = watermark.text;
  image_path_ = watermark.image_path;
  opacity_ = watermark.opacity;
  seed_ = watermark.seed;
  D3D11_TEXTURE2D_DESC composed_desc{};
  composed->GetDesc(&composed_desc);
  source_width_ = composed_desc.Width;
  source_height_ = composed_desc.Height;
  HRESULT hr = device->CreateShaderResourceView(composed, nullptr, composed_view_.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;

  mark_view_.Reset();
  hr = mode_ == RecordingWatermark::kModeImage
           ? load_watermark_image(device, image_path_, &mark_view_, &aspect_)
           : render_watermark_text(device, text_, &mark_view_, &aspect_, font_family_);
  if (FAILED(hr)) return hr;

  output_texture_.Reset();
  output_view_.Reset();
  hr = make_bgra_render_target(device, width, height, 0, output_texture_, output_view_);
  if (FAILED(hr)) return hr;

  hr = create_vertex_pixel_shaders(device, watermark_shader(), vertex_shader_, pixel_shader_);
  if (FAILED(hr)) return hr;

  D3D11_SAMPLER_DESC sampler{};
  sampler.Filter = D3D11_FILTER_MIN_MAG_MIP_LINEAR;
  sampler.AddressU = D3D11_TEXTURE_ADDRESS_CLAMP;
  sampler.AddressV = D3D11_TEXTURE_ADDRESS_CLAMP;
  sampler.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
  sampler.MipLODBias = 0.0f;
  sampler.ComparisonFunc = D3D11_COMPARISON_NEVER;
  sampler.MinLOD = 0.0f;
  sampler.MaxLOD = std::numeric_limits<float>::max();
  hr = device->CreateSamplerState(&sampler, sampler_.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;

  D3D11_BUFFER_DESC buffer{};
  buffer.ByteWidth = sizeof(WatermarkConstants);
  buffer.Usage = D3D11_USAGE_DEFAULT;
  buffer.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
  return device->CreateBuffer(&buffer, nullptr, constants_.ReleaseAndGetAddressOf());
}

HRESULT WatermarkRenderer::render(int32_t left, int32_t top, int32_t right, int32_t bottom, int64_t time) {
  if (!output_texture_ || !composed_view_ || !mark_view_ || !output_view_ || !vertex_shader_ ||
      !pixel_shader_ || !sampler_ || !constants_) {
    return E_UNEXPECTED;
  }

  const WatermarkTiming timing = watermark_timing(time);
  const WatermarkCorner corner = watermark_corner(timing.cycle, seed_);
  const WatermarkGeometry geometry = watermark_geometry(output_width_, output_height_, aspect_, corner);

  WatermarkConstants constants{};
  constants.outputSize[0] = static_cast<float>(output_width_);
  constants.outputSize[1] = static_cast<float>(output_height_);
  constants.sourceSize[0] = static_cast<float>(source_width_);
  constants.sourceSize[1] = static_cast<float>(source_height_);
  constants.sourceRect[0] = static_cast<float>(left);
  constants.sourceRect[1] = static_cast<float>(top);
  constants.sourceRect[2] = static_cast<float>(static_cast<int64_t>(right) - left);
  constants.sourceRect[3] = static_cast<float>(static_cast<int64_t>(bottom) - top);
  constants.watermarkCenter[0] = geometry.center_x;
  constants.watermarkCenter[1] = geometry.center_y;
  constants.watermarkHalfSize[0] = geometry.half_width;
  constants.watermarkHalfSize[1] = geometry.half_height;
  constants.angle = timing.angle;
  constants.opacity = watermark_opacity(timing, opacity_);
  constants.imageMode = mode_ == RecordingWatermark::kModeImage ? 1.0f : 0.0f;
  constants._padding = 0.0f;
  context_->UpdateSubresource(constants_.Get(), 0, nullptr, &constants, 0, 0);

  ID3D11RenderTargetView* targets[] = {output_view_.Get()};
  context_->OMSetRenderTargets(1, targets, nullptr);
  D3D11_VIEWPORT viewport{0.0f, 0.0f, static_cast<float>(output_width_), static_cast<float>(output_height_),
                          0.0f, 1.0f};
  context_->RSSetViewports(1, &viewport);
  context_->IASetInputLayout(nullptr);
  context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  context_->VSSetShader(vertex_shader_.Get(), nullptr, 0);
  context_->PSSetShader(pixel_shader_.Get(), nullptr, 0);
  ID3D11Buffer* buffers[] = {constants_.Get()};
  context_->PSSetConstantBuffers(0, 1, buffers);
  ID3D11ShaderResourceView* views[] = {composed_view_.Get(), mark_view_.Get()};
  context_->PSSetShaderResources(0, 2, views);
  ID3D11SamplerState* samplers[] = {sampler_.Get()};
  context_->PSSetSamplers(0, 1, samplers);
  context_->Draw(3, 0);

  ID3D11ShaderResourceView* no_views[] = {nullptr, nullptr};
  context_->PSSetShaderResources(0, 2, no_views);
  context_->OMSetRenderTargets(0, nullptr, nullptr);
  return S_OK;
}

}  // namespace quorvel::windows
