#include "tests/support/png_maker.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstring>

namespace win32_ui::ui::graphics::test {
namespace {

using Microsoft::WRL::ComPtr;

uint32_t crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

void put_be32(uint8_t* out, uint32_t value) {
  out[0] = static_cast<uint8_t>(value >> 24);
  out[1] = static_cast<uint8_t>(value >> 16);
  out[2] = static_cast<uint8_t>(value >> 8);
  out[3] = static_cast<uint8_t>(value);
}

void encode(uint32_t width, uint32_t height, const std::vector<Bgra>& pixels,
            std::vector<uint8_t>& out) {
  ASSERT_EQ(pixels.size(), static_cast<size_t>(width) * height);
  ComPtr<IWICImagingFactory> factory;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr,
                                            CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)));
  ComPtr<IStream> stream;
  ASSERT_HRESULT_SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
  ComPtr<IWICBitmapEncoder> encoder;
  ASSERT_HRESULT_SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder));
  ASSERT_HRESULT_SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  ASSERT_HRESULT_SUCCEEDED(encoder->CreateNewFrame(&frame, &options));
  ASSERT_HRESULT_SUCCEEDED(frame->Initialize(options.Get()));
  ASSERT_HRESULT_SUCCEEDED(frame->SetSize(width, height));
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  ASSERT_HRESULT_SUCCEEDED(frame->SetPixelFormat(&format));
  ASSERT_TRUE(IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA));
  std::vector<uint8_t> bytes(pixels.size() * 4);
  std::memcpy(bytes.data(), pixels.data(), bytes.size());
  ASSERT_HRESULT_SUCCEEDED(frame->WritePixels(height, width * 4, static_cast<UINT>(bytes.size()),
                                              bytes.data()));
  ASSERT_HRESULT_SUCCEEDED(frame->Commit());
  ASSERT_HRESULT_SUCCEEDED(encoder->Commit());

  HGLOBAL memory = nullptr;
  ASSERT_HRESULT_SUCCEEDED(GetHGlobalFromStream(stream.Get(), &memory));
  STATSTG stat{};
  ASSERT_HRESULT_SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME));
  const auto* data = static_cast<const uint8_t*>(GlobalLock(memory));
  ASSERT_NE(data, nullptr);
  out.assign(data, data + stat.cbSize.QuadPart);
  GlobalUnlock(memory);
}

}  // namespace

static_assert(sizeof(Bgra) == 4);

std::vector<uint8_t> encode_png(uint32_t width, uint32_t height, const std::vector<Bgra>& pixels) {
  std::vector<uint8_t> out;
  encode(width, height, pixels, out);
  return out;
}

void set_declared_size(std::vector<uint8_t>& png, uint32_t width, uint32_t height) {
  // Signature (8), then the IHDR chunk: length (4), "IHDR", width, height,
  // five more bytes of header, CRC over type and data.
  ASSERT_GE(png.size(), 33u);
  ASSERT_EQ(std::memcmp(png.data() + 12, "IHDR", 4), 0);
  put_be32(png.data() + 16, width);
  put_be32(png.data() + 20, height);
  put_be32(png.data() + 29, crc32(png.data() + 12, 17));
}

}  // namespace win32_ui::ui::graphics::test
