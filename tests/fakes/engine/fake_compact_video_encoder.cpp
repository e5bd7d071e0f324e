#include "tests/fakes/engine/fake_compact_video_encoder.h"

#include <mfapi.h>

#include <cstring>
#include <utility>

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

FakeCompactVideoEncoder::FakeCompactVideoEncoder(ComPtr<IMFSinkWriter> inner) : inner_(std::move(inner)) {}

SinkWriterFactory::EncodingWriterFunction FakeCompactVideoEncoder::wrap(
    SinkWriterFactory::EncodingWriterFunction inner) {
  return [inner = std::move(inner)](IMFMediaSink* sink, IMFAttributes* attributes,
                                    IMFSinkWriter** out) -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<IMFSinkWriter> wrapped;
    const HRESULT hr = inner(sink, attributes, &wrapped);
    if (FAILED(hr)) return hr;
    ComPtr<FakeCompactVideoEncoder> writer;
    writer.Attach(new FakeCompactVideoEncoder(wrapped));
    *out = writer.Detach();
    return S_OK;
  };
}

STDMETHODIMP FakeCompactVideoEncoder::AddStream(IMFMediaType* type, DWORD* index) {
  const HRESULT hr = inner_->AddStream(type, index);
  GUID major = GUID_NULL;
  if (SUCCEEDED(hr) && SUCCEEDED(type->GetGUID(MF_MT_MAJOR_TYPE, &major)) && major == MFMediaType_Video) {
    std::lock_guard lock(mutex_);
    video_samples_[*index] = 0;
  }
  return hr;
}

STDMETHODIMP FakeCompactVideoEncoder::SetInputMediaType(DWORD index, IMFMediaType* type,
                                                        IMFAttributes* parameters) {
  return inner_->SetInputMediaType(index, type, parameters);
}

STDMETHODIMP FakeCompactVideoEncoder::BeginWriting() { return inner_->BeginWriting(); }

STDMETHODIMP FakeCompactVideoEncoder::WriteSample(DWORD index, IMFSample* sample) {
  if (!sample) return inner_->WriteSample(index, sample);
  uint64_t number = 0;
  {
    std::lock_guard lock(mutex_);
    const auto video = video_samples_.find(index);
    if (video == video_samples_.end()) return inner_->WriteSample(index, sample);
    number = video->second++;
  }
  ComPtr<IMFSample> compact;
  const HRESULT hr = compact_sample(sample, number, &compact);
  if (FAILED(hr)) return hr;
  return inner_->WriteSample(index, compact.Get());
}

STDMETHODIMP FakeCompactVideoEncoder::Finalize() { return inner_->Finalize(); }

HRESULT FakeCompactVideoEncoder::compact_sample(IMFSample* frame, uint64_t number, IMFSample** compact) {
  ComPtr<IMFSample> sample;
  HRESULT hr = MFCreateSample(&sample);
  if (FAILED(hr)) return hr;
  hr = frame->CopyAllItems(sample.Get());
  if (FAILED(hr)) return hr;
  LONGLONG time = 0;
  LONGLONG duration = 0;
  if (SUCCEEDED(frame->GetSampleTime(&time))) sample->SetSampleTime(time);
  if (SUCCEEDED(frame->GetSampleDuration(&duration))) sample->SetSampleDuration(duration);

  ComPtr<IMFMediaBuffer> buffer;
  hr = MFCreateMemoryBuffer(kPayloadBytes, &buffer);
  if (FAILED(hr)) return hr;
  BYTE* bytes = nullptr;
  hr = buffer->Lock(&bytes, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  std::memset(bytes, 0, kPayloadBytes);
  std::memcpy(bytes, "QVFRAME", 7);
  std::memcpy(bytes + 8, &number, sizeof(number));
  std::memcpy(bytes + 16, &time, sizeof(time));
  std::memcpy(bytes + 24, &duration, sizeof(duration));
  buffer->Unlock();
  hr = buffer->SetCurrentLength(kPayloadBytes);
  if (FAILED(hr)) return hr;
  hr = sample->AddBuffer(buffer.Get());
  if (FAILED(hr)) return hr;
  *compact = sample.Detach();
  return S_OK;
}

}  // namespace quorvel::windows::test
