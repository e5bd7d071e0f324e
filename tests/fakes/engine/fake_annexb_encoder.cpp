#include "tests/fakes/engine/fake_annexb_encoder.h"

#include <mfapi.h>

#include <cstring>
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

// A new sample with `bytes`, the timing and the attributes of `source`.
HRESULT make_sample(IMFSample* source, const std::vector<uint8_t>& bytes, IMFSample** out) {
  ComPtr<IMFSample> sample;
  HRESULT hr = MFCreateSample(&sample);
  if (FAILED(hr)) return hr;
  hr = source->CopyAllItems(sample.Get());
  if (FAILED(hr)) return hr;
  LONGLONG value = 0;
  if (SUCCEEDED(source->GetSampleTime(&value))) sample->SetSampleTime(value);
  if (SUCCEEDED(source->GetSampleDuration(&value))) sample->SetSampleDuration(value);
  ComPtr<IMFMediaBuffer> buffer;
  hr = MFCreateMemoryBuffer(static_cast<DWORD>(bytes.size()), &buffer);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  hr = buffer->Lock(&data, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  std::memcpy(data, bytes.data(), bytes.size());
  hr = buffer->Unlock();
  if (FAILED(hr)) return hr;
  hr = buffer->SetCurrentLength(static_cast<DWORD>(bytes.size()));
  if (FAILED(hr)) return hr;
  hr = sample->AddBuffer(buffer.Get());
  if (FAILED(hr)) return hr;
  *out = sample.Detach();
  return S_OK;
}

}  // namespace

FakeAnnexBEncoder::FakeAnnexBEncoder(ComPtr<IMFSinkWriter> inner) : inner_(std::move(inner)) {}

SinkWriterFactory::EncodingWriterFunction FakeAnnexBEncoder::wrap(
    SinkWriterFactory::EncodingWriterFunction inner) {
  return [inner = std::move(inner)](IMFMediaSink* sink, IMFAttributes* attributes,
                                    IMFSinkWriter** out) -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<IMFSinkWriter> wrapped;
    const HRESULT hr = inner(sink, attributes, &wrapped);
    if (FAILED(hr)) return hr;
    ComPtr<FakeAnnexBEncoder> writer;
    writer.Attach(new FakeAnnexBEncoder(wrapped));
    *out = writer.Detach();
    return S_OK;
  };
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

STDMETHODIMP FakeAnnexBEncoder::AddStream(IMFMediaType* type, DWORD* index) {
  const HRESULT hr = inner_->AddStream(type, index);
  GUID major = GUID_NULL;
  if (SUCCEEDED(hr) && SUCCEEDED(type->GetGUID(MF_MT_MAJOR_TYPE, &major)) && major == MFMediaType_Video) {
    std::lock_guard lock(mutex_);
    video_streams_.insert(*index);
  }
  return hr;
}

STDMETHODIMP FakeAnnexBEncoder::SetInputMediaType(DWORD index, IMFMediaType* type,
                                                  IMFAttributes* parameters) {
  return inner_->SetInputMediaType(index, type, parameters);
}

STDMETHODIMP FakeAnnexBEncoder::BeginWriting() { return inner_->BeginWriting(); }

STDMETHODIMP FakeAnnexBEncoder::WriteSample(DWORD index, IMFSample* sample) {
  bool video = false;
  {
    std::lock_guard lock(mutex_);
    video = video_streams_.count(index) != 0;
  }
  if (!sample || !video) return inner_->WriteSample(index, sample);
  const bool key = MFGetAttributeUINT32(sample, MFSampleExtension_CleanPoint, 0) != 0;
  ComPtr<IMFSample> encoded;
  const HRESULT hr = make_sample(sample, key ? key_frame_unit() : delta_frame_unit(), &encoded);
  if (FAILED(hr)) return hr;
  return inner_->WriteSample(index, encoded.Get());
}

STDMETHODIMP FakeAnnexBEncoder::Finalize() { return inner_->Finalize(); }

}  // namespace quorvel::windows::test
