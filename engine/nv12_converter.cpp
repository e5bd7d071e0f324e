#include "engine/nv12_converter.h"

#include <mfapi.h>
#include <mferror.h>
#include <wrl/client.h>

#include <utility>

#include "engine/engine_errors.h"
#include "engine/media_foundation_library.h"
#include "engine/recording_stages.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

namespace {

class VideoProcessorConverter final : public Nv12Converter {
 public:
  explicit VideoProcessorConverter(VideoInterfaceQuery query) : query_(std::move(query)) {}

  HRESULT open(ID3D11Device* device, ID3D11DeviceContext* context, const Nv12ConverterSettings& settings,
               uint32_t& stage) override {
    if (!device || !context) return E_POINTER;
    settings_ = settings;
    HRESULT hr = query_(device, IID_PPV_ARGS(video_device_.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    if (!video_device_) return E_POINTER;
    stage = kStageVideoDevice;
    hr = query_(context, IID_PPV_ARGS(video_context_.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    if (!video_context_) return E_POINTER;
    stage = kStageVideoContext;
    context_ = context;

    D3D11_VIDEO_PROCESSOR_CONTENT_DESC content{};
    content.InputFrameFormat = D3D11_VIDEO_FRAME_FORMAT_PROGRESSIVE;
    content.InputFrameRate = {settings.frame_rate, 1};
    content.InputWidth = settings.input_width;
    content.InputHeight = settings.input_height;
    content.OutputFrameRate = {settings.frame_rate, 1};
    content.OutputWidth = settings.output_width;
    content.OutputHeight = settings.output_height;
    content.Usage = D3D11_VIDEO_USAGE_PLAYBACK_NORMAL;
    hr = video_device_->CreateVideoProcessorEnumerator(&content, enumerator_.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    stage = kStageProcessorEnumerator;

    UINT support = 0;
    if (FAILED(enumerator_->CheckVideoProcessorFormat(DXGI_FORMAT_B8G8R8A8_UNORM, &support)) ||
        !(support & D3D11_VIDEO_PROCESSOR_FORMAT_SUPPORT_INPUT)) {
      return kErrorUnsupportedD3DType;
    }
    stage = kStageInputFormatChecked;
    support = 0;
    if (FAILED(enumerator_->CheckVideoProcessorFormat(DXGI_FORMAT_NV12, &support)) ||
        !(support & D3D11_VIDEO_PROCESSOR_FORMAT_SUPPORT_OUTPUT)) {
      return kErrorUnsupportedD3DType;
    }
    stage = kStageOutputFormatChecked;
    return video_device_->CreateVideoProcessor(enumerator_.Get(), 0, processor_.ReleaseAndGetAddressOf());
  }

  HRESULT create_allocator(IMFDXGIDeviceManager* manager, uint32_t initial, uint32_t maximum,
                           IMFAttributes* attributes, IMFMediaType* type, uint32_t& stage) override {
    HRESULT hr = media_foundation().create_video_sample_allocator_ex(IID_PPV_ARGS(allocator_.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    stage = kStageSampleAllocator;
    hr = allocator_->SetDirectXManager(manager);
    if (FAILED(hr)) return hr;
    hr = allocator_->InitializeSampleAllocatorEx(initial, maximum, attributes, type);
    if (FAILED(hr)) return hr;
    stage = kStageAllocatorInitialized;
    return S_OK;
  }

  HRESULT allocate_sample(IMFSample** sample) override {
    if (!allocator_) return E_UNEXPECTED;
    return allocator_->AllocateSample(sample);
  }

  HRESULT convert(ID3D11Texture2D* source, const RECT& source_rect, ID3D11Texture2D* target,
                  uint64_t frame_number, uint32_t& stage) override {
    if (!processor_) return E_UNEXPECTED;
    D3D11_VIDEO_PROCESSOR_INPUT_VIEW_DESC input_desc{};
    input_desc.ViewDimension = D3D11_VPIV_DIMENSION_TEXTURE2D;
    input_desc.Texture2D.MipSlice = 0;
    ComPtr<ID3D11VideoProcessorInputView> input;
    HRESULT hr = video_device_->CreateVideoProcessorInputView(source, enumerator_.Get(), &input_desc, &input);
    if (FAILED(hr)) return hr;
    stage = kStageInputView;
    D3D11_VIDEO_PROCESSOR_OUTPUT_VIEW_DESC output_desc{};
    output_desc.ViewDimension = D3D11_VPOV_DIMENSION_TEXTURE2D;
    output_desc.Texture2D.MipSlice = 0;
    ComPtr<ID3D11VideoProcessorOutputView> output;
    hr = video_device_->CreateVideoProcessorOutputView(target, enumerator_.Get(), &output_desc, &output);
    if (FAILED(hr)) return hr;
    stage = kStageOutputView;

    ID3D11VideoProcessor* processor = processor_.Get();
    video_context_->VideoProcessorSetStreamFrameFormat(processor, 0, D3D11_VIDEO_FRAME_FORMAT_PROGRESSIVE);
    // Drivers may otherwise apply their own noise reduction, edge
    // enhancement or colour changes: the frame must come out as composed.
    video_context_->VideoProcessorSetStreamAutoProcessingMode(processor, 0, FALSE);
    D3D11_VIDEO_PROCESSOR_COLOR_SPACE stream_space{};
    stream_space.Usage = 1;      // video processing, not playback
    stream_space.RGB_Range = 0;  // full range 0-255
    video_context_->VideoProcessorSetStreamColorSpace(processor, 0, &stream_space);
    D3D11_VIDEO_PROCESSOR_COLOR_SPACE output_space{};
    output_space.Usage = 1;
    output_space.YCbCr_Matrix = 1;  // BT.709
    output_space.Nominal_Range = D3D11_VIDEO_PROCESSOR_NOMINAL_RANGE_16_235;
    video_context_->VideoProcessorSetOutputColorSpace(processor, &output_space);
    video_context_->VideoProcessorSetStreamSourceRect(processor, 0, TRUE, &source_rect);
    const RECT whole{0, 0, static_cast<LONG>(settings_.output_width),
                     static_cast<LONG>(settings_.output_height)};
    video_context_->VideoProcessorSetStreamDestRect(processor, 0, TRUE, &whole);
    video_context_->VideoProcessorSetOutputTargetRect(processor, TRUE, &whole);

    D3D11_VIDEO_PROCESSOR_STREAM stream{};
    stream.Enable = TRUE;
    stream.pInputSurface = input.Get();
    hr = video_context_->VideoProcessorBlt(processor, output.Get(), static_cast<UINT>(frame_number), 1,
                                           &stream);
    if (FAILED(hr)) return hr;
    stage = kStageProcessorBlit;
    context_->Flush();
    return S_OK;
  }

 private:
  const VideoInterfaceQuery query_;
  Nv12ConverterSettings settings_;
  ComPtr<ID3D11DeviceContext> context_;
  ComPtr<ID3D11VideoDevice> video_device_;
  ComPtr<ID3D11VideoContext> video_context_;
  ComPtr<ID3D11VideoProcessorEnumerator> enumerator_;
  ComPtr<ID3D11VideoProcessor> processor_;
  ComPtr<IMFVideoSampleAllocatorEx> allocator_;
};

}  // namespace

std::unique_ptr<Nv12Converter> create_video_processor_converter(VideoInterfaceQuery query) {
  if (!query) {
    query = [](IUnknown* object, REFIID iid, void** out) { return object->QueryInterface(iid, out); };
  }
  return std::make_unique<VideoProcessorConverter>(std::move(query));
}

}  // namespace quorvel::windows
