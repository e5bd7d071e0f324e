// Fakes of the Core Audio objects an AudioCaptureSource talks to: the device
// enumerator, endpoints and their property stores, device collections, audio
// clients and capture clients. One FakeAudioSystem holds the scripted world
// (which endpoints exist, their states and the defaults, what the stream
// calls return) and records what the source did; the test delivers packets
// into the running stream and calls the registered notification client.
#pragma once

#include <windows.h>
#include <audioclient.h>
#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/audio_device_enumerator.h"
#include "engine/clock.h"

namespace quorvel::windows {

struct FakeAudioPacket {
  std::vector<float> samples;  // frames x 2; empty gives a null data pointer
  uint32_t frames = 0;
  DWORD flags = 0;
  uint64_t device_position = 0;
  uint64_t qpc_position = 0;  // 100-ns units, as WASAPI reports it
};

// One stream the source initialised.
struct FakeStreamRecord {
  std::wstring device_id;
  AUDCLNT_SHAREMODE share_mode = AUDCLNT_SHAREMODE_SHARED;
  DWORD flags = 0;
  REFERENCE_TIME buffer_duration = -1;
  REFERENCE_TIME periodicity = -1;
  WAVEFORMATEX format{};
  bool started = false;
  bool stopped = false;
};

class FakeAudioSystem {
 public:
  FakeAudioSystem() = default;
  FakeAudioSystem(const FakeAudioSystem&) = delete;
  FakeAudioSystem& operator=(const FakeAudioSystem&) = delete;

  // The factory to hand to AudioCaptureSource::create or the device list.
  AudioDeviceEnumeratorFactory factory();

  // The world.
  void add_device(const std::wstring& id, const std::wstring& name, EDataFlow flow,
                  DWORD state = DEVICE_STATE_ACTIVE);
  void set_state(const std::wstring& id, DWORD state);
  void set_default(EDataFlow flow, const std::wstring& id);  // empty: no default
  void set_enumerator_result(HRESULT result);
  void set_register_result(HRESULT result);
  void set_get_service_result(HRESULT result);
  void set_packet_size_result(HRESULT result);
  // What ReleaseBuffer returns (the packet is released all the same) and
  // what IAudioClient::Stop returns (the stream stops all the same).
  void set_release_result(HRESULT result);
  void set_stop_result(HRESULT result);

  // The running stream. deliver queues a packet and signals the stream event;
  // false when no stream is running.
  bool deliver(FakeAudioPacket packet);
  // Waits until a stream has been started `count` times in total.
  bool wait_for_streams(size_t count, std::chrono::milliseconds timeout);
  // Waits until the source has resolved its endpoint `count` times in total.
  bool wait_for_resolves(size_t count, std::chrono::milliseconds timeout);
  // Waits until `count` packets have been released.
  bool wait_for_releases(size_t count, std::chrono::milliseconds timeout);

  // What the source did.
  Microsoft::WRL::ComPtr<IMMNotificationClient> notification_client();
  bool unregistered() const;
  std::vector<FakeStreamRecord> streams() const;
  size_t resolves() const;
  // Stamps the endpoint resolutions with `clock` instead of the counter.
  void set_clock(std::shared_ptr<Clock> clock);
  // Times of the endpoint resolutions: the clock's nanoseconds when one was
  // set, QueryPerformanceCounter otherwise.
  std::vector<int64_t> resolve_times() const;
  std::vector<uint32_t> released_frames() const;
  const void* last_buffer() const;
  size_t activations() const;
  // Audio clients released after the stream event handed to them was closed.
  size_t events_closed_early() const;
  std::vector<std::pair<EDataFlow, ERole>> default_requests() const;

  // Used by the fake COM objects.
  struct Device {
    std::wstring id;
    std::wstring name;
    EDataFlow flow = eCapture;
    DWORD state = DEVICE_STATE_ACTIVE;
  };
  bool find_device(const std::wstring& id, Device* device) const;
  std::vector<Device> devices(EDataFlow flow, DWORD mask) const;
  HRESULT default_device(EDataFlow flow, ERole role, Device* device);
  HRESULT lookup_device(const std::wstring& id, Device* device);
  void on_activate();
  void on_event_closed_early();
  void register_client(IMMNotificationClient* client, HRESULT* result);
  void unregister_client();
  size_t begin_stream(const FakeStreamRecord& record);
  void start_stream(size_t stream, HANDLE event);
  HRESULT stop_stream(size_t stream);
  HRESULT get_service_result() const;
  HRESULT next_packet_size(size_t stream, UINT32* frames);
  HRESULT get_buffer(size_t stream, BYTE** data, UINT32* frames, DWORD* flags,
                     UINT64* device_position, UINT64* qpc_position);
  HRESULT release_buffer(size_t stream, UINT32 frames);
  HRESULT enumerator_result() const;

 private:
  bool wait(std::chrono::milliseconds timeout, const std::function<bool()>& done);
  int64_t now() const;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Device> devices_;
  std::wstring default_render_;
  std::wstring default_capture_;
  HRESULT enumerator_result_ = S_OK;
  HRESULT register_result_ = S_OK;
  HRESULT get_service_result_ = S_OK;
  HRESULT packet_size_result_ = S_OK;
  HRESULT release_result_ = S_OK;
  HRESULT stop_result_ = S_OK;
  Microsoft::WRL::ComPtr<IMMNotificationClient> client_;
  bool unregistered_ = false;
  std::vector<FakeStreamRecord> streams_;
  size_t started_streams_ = 0;
  size_t running_stream_ = SIZE_MAX;
  HANDLE stream_event_ = nullptr;
  std::deque<FakeAudioPacket> pending_;
  std::shared_ptr<Clock> clock_;
  std::vector<int64_t> resolve_times_;
  std::vector<uint32_t> released_frames_;
  const void* last_buffer_ = nullptr;
  size_t activations_ = 0;
  size_t events_closed_early_ = 0;
  std::vector<std::pair<EDataFlow, ERole>> default_requests_;
};

}  // namespace quorvel::windows
