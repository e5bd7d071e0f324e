#include "engine/audio_capture_source.h"

#include <audioclient.h>
#include <objbase.h>
#include <wrl/client.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <utility>

#include "engine/audio_thread_priority.h"
#include "engine/com_apartment.h"
#include "engine/engine_errors.h"
#include "engine/exception_guard.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

constexpr DWORD kStreamWaitMs = 100;
constexpr float kLevelDecay = 0.92f;
constexpr DWORD kMicrophoneStreamFlags = AUDCLNT_STREAMFLAGS_EVENTCALLBACK |
                                         AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM |
                                         AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
constexpr DWORD kSystemStreamFlags = kMicrophoneStreamFlags | AUDCLNT_STREAMFLAGS_LOOPBACK;

// Every stream is opened in this format; the engine converts whatever the
// device runs at.
WAVEFORMATEX capture_format() {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
  format.nChannels = 2;
  format.nSamplesPerSec = 48000;
  format.nAvgBytesPerSec = 384000;
  format.nBlockAlign = 8;
  format.wBitsPerSample = 32;
  format.cbSize = 0;
  return format;
}

EDataFlow flow_of(AudioSourceKind kind) {
  return kind == AudioSourceKind::System ? eRender : eCapture;
}

bool same_id(const wchar_t* a, const wchar_t* b) { return _wcsicmp(a, b) == 0; }

// The endpoint the source should capture right now, which must be active.
HRESULT resolve_endpoint(IMMDeviceEnumerator* enumerator, const AudioCaptureEndpoint& endpoint,
                         ComPtr<IMMDevice>* device) {
  device->Reset();
  HRESULT hr = endpoint.device_id.empty()
                   ? enumerator->GetDefaultAudioEndpoint(flow_of(endpoint.kind), eConsole,
                                                         device->ReleaseAndGetAddressOf())
                   : enumerator->GetDevice(endpoint.device_id.c_str(),
                                           device->ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  if (!*device) return kErrorAudioDeviceInvalidated;
  DWORD state = 0;
  if (FAILED((*device)->GetState(&state)) || state != DEVICE_STATE_ACTIVE) {
    device->Reset();
    return kErrorAudioDeviceInvalidated;
  }
  return S_OK;
}

// A packet's time in performance-counter ticks: its own QPC position (in
// 100-ns units), or the time it is read when that is missing or flagged
// wrong. 0 without a counter.
int64_t packet_time(double frequency, uint64_t qpc_position, bool timestamp_error) {
  if (frequency <= 0) return 0;
  if (timestamp_error || qpc_position == 0) {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
  }
  return static_cast<int64_t>(static_cast<double>(qpc_position) * frequency / 10000000.0);
}

float packet_peak(const BYTE* data, UINT32 frames, DWORD flags) {
  if (!data || (flags & AUDCLNT_BUFFERFLAGS_SILENT)) return 0.0f;
  const float* samples = reinterpret_cast<const float*>(data);
  float peak = 0.0f;
  const size_t count = static_cast<size_t>(frames) * 2;
  for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::fabs(samples[i]));
  return peak;
}

}  // namespace

// ---------------------------------------------------------------------------
// AudioEndpointNotificationClient

AudioEndpointNotificationClient::AudioEndpointNotificationClient(
    HANDLE wake_event, EDataFlow flow, std::wstring device_id,
    std::atomic<uint64_t>* notification_counter, std::function<void()> wake_hook)
    : wake_event_(wake_event),
      flow_(flow),
      follows_default_(device_id.empty()),
      device_id_(std::move(device_id)),
      notification_counter_(notification_counter),
      wake_hook_(std::move(wake_hook)) {}

HRESULT STDMETHODCALLTYPE AudioEndpointNotificationClient::QueryInterface(REFIID iid,
                                                                          void** object) {
  if (!object) return E_POINTER;
  if (iid == __uuidof(IUnknown) || iid == __uuidof(IMMNotificationClient)) {
    *object = static_cast<IMMNotificationClient*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AudioEndpointNotificationClient::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE AudioEndpointNotificationClient::Release() {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT STDMETHODCALLTYPE AudioEndpointNotificationClient::OnDeviceStateChanged(LPCWSTR device_id,
                                                                                DWORD) {
  device_event(device_id);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AudioEndpointNotificationClient::OnDeviceAdded(LPCWSTR device_id) {
  device_event(device_id);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AudioEndpointNotificationClient::OnDeviceRemoved(LPCWSTR device_id) {
  device_event(device_id);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AudioEndpointNotificationClient::OnDefaultDeviceChanged(EDataFlow flow,
                                                                                  ERole role,
                                                                                  LPCWSTR) {
  if (follows_default_ && flow == flow_ && role == eConsole) act();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AudioEndpointNotificationClient::OnPropertyValueChanged(
    LPCWSTR, const PROPERTYKEY) {
  return S_OK;
}

void AudioEndpointNotificationClient::device_event(LPCWSTR device_id) {
  // A source that follows the default cannot tell from the id alone whether
  // the default moved, so it rechecks on every arrival or departure.
  if (follows_default_ ||
      (device_id && !device_id_.empty() && same_id(device_id, device_id_.c_str()))) {
    act();
  }
}

void AudioEndpointNotificationClient::act() {
  if (notification_counter_) notification_counter_->fetch_add(1);
  if (wake_event_) SetEvent(wake_event_);
  if (wake_hook_) wake_hook_();
}

// ---------------------------------------------------------------------------
// AudioCaptureSource

AudioCaptureSource::AudioCaptureSource(AudioDeviceEnumeratorFactory factory,
                                       std::shared_ptr<Clock> clock)
    : factory_(std::move(factory)), clock_(std::move(clock)) {}

AudioCaptureSource::~AudioCaptureSource() { stop(); }

std::unique_ptr<AudioCaptureSource> AudioCaptureSource::create() {
  return create(&create_system_audio_device_enumerator);
}

std::unique_ptr<AudioCaptureSource> AudioCaptureSource::create(
    AudioDeviceEnumeratorFactory factory) {
  return create(std::move(factory), nullptr);
}

std::unique_ptr<AudioCaptureSource> AudioCaptureSource::create(
    AudioDeviceEnumeratorFactory factory, std::shared_ptr<Clock> clock) {
  if (!factory) factory = &create_system_audio_device_enumerator;
  if (!clock) clock = make_steady_clock();
  return std::unique_ptr<AudioCaptureSource>(
      new AudioCaptureSource(std::move(factory), std::move(clock)));
}

void AudioCaptureSource::destroy(std::unique_ptr<AudioCaptureSource> source) {
  if (source) source->stop();
}

bool AudioCaptureSource::start(AudioCaptureEndpoint endpoint, AudioBlockCallback callback) {
  std::lock_guard lock(mutex_);
  if (thread_.joinable() || !callback) return false;
  UniqueEvent wake(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!wake) return false;

  stats_ = AudioCaptureStats{};
  stats_.state = AudioCaptureState::Starting;
  notifications_.store(0);

  kind_ = endpoint.kind;
  device_id_ = endpoint.device_id;
  callback_ = std::move(callback);
  wake_event_ = std::move(wake);
  const HANDLE wake_handle = wake_event_.get();
  const HRESULT started = start_guarded_thread(
      thread_, [this, endpoint = std::move(endpoint), wake_handle](std::stop_token stop) {
        run(stop, endpoint, wake_handle);
      });
  if (FAILED(started)) {
    // No thread runs: the source shows why and keeps nothing of the start.
    callback_ = nullptr;
    wake_event_.reset();
    stats_.state = AudioCaptureState::Failed;
    stats_.last_result = started;
    return false;
  }
  return true;
}

void AudioCaptureSource::stop() {
  std::jthread thread;
  {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    thread_.request_stop();
    if (wake_event_) SetEvent(wake_event_.get());
    retry_wake_.notify_all();
    thread = std::move(thread_);
  }
  thread.join();
  std::lock_guard lock(mutex_);
  callback_ = nullptr;
  wake_event_.reset();
}

AudioCaptureStats AudioCaptureSource::stats() const {
  std::lock_guard lock(mutex_);
  AudioCaptureStats copy = stats_;
  copy.device_notifications = notifications_.load();
  return copy;
}

void AudioCaptureSource::set_failed(HRESULT result) {
  std::lock_guard lock(mutex_);
  stats_.state = AudioCaptureState::Failed;
  stats_.last_result = result;
}

void AudioCaptureSource::run(std::stop_token stop, AudioCaptureEndpoint endpoint,
                             HANDLE wake_event) {
  AudioThreadPriority priority;
  const ComApartment com;
  if (!com.usable()) {
    set_failed(com.result());
    return;
  }

  ComPtr<IMMDeviceEnumerator> enumerator;
  HRESULT hr = factory_(&enumerator);
  if (SUCCEEDED(hr) && !enumerator) hr = E_POINTER;
  if (FAILED(hr)) {
    set_failed(hr);
    return;
  }
  ComPtr<AudioEndpointNotificationClient> client;
  // Takes over the new object's own reference (MinGW's ComPtr::Attach
  // would add another).
  *client.GetAddressOf() = new (std::nothrow) AudioEndpointNotificationClient(
      wake_event, flow_of(endpoint.kind), endpoint.device_id, &notifications_,
      [this] { wake_retry_wait(); });
  if (!client) {
    set_failed(E_OUTOFMEMORY);
    return;
  }
  hr = enumerator->RegisterEndpointNotificationCallback(client.Get());
  if (FAILED(hr)) {
    set_failed(hr);
    return;
  }

  // Nothing may be thrown out of the capture thread; the registration is
  // undone whatever happened.
  const HRESULT looped = call_guarded([&] {
    attempt_loop(stop, endpoint, wake_event, enumerator.Get());
    return S_OK;
  });
  if (FAILED(looped)) set_failed(looped);

  enumerator->UnregisterEndpointNotificationCallback(client.Get());
  client.Reset();
  enumerator.Reset();
  std::lock_guard lock(mutex_);
  if (stats_.state != AudioCaptureState::Failed) {
    stats_.state = AudioCaptureState::Idle;
    stats_.last_result = S_OK;
    stats_.level = 0.0f;
  }
}

void AudioCaptureSource::attempt_loop(std::stop_token& stop, const AudioCaptureEndpoint& endpoint,
                                      HANDLE wake_event, IMMDeviceEnumerator* enumerator) {
  bool first = true;
  bool wait_first = false;
  while (!stop.stop_requested()) {
    if (wait_first && !wait_before_retry(stop, wake_event)) return;
    if (!first) {
      std::lock_guard lock(mutex_);
      ++stats_.retries;
    }
    const CaptureAttempt attempt = capture_once(stop, endpoint, wake_event, enumerator, !first);
    first = false;
    if (stop.stop_requested()) return;
    if (attempt.callback_failed) {
      set_failed(attempt.result);
      return;
    }
    {
      std::lock_guard lock(mutex_);
      stats_.state = AudioCaptureState::Reconnecting;
      stats_.last_result = attempt.result;
      if (FAILED(attempt.result)) ++stats_.failures;
    }
    wait_first = !attempt.device_changed;
  }
}

bool AudioCaptureSource::wait_before_retry(std::stop_token& stop, HANDLE wake_event) {
  const int64_t deadline = clock_->now() + kRetryWaitNs;
  std::unique_lock lock(mutex_);
  // The event is checked under the lock that the wake hook and stop take
  // before notifying, so no wake-up falls between the check and the wait.
  while (!stop.stop_requested() && clock_->now() < deadline &&
         WaitForSingleObject(wake_event, 0) != WAIT_OBJECT_0) {
    clock_->wait_until(retry_wake_, lock, deadline);
  }
  return !stop.stop_requested();
}

void AudioCaptureSource::wake_retry_wait() {
  // Passing through the lock orders this notification after a waiter's
  // check of the event: the waiter either saw the event or is waiting.
  { std::lock_guard lock(mutex_); }
  retry_wake_.notify_all();
}

bool AudioCaptureSource::endpoint_changed(const AudioCaptureEndpoint& endpoint,
                                          IMMDeviceEnumerator* enumerator,
                                          const std::wstring& opened_id) {
  ComPtr<IMMDevice> device;
  if (FAILED(resolve_endpoint(enumerator, endpoint, &device))) return true;
  const std::wstring id = read_audio_endpoint_id(device.Get());
  return !same_id(id.c_str(), opened_id.c_str());
}

AudioCaptureSource::CaptureAttempt AudioCaptureSource::capture_once(
    std::stop_token& stop, const AudioCaptureEndpoint& endpoint, HANDLE wake_event,
    IMMDeviceEnumerator* enumerator, bool reconnect) {
  CaptureAttempt attempt;

  ComPtr<IMMDevice> device;
  attempt.result = resolve_endpoint(enumerator, endpoint, &device);
  if (FAILED(attempt.result)) return attempt;
  const std::wstring opened_id = read_audio_endpoint_id(device.Get());
  const std::wstring opened_name = read_audio_endpoint_name(device.Get());

  // Declared before the clients so that it is closed only after they are
  // released: the engine must never signal a closed (or reused) handle.
  UniqueEvent stream_event;
  ComPtr<IAudioClient> audio_client;
  attempt.result = device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                                    reinterpret_cast<void**>(audio_client.GetAddressOf()));
  if (SUCCEEDED(attempt.result) && !audio_client) attempt.result = E_POINTER;
  if (FAILED(attempt.result)) return attempt;

  const WAVEFORMATEX format = capture_format();
  const DWORD flags =
      endpoint.kind == AudioSourceKind::System ? kSystemStreamFlags : kMicrophoneStreamFlags;
  attempt.result = audio_client->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, 0, 0, &format,
                                            nullptr);
  if (FAILED(attempt.result)) return attempt;

  stream_event.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!stream_event) {
    attempt.result = HRESULT_FROM_WIN32(GetLastError());
    return attempt;
  }
  attempt.result = audio_client->SetEventHandle(stream_event.get());
  if (FAILED(attempt.result)) return attempt;

  ComPtr<IAudioCaptureClient> capture_client;
  // Where loopback capture does not exist, Initialize succeeds and only this
  // call fails; the attempt must end here rather than use a null client.
  attempt.result = audio_client->GetService(__uuidof(IAudioCaptureClient),
                                            reinterpret_cast<void**>(capture_client.GetAddressOf()));
  if (SUCCEEDED(attempt.result) && !capture_client) attempt.result = E_POINTER;
  if (FAILED(attempt.result)) return attempt;

  attempt.result = audio_client->Start();
  if (FAILED(attempt.result)) return attempt;

  LARGE_INTEGER frequency_value{};
  QueryPerformanceFrequency(&frequency_value);
  const double frequency = static_cast<double>(frequency_value.QuadPart);

  {
    std::lock_guard lock(mutex_);
    stats_.state = AudioCaptureState::Capturing;
    stats_.device_id = opened_id;
    stats_.device_name = opened_name;
    stats_.level = 0.0f;
    stats_.last_result = S_OK;
    if (reconnect) ++stats_.reconnects;
  }

  const HANDLE handles[2] = {wake_event, stream_event.get()};
  bool ended = false;
  while (!ended) {
    const DWORD wait = WaitForMultipleObjects(2, handles, FALSE, kStreamWaitMs);
    if (wait == WAIT_TIMEOUT) continue;
    if (wait == WAIT_OBJECT_0) {
      if (stop.stop_requested()) break;
      if (endpoint_changed(endpoint, enumerator, opened_id)) {
        attempt.device_changed = true;
        break;
      }
      continue;
    }
    if (wait == WAIT_FAILED) {
      attempt.result = HRESULT_FROM_WIN32(GetLastError());
      break;
    }
    if (wait != WAIT_OBJECT_0 + 1) {
      attempt.result = E_UNEXPECTED;
      break;
    }

    if (drain_packets(stop, capture_client.Get(), frequency, attempt)) ended = true;
  }

  const HRESULT stopped = audio_client->Stop();
  // A stream that cannot be stopped ends the attempt as failed, unless it
  // already failed (the first failure is kept) or the source is stopping.
  if (FAILED(stopped) && SUCCEEDED(attempt.result) && !stop.stop_requested()) {
    attempt.result = stopped;
  }
  capture_client.Reset();
  audio_client.Reset();
  return attempt;
}

bool AudioCaptureSource::drain_packets(std::stop_token& stop, IAudioCaptureClient* capture_client,
                                       double frequency, CaptureAttempt& attempt) {
  while (!stop.stop_requested()) {
    UINT32 packet_size = 0;
    HRESULT hr = capture_client->GetNextPacketSize(&packet_size);
    if (FAILED(hr)) {
      attempt.result = hr;
      return true;
    }
    if (packet_size == 0) return false;

    BYTE* data = nullptr;
    UINT32 frames = 0;
    DWORD packet_flags = 0;
    UINT64 device_position = 0;
    UINT64 qpc_position = 0;
    hr = capture_client->GetBuffer(&data, &frames, &packet_flags, &device_position,
                                   &qpc_position);
    if (FAILED(hr)) {
      attempt.result = hr;
      return true;
    }

    const bool silent = (packet_flags & AUDCLNT_BUFFERFLAGS_SILENT) != 0;
    const bool discontinuity = (packet_flags & AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY) != 0;
    const bool timestamp_error = (packet_flags & AUDCLNT_BUFFERFLAGS_TIMESTAMP_ERROR) != 0;
    const float peak = packet_peak(data, frames, packet_flags);
    const int64_t time = packet_time(frequency, qpc_position, timestamp_error);
    {
      std::lock_guard lock(mutex_);
      ++stats_.packets;
      stats_.frames += frames;
      stats_.bytes += static_cast<uint64_t>(frames) * 8;
      if (silent) ++stats_.silent_packets;
      if (discontinuity) ++stats_.discontinuity_packets;
      if (timestamp_error) ++stats_.timestamp_error_packets;
      stats_.level = std::max(stats_.level * kLevelDecay, std::clamp(peak, 0.0f, 1.0f));
    }

    // The callback is neither copied nor locked: start sets it before the
    // thread exists and stop clears it after the thread ended. A callback
    // that throws has failed like one that returned the error.
    const HRESULT delivered = call_guarded([&] {
      return callback_ ? callback_(reinterpret_cast<const float*>(data), frames, time, silent,
                                   discontinuity)
                       : E_POINTER;
    });
    bool failed = false;
    {
      std::lock_guard lock(mutex_);
      if (delivered == S_FALSE) {
        ++stats_.skipped_packets;
      } else if (FAILED(delivered)) {
        ++stats_.callback_failures;
        attempt.result = delivered;
        attempt.callback_failed = true;
        failed = true;
      }
    }
    const HRESULT released = capture_client->ReleaseBuffer(frames);
    if (FAILED(released) && !failed) {
      // The stream is unusable: the attempt ends and is retried.
      attempt.result = released;
      failed = true;
    }
    if (failed) return true;
  }
  return false;
}

}  // namespace quorvel::windows
