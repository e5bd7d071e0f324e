#include "tests/engine/gpu_test_support.h"

#include <wincodec.h>

#include <cstdio>
#include <filesystem>

#include "engine/com_apartment.h"
#include "engine/d3d11_textures.h"
#include "tests/support/test_support.h"

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

bool make_device(ComPtr<ID3D11Device>& device, ComPtr<ID3D11DeviceContext>& context) {
  const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_1, D3D_FEATURE_LEVEL_11_0};
  HRESULT hr = D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, D3D11_CREATE_DEVICE_BGRA_SUPPORT,
                                 levels, 2, D3D11_SDK_VERSION, &device, nullptr, &context);
  if (FAILED(hr)) return false;
  ComPtr<ID3D10Multithread> multithread;
  if (SUCCEEDED(context.As(&multithread))) multithread->SetMultithreadProtected(TRUE);
  return true;
}

ComPtr<ID3D11Texture2D> make_bgra_texture(ID3D11Device* device, uint32_t width, uint32_t height,
                                          const std::vector<uint32_t>& pixels, UINT bind_flags) {
  const D3D11_TEXTURE2D_DESC desc = bgra_texture_desc(width, height, D3D11_USAGE_DEFAULT, bind_flags);
  D3D11_SUBRESOURCE_DATA data{pixels.data(), width * 4, 0};
  ComPtr<ID3D11Texture2D> texture;
  if (FAILED(device->CreateTexture2D(&desc, &data, &texture))) return nullptr;
  return texture;
}

ComPtr<ID3D11Texture2D> make_fp16_texture(ID3D11Device* device, uint32_t width, uint32_t height,
                                          const std::vector<float>& rgb) {
  std::vector<uint16_t> halves(static_cast<size_t>(width) * height * 4);
  const auto half = [](float value) {
    // Exact for the values the tests use (normal numbers, no rounding needed
    // beyond truncating the mantissa).
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    const uint32_t sign = (bits >> 16) & 0x8000;
    const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127 + 15;
    const uint32_t mantissa = (bits >> 13) & 0x3FF;
    if ((bits & 0x7FFFFFFF) == 0 || exponent <= 0) return static_cast<uint16_t>(sign);
    return static_cast<uint16_t>(sign | (static_cast<uint32_t>(exponent) << 10) | mantissa);
  };
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    halves[i * 4 + 0] = half(rgb[i * 3 + 0]);
    halves[i * 4 + 1] = half(rgb[i * 3 + 1]);
    halves[i * 4 + 2] = half(rgb[i * 3 + 2]);
    halves[i * 4 + 3] = half(1.0f);
  }
  const D3D11_TEXTURE2D_DESC desc = texture_2d_desc(width, height, DXGI_FORMAT_R16G16B16A16_FLOAT,
                                                    D3D11_USAGE_DEFAULT, D3D11_BIND_SHADER_RESOURCE);
  D3D11_SUBRESOURCE_DATA data{halves.data(), width * 8, 0};
  ComPtr<ID3D11Texture2D> texture;
  if (FAILED(device->CreateTexture2D(&desc, &data, &texture))) return nullptr;
  return texture;
}

std::vector<uint32_t> read_bgra(ID3D11Device* device, ID3D11DeviceContext* context,
                                ID3D11Texture2D* texture) {
  D3D11_TEXTURE2D_DESC desc{};
  texture->GetDesc(&desc);
  desc.Usage = D3D11_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  ComPtr<ID3D11Texture2D> staging;
  if (FAILED(device->CreateTexture2D(&desc, nullptr, &staging))) return {};
  context->CopyResource(staging.Get(), texture);
  D3D11_MAPPED_SUBRESOURCE mapped{};
  if (FAILED(context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped))) return {};
  std::vector<uint32_t> pixels(static_cast<size_t>(desc.Width) * desc.Height);
  for (UINT y = 0; y < desc.Height; ++y) {
    std::memcpy(pixels.data() + static_cast<size_t>(y) * desc.Width,
                static_cast<const uint8_t*>(mapped.pData) + static_cast<size_t>(y) * mapped.RowPitch,
                desc.Width * 4);
  }
  context->Unmap(staging.Get(), 0);
  return pixels;
}

HRESULT write_png(const std::wstring& path, uint32_t width, uint32_t height,
                  const std::vector<uint32_t>& pixels) {
  const ComApartment com;
  HRESULT hr = S_OK;
  {
    ComPtr<IWICImagingFactory> factory;
    hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
    ComPtr<IWICStream> stream;
    if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    ComPtr<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    ComPtr<IWICBitmapFrameEncode> frame;
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
    if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
    if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && format != GUID_WICPixelFormat32bppBGRA) hr = E_FAIL;
    if (SUCCEEDED(hr)) {
      hr = frame->WritePixels(height, width * 4, width * height * 4,
                              reinterpret_cast<BYTE*>(const_cast<uint32_t*>(pixels.data())));
    }
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
  }
  return hr;
}

void keep_frame(const std::string& name, uint32_t width, uint32_t height,
                const std::vector<uint32_t>& pixels) {
  const std::wstring setting = quorvel::test::environment(L"QUORVEL_TEST_WRITE_FRAMES");
  if (setting.empty() || pixels.size() != static_cast<size_t>(width) * height) return;
  std::error_code error;
  std::filesystem::path folder = setting;
  if (!std::filesystem::is_directory(folder, error)) {
    folder = std::filesystem::current_path(error) / "test-frames";
    std::filesystem::create_directories(folder, error);
  }
  const std::filesystem::path path = folder / (name + ".png");
  const HRESULT hr = write_png(path.wstring(), width, height, pixels);
  std::printf("[frame] %s: %s (0x%08lX)\n", name.c_str(), quorvel::test::utf8(path.wstring()).c_str(),
              static_cast<unsigned long>(hr));
}

}  // namespace quorvel::windows::test
