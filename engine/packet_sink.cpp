#include "engine/packet_sink.h"

#include <mfapi.h>
#include <mferror.h>

#include <cstring>
#include <new>
#include <utility>

#include "engine/engine_errors.h"
#include "engine/media_foundation_library.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

namespace {

// Streams' event queues want a PROPVARIANT for "no value".
HRESULT queue_empty_event(IMFMediaEventQueue* queue, MediaEventType type) {
  return queue->QueueEventParamVar(type, GUID_NULL, S_OK, nullptr);
}

}  // namespace

// ---------------------------------------------------------------- PacketSink

PacketSink::PacketSink(PacketCallback callback) : callback_(std::move(callback)) {}

PacketSink::~PacketSink() = default;

HRESULT PacketSink::create(PacketCallback callback, ComPtr<PacketSink>& out) {
  try {
    PacketSink* sink = new (std::nothrow) PacketSink(std::move(callback));
    if (!sink) return E_OUTOFMEMORY;
    // The new object's own reference is handed over as it is: MinGW's
    // ComPtr::Attach would add a second one that nobody releases.
    *out.ReleaseAndGetAddressOf() = sink;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT PacketSink::start_streams() {
  std::lock_guard lock(mutex_);
  if (shut_down_) return kErrorShutdown;
  if (streams_started_) return S_OK;
  streams_started_ = true;
  for (const auto& stream : streams_) {
    std::lock_guard stream_lock(stream->mutex_);
    const HRESULT hr = stream->request_sample_locked();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

STDMETHODIMP PacketSink::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == __uuidof(IUnknown) || riid == __uuidof(IMFMediaSink)) {
    *object = static_cast<IMFMediaSink*>(this);
  } else if (riid == __uuidof(IMFClockStateSink)) {
    *object = static_cast<IMFClockStateSink*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) PacketSink::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) PacketSink::Release() {
  const LONG count = InterlockedDecrement(&references_);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

STDMETHODIMP PacketSink::GetCharacteristics(DWORD* characteristics) {
  if (!characteristics) return E_POINTER;
  *characteristics = MEDIASINK_RATELESS;
  return S_OK;
}

STDMETHODIMP PacketSink::AddStreamSink(DWORD identifier, IMFMediaType* type, IMFStreamSink** stream) {
  if (!type || !stream) return E_POINTER;
  *stream = nullptr;
  try {
    std::lock_guard lock(mutex_);
    if (shut_down_) return kErrorShutdown;
    for (const auto& existing : streams_) {
      if (existing->identifier_ == identifier) return kErrorStreamSinkExists;
    }
    ComPtr<PacketStream> created;
    *created.GetAddressOf() = new (std::nothrow) PacketStream();
    if (!created) return E_OUTOFMEMORY;
    const HRESULT hr = created->initialize(this, identifier, static_cast<uint32_t>(streams_.size()),
                                           type, callback_);
    if (FAILED(hr)) {
      created->shutdown();
      return hr;
    }
    streams_.push_back(created);
    *stream = created.Detach();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP PacketSink::RemoveStreamSink(DWORD) { return MF_E_STREAMSINKS_FIXED; }

STDMETHODIMP PacketSink::GetStreamSinkCount(DWORD* count) {
  if (!count) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (shut_down_) return kErrorShutdown;
  *count = static_cast<DWORD>(streams_.size());
  return S_OK;
}

STDMETHODIMP PacketSink::GetStreamSinkByIndex(DWORD index, IMFStreamSink** stream) {
  if (!stream) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (shut_down_) return kErrorShutdown;
  if (index >= streams_.size()) return MF_E_INVALIDINDEX;
  *stream = streams_[index].Get();
  (*stream)->AddRef();
  return S_OK;
}

STDMETHODIMP PacketSink::GetStreamSinkById(DWORD identifier, IMFStreamSink** stream) {
  if (!stream) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (shut_down_) return kErrorShutdown;
  for (const auto& existing : streams_) {
    if (existing->identifier_ == identifier) {
      *stream = existing.Get();
      (*stream)->AddRef();
      return S_OK;
    }
  }
  return kErrorInvalidStreamNumber;
}

STDMETHODIMP PacketSink::SetPresentationClock(IMFPresentationClock* clock) {
  std::lock_guard lock(mutex_);
  if (shut_down_) return kErrorShutdown;
  clock_ = clock;
  return S_OK;
}

STDMETHODIMP PacketSink::GetPresentationClock(IMFPresentationClock** clock) {
  if (!clock) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (shut_down_) return kErrorShutdown;
  if (!clock_) return MF_E_NO_CLOCK;
  *clock = clock_.Get();
  (*clock)->AddRef();
  return S_OK;
}

STDMETHODIMP PacketSink::Shutdown() {
  std::vector<ComPtr<PacketStream>> streams;
  ComPtr<IMFPresentationClock> clock;
  PacketCallback callback;
  {
    std::lock_guard lock(mutex_);
    if (shut_down_) return kErrorShutdown;
    shut_down_ = true;
    for (const auto& stream : streams_) stream->shutdown();
    streams.swap(streams_);
    clock.Swap(clock_);
    callback.swap(callback_);
  }
  // The references go here, outside the lock: a stream or the callback's
  // captures may be the last holders of objects that take locks of their own.
  return S_OK;
}

STDMETHODIMP PacketSink::OnClockStart(MFTIME, LONGLONG) { return start_streams(); }
STDMETHODIMP PacketSink::OnClockStop(MFTIME) { return S_OK; }
STDMETHODIMP PacketSink::OnClockPause(MFTIME) { return S_OK; }
STDMETHODIMP PacketSink::OnClockRestart(MFTIME) { return S_OK; }
STDMETHODIMP PacketSink::OnClockSetRate(MFTIME, float) { return S_OK; }

// -------------------------------------------------------------- PacketStream

HRESULT PacketStream::initialize(PacketSink* sink, DWORD identifier, uint32_t index,
                                 IMFMediaType* type, PacketCallback callback) {
  std::lock_guard lock(mutex_);
  sink_ = sink;
  identifier_ = identifier;
  index_ = index;
  callback_ = std::move(callback);
  HRESULT hr = media_foundation().create_event_queue(&events_);
  if (FAILED(hr)) return hr;
  hr = media_foundation().create_simple_type_handler(&type_handler_);
  if (FAILED(hr)) return hr;
  return type_handler_->SetCurrentMediaType(type);
}

void PacketStream::shutdown() {
  ComPtr<PacketSink> sink;
  PacketCallback callback;
  {
    std::lock_guard lock(mutex_);
    shut_down_ = true;
    sink.Swap(sink_);
    callback.swap(callback_);
    if (events_) events_->Shutdown();
  }
}

HRESULT PacketStream::request_sample_locked() {
  if (shut_down_ || !events_) return kErrorShutdown;
  return queue_empty_event(events_.Get(), MEStreamSinkRequestSample);
}

STDMETHODIMP PacketStream::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == __uuidof(IUnknown) || riid == __uuidof(IMFStreamSink) ||
      riid == __uuidof(IMFMediaEventGenerator)) {
    *object = static_cast<IMFStreamSink*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) PacketStream::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) PacketStream::Release() {
  const LONG count = InterlockedDecrement(&references_);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

// The event queue is created before the stream is handed out and never
// replaced, so these need no lock; after shutdown the queue itself answers
// MF_E_SHUTDOWN.
STDMETHODIMP PacketStream::GetEvent(DWORD flags, IMFMediaEvent** event) {
  return events_->GetEvent(flags, event);
}

STDMETHODIMP PacketStream::BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) {
  return events_->BeginGetEvent(callback, state);
}

STDMETHODIMP PacketStream::EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) {
  return events_->EndGetEvent(result, event);
}

STDMETHODIMP PacketStream::QueueEvent(MediaEventType type, REFGUID extended_type, HRESULT status,
                                      const PROPVARIANT* value) {
  return events_->QueueEventParamVar(type, extended_type, status, value);
}

STDMETHODIMP PacketStream::GetMediaSink(IMFMediaSink** sink) {
  if (!sink) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (shut_down_ || !sink_) return kErrorShutdown;
  *sink = static_cast<IMFMediaSink*>(sink_.Get());
  (*sink)->AddRef();
  return S_OK;
}

STDMETHODIMP PacketStream::GetIdentifier(DWORD* identifier) {
  if (!identifier) return E_POINTER;
  *identifier = identifier_;
  return S_OK;
}

STDMETHODIMP PacketStream::GetMediaTypeHandler(IMFMediaTypeHandler** handler) {
  if (!handler) return E_POINTER;
  *handler = type_handler_.Get();
  (*handler)->AddRef();
  return S_OK;
}

STDMETHODIMP PacketStream::ProcessSample(IMFSample* sample) {
  if (!sample) return E_POINTER;
  try {
    std::lock_guard lock(mutex_);
    if (shut_down_) return kErrorShutdown;
    return process_sample_locked(sample);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT PacketStream::process_sample_locked(IMFSample* sample) {
  // Some hardware encoders hand out a sample without bytes when their output
  // type changes or while they drain, sometimes without a time either. It
  // carries nothing to keep: ask for the next one instead of failing the
  // stream.
  DWORD total = 0;
  if (SUCCEEDED(sample->GetTotalLength(&total)) && total == 0) return request_sample_locked();

  auto packet = std::make_shared<EncodedPacket>();
  packet->stream_index = index_;

  ComPtr<IMFMediaType> current;
  HRESULT hr = type_handler_->GetCurrentMediaType(&current);
  if (FAILED(hr)) return hr;
  hr = EncodedStreamFormat::create(current.Get(), packet->format);
  if (FAILED(hr)) return hr;

  hr = sample->GetSampleTime(&packet->sample_time);
  if (FAILED(hr)) return hr;
  hr = sample->GetSampleDuration(&packet->duration);
  if (FAILED(hr)) return hr;
  UINT64 decode_time = 0;
  if (SUCCEEDED(sample->GetUINT64(MFSampleExtension_DecodeTimestamp, &decode_time))) {
    packet->decode_time = static_cast<int64_t>(decode_time);
  }
  packet->keyframe = MFGetAttributeUINT32(sample, MFSampleExtension_CleanPoint, 0) != 0;
  packet->discontinuity = MFGetAttributeUINT32(sample, MFSampleExtension_Discontinuity, 0) != 0;

  ComPtr<IMFMediaBuffer> buffer;
  hr = sample->ConvertToContiguousBuffer(&buffer);
  if (FAILED(hr)) return hr;
  DWORD length = 0;
  hr = buffer->GetCurrentLength(&length);
  if (FAILED(hr)) return hr;
  if (length == 0 || length > kMaxEncodedPacketBytes) return E_INVALIDARG;

  packet->data.resize(length);
  BYTE* bytes = nullptr;
  DWORD max_length = 0;
  DWORD current_length = 0;
  hr = buffer->Lock(&bytes, &max_length, &current_length);
  if (FAILED(hr)) return hr;
  const bool copied = bytes && current_length == length && max_length >= length;
  if (copied) std::memcpy(packet->data.data(), bytes, length);
  hr = buffer->Unlock();
  if (!copied) return E_UNEXPECTED;
  if (FAILED(hr)) return hr;
  buffer.Reset();

  hr = callback_ ? callback_(std::shared_ptr<const EncodedPacket>(std::move(packet))) : S_OK;
  // A failed receiver ends this stream: without a new request the sink
  // writer feeds it no further samples.
  if (FAILED(hr)) return hr;
  return request_sample_locked();
}

STDMETHODIMP PacketStream::PlaceMarker(MFSTREAMSINK_MARKER_TYPE, const PROPVARIANT*,
                                       const PROPVARIANT* context_value) {
  return events_->QueueEventParamVar(MEStreamSinkMarker, GUID_NULL, S_OK, context_value);
}

STDMETHODIMP PacketStream::Flush() { return S_OK; }

}  // namespace quorvel::windows
