#include "tests/fakes/engine/fake_video_sample_rewriter.h"

#include <mfapi.h>

#include <cstring>

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

FakeVideoSampleRewriter::FakeVideoSampleRewriter(ComPtr<IMFSinkWriter> inner)
    : inner_(std::move(inner)) {}

STDMETHODIMP FakeVideoSampleRewriter::AddStream(IMFMediaType* type, DWORD* index) {
  const HRESULT hr = inner_->AddStream(type, index);
  GUID major = GUID_NULL;
  if (SUCCEEDED(hr) && SUCCEEDED(type->GetGUID(MF_MT_MAJOR_TYPE, &major)) &&
      major == MFMediaType_Video) {
    std::lock_guard lock(mutex_);
    video_samples_[*index] = 0;
  }
  return hr;
}

STDMETHODIMP FakeVideoSampleRewriter::SetInputMediaType(DWORD index, IMFMediaType* type,
                                                        IMFAttributes* parameters) {
  return inner_->SetInputMediaType(index, type, parameters);
}

STDMETHODIMP FakeVideoSampleRewriter::BeginWriting() { return inner_->BeginWriting(); }

STDMETHODIMP FakeVideoSampleRewriter::WriteSample(DWORD index, IMFSample* sample) {
  if (!sample) return inner_->WriteSample(index, sample);
  uint64_t number = 0;
  {
    std::lock_guard lock(mutex_);
    const auto video = video_samples_.find(index);
    if (video == video_samples_.end()) return inner_->WriteSample(index, sample);
    number = video->second++;
  }
  ComPtr<IMFSample> extra;
  HRESULT hr = emit_before(sample, number, extra);
  if (FAILED(hr)) return hr;
  if (extra) {
    hr = inner_->WriteSample(index, extra.Get());
    if (FAILED(hr)) return hr;
  }
  ComPtr<IMFSample> written;
  hr = rewrite(sample, number, written);
  if (FAILED(hr)) return hr;
  return inner_->WriteSample(index, written.Get());
}

HRESULT FakeVideoSampleRewriter::emit_before(IMFSample*, uint64_t, ComPtr<IMFSample>&) {
  return S_OK;
}

STDMETHODIMP FakeVideoSampleRewriter::Finalize() { return inner_->Finalize(); }

HRESULT FakeVideoSampleRewriter::sample_with_bytes(IMFSample* source, const void* bytes,
                                                   DWORD size, ComPtr<IMFSample>& made) {
  ComPtr<IMFSample> sample;
  HRESULT hr = MFCreateSample(&sample);
  if (FAILED(hr)) return hr;
  hr = source->CopyAllItems(sample.Get());
  if (FAILED(hr)) return hr;
  LONGLONG value = 0;
  if (SUCCEEDED(source->GetSampleTime(&value))) sample->SetSampleTime(value);
  if (SUCCEEDED(source->GetSampleDuration(&value))) sample->SetSampleDuration(value);
  ComPtr<IMFMediaBuffer> buffer;
  hr = MFCreateMemoryBuffer(size, &buffer);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  hr = buffer->Lock(&data, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  std::memcpy(data, bytes, size);
  hr = buffer->Unlock();
  if (FAILED(hr)) return hr;
  hr = buffer->SetCurrentLength(size);
  if (FAILED(hr)) return hr;
  hr = sample->AddBuffer(buffer.Get());
  if (FAILED(hr)) return hr;
  made = std::move(sample);
  return S_OK;
}

}  // namespace quorvel::windows::test
