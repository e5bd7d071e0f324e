#include "tests/fakes/engine/fake_sink_writer.h"

#include <mfapi.h>
#include <mferror.h>

#include <utility>

namespace quorvel::windows::test {

using Microsoft::WRL::ComPtr;

namespace {

ComPtr<IMFMediaType> copy_type(IMFMediaType* type) {
  ComPtr<IMFMediaType> copy;
  if (FAILED(MFCreateMediaType(&copy)) || FAILED(type->CopyAllItems(copy.Get()))) return nullptr;
  return copy;
}

std::optional<UINT32> optional_uint32(IMFAttributes* attributes, const GUID& key) {
  UINT32 value = 0;
  if (!attributes || FAILED(attributes->GetUINT32(key, &value))) return std::nullopt;
  return value;
}

}  // namespace

// ------------------------------------------------------- FakeSinkWriterBase

STDMETHODIMP FakeSinkWriterBase::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == __uuidof(IUnknown) || riid == __uuidof(IMFSinkWriter)) {
    *object = static_cast<IMFSinkWriter*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FakeSinkWriterBase::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) FakeSinkWriterBase::Release() {
  const ULONG count = --references_;
  if (count == 0) delete this;
  return count;
}

// ----------------------------------------------------------- FakeSinkWriter

FakeSinkWriter::FakeSinkWriter(IMFMediaSink* sink, size_t held_back) : sink_(sink), held_back_(held_back) {}

SinkWriterFactory::EncodingWriterFunction FakeSinkWriter::factory(std::vector<ComPtr<FakeSinkWriter>>* made,
                                                                  size_t held_back) {
  return [made, held_back](IMFMediaSink* sink, IMFAttributes*, IMFSinkWriter** out) -> HRESULT {
    if (!sink || !out) return E_POINTER;
    ComPtr<FakeSinkWriter> writer;
    *writer.GetAddressOf() = new FakeSinkWriter(sink, held_back);
    made->push_back(writer);
    *out = writer.Detach();
    return S_OK;
  };
}

STDMETHODIMP FakeSinkWriter::AddStream(IMFMediaType* type, DWORD* index) {
  if (!type || !index) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (writing_) return MF_E_INVALIDREQUEST;
  Stream stream;
  // As on the platform, the stream sink's identifier is not its index.
  const HRESULT hr = sink_->AddStreamSink(static_cast<DWORD>(streams_.size() + 1), type, &stream.sink);
  if (FAILED(hr)) return hr;
  *index = static_cast<DWORD>(streams_.size());
  streams_.push_back(std::move(stream));
  return S_OK;
}

STDMETHODIMP FakeSinkWriter::SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes*) {
  if (!type) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (index >= streams_.size()) return MF_E_INVALIDSTREAMNUMBER;
  ++input_types_;
  return S_OK;
}

STDMETHODIMP FakeSinkWriter::BeginWriting() {
  ComPtr<IMFClockStateSink> clock_state;
  {
    std::lock_guard lock(mutex_);
    if (writing_) return MF_E_INVALIDREQUEST;
    writing_ = true;
    const HRESULT hr = sink_.As(&clock_state);
    if (FAILED(hr)) return hr;
  }
  return clock_state->OnClockStart(0, 0);
}

void FakeSinkWriter::collect_requests_locked(Stream& stream) {
  ComPtr<IMFMediaEvent> event;
  while (SUCCEEDED(stream.sink->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event))) {
    MediaEventType type = MEUnknown;
    event->GetType(&type);
    if (type == MEStreamSinkRequestSample) ++stream.requests;
    event.Reset();
  }
}

HRESULT FakeSinkWriter::deliver_locked(Stream& stream, size_t keep) {
  collect_requests_locked(stream);
  while (stream.requests > 0 && stream.pending.size() > keep) {
    ComPtr<IMFSample> sample = std::move(stream.pending.front());
    stream.pending.pop_front();
    --stream.requests;
    const HRESULT hr = stream.sink->ProcessSample(sample.Get());
    ++delivered_;
    if (FAILED(hr)) {
      failure_ = hr;
      return hr;
    }
    collect_requests_locked(stream);
  }
  return S_OK;
}

STDMETHODIMP FakeSinkWriter::WriteSample(DWORD index, IMFSample* sample) {
  if (!sample) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (FAILED(failure_)) return failure_;
  if (!writing_) return MF_E_INVALIDREQUEST;
  if (index >= streams_.size()) return MF_E_INVALIDSTREAMNUMBER;
  streams_[index].pending.emplace_back(sample);
  return deliver_locked(streams_[index], held_back_);
}

STDMETHODIMP FakeSinkWriter::Finalize() {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    hook = std::exchange(finalize_hook_, nullptr);
  }
  // Outside the lock: the hook may look at anything, this writer included.
  if (hook) hook();
  std::lock_guard lock(mutex_);
  ++finalize_calls_;
  if (FAILED(failure_)) return failure_;
  for (auto& stream : streams_) {
    const HRESULT hr = deliver_locked(stream, 0);
    if (FAILED(hr)) return hr;
  }
  writing_ = false;
  return finalize_result_;
}

void FakeSinkWriter::set_finalize_hook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  finalize_hook_ = std::move(hook);
}

void FakeSinkWriter::set_finalize_result(HRESULT result) {
  std::lock_guard lock(mutex_);
  finalize_result_ = result;
}

size_t FakeSinkWriter::input_types_set() const {
  std::lock_guard lock(mutex_);
  return input_types_;
}

size_t FakeSinkWriter::delivered_samples() const {
  std::lock_guard lock(mutex_);
  return delivered_;
}

size_t FakeSinkWriter::pending_samples() const {
  std::lock_guard lock(mutex_);
  size_t count = 0;
  for (const auto& stream : streams_) count += stream.pending.size();
  return count;
}

// ------------------------------------------------------- FakeFileSinkWriter

FakeFileSinkWriter::FakeFileSinkWriter(std::wstring path, IMFAttributes* attributes, WriteHook hook,
                                       bool record_samples)
    : path_(std::move(path)),
      disable_converters_(optional_uint32(attributes, MF_READWRITE_DISABLE_CONVERTERS)),
      disable_throttling_(optional_uint32(attributes, MF_SINK_WRITER_DISABLE_THROTTLING)),
      hook_(std::move(hook)),
      record_samples_(record_samples) {
  file_.reset(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

STDMETHODIMP FakeFileSinkWriter::AddStream(IMFMediaType* type, DWORD* index) {
  if (!type || !index) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (began_writing_) return MF_E_INVALIDREQUEST;
  added_types_.push_back(copy_type(type));
  *index = static_cast<DWORD>(added_types_.size() - 1);
  return S_OK;
}

STDMETHODIMP FakeFileSinkWriter::SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes*) {
  if (!type) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (index >= added_types_.size()) return MF_E_INVALIDSTREAMNUMBER;
  input_types_.push_back(copy_type(type));
  return S_OK;
}

STDMETHODIMP FakeFileSinkWriter::BeginWriting() {
  std::lock_guard lock(mutex_);
  if (!file_) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  began_writing_ = true;
  return S_OK;
}

STDMETHODIMP FakeFileSinkWriter::WriteSample(DWORD index, IMFSample* sample) {
  if (!sample) return E_POINTER;
  FakeFileSample record;
  record.stream = index;
  sample->GetSampleTime(&record.time);
  sample->GetSampleDuration(&record.duration);
  UINT64 decode_time = 0;
  if (SUCCEEDED(sample->GetUINT64(MFSampleExtension_DecodeTimestamp, &decode_time))) {
    record.decode_time = decode_time;
  }
  record.clean_point = optional_uint32(sample, MFSampleExtension_CleanPoint);
  record.discontinuity = optional_uint32(sample, MFSampleExtension_Discontinuity);
  ComPtr<IMFMediaBuffer> buffer;
  HRESULT hr = sample->ConvertToContiguousBuffer(&buffer);
  if (FAILED(hr)) return hr;
  BYTE* bytes = nullptr;
  DWORD length = 0;
  hr = buffer->Lock(&bytes, nullptr, &length);
  if (FAILED(hr)) return hr;
  record.bytes.assign(bytes, bytes + length);
  buffer->Unlock();

  if (hook_) {
    hr = hook_(record);
    if (FAILED(hr)) return hr;
  }

  std::lock_guard lock(mutex_);
  if (!began_writing_ || finalize_calls_ > 0) return MF_E_INVALIDREQUEST;
  if (index >= added_types_.size()) return MF_E_INVALIDSTREAMNUMBER;
  DWORD written = 0;
  if (!WriteFile(file_.get(), record.bytes.data(), static_cast<DWORD>(record.bytes.size()), &written,
                 nullptr)) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  if (record_samples_) samples_.push_back(std::move(record));
  return S_OK;
}

STDMETHODIMP FakeFileSinkWriter::Finalize() {
  std::lock_guard lock(mutex_);
  ++finalize_calls_;
  if (!began_writing_) return MF_E_INVALIDREQUEST;
  file_.reset();
  return S_OK;
}

std::vector<ComPtr<IMFMediaType>> FakeFileSinkWriter::added_types() const {
  std::lock_guard lock(mutex_);
  return added_types_;
}

std::vector<ComPtr<IMFMediaType>> FakeFileSinkWriter::input_types() const {
  std::lock_guard lock(mutex_);
  return input_types_;
}

std::vector<FakeFileSample> FakeFileSinkWriter::samples() const {
  std::lock_guard lock(mutex_);
  return samples_;
}

bool FakeFileSinkWriter::began_writing() const {
  std::lock_guard lock(mutex_);
  return began_writing_;
}

int FakeFileSinkWriter::finalize_calls() const {
  std::lock_guard lock(mutex_);
  return finalize_calls_;
}

// ---------------------------------------------------- FakeFileWriterFactory

FakeFileWriterFactory::FakeFileWriterFactory(FakeFileSinkWriter::WriteHook hook, HRESULT create_result)
    : hook_(std::move(hook)), create_result_(create_result) {}

SinkWriterFactory::FileWriterFunction FakeFileWriterFactory::function() {
  return [this](const std::wstring& path, IMFAttributes* attributes, IMFSinkWriter** out) -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::lock_guard lock(mutex_);
    ++create_calls_;
    if (FAILED(create_result_)) return create_result_;
    ComPtr<FakeFileSinkWriter> writer;
    *writer.GetAddressOf() = new FakeFileSinkWriter(path, attributes, hook_, record_samples_);
    made_.push_back(writer);
    *out = writer.Detach();
    return S_OK;
  };
}

void FakeFileWriterFactory::set_record_samples(bool record) {
  std::lock_guard lock(mutex_);
  record_samples_ = record;
}

std::vector<ComPtr<FakeFileSinkWriter>> FakeFileWriterFactory::made() const {
  std::lock_guard lock(mutex_);
  return made_;
}

int FakeFileWriterFactory::create_calls() const {
  std::lock_guard lock(mutex_);
  return create_calls_;
}

}  // namespace quorvel::windows::test
