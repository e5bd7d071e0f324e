#include "tests/fakes/engine/fake_key_frame_encoder.h"

#include <mfapi.h>

#include <utility>

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

FakeKeyFrameEncoder::FakeKeyFrameEncoder(ComPtr<IMFSinkWriter> inner, uint64_t interval)
    : inner_(std::move(inner)), interval_(interval == 0 ? 1 : interval) {}

SinkWriterFactory::EncodingWriterFunction FakeKeyFrameEncoder::wrap(SinkWriterFactory::EncodingWriterFunction inner,
                                                                    uint64_t interval) {
  return [inner = std::move(inner), interval](IMFMediaSink* sink, IMFAttributes* attributes,
                                              IMFSinkWriter** out) -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<IMFSinkWriter> wrapped;
    const HRESULT hr = inner(sink, attributes, &wrapped);
    if (FAILED(hr)) return hr;
    ComPtr<FakeKeyFrameEncoder> writer;
    writer.Attach(new FakeKeyFrameEncoder(wrapped, interval));
    *out = writer.Detach();
    return S_OK;
  };
}

STDMETHODIMP FakeKeyFrameEncoder::AddStream(IMFMediaType* type, DWORD* index) {
  const HRESULT hr = inner_->AddStream(type, index);
  GUID major = GUID_NULL;
  if (SUCCEEDED(hr) && SUCCEEDED(type->GetGUID(MF_MT_MAJOR_TYPE, &major)) && major == MFMediaType_Video) {
    std::lock_guard lock(mutex_);
    video_samples_[*index] = 0;
  }
  return hr;
}

STDMETHODIMP FakeKeyFrameEncoder::SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes* parameters) {
  return inner_->SetInputMediaType(index, type, parameters);
}

STDMETHODIMP FakeKeyFrameEncoder::BeginWriting() { return inner_->BeginWriting(); }

STDMETHODIMP FakeKeyFrameEncoder::WriteSample(DWORD index, IMFSample* sample) {
  if (sample) {
    std::lock_guard lock(mutex_);
    const auto video = video_samples_.find(index);
    if (video != video_samples_.end()) {
      const bool key = video->second % interval_ == 0;
      ++video->second;
      const HRESULT hr = sample->SetUINT32(MFSampleExtension_CleanPoint, key ? 1 : 0);
      if (FAILED(hr)) return hr;
    }
  }
  return inner_->WriteSample(index, sample);
}

STDMETHODIMP FakeKeyFrameEncoder::Finalize() { return inner_->Finalize(); }

}  // namespace quorvel::windows::test
