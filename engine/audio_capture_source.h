// AudioCaptureSource captures one audio endpoint through WASAPI in shared,
// event-driven mode on a thread of its own and hands every packet, as 48 kHz
// stereo 32-bit float with a QPC timestamp, to an AudioBlockCallback. A
// System source records what the computer plays (loopback of a render
// endpoint); a Microphone source records a capture endpoint.
//
// The source follows the default endpoint when no id is given, reopens the
// stream when its endpoint changes or disappears, and retries once a second
// while no usable endpoint exists, until it is stopped.
//
// Threads: start, stop, stats and destroy are called by the owner (the
// application's thread); the capture thread reads packets and calls the
// callback outside the source's lock; the notification client runs on system
// threads and only counts, signals the wake event and runs its wake hook.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "engine/audio_block_callback.h"
#include "engine/audio_device_enumerator.h"
#include "engine/clock.h"
#include "engine/unique_handle.h"

// From audioclient.h, which clashes with the DirectShow headers some
// includers need; only pointers to it are used here.
struct IAudioCaptureClient;

namespace quorvel::windows {

enum class AudioSourceKind : uint8_t { System = 0, Microphone = 1 };

// What to capture. An empty device_id follows the default endpoint of the
// kind's data flow (console role), whichever endpoint that is at any moment.
struct AudioCaptureEndpoint {
  AudioSourceKind kind = AudioSourceKind::Microphone;
  std::wstring device_id;
};

enum class AudioCaptureState : uint8_t {
  Idle = 0,
  Starting = 1,
  Reconnecting = 2,
  Capturing = 3,
  Failed = 4,
};

struct AudioCaptureStats {
  AudioCaptureState state = AudioCaptureState::Idle;
  uint64_t packets = 0;
  uint64_t frames = 0;
  uint64_t bytes = 0;
  uint64_t silent_packets = 0;
  uint64_t discontinuity_packets = 0;
  uint64_t timestamp_error_packets = 0;
  uint64_t skipped_packets = 0;
  uint64_t callback_failures = 0;
  uint64_t device_notifications = 0;
  uint64_t retries = 0;
  uint64_t reconnects = 0;
  uint64_t failures = 0;
  uint32_t sample_rate = 48000;
  uint16_t channels = 2;
  float level = 0.0f;
  std::wstring device_id;
  std::wstring device_name;
  HRESULT last_result = S_OK;
};

// Wakes a capture thread when the endpoint it captures may have changed.
// Its methods run on system threads and touch nothing of the source but the
// wake event (not owned), the atomic notification counter and the wake hook,
// which runs after the event was set (the source's retry wait listens to it).
class AudioEndpointNotificationClient final : public IMMNotificationClient {
 public:
  AudioEndpointNotificationClient(HANDLE wake_event, EDataFlow flow, std::wstring device_id,
                                  std::atomic<uint64_t>* notification_counter,
                                  std::function<void()> wake_hook = {});

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR device_id, DWORD new_state) override;
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR device_id) override;
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR device_id) override;
  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role,
                                                   LPCWSTR default_device_id) override;
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR device_id,
                                                   const PROPERTYKEY key) override;

 private:
  ~AudioEndpointNotificationClient() = default;
  void device_event(LPCWSTR device_id);
  void act();

  std::atomic<ULONG> references_{1};
  HANDLE wake_event_;
  EDataFlow flow_;
  bool follows_default_;
  std::wstring device_id_;
  std::atomic<uint64_t>* notification_counter_;
  std::function<void()> wake_hook_;
};

class AudioCaptureSource {
 public:
  // A source that uses the system's MMDevice enumerator.
  static std::unique_ptr<AudioCaptureSource> create();
  // A source that obtains its enumerator from `factory` on the capture thread.
  static std::unique_ptr<AudioCaptureSource> create(AudioDeviceEnumeratorFactory factory);
  // The same, waiting between retries on `clock` (null means the steady clock).
  static std::unique_ptr<AudioCaptureSource> create(AudioDeviceEnumeratorFactory factory,
                                                    std::shared_ptr<Clock> clock);

  // While no usable endpoint exists the source retries this often, or at once
  // when a notification concerns its endpoint.
  static constexpr int64_t kRetryWaitNs = 1'000'000'000;
  static void destroy(std::unique_ptr<AudioCaptureSource> source);

  ~AudioCaptureSource();
  AudioCaptureSource(const AudioCaptureSource&) = delete;
  AudioCaptureSource& operator=(const AudioCaptureSource&) = delete;

  // Starts capturing on a new thread. False, with nothing changed and the
  // callback dropped, when the source still has a thread (running, or ended
  // but not yet stopped), the callback is empty, or the wake event cannot be
  // created. False too when the thread cannot be created; the stats then
  // say Failed with E_OUTOFMEMORY or E_FAIL. A callback that throws fails
  // the source with E_UNEXPECTED (E_OUTOFMEMORY for a failed allocation).
  bool start(AudioCaptureEndpoint endpoint, AudioBlockCallback callback);
  // Ends capturing and waits for the thread. Harmless when not started.
  void stop();
  AudioCaptureStats stats() const;

 private:
  struct CaptureAttempt {
    HRESULT result = S_OK;
    bool device_changed = false;
    bool callback_failed = false;
  };

  AudioCaptureSource(AudioDeviceEnumeratorFactory factory, std::shared_ptr<Clock> clock);

  void run(std::stop_token stop, AudioCaptureEndpoint endpoint, HANDLE wake_event);
  void attempt_loop(std::stop_token& stop, const AudioCaptureEndpoint& endpoint,
                    HANDLE wake_event, IMMDeviceEnumerator* enumerator);
  CaptureAttempt capture_once(std::stop_token& stop, const AudioCaptureEndpoint& endpoint,
                              HANDLE wake_event, IMMDeviceEnumerator* enumerator,
                              bool reconnect);
  // Hands every packet the stream has ready to the callback. True when the
  // attempt ended (a stream or callback failure, kept in `attempt`).
  bool drain_packets(std::stop_token& stop, IAudioCaptureClient* capture_client,
                     double frequency, CaptureAttempt& attempt);
  bool endpoint_changed(const AudioCaptureEndpoint& endpoint, IMMDeviceEnumerator* enumerator,
                        const std::wstring& opened_id);
  // Waits kRetryWaitNs on the clock, less when the wake event is signalled
  // (it is consumed) or stop is requested. False when stop was requested.
  bool wait_before_retry(std::stop_token& stop, HANDLE wake_event);
  // Run by the notification client after it set the wake event.
  void wake_retry_wait();
  void set_failed(HRESULT result);

  const AudioDeviceEnumeratorFactory factory_;
  const std::shared_ptr<Clock> clock_;
  mutable std::mutex mutex_;
  std::condition_variable retry_wake_;
  AudioCaptureStats stats_;
  AudioSourceKind kind_ = AudioSourceKind::Microphone;
  std::wstring device_id_;
  AudioBlockCallback callback_;
  std::jthread thread_;
  UniqueEvent wake_event_;
  std::atomic<uint64_t> notifications_{0};
};

}  // namespace quorvel::windows
