#include "tests/fakes/engine/fake_key_frame_encoder.h"

#include <mfapi.h>

#include <utility>

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

FakeKeyFrameEncoder::FakeKeyFrameEncoder(ComPtr<IMFSinkWriter> inner, uint64_t interval)
    : FakeVideoSampleRewriter(std::move(inner)), interval_(interval == 0 ? 1 : interval) {}

SinkWriterFactory::EncodingWriterFunction FakeKeyFrameEncoder::wrap(SinkWriterFactory::EncodingWriterFunction inner,
                                                                    uint64_t interval) {
  return wrap_each(std::move(inner), [interval](ComPtr<IMFSinkWriter> wrapped) -> IMFSinkWriter* {
    return new FakeKeyFrameEncoder(std::move(wrapped), interval);
  });
}

HRESULT FakeKeyFrameEncoder::rewrite(IMFSample* sample, uint64_t number, ComPtr<IMFSample>& written) {
  const HRESULT hr = sample->SetUINT32(MFSampleExtension_CleanPoint, number % interval_ == 0 ? 1 : 0);
  if (FAILED(hr)) return hr;
  written = sample;
  return S_OK;
}

}  // namespace quorvel::windows::test
