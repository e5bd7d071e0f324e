#include "app/editor/png_file_writer.h"

#include <wrl/client.h>

#include <filesystem>

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

[[nodiscard]] HRESULT encode_png(IWICImagingFactory* factory, const std::wstring& path,
                                 const DesktopSnapshot& image) {
  ComPtr<IWICStream> stream;
  HRESULT hr = factory->CreateStream(&stream);
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  ComPtr<IWICBitmapEncoder> encoder;
  if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> properties;
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, &properties);
  if (SUCCEEDED(hr)) hr = frame->Initialize(properties.Get());
  if (SUCCEEDED(hr)) hr = frame->SetSize(image.width, image.height);
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA)) {
    hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  }
  if (SUCCEEDED(hr)) {
    hr = frame->WritePixels(image.height, image.stride, static_cast<UINT>(image.pixels.size()),
                            const_cast<BYTE*>(image.pixels.data()));
  }
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  // The stream must let go of the file before it can be moved.
  return hr;
}

HRESULT last_error() {
  const DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

HRESULT write_png_file(IWICImagingFactory* factory, const std::wstring& path,
                       const DesktopSnapshot& image) {
  if (!factory || path.empty() || image.width == 0 || image.height == 0 ||
      image.stride != image.width * 4 ||
      image.pixels.size() != static_cast<size_t>(image.height) * image.stride) {
    return E_INVALIDARG;
  }
  std::wstring folder = std::filesystem::path(path).parent_path().wstring();
  if (folder.empty()) folder = L".";
  wchar_t temporary[MAX_PATH + 1]{};
  // Creates the empty temporary file; fails for a missing folder.
  if (!GetTempFileNameW(folder.c_str(), L"qvl", 0, temporary)) return last_error();

  HRESULT hr = encode_png(factory, temporary, image);
  if (SUCCEEDED(hr) && !MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    hr = last_error();
  }
  if (FAILED(hr)) DeleteFileW(temporary);
  return hr;
}

}  // namespace quorvel::windows
