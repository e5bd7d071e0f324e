#include "tests/fakes/engine/fake_encoder_sink_writer.h"

#include <mfapi.h>

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

namespace {

ComPtr<IMFMediaType> copy_type(IMFMediaType* type) {
  ComPtr<IMFMediaType> copy;
  if (type && SUCCEEDED(MFCreateMediaType(&copy))) type->CopyAllItems(copy.Get());
  return copy;
}

std::optional<UINT32> read_uint32(IMFAttributes* attributes, REFGUID key) {
  UINT32 value = 0;
  if (attributes && SUCCEEDED(attributes->GetUINT32(key, &value))) return value;
  return std::nullopt;
}

}  // namespace

FakeEncoderSinkWriter::FakeEncoderSinkWriter(ComPtr<IMFSinkWriter> inner,
                                             std::shared_ptr<FakeEncoderRecord> record)
    : inner_(std::move(inner)), record_(std::move(record)), number_(record_->writers.size() - 1) {}

SinkWriterFactory::EncodingWriterFunction FakeEncoderSinkWriter::factory(
    std::shared_ptr<FakeEncoderRecord> record, size_t held_back) {
  return [record, held_back](IMFMediaSink* sink, IMFAttributes* attributes, IMFSinkWriter** out) -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    record->hardware_transforms = read_uint32(attributes, MF_READWRITE_ENABLE_HARDWARE_TRANSFORMS);
    record->low_latency = read_uint32(attributes, MF_LOW_LATENCY);
    record->disable_throttling = read_uint32(attributes, MF_SINK_WRITER_DISABLE_THROTTLING);
    ComPtr<IUnknown> manager;
    record->has_device_manager =
        attributes && SUCCEEDED(attributes->GetUnknown(MF_SINK_WRITER_D3D_MANAGER, IID_PPV_ARGS(&manager)));
    ComPtr<FakeSinkWriter> inner;
    *inner.GetAddressOf() = new FakeSinkWriter(sink, held_back);
    record->writers.push_back(inner);
    ComPtr<FakeEncoderSinkWriter> writer;
    *writer.GetAddressOf() = new FakeEncoderSinkWriter(inner, record);
    *out = writer.Detach();
    return S_OK;
  };
}

STDMETHODIMP FakeEncoderSinkWriter::AddStream(IMFMediaType* type, DWORD* index) {
  record_->output_types.push_back(copy_type(type));
  return inner_->AddStream(type, index);
}

STDMETHODIMP FakeEncoderSinkWriter::SetInputMediaType(DWORD index, IMFMediaType* type,
                                                      IMFAttributes* parameters) {
  record_->input_types.push_back(copy_type(type));
  ComPtr<IMFAttributes> copy;
  if (parameters && SUCCEEDED(MFCreateAttributes(&copy, 2))) parameters->CopyAllItems(copy.Get());
  record_->parameters.push_back(copy);
  return inner_->SetInputMediaType(index, type, parameters);
}

STDMETHODIMP FakeEncoderSinkWriter::BeginWriting() { return inner_->BeginWriting(); }

STDMETHODIMP FakeEncoderSinkWriter::WriteSample(DWORD index, IMFSample* sample) {
  if (record_->write_result) {
    const HRESULT answer = record_->write_result(number_, index);
    if (FAILED(answer)) return answer;
  }
  ComPtr<IMFMediaBuffer> buffer;
  if (sample && SUCCEEDED(sample->GetBufferByIndex(0, &buffer))) {
    FakeEncoderRecord::WrittenBuffer written;
    written.stream = index;
    buffer->GetCurrentLength(&written.current_length);
    buffer->GetMaxLength(&written.max_length);
    record_->written_buffers.push_back(written);
  }
  return inner_->WriteSample(index, sample);
}

STDMETHODIMP FakeEncoderSinkWriter::Finalize() { return inner_->Finalize(); }

}  // namespace quorvel::windows::test
