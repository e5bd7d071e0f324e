#include "tests/fakes/engine/fake_annexb_encoder.h"

#include <mfapi.h>

#include <utility>

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

namespace {

constexpr uint8_t kStartCode[] = {0, 0, 0, 1};
// Baseline profile, level 3.1: enough for the FLV sequence header.
constexpr uint8_t kSps[] = {0x67, 0x42, 0xC0, 0x1F, 0x8C, 0x8D, 0x40};
constexpr uint8_t kPps[] = {0x68, 0xCE, 0x3C, 0x80};
constexpr uint8_t kIdrSlice[] = {0x65, 0x88, 0x84, 0x21, 0xA0};
constexpr uint8_t kDeltaSlice[] = {0x41, 0x9A, 0x21, 0x6C};

void append_unit(std::vector<uint8_t>& out, const uint8_t* unit, size_t size) {
  out.insert(out.end(), std::begin(kStartCode), std::end(kStartCode));
  out.insert(out.end(), unit, unit + size);
}

}  // namespace

FakeAnnexBEncoder::FakeAnnexBEncoder(ComPtr<IMFSinkWriter> inner)
    : FakeVideoSampleRewriter(std::move(inner)) {}

SinkWriterFactory::EncodingWriterFunction FakeAnnexBEncoder::wrap(
    SinkWriterFactory::EncodingWriterFunction inner) {
  return wrap_each(std::move(inner), [](ComPtr<IMFSinkWriter> wrapped) -> IMFSinkWriter* {
    return new FakeAnnexBEncoder(std::move(wrapped));
  });
}

std::vector<uint8_t> FakeAnnexBEncoder::key_frame_unit() {
  std::vector<uint8_t> out;
  append_unit(out, kSps, sizeof(kSps));
  append_unit(out, kPps, sizeof(kPps));
  append_unit(out, kIdrSlice, sizeof(kIdrSlice));
  return out;
}

std::vector<uint8_t> FakeAnnexBEncoder::delta_frame_unit() {
  std::vector<uint8_t> out;
  append_unit(out, kDeltaSlice, sizeof(kDeltaSlice));
  return out;
}

HRESULT FakeAnnexBEncoder::rewrite(IMFSample* sample, uint64_t, ComPtr<IMFSample>& written) {
  const bool key = MFGetAttributeUINT32(sample, MFSampleExtension_CleanPoint, 0) != 0;
  const std::vector<uint8_t> unit = key ? key_frame_unit() : delta_frame_unit();
  return sample_with_bytes(sample, unit.data(), static_cast<DWORD>(unit.size()), written);
}

}  // namespace quorvel::windows::test
