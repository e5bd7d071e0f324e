#include "tests/fakes/engine/fake_video_processor.h"

#include <atomic>
#include <utility>

#include "tests/fakes/fake_unknown.h"

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

namespace {

using quorvel::test::FakeUnknown;

// ID3D11DeviceChild's methods, which nothing here needs.
template <typename Interface>
class FakeDeviceChild : public FakeUnknown<Interface> {
 public:
  void STDMETHODCALLTYPE GetDevice(ID3D11Device** device) override {
    if (device) *device = nullptr;
  }
  HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override {
    return E_NOTIMPL;
  }
};

template <typename Interface, typename Desc>
class FakeView final : public FakeDeviceChild<Interface> {
 public:
  FakeView(ID3D11Resource* resource, const Desc& desc) : resource_(resource), desc_(desc) {}

  void STDMETHODCALLTYPE GetResource(ID3D11Resource** resource) override {
    if (!resource) return;
    *resource = resource_.Get();
    if (*resource) (*resource)->AddRef();
  }
  void STDMETHODCALLTYPE GetDesc(Desc* desc) override {
    if (desc) *desc = desc_;
  }

 private:
  const ComPtr<ID3D11Resource> resource_;
  const Desc desc_;
};

using FakeInputView = FakeView<ID3D11VideoProcessorInputView, D3D11_VIDEO_PROCESSOR_INPUT_VIEW_DESC>;
using FakeOutputView = FakeView<ID3D11VideoProcessorOutputView, D3D11_VIDEO_PROCESSOR_OUTPUT_VIEW_DESC>;

class FakeEnumerator final : public FakeDeviceChild<ID3D11VideoProcessorEnumerator> {
 public:
  FakeEnumerator(std::shared_ptr<FakeVideoProcessorRecord> record,
                 const D3D11_VIDEO_PROCESSOR_CONTENT_DESC& content)
      : record_(std::move(record)), content_(content) {}

  HRESULT STDMETHODCALLTYPE GetVideoProcessorContentDesc(D3D11_VIDEO_PROCESSOR_CONTENT_DESC* desc) override {
    if (!desc) return E_INVALIDARG;
    *desc = content_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CheckVideoProcessorFormat(DXGI_FORMAT format, UINT* flags) override {
    if (!flags) return E_INVALIDARG;
    *flags = format == DXGI_FORMAT_B8G8R8A8_UNORM ? record_->bgra_support
             : format == DXGI_FORMAT_NV12          ? record_->nv12_support
                                                   : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetVideoProcessorCaps(D3D11_VIDEO_PROCESSOR_CAPS* caps) override {
    if (!caps) return E_INVALIDARG;
    *caps = D3D11_VIDEO_PROCESSOR_CAPS{};
    caps->RateConversionCapsCount = 1;
    caps->MaxInputStreams = 1;
    caps->MaxStreamStates = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetVideoProcessorRateConversionCaps(
      UINT, D3D11_VIDEO_PROCESSOR_RATE_CONVERSION_CAPS*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetVideoProcessorCustomRate(UINT, UINT, D3D11_VIDEO_PROCESSOR_CUSTOM_RATE*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetVideoProcessorFilterRange(D3D11_VIDEO_PROCESSOR_FILTER,
                                                         D3D11_VIDEO_PROCESSOR_FILTER_RANGE*) override {
    return E_NOTIMPL;
  }

 private:
  const std::shared_ptr<FakeVideoProcessorRecord> record_;
  const D3D11_VIDEO_PROCESSOR_CONTENT_DESC content_;
};

class FakeProcessor final : public FakeDeviceChild<ID3D11VideoProcessor> {
 public:
  explicit FakeProcessor(const D3D11_VIDEO_PROCESSOR_CONTENT_DESC& content) : content_(content) {}

  void STDMETHODCALLTYPE GetContentDesc(D3D11_VIDEO_PROCESSOR_CONTENT_DESC* desc) override {
    if (desc) *desc = content_;
  }
  void STDMETHODCALLTYPE GetRateConversionCaps(D3D11_VIDEO_PROCESSOR_RATE_CONVERSION_CAPS* caps) override {
    if (caps) *caps = D3D11_VIDEO_PROCESSOR_RATE_CONVERSION_CAPS{};
  }

 private:
  const D3D11_VIDEO_PROCESSOR_CONTENT_DESC content_;
};

class FakeVideoDevice final : public FakeUnknown<ID3D11VideoDevice> {
 public:
  explicit FakeVideoDevice(std::shared_ptr<FakeVideoProcessorRecord> record) : record_(std::move(record)) {}

  HRESULT STDMETHODCALLTYPE CreateVideoProcessorEnumerator(const D3D11_VIDEO_PROCESSOR_CONTENT_DESC* desc,
                                                           ID3D11VideoProcessorEnumerator** out) override {
    if (!desc || !out) return E_INVALIDARG;
    record_->content = *desc;
    *out = new FakeEnumerator(record_, *desc);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CreateVideoProcessor(ID3D11VideoProcessorEnumerator* enumerator, UINT rate_index,
                                                 ID3D11VideoProcessor** out) override {
    if (!enumerator || !out || rate_index != 0) return E_INVALIDARG;
    D3D11_VIDEO_PROCESSOR_CONTENT_DESC content{};
    enumerator->GetVideoProcessorContentDesc(&content);
    ++record_->processors_made;
    *out = new FakeProcessor(content);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CreateVideoProcessorInputView(ID3D11Resource* resource,
                                                          ID3D11VideoProcessorEnumerator* enumerator,
                                                          const D3D11_VIDEO_PROCESSOR_INPUT_VIEW_DESC* desc,
                                                          ID3D11VideoProcessorInputView** out) override {
    if (!resource || !enumerator || !desc || !out) return E_INVALIDARG;
    *out = new FakeInputView(resource, *desc);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CreateVideoProcessorOutputView(ID3D11Resource* resource,
                                                           ID3D11VideoProcessorEnumerator* enumerator,
                                                           const D3D11_VIDEO_PROCESSOR_OUTPUT_VIEW_DESC* desc,
                                                           ID3D11VideoProcessorOutputView** out) override {
    if (!resource || !enumerator || !desc || !out) return E_INVALIDARG;
    *out = new FakeOutputView(resource, *desc);
    return S_OK;
  }
  UINT STDMETHODCALLTYPE GetVideoDecoderProfileCount() override { return 0; }

  // Decoding and content protection: not part of this program.
  HRESULT STDMETHODCALLTYPE CreateVideoDecoder(const D3D11_VIDEO_DECODER_DESC *, const D3D11_VIDEO_DECODER_CONFIG *, ID3D11VideoDecoder **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateAuthenticatedChannel(D3D11_AUTHENTICATED_CHANNEL_TYPE, ID3D11AuthenticatedChannel **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateCryptoSession(const GUID *, const GUID *, const GUID *, ID3D11CryptoSession **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateVideoDecoderOutputView(ID3D11Resource *, const D3D11_VIDEO_DECODER_OUTPUT_VIEW_DESC *, ID3D11VideoDecoderOutputView **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetVideoDecoderProfile(UINT, GUID *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CheckVideoDecoderFormat(const GUID *, DXGI_FORMAT, BOOL *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetVideoDecoderConfigCount(const D3D11_VIDEO_DECODER_DESC *, UINT *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetVideoDecoderConfig(const D3D11_VIDEO_DECODER_DESC *, UINT, D3D11_VIDEO_DECODER_CONFIG *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContentProtectionCaps(const GUID *, const GUID *, D3D11_VIDEO_CONTENT_PROTECTION_CAPS *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CheckCryptoKeyExchange(const GUID *, const GUID *, UINT, GUID *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown *) override { return E_NOTIMPL; }
 private:
  const std::shared_ptr<FakeVideoProcessorRecord> record_;
};

// The resource a view was made over, without keeping a reference.
template <typename View>
ID3D11Resource* resource_of(View* view) {
  if (!view) return nullptr;
  ComPtr<ID3D11Resource> resource;
  view->GetResource(&resource);
  return resource.Get();
}

class FakeVideoContext final : public FakeDeviceChild<ID3D11VideoContext> {
 public:
  explicit FakeVideoContext(std::shared_ptr<FakeVideoProcessorRecord> record) : record_(std::move(record)) {}

  void STDMETHODCALLTYPE VideoProcessorSetOutputTargetRect(ID3D11VideoProcessor*, BOOL enable,
                                                           const RECT* rect) override {
    target_rect_ = enable && rect ? std::optional<RECT>(*rect) : std::nullopt;
  }
  void STDMETHODCALLTYPE VideoProcessorSetOutputColorSpace(ID3D11VideoProcessor*,
                                                           const D3D11_VIDEO_PROCESSOR_COLOR_SPACE* space) override {
    if (space) output_color_space_ = *space;
  }
  void STDMETHODCALLTYPE VideoProcessorSetStreamFrameFormat(ID3D11VideoProcessor*, UINT stream,
                                                            D3D11_VIDEO_FRAME_FORMAT format) override {
    record_->streams[stream].frame_format = format;
  }
  void STDMETHODCALLTYPE VideoProcessorSetStreamColorSpace(ID3D11VideoProcessor*, UINT stream,
                                                           const D3D11_VIDEO_PROCESSOR_COLOR_SPACE* space) override {
    if (space) record_->streams[stream].color_space = *space;
  }
  void STDMETHODCALLTYPE VideoProcessorSetStreamSourceRect(ID3D11VideoProcessor*, UINT stream, BOOL enable,
                                                           const RECT* rect) override {
    record_->streams[stream].source_rect = enable && rect ? std::optional<RECT>(*rect) : std::nullopt;
  }
  void STDMETHODCALLTYPE VideoProcessorSetStreamDestRect(ID3D11VideoProcessor*, UINT stream, BOOL enable,
                                                         const RECT* rect) override {
    record_->streams[stream].dest_rect = enable && rect ? std::optional<RECT>(*rect) : std::nullopt;
  }
  void STDMETHODCALLTYPE VideoProcessorSetStreamAutoProcessingMode(ID3D11VideoProcessor*, UINT stream,
                                                                   BOOL enable) override {
    record_->auto_processing_calls.emplace_back(stream, enable);
    record_->streams[stream].auto_processing = enable != FALSE;
  }
  void STDMETHODCALLTYPE VideoProcessorGetStreamAutoProcessingMode(ID3D11VideoProcessor*, UINT stream,
                                                                   BOOL* enabled) override {
    if (enabled) *enabled = record_->streams[stream].auto_processing ? TRUE : FALSE;
  }
  HRESULT STDMETHODCALLTYPE VideoProcessorBlt(ID3D11VideoProcessor* processor, ID3D11VideoProcessorOutputView* view,
                                              UINT frame_number, UINT stream_count,
                                              const D3D11_VIDEO_PROCESSOR_STREAM* streams) override {
    if (!processor || !view || stream_count == 0 || !streams) return E_INVALIDARG;
    if (FAILED(record_->blt_result)) return record_->blt_result;
    FakeVideoBlt blt;
    blt.frame_number = frame_number;
    blt.stream_count = stream_count;
    blt.stream_enabled = streams[0].Enable;
    blt.input = resource_of(streams[0].pInputSurface);
    blt.output = resource_of(view);
    blt.stream = record_->streams[0];
    blt.output_color_space = output_color_space_;
    blt.target_rect = target_rect_;
    record_->blts.push_back(blt);
    return S_OK;
  }

  // Everything else a video context offers, which the converter never asks.
  HRESULT STDMETHODCALLTYPE GetDecoderBuffer(ID3D11VideoDecoder *, D3D11_VIDEO_DECODER_BUFFER_TYPE, UINT *, void **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReleaseDecoderBuffer(ID3D11VideoDecoder *, D3D11_VIDEO_DECODER_BUFFER_TYPE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DecoderBeginFrame(ID3D11VideoDecoder *, ID3D11VideoDecoderOutputView *, UINT, const void *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DecoderEndFrame(ID3D11VideoDecoder *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SubmitDecoderBuffers(ID3D11VideoDecoder *, UINT, const D3D11_VIDEO_DECODER_BUFFER_DESC *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DecoderExtension(ID3D11VideoDecoder *, const D3D11_VIDEO_DECODER_EXTENSION *) override { return E_NOTIMPL; }
  void STDMETHODCALLTYPE VideoProcessorSetOutputBackgroundColor(ID3D11VideoProcessor *, BOOL, const D3D11_VIDEO_COLOR *) override {}
  void STDMETHODCALLTYPE VideoProcessorSetOutputAlphaFillMode(ID3D11VideoProcessor *, D3D11_VIDEO_PROCESSOR_ALPHA_FILL_MODE, UINT) override {}
  void STDMETHODCALLTYPE VideoProcessorSetOutputConstriction(ID3D11VideoProcessor *, BOOL, SIZE) override {}
  void STDMETHODCALLTYPE VideoProcessorSetOutputStereoMode(ID3D11VideoProcessor *, BOOL) override {}
  HRESULT STDMETHODCALLTYPE VideoProcessorSetOutputExtension(ID3D11VideoProcessor *, const GUID *, UINT, void *) override { return E_NOTIMPL; }
  void STDMETHODCALLTYPE VideoProcessorGetOutputTargetRect(ID3D11VideoProcessor *, BOOL *, RECT *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetOutputBackgroundColor(ID3D11VideoProcessor *, BOOL *, D3D11_VIDEO_COLOR *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetOutputColorSpace(ID3D11VideoProcessor *, D3D11_VIDEO_PROCESSOR_COLOR_SPACE *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetOutputAlphaFillMode(ID3D11VideoProcessor *, D3D11_VIDEO_PROCESSOR_ALPHA_FILL_MODE *, UINT *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetOutputConstriction(ID3D11VideoProcessor *, BOOL *, SIZE *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetOutputStereoMode(ID3D11VideoProcessor *, BOOL *) override {}
  HRESULT STDMETHODCALLTYPE VideoProcessorGetOutputExtension(ID3D11VideoProcessor *, const GUID *, UINT, void *) override { return E_NOTIMPL; }
  void STDMETHODCALLTYPE VideoProcessorSetStreamOutputRate(ID3D11VideoProcessor *, UINT, D3D11_VIDEO_PROCESSOR_OUTPUT_RATE, BOOL, const DXGI_RATIONAL *) override {}
  void STDMETHODCALLTYPE VideoProcessorSetStreamAlpha(ID3D11VideoProcessor *, UINT, BOOL, float) override {}
  void STDMETHODCALLTYPE VideoProcessorSetStreamPalette(ID3D11VideoProcessor *, UINT, UINT, const UINT *) override {}
  void STDMETHODCALLTYPE VideoProcessorSetStreamPixelAspectRatio(ID3D11VideoProcessor *, UINT, BOOL, const DXGI_RATIONAL *, const DXGI_RATIONAL *) override {}
  void STDMETHODCALLTYPE VideoProcessorSetStreamLumaKey(ID3D11VideoProcessor *, UINT, BOOL, float, float) override {}
  void STDMETHODCALLTYPE VideoProcessorSetStreamStereoFormat(ID3D11VideoProcessor *, UINT, BOOL, D3D11_VIDEO_PROCESSOR_STEREO_FORMAT, BOOL, BOOL, D3D11_VIDEO_PROCESSOR_STEREO_FLIP_MODE, int) override {}
  void STDMETHODCALLTYPE VideoProcessorSetStreamFilter(ID3D11VideoProcessor *, UINT, D3D11_VIDEO_PROCESSOR_FILTER, BOOL, int) override {}
  HRESULT STDMETHODCALLTYPE VideoProcessorSetStreamExtension(ID3D11VideoProcessor *, UINT, const GUID *, UINT, void *) override { return E_NOTIMPL; }
  void STDMETHODCALLTYPE VideoProcessorGetStreamFrameFormat(ID3D11VideoProcessor *, UINT, D3D11_VIDEO_FRAME_FORMAT *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamColorSpace(ID3D11VideoProcessor *, UINT, D3D11_VIDEO_PROCESSOR_COLOR_SPACE *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamOutputRate(ID3D11VideoProcessor *, UINT, D3D11_VIDEO_PROCESSOR_OUTPUT_RATE *, BOOL *, DXGI_RATIONAL *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamSourceRect(ID3D11VideoProcessor *, UINT, BOOL *, RECT *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamDestRect(ID3D11VideoProcessor *, UINT, BOOL *, RECT *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamAlpha(ID3D11VideoProcessor *, UINT, BOOL *, float *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamPalette(ID3D11VideoProcessor *, UINT, UINT, UINT *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamPixelAspectRatio(ID3D11VideoProcessor *, UINT, BOOL *, DXGI_RATIONAL *, DXGI_RATIONAL *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamLumaKey(ID3D11VideoProcessor *, UINT, BOOL *, float *, float *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamStereoFormat(ID3D11VideoProcessor *, UINT, BOOL *, D3D11_VIDEO_PROCESSOR_STEREO_FORMAT *, BOOL *, BOOL *, D3D11_VIDEO_PROCESSOR_STEREO_FLIP_MODE *, int *) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamFilter(ID3D11VideoProcessor *, UINT, D3D11_VIDEO_PROCESSOR_FILTER, BOOL *, int *) override {}
  HRESULT STDMETHODCALLTYPE VideoProcessorGetStreamExtension(ID3D11VideoProcessor *, UINT, const GUID *, UINT, void *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE NegotiateCryptoSessionKeyExchange(ID3D11CryptoSession *, UINT, void *) override { return E_NOTIMPL; }
  void STDMETHODCALLTYPE EncryptionBlt(ID3D11CryptoSession *, ID3D11Texture2D *, ID3D11Texture2D *, UINT, void *) override {}
  void STDMETHODCALLTYPE DecryptionBlt(ID3D11CryptoSession *, ID3D11Texture2D *, ID3D11Texture2D *, D3D11_ENCRYPTED_BLOCK_INFO *, UINT, const void *, UINT, void *) override {}
  void STDMETHODCALLTYPE StartSessionKeyRefresh(ID3D11CryptoSession *, UINT, void *) override {}
  void STDMETHODCALLTYPE FinishSessionKeyRefresh(ID3D11CryptoSession *) override {}
  HRESULT STDMETHODCALLTYPE GetEncryptionBltKey(ID3D11CryptoSession *, UINT, void *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE NegotiateAuthenticatedChannelKeyExchange(ID3D11AuthenticatedChannel *, UINT, void *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryAuthenticatedChannel(ID3D11AuthenticatedChannel *, UINT, const void *, UINT, void *) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConfigureAuthenticatedChannel(ID3D11AuthenticatedChannel *, UINT, const void *, D3D11_AUTHENTICATED_CONFIGURE_OUTPUT *) override { return E_NOTIMPL; }
  void STDMETHODCALLTYPE VideoProcessorSetStreamRotation(ID3D11VideoProcessor *, UINT, BOOL, D3D11_VIDEO_PROCESSOR_ROTATION) override {}
  void STDMETHODCALLTYPE VideoProcessorGetStreamRotation(ID3D11VideoProcessor *, UINT, BOOL *, D3D11_VIDEO_PROCESSOR_ROTATION *) override {}
 private:
  const std::shared_ptr<FakeVideoProcessorRecord> record_;
  std::optional<RECT> target_rect_;
  std::optional<D3D11_VIDEO_PROCESSOR_COLOR_SPACE> output_color_space_;
};

}  // namespace

FakeVideoInterfaces::FakeVideoInterfaces(std::shared_ptr<FakeVideoProcessorRecord> record)
    : record_(std::move(record)) {}

VideoInterfaceQuery FakeVideoInterfaces::query() const {
  return [record = record_](IUnknown* object, REFIID iid, void** out) -> HRESULT {
    if (!object || !out) return E_POINTER;
    *out = nullptr;
    if (iid == __uuidof(ID3D11VideoDevice)) {
      *out = static_cast<ID3D11VideoDevice*>(new FakeVideoDevice(record));
      return S_OK;
    }
    if (iid == __uuidof(ID3D11VideoContext)) {
      *out = static_cast<ID3D11VideoContext*>(new FakeVideoContext(record));
      return S_OK;
    }
    return E_NOINTERFACE;
  };
}

}  // namespace quorvel::windows::test
