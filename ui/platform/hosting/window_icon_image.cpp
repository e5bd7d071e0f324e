#include "ui/platform/hosting/window_icon_image.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

namespace win32_ui::modern {
namespace {

using Microsoft::WRL::ComPtr;

}  // namespace

HRESULT image_from_icon(HICON icon, ui::graphics::Image& out) {
  out = ui::graphics::Image();
  if (icon == nullptr) return E_INVALIDARG;
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory));
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmap> bitmap;
  hr = factory->CreateBitmapFromHICON(icon, &bitmap);
  if (FAILED(hr)) return hr;
  UINT width = 0;
  UINT height = 0;
  hr = bitmap->GetSize(&width, &height);
  if (FAILED(hr)) return hr;
  if (width == 0 || height == 0 || width > kMaxTitleIconSide || height > kMaxTitleIconSide) {
    return E_INVALIDARG;
  }
  ComPtr<IWICFormatConverter> converter;
  hr = factory->CreateFormatConverter(&converter);
  if (FAILED(hr)) return hr;
  hr = converter->Initialize(bitmap.Get(), GUID_WICPixelFormat32bppPBGRA,
                             WICBitmapDitherTypeNone, nullptr, 0.0,
                             WICBitmapPaletteTypeMedianCut);
  if (FAILED(hr)) return hr;
  const UINT stride = width * 4;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * height);
  hr = converter->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data());
  if (FAILED(hr)) return hr;
  return ui::graphics::Image::from_pixels(width, height, stride, pixels, out);
}

ui::graphics::Image window_small_icon(HWND window) {
  ui::graphics::Image image;
  if (window == nullptr || !IsWindow(window)) return image;
  auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL2, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
  if (icon == nullptr) return image;
  if (FAILED(image_from_icon(icon, image))) return ui::graphics::Image();
  return image;
}

}  // namespace win32_ui::modern
