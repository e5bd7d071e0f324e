// The last GPU step of a video frame: the platform's video processor crops
// and scales the composed B8G8R8A8 frame into an NV12 surface of the encoder's
// input size, and the video sample allocator hands out those surfaces, at
// most a fixed number at a time, as samples for the encoder.
//
// The recording session reaches both through this small interface so that a
// test can put its own conversion in their place where the platform has no
// video processor (a device without the D3D11 video interfaces, or an
// allocator that cannot make NV12 surfaces). The product uses
// create_video_processor_converter().
//
// Owned by the recording session; called only under its lock, on the thread
// that delivers frames.
#pragma once

#include <d3d11.h>
#include <mfidl.h>
#include <mfobjects.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace quorvel::windows {

struct Nv12ConverterSettings {
  // The frames handed to convert.
  uint32_t input_width = 0;
  uint32_t input_height = 0;
  // The encoder's frames.
  uint32_t output_width = 0;
  uint32_t output_height = 0;
  uint32_t frame_rate = 0;
};

class Nv12Converter {
 public:
  virtual ~Nv12Converter() = default;

  // Makes the video processor on the capture's device. The step reached is
  // written to `stage` (kStageVideoDevice, kStageVideoContext,
  // kStageProcessorEnumerator, then kStageInputFormatChecked and
  // kStageOutputFormatChecked as the formats prove supported; see
  // engine/recording_stages.h). MF_E_UNSUPPORTED_D3D_TYPE when
  // the processor cannot read B8G8R8A8 or write NV12.
  [[nodiscard]] virtual HRESULT open(ID3D11Device* device, ID3D11DeviceContext* context,
                       const Nv12ConverterSettings& settings, uint32_t& stage) = 0;

  // Makes the sample allocator over `manager` and fills it with `initial`,
  // at most `maximum`, samples of `type` made with `attributes`. `stage`
  // becomes kStageSampleAllocator once the allocator exists and
  // kStageAllocatorInitialized once it is initialised.
  [[nodiscard]] virtual HRESULT create_allocator(IMFDXGIDeviceManager* manager, uint32_t initial, uint32_t maximum,
                                   IMFAttributes* attributes, IMFMediaType* type, uint32_t& stage) = 0;

  // A free sample, or MF_E_SAMPLEALLOCATOR_EMPTY while every sample is still
  // held by the encoder.
  [[nodiscard]] virtual HRESULT allocate_sample(IMFSample** sample) = 0;

  // Crops `source_rect` out of `source` and scales it into the whole of
  // `target` (the surface of a sample from allocate_sample), as output frame
  // `frame_number`. `stage` becomes kStageInputView, kStageOutputView and
  // kStageProcessorBlit as the steps succeed.
  [[nodiscard]] virtual HRESULT convert(ID3D11Texture2D* source, const RECT& source_rect, ID3D11Texture2D* target,
                          uint64_t frame_number, uint32_t& stage) = 0;
};

using Nv12ConverterFactory = std::function<std::unique_ptr<Nv12Converter>()>;

// Reaches a video interface of the capture's device or immediate context
// (`iid` is ID3D11VideoDevice or ID3D11VideoContext). The product asks
// `object` itself; tests hand out fakes where the platform has none.
using VideoInterfaceQuery = std::function<HRESULT(IUnknown* object, REFIID iid, void** out)>;

// The platform's D3D11 video processor and MF video sample allocator.
// `query` empty: QueryInterface.
std::unique_ptr<Nv12Converter> create_video_processor_converter(VideoInterfaceQuery query = {});

}  // namespace quorvel::windows
