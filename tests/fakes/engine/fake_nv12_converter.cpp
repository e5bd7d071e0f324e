#include "tests/fakes/engine/fake_nv12_converter.h"

#include <mfapi.h>
#include <mftransform.h>

#include "engine/engine_errors.h"
#include "engine/recording_stages.h"

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

namespace {

constexpr GUID kBuffersPerSample = {
    0x873c5171, 0x1e3d, 0x4e25, {0x98, 0x8d, 0xb4, 0x33, 0xce, 0x04, 0x19, 0x83}};

std::optional<UINT32> read_uint32(IMFAttributes* attributes, REFGUID key) {
  UINT32 value = 0;
  if (attributes && SUCCEEDED(attributes->GetUINT32(key, &value))) return value;
  return std::nullopt;
}

// Only the pool's own reference is left.
bool is_free(IMFSample* sample) {
  sample->AddRef();
  return sample->Release() == 1;
}

}  // namespace

FakeNv12Converter::FakeNv12Converter(std::shared_ptr<FakeNv12Record> record) : record_(std::move(record)) {}

Nv12ConverterFactory FakeNv12Converter::factory(std::shared_ptr<FakeNv12Record> record) {
  return [record]() -> std::unique_ptr<Nv12Converter> { return std::make_unique<FakeNv12Converter>(record); };
}

HRESULT FakeNv12Converter::open(ID3D11Device* device, ID3D11DeviceContext* context,
                                const Nv12ConverterSettings& settings, uint32_t& stage) {
  if (FAILED(record_->open_result)) return record_->open_result;
  device_ = device;
  context_ = context;
  record_->opened = true;
  record_->settings = settings;
  stage = kStageOutputFormatChecked;
  return S_OK;
}

HRESULT FakeNv12Converter::create_allocator(IMFDXGIDeviceManager* manager, uint32_t initial, uint32_t maximum,
                                            IMFAttributes* attributes, IMFMediaType* type, uint32_t& stage) {
  stage = kStageSampleAllocator;
  record_->had_device_manager = manager != nullptr;
  record_->initial_samples = initial;
  record_->maximum_samples = maximum;
  record_->buffers_per_sample = read_uint32(attributes, kBuffersPerSample);
  record_->d3d11_usage = read_uint32(attributes, MF_SA_D3D11_USAGE);
  record_->d3d11_bind_flags = read_uint32(attributes, MF_SA_D3D11_BINDFLAGS);
  record_->sample_type.Reset();
  HRESULT hr = MFCreateMediaType(&record_->sample_type);
  if (SUCCEEDED(hr) && type) hr = type->CopyAllItems(record_->sample_type.Get());
  if (FAILED(hr)) return hr;
  for (uint32_t i = 0; i < initial; ++i) {
    ComPtr<IMFSample> sample;
    hr = make_sample(sample);
    if (FAILED(hr)) return hr;
    pool_.push_back(std::move(sample));
  }
  allocator_ready_ = true;
  stage = kStageAllocatorInitialized;
  return S_OK;
}

HRESULT FakeNv12Converter::make_sample(ComPtr<IMFSample>& sample) {
  D3D11_TEXTURE2D_DESC desc{};
  desc.Width = record_->settings.output_width;
  desc.Height = record_->settings.output_height;
  desc.MipLevels = 1;
  desc.ArraySize = record_->surface_subresource + 1;
  desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  desc.SampleDesc.Count = 1;
  desc.Usage = D3D11_USAGE_DEFAULT;
  desc.BindFlags = D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE;
  ComPtr<ID3D11Texture2D> texture;
  HRESULT hr = device_->CreateTexture2D(&desc, nullptr, &texture);
  if (FAILED(hr)) return hr;
  ComPtr<IMFMediaBuffer> buffer;
  hr = MFCreateDXGISurfaceBuffer(__uuidof(ID3D11Texture2D), texture.Get(), record_->surface_subresource, FALSE,
                                 &buffer);
  if (FAILED(hr)) return hr;
  hr = MFCreateSample(&sample);
  if (SUCCEEDED(hr)) hr = sample->AddBuffer(buffer.Get());
  if (SUCCEEDED(hr)) ++record_->samples_made;
  return hr;
}

HRESULT FakeNv12Converter::allocate_sample(IMFSample** sample) {
  if (!sample) return E_POINTER;
  *sample = nullptr;
  if (!allocator_ready_) return E_UNEXPECTED;
  for (const ComPtr<IMFSample>& pooled : pool_) {
    if (is_free(pooled.Get())) {
      *sample = pooled.Get();
      (*sample)->AddRef();
      return S_OK;
    }
  }
  if (pool_.size() >= record_->maximum_samples) return kErrorSampleAllocatorEmpty;
  ComPtr<IMFSample> made;
  const HRESULT hr = make_sample(made);
  if (FAILED(hr)) return hr;
  pool_.push_back(made);
  *sample = made.Detach();
  return S_OK;
}

HRESULT FakeNv12Converter::convert(ID3D11Texture2D* source, const RECT& source_rect, ID3D11Texture2D* target,
                                   uint64_t frame_number, uint32_t& stage) {
  if (!source || !target) return E_POINTER;
  FakeConversion conversion;
  conversion.source_rect = source_rect;
  conversion.frame_number = frame_number;
  conversion.target = target;
  source->GetDesc(&conversion.source_desc);
  if (record_->keep_source_copies) {
    D3D11_TEXTURE2D_DESC copy_desc = conversion.source_desc;
    copy_desc.Usage = D3D11_USAGE_DEFAULT;
    copy_desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    copy_desc.CPUAccessFlags = 0;
    copy_desc.MiscFlags = 0;
    const HRESULT hr = device_->CreateTexture2D(&copy_desc, nullptr, &conversion.source_copy);
    if (FAILED(hr)) return hr;
    context_->CopyResource(conversion.source_copy.Get(), source);
  }

  D3D11_TEXTURE2D_DESC target_desc{};
  target->GetDesc(&target_desc);
  const LONG width = source_rect.right - source_rect.left;
  const LONG height = source_rect.bottom - source_rect.top;
  if (static_cast<UINT>(width) == target_desc.Width && static_cast<UINT>(height) == target_desc.Height &&
      target_desc.Format == conversion.source_desc.Format) {
    const D3D11_BOX box{static_cast<UINT>(source_rect.left),  static_cast<UINT>(source_rect.top),    0,
                        static_cast<UINT>(source_rect.right), static_cast<UINT>(source_rect.bottom), 1};
    context_->CopySubresourceRegion(target, 0, 0, 0, 0, source, 0, &box);
  }
  stage = kStageProcessorBlit;
  record_->conversions.push_back(std::move(conversion));
  return S_OK;
}

}  // namespace quorvel::windows::test
