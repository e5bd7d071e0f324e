#include "ui/views/image.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <new>
#include <stdexcept>
#include <utility>

namespace win32_ui::ui::graphics {
namespace {

using Microsoft::WRL::ComPtr;

constexpr uint32_t kMaxWidth = 0x3FFFFFFF;
constexpr uint64_t kMaxDecodedBytes = 0xFFFFFFFF;

bool side_fits(uint32_t width, uint32_t height) {
  return width >= 1 && height >= 1 && width <= kMaxWidth && width <= Image::kMaxSide &&
         height <= Image::kMaxSide;
}

struct Pixels {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t stride = 0;
  std::vector<uint8_t> bytes;
};

HRESULT create_factory(ComPtr<IWICImagingFactory>& factory) {
  return CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&factory));
}

// Converts `source` to premultiplied BGRA and copies it out whole.
HRESULT copy_converted(IWICImagingFactory* factory, IWICBitmapSource* source, Pixels& out) {
  ComPtr<IWICFormatConverter> converter;
  HRESULT hr = factory->CreateFormatConverter(&converter);
  if (FAILED(hr)) return hr;
  hr = converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                             nullptr, 0.0, WICBitmapPaletteTypeCustom);
  if (FAILED(hr)) return hr;

  UINT width = 0;
  UINT height = 0;
  hr = converter->GetSize(&width, &height);
  if (FAILED(hr)) return hr;
  if (!side_fits(width, height)) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;

  const uint64_t stride = 4ull * width;
  const uint64_t size = stride * height;
  if (size >= kMaxDecodedBytes) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;

  out.bytes.assign(static_cast<size_t>(size), 0);
  hr = converter->CopyPixels(nullptr, static_cast<UINT>(stride), static_cast<UINT>(size),
                             out.bytes.data());
  if (FAILED(hr)) return hr;
  out.width = width;
  out.height = height;
  out.stride = static_cast<uint32_t>(stride);
  return S_OK;
}

// The first frame of a decoder as premultiplied BGRA. The declared size is
// checked on the frame, before the converter or any pixel buffer exists.
HRESULT decode_first_frame(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, Pixels& out) {
  ComPtr<IWICBitmapFrameDecode> frame;
  HRESULT hr = decoder->GetFrame(0, &frame);
  if (FAILED(hr)) return hr;
  UINT width = 0;
  UINT height = 0;
  hr = frame->GetSize(&width, &height);
  if (FAILED(hr)) return hr;
  if (!side_fits(width, height)) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
  return copy_converted(factory, frame.Get(), out);
}

// Decodes the first frame of the decoder `open(factory, decoder)` makes.
template <typename Open>
HRESULT decode_opened(Open&& open, Pixels& out) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = create_factory(factory);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapDecoder> decoder;
  hr = open(factory.Get(), decoder);
  if (FAILED(hr)) return hr;
  return decode_first_frame(factory.Get(), decoder.Get(), out);
}

// Runs `body`, answering a failed allocation with E_OUTOFMEMORY.
template <typename Body>
HRESULT without_throwing(Body&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::length_error&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace

HRESULT Image::adopt(uint32_t width, uint32_t height, uint32_t stride,
                     std::vector<uint8_t>&& pixels, Image& out) {
  out.data_.reset();
  if (!side_fits(width, height) || stride / 4 < width) return E_INVALIDARG;
  if (pixels.size() != static_cast<uint64_t>(stride) * height) return E_INVALIDARG;
  auto data = std::make_shared<Data>();
  data->width = width;
  data->height = height;
  data->stride = stride;
  data->pixels = std::move(pixels);
  out.data_ = std::move(data);
  return S_OK;
}

HRESULT Image::from_pixels(uint32_t width, uint32_t height, uint32_t stride,
                           std::span<const uint8_t> bytes, Image& out) {
  out.data_.reset();
  if (!side_fits(width, height) || stride / 4 < width) return E_INVALIDARG;
  // Both factors are 32-bit, so the product fits in 64 bits.
  const uint64_t size = static_cast<uint64_t>(stride) * height;
  if (bytes.size() < size) return E_INVALIDARG;
  return without_throwing([&] {
    // Built straight from the caller's bytes: no zero-filled buffer first.
    std::vector<uint8_t> copy(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(size));
    return adopt(width, height, stride, std::move(copy), out);
  });
}

HRESULT Image::decode(std::span<const uint8_t> bytes, Image& out) {
  out.data_.reset();
  if (bytes.empty() || bytes.size() > 0xFFFFFFFFull) return E_INVALIDARG;
  return without_throwing([&] {
    // The stream reads from memory of our own, which must outlive every WIC
    // object made from it: it is declared before decoding starts and
    // released after the decoder.
    std::vector<uint8_t> encoded;
    Pixels pixels;
    const HRESULT hr = decode_opened(
        [&](IWICImagingFactory* factory, ComPtr<IWICBitmapDecoder>& decoder) {
          encoded.assign(bytes.begin(), bytes.end());
          ComPtr<IWICStream> stream;
          HRESULT result = factory->CreateStream(&stream);
          if (FAILED(result)) return result;
          result = stream->InitializeFromMemory(encoded.data(), static_cast<DWORD>(encoded.size()));
          if (FAILED(result)) return result;
          return factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                                  &decoder);
        },
        pixels);
    if (FAILED(hr)) return hr;
    return adopt(pixels.width, pixels.height, pixels.stride, std::move(pixels.bytes), out);
  });
}

HRESULT Image::decode_file(const std::wstring& path, Image& out) {
  out.data_.reset();
  if (path.empty()) return E_INVALIDARG;
  return without_throwing([&] {
    Pixels pixels;
    const HRESULT hr = decode_opened(
        [&](IWICImagingFactory* factory, ComPtr<IWICBitmapDecoder>& decoder) {
          return factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                    WICDecodeMetadataCacheOnLoad, &decoder);
        },
        pixels);
    if (FAILED(hr)) return hr;
    return adopt(pixels.width, pixels.height, pixels.stride, std::move(pixels.bytes), out);
  });
}

HRESULT Image::resized(uint32_t width, uint32_t height, Image& out) const {
  // `out` may be this image: keep the source alive before clearing it.
  const std::shared_ptr<const Data> source = data_;
  out.data_.reset();
  if (!source || source->pixels.empty()) return E_INVALIDARG;
  if (!side_fits(width, height) || static_cast<uint64_t>(width) * height > kMaxWidth) {
    return E_INVALIDARG;
  }
  if (width == source->width && height == source->height) {
    out.data_ = source;
    return S_OK;
  }
  return without_throwing([&]() -> HRESULT {
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = create_factory(factory);
    if (FAILED(hr)) return hr;
    if (source->pixels.size() > kMaxDecodedBytes) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;

    // CreateBitmapFromMemory copies the pixels into the bitmap; the source
    // stays untouched.
    ComPtr<IWICBitmap> bitmap;
    hr = factory->CreateBitmapFromMemory(
        source->width, source->height, GUID_WICPixelFormat32bppPBGRA, source->stride,
        static_cast<UINT>(source->pixels.size()), const_cast<BYTE*>(source->pixels.data()),
        &bitmap);
    if (FAILED(hr)) return hr;
    ComPtr<IWICBitmapScaler> scaler;
    hr = factory->CreateBitmapScaler(&scaler);
    if (FAILED(hr)) return hr;
    hr = scaler->Initialize(bitmap.Get(), width, height, WICBitmapInterpolationModeFant);
    if (FAILED(hr)) return hr;

    Pixels pixels;
    hr = copy_converted(factory.Get(), scaler.Get(), pixels);
    if (FAILED(hr)) return hr;
    return adopt(pixels.width, pixels.height, pixels.stride, std::move(pixels.bytes), out);
  });
}

HRESULT Image::tinted(Color color, Image& out) const {
  // `out` may be this image: keep the source alive before clearing it.
  const std::shared_ptr<const Data> source = data_;
  out.data_.reset();
  if (!source || source->pixels.empty()) return E_INVALIDARG;
  return without_throwing([&] {
    std::vector<uint8_t> pixels(source->pixels);
    const auto ink = [](uint8_t channel, uint8_t alpha) {
      return static_cast<uint8_t>((channel * alpha + 127) / 255);
    };
    for (uint32_t y = 0; y < source->height; ++y) {
      uint8_t* pixel = pixels.data() + static_cast<size_t>(y) * source->stride;
      for (uint32_t x = 0; x < source->width; ++x, pixel += 4) {
        const uint8_t alpha = pixel[3];
        pixel[0] = ink(color.b, alpha);
        pixel[1] = ink(color.g, alpha);
        pixel[2] = ink(color.r, alpha);
      }
    }
    return adopt(source->width, source->height, source->stride, std::move(pixels), out);
  });
}

}  // namespace win32_ui::ui::graphics
