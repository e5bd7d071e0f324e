// The packet media sink: a Media Foundation media sink of the program's own
// that a sink writer drives like any other, but whose streams turn every
// encoded output sample into an EncodedPacket and hand it to a PacketCallback
// instead of writing a file. The platform's encoders, their threading and rate
// handling stay unchanged; the callback decides where the packets go.
//
// The sink is rateless, has no fixed stream set, ignores the presentation
// clock's rate and keeps no samples: each sample is copied out and released
// at once.
//
// Ownership: reference-counted COM objects. The packet recording writer
// creates the sink, wraps it in the encoding sink writer and shuts it down
// when it goes away. Threads: any. ProcessSample runs on whatever thread the
// sink writer delivers encoder output on (possibly video and audio at once);
// each stream serialises its own samples with its lock and calls the packet
// callback under that lock, so the callback must be thread-safe across
// streams and must never call back into the sink. Lock order: sink lock, then
// stream lock.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/encoded_packet.h"

namespace quorvel::windows {

class PacketStream;

class PacketSink final : public IMFMediaSink, public IMFClockStateSink {
 public:
  // A new sink with no streams; E_OUTOFMEMORY when it cannot be allocated.
  [[nodiscard]] static HRESULT create(PacketCallback callback, Microsoft::WRL::ComPtr<PacketSink>& out);

  // Asks each stream for its first sample, once. The writer calls it right
  // after BeginWriting; clock start calls it too. Later calls do nothing.
  [[nodiscard]] HRESULT start_streams();

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IMFMediaSink
  STDMETHODIMP GetCharacteristics(DWORD* characteristics) override;
  STDMETHODIMP AddStreamSink(DWORD identifier, IMFMediaType* type, IMFStreamSink** stream) override;
  STDMETHODIMP RemoveStreamSink(DWORD identifier) override;
  STDMETHODIMP GetStreamSinkCount(DWORD* count) override;
  STDMETHODIMP GetStreamSinkByIndex(DWORD index, IMFStreamSink** stream) override;
  STDMETHODIMP GetStreamSinkById(DWORD identifier, IMFStreamSink** stream) override;
  STDMETHODIMP SetPresentationClock(IMFPresentationClock* clock) override;
  STDMETHODIMP GetPresentationClock(IMFPresentationClock** clock) override;
  STDMETHODIMP Shutdown() override;

  // IMFClockStateSink
  STDMETHODIMP OnClockStart(MFTIME system_time, LONGLONG start_offset) override;
  STDMETHODIMP OnClockStop(MFTIME system_time) override;
  STDMETHODIMP OnClockPause(MFTIME system_time) override;
  STDMETHODIMP OnClockRestart(MFTIME system_time) override;
  STDMETHODIMP OnClockSetRate(MFTIME system_time, float rate) override;

 private:
  explicit PacketSink(PacketCallback callback);
  ~PacketSink();

  LONG references_ = 1;
  std::mutex mutex_;
  std::vector<Microsoft::WRL::ComPtr<PacketStream>> streams_;
  Microsoft::WRL::ComPtr<IMFPresentationClock> clock_;
  PacketCallback callback_;
  bool shut_down_ = false;
  bool streams_started_ = false;
};

// One stream of a PacketSink. Created only by PacketSink::AddStreamSink.
class PacketStream final : public IMFStreamSink {
 public:
  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IMFMediaEventGenerator: forwarded to the stream's event queue.
  STDMETHODIMP GetEvent(DWORD flags, IMFMediaEvent** event) override;
  STDMETHODIMP BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) override;
  STDMETHODIMP EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) override;
  STDMETHODIMP QueueEvent(MediaEventType type, REFGUID extended_type, HRESULT status,
                          const PROPVARIANT* value) override;

  // IMFStreamSink
  STDMETHODIMP GetMediaSink(IMFMediaSink** sink) override;
  STDMETHODIMP GetIdentifier(DWORD* identifier) override;
  STDMETHODIMP GetMediaTypeHandler(IMFMediaTypeHandler** handler) override;
  // One encoded sample becomes one packet for the callback, then the next
  // sample is requested. A sample without bytes makes no packet and is only
  // answered with the request; one above kMaxEncodedPacketBytes is refused
  // with E_INVALIDARG.
  STDMETHODIMP ProcessSample(IMFSample* sample) override;
  STDMETHODIMP PlaceMarker(MFSTREAMSINK_MARKER_TYPE type, const PROPVARIANT* marker_value,
                           const PROPVARIANT* context_value) override;
  STDMETHODIMP Flush() override;

 private:
  friend class PacketSink;

  PacketStream() = default;
  ~PacketStream() = default;

  // Binds the new stream to its sink and creates its event queue and type
  // handler (current type = `type`). Returns the first failure.
  [[nodiscard]] HRESULT initialize(PacketSink* sink, DWORD identifier, uint32_t index, IMFMediaType* type,
                     PacketCallback callback);
  // Refuses everything from now on and lets go of the sink and callback.
  // The caller holds the sink's lock (if any); this takes the stream's.
  void shutdown();
  // Queues MEStreamSinkRequestSample; the caller holds the stream's lock.
  [[nodiscard]] HRESULT request_sample_locked();
  [[nodiscard]] HRESULT process_sample_locked(IMFSample* sample);

  LONG references_ = 1;
  std::mutex mutex_;
  Microsoft::WRL::ComPtr<PacketSink> sink_;
  Microsoft::WRL::ComPtr<IMFMediaEventQueue> events_;
  Microsoft::WRL::ComPtr<IMFMediaTypeHandler> type_handler_;
  PacketCallback callback_;
  DWORD identifier_ = 0;
  uint32_t index_ = 0;
  bool shut_down_ = false;
};

}  // namespace quorvel::windows
