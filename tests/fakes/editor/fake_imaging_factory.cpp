#include "tests/fakes/editor/fake_imaging_factory.h"

#include <wrl/client.h>

#include <utility>

#include "tests/fakes/fake_unknown.h"

namespace quorvel::windows::test {
namespace {

template <typename Interface>
using Unknown = quorvel::test::FakeUnknown<Interface>;

using Microsoft::WRL::ComPtr;

class FailingFrame : public Unknown<IWICBitmapFrameEncode> {
 public:
  FailingFrame(ComPtr<IWICBitmapFrameEncode> real, HRESULT commit)
      : real_(std::move(real)), commit_(commit) {}
  HRESULT STDMETHODCALLTYPE Initialize(IPropertyBag2* options) override {
    return real_->Initialize(options);
  }
  HRESULT STDMETHODCALLTYPE SetSize(UINT width, UINT height) override {
    return real_->SetSize(width, height);
  }
  HRESULT STDMETHODCALLTYPE SetResolution(double x, double y) override {
    return real_->SetResolution(x, y);
  }
  HRESULT STDMETHODCALLTYPE SetPixelFormat(WICPixelFormatGUID* format) override {
    return real_->SetPixelFormat(format);
  }
  HRESULT STDMETHODCALLTYPE SetColorContexts(UINT count, IWICColorContext** contexts) override {
    return real_->SetColorContexts(count, contexts);
  }
  HRESULT STDMETHODCALLTYPE SetPalette(IWICPalette* palette) override {
    return real_->SetPalette(palette);
  }
  HRESULT STDMETHODCALLTYPE SetThumbnail(IWICBitmapSource* thumbnail) override {
    return real_->SetThumbnail(thumbnail);
  }
  HRESULT STDMETHODCALLTYPE WritePixels(UINT lines, UINT stride, UINT size, BYTE* pixels) override {
    return real_->WritePixels(lines, stride, size, pixels);
  }
  HRESULT STDMETHODCALLTYPE WriteSource(IWICBitmapSource* source, WICRect* rect) override {
    return real_->WriteSource(source, rect);
  }
  HRESULT STDMETHODCALLTYPE Commit() override { return commit_; }
  HRESULT STDMETHODCALLTYPE GetMetadataQueryWriter(IWICMetadataQueryWriter** writer) override {
    return real_->GetMetadataQueryWriter(writer);
  }

 private:
  ComPtr<IWICBitmapFrameEncode> real_;
  HRESULT commit_;
};

class FailingEncoder : public Unknown<IWICBitmapEncoder> {
 public:
  FailingEncoder(ComPtr<IWICBitmapEncoder> real, HRESULT commit)
      : real_(std::move(real)), commit_(commit) {}
  HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, WICBitmapEncoderCacheOption cache) override {
    return real_->Initialize(stream, cache);
  }
  HRESULT STDMETHODCALLTYPE GetContainerFormat(GUID* format) override {
    return real_->GetContainerFormat(format);
  }
  HRESULT STDMETHODCALLTYPE GetEncoderInfo(IWICBitmapEncoderInfo** info) override {
    return real_->GetEncoderInfo(info);
  }
  HRESULT STDMETHODCALLTYPE SetColorContexts(UINT count, IWICColorContext** contexts) override {
    return real_->SetColorContexts(count, contexts);
  }
  HRESULT STDMETHODCALLTYPE SetPalette(IWICPalette* palette) override {
    return real_->SetPalette(palette);
  }
  HRESULT STDMETHODCALLTYPE SetThumbnail(IWICBitmapSource* thumbnail) override {
    return real_->SetThumbnail(thumbnail);
  }
  HRESULT STDMETHODCALLTYPE SetPreview(IWICBitmapSource* preview) override {
    return real_->SetPreview(preview);
  }
  HRESULT STDMETHODCALLTYPE CreateNewFrame(IWICBitmapFrameEncode** frame,
                                           IPropertyBag2** options) override {
    if (!frame) return E_POINTER;
    ComPtr<IWICBitmapFrameEncode> real;
    const HRESULT hr = real_->CreateNewFrame(&real, options);
    if (FAILED(hr)) return hr;
    *frame = new FailingFrame(std::move(real), commit_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Commit() override { return real_->Commit(); }
  HRESULT STDMETHODCALLTYPE GetMetadataQueryWriter(IWICMetadataQueryWriter** writer) override {
    return real_->GetMetadataQueryWriter(writer);
  }

 private:
  ComPtr<IWICBitmapEncoder> real_;
  HRESULT commit_;
};

class FailingCommitFactory : public Unknown<IWICImagingFactory> {
 public:
  FailingCommitFactory(ComPtr<IWICImagingFactory> real, HRESULT commit)
      : real_(std::move(real)), commit_(commit) {}

  HRESULT STDMETHODCALLTYPE CreateEncoder(REFGUID format, const GUID* vendor,
                                          IWICBitmapEncoder** encoder) override {
    if (!encoder) return E_POINTER;
    ComPtr<IWICBitmapEncoder> real;
    const HRESULT hr = real_->CreateEncoder(format, vendor, &real);
    if (FAILED(hr)) return hr;
    *encoder = new FailingEncoder(std::move(real), commit_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CreateStream(IWICStream** stream) override {
    return real_->CreateStream(stream);
  }

  // Everything else as the system does it.
  HRESULT STDMETHODCALLTYPE CreateDecoderFromFilename(LPCWSTR name, const GUID* vendor,
                                                      DWORD access, WICDecodeOptions options,
                                                      IWICBitmapDecoder** decoder) override {
    return real_->CreateDecoderFromFilename(name, vendor, access, options, decoder);
  }
  HRESULT STDMETHODCALLTYPE CreateDecoderFromStream(IStream* stream, const GUID* vendor,
                                                    WICDecodeOptions options,
                                                    IWICBitmapDecoder** decoder) override {
    return real_->CreateDecoderFromStream(stream, vendor, options, decoder);
  }
  HRESULT STDMETHODCALLTYPE CreateDecoderFromFileHandle(ULONG_PTR file, const GUID* vendor,
                                                        WICDecodeOptions options,
                                                        IWICBitmapDecoder** decoder) override {
    return real_->CreateDecoderFromFileHandle(file, vendor, options, decoder);
  }
  HRESULT STDMETHODCALLTYPE CreateComponentInfo(REFCLSID id, IWICComponentInfo** info) override {
    return real_->CreateComponentInfo(id, info);
  }
  HRESULT STDMETHODCALLTYPE CreateDecoder(REFGUID format, const GUID* vendor,
                                          IWICBitmapDecoder** decoder) override {
    return real_->CreateDecoder(format, vendor, decoder);
  }
  HRESULT STDMETHODCALLTYPE CreatePalette(IWICPalette** palette) override {
    return real_->CreatePalette(palette);
  }
  HRESULT STDMETHODCALLTYPE CreateFormatConverter(IWICFormatConverter** converter) override {
    return real_->CreateFormatConverter(converter);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapScaler(IWICBitmapScaler** scaler) override {
    return real_->CreateBitmapScaler(scaler);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapClipper(IWICBitmapClipper** clipper) override {
    return real_->CreateBitmapClipper(clipper);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapFlipRotator(IWICBitmapFlipRotator** rotator) override {
    return real_->CreateBitmapFlipRotator(rotator);
  }
  HRESULT STDMETHODCALLTYPE CreateColorContext(IWICColorContext** context) override {
    return real_->CreateColorContext(context);
  }
  HRESULT STDMETHODCALLTYPE CreateColorTransformer(IWICColorTransform** transform) override {
    return real_->CreateColorTransformer(transform);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmap(UINT width, UINT height, REFWICPixelFormatGUID format,
                                         WICBitmapCreateCacheOption option,
                                         IWICBitmap** bitmap) override {
    return real_->CreateBitmap(width, height, format, option, bitmap);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapFromSource(IWICBitmapSource* source,
                                                   WICBitmapCreateCacheOption option,
                                                   IWICBitmap** bitmap) override {
    return real_->CreateBitmapFromSource(source, option, bitmap);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapFromSourceRect(IWICBitmapSource* source, UINT x, UINT y,
                                                       UINT width, UINT height,
                                                       IWICBitmap** bitmap) override {
    return real_->CreateBitmapFromSourceRect(source, x, y, width, height, bitmap);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapFromMemory(UINT width, UINT height,
                                                   REFWICPixelFormatGUID format, UINT stride,
                                                   UINT size, BYTE* buffer,
                                                   IWICBitmap** bitmap) override {
    return real_->CreateBitmapFromMemory(width, height, format, stride, size, buffer, bitmap);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapFromHBITMAP(HBITMAP source, HPALETTE palette,
                                                    WICBitmapAlphaChannelOption options,
                                                    IWICBitmap** bitmap) override {
    return real_->CreateBitmapFromHBITMAP(source, palette, options, bitmap);
  }
  HRESULT STDMETHODCALLTYPE CreateBitmapFromHICON(HICON icon, IWICBitmap** bitmap) override {
    return real_->CreateBitmapFromHICON(icon, bitmap);
  }
  HRESULT STDMETHODCALLTYPE CreateComponentEnumerator(DWORD types, DWORD options,
                                                      IEnumUnknown** enumerator) override {
    return real_->CreateComponentEnumerator(types, options, enumerator);
  }
  HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromDecoder(
      IWICBitmapDecoder* decoder, IWICFastMetadataEncoder** encoder) override {
    return real_->CreateFastMetadataEncoderFromDecoder(decoder, encoder);
  }
  HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromFrameDecode(
      IWICBitmapFrameDecode* frame, IWICFastMetadataEncoder** encoder) override {
    return real_->CreateFastMetadataEncoderFromFrameDecode(frame, encoder);
  }
  HRESULT STDMETHODCALLTYPE CreateQueryWriter(REFGUID format, const GUID* vendor,
                                              IWICMetadataQueryWriter** writer) override {
    return real_->CreateQueryWriter(format, vendor, writer);
  }
  HRESULT STDMETHODCALLTYPE CreateQueryWriterFromReader(IWICMetadataQueryReader* reader,
                                                        const GUID* vendor,
                                                        IWICMetadataQueryWriter** writer) override {
    return real_->CreateQueryWriterFromReader(reader, vendor, writer);
  }

 private:
  ComPtr<IWICImagingFactory> real_;
  HRESULT commit_;
};

}  // namespace

HRESULT create_failing_commit_factory(HRESULT commit_result, IWICImagingFactory** factory) {
  if (!factory) return E_POINTER;
  *factory = nullptr;
  ComPtr<IWICImagingFactory> real;
  const HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&real));
  if (FAILED(hr)) return hr;
  *factory = new FailingCommitFactory(std::move(real), commit_result);
  return S_OK;
}

}  // namespace quorvel::windows::test
