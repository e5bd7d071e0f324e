#include "tests/fakes/engine/fake_compact_video_encoder.h"

#include <cstring>
#include <utility>

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

FakeCompactVideoEncoder::FakeCompactVideoEncoder(ComPtr<IMFSinkWriter> inner)
    : FakeVideoSampleRewriter(std::move(inner)) {}

SinkWriterFactory::EncodingWriterFunction FakeCompactVideoEncoder::wrap(
    SinkWriterFactory::EncodingWriterFunction inner) {
  return wrap_each(std::move(inner), [](ComPtr<IMFSinkWriter> wrapped) -> IMFSinkWriter* {
    return new FakeCompactVideoEncoder(std::move(wrapped));
  });
}

HRESULT FakeCompactVideoEncoder::rewrite(IMFSample* frame, uint64_t number, ComPtr<IMFSample>& written) {
  LONGLONG time = 0;
  LONGLONG duration = 0;
  frame->GetSampleTime(&time);
  frame->GetSampleDuration(&duration);
  BYTE payload[kPayloadBytes] = {};
  std::memcpy(payload, "QVFRAME", 7);
  std::memcpy(payload + 8, &number, sizeof(number));
  std::memcpy(payload + 16, &time, sizeof(time));
  std::memcpy(payload + 24, &duration, sizeof(duration));
  return sample_with_bytes(frame, payload, kPayloadBytes, written);
}

}  // namespace quorvel::windows::test
