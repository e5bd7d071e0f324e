#include "tests/fakes/engine/fake_empty_sample_encoder.h"

#include <mfapi.h>

#include <utility>

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

FakeEmptySampleEncoder::FakeEmptySampleEncoder(ComPtr<IMFSinkWriter> inner, uint64_t before)
    : FakeVideoSampleRewriter(std::move(inner)), before_(before) {}

SinkWriterFactory::EncodingWriterFunction FakeEmptySampleEncoder::wrap(
    SinkWriterFactory::EncodingWriterFunction inner, uint64_t before) {
  return wrap_each(std::move(inner), [before](ComPtr<IMFSinkWriter> wrapped) -> IMFSinkWriter* {
    return new FakeEmptySampleEncoder(std::move(wrapped), before);
  });
}

HRESULT FakeEmptySampleEncoder::emit_before(IMFSample* sample, uint64_t number, ComPtr<IMFSample>& extra) {
  if (number != before_) return S_OK;
  ComPtr<IMFSample> empty;
  HRESULT hr = MFCreateSample(&empty);
  if (FAILED(hr)) return hr;
  // A buffer with room but no bytes, as the encoder's pool hands it out.
  ComPtr<IMFMediaBuffer> buffer;
  hr = MFCreateMemoryBuffer(4096, &buffer);
  if (FAILED(hr)) return hr;
  hr = buffer->SetCurrentLength(0);
  if (FAILED(hr)) return hr;
  hr = empty->AddBuffer(buffer.Get());
  if (FAILED(hr)) return hr;
  LONGLONG time = 0;
  if (SUCCEEDED(sample->GetSampleTime(&time))) {
    hr = empty->SetSampleTime(time);
    if (FAILED(hr)) return hr;
  }
  hr = empty->SetSampleDuration(0);
  if (FAILED(hr)) return hr;
  extra = std::move(empty);
  return S_OK;
}

HRESULT FakeEmptySampleEncoder::rewrite(IMFSample* sample, uint64_t, ComPtr<IMFSample>& written) {
  written = sample;
  return S_OK;
}

}  // namespace quorvel::windows::test
