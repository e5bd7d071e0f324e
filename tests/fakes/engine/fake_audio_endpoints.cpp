#include "tests/fakes/engine/fake_audio_endpoints.h"

#include <objbase.h>
#include <propidl.h>
#include <propsys.h>

#include <atomic>
#include <cstring>

#include "engine/engine_errors.h"
#include "tests/fakes/fake_unknown.h"

namespace quorvel::windows {
namespace {

using quorvel::test::FakeUnknown;

using Microsoft::WRL::ComPtr;

constexpr PROPERTYKEY kFriendlyName = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};

template <typename Object, typename Interface, typename... Args>
HRESULT make(Interface** out, Args&&... args) {
  if (!out) return E_POINTER;
  *out = new Object(std::forward<Args>(args)...);
  return S_OK;
}

wchar_t* co_task_copy(const std::wstring& text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
  if (copy) std::memcpy(copy, text.c_str(), bytes);
  return copy;
}

class FakeCaptureClient final : public FakeUnknown<IAudioCaptureClient> {
 public:
  FakeCaptureClient(FakeAudioSystem* system, size_t stream) : system_(system), stream_(stream) {}
  HRESULT STDMETHODCALLTYPE GetBuffer(BYTE** data, UINT32* frames, DWORD* flags,
                                      UINT64* device_position, UINT64* qpc_position) override {
    return system_->get_buffer(stream_, data, frames, flags, device_position, qpc_position);
  }
  HRESULT STDMETHODCALLTYPE ReleaseBuffer(UINT32 frames) override {
    return system_->release_buffer(stream_, frames);
  }
  HRESULT STDMETHODCALLTYPE GetNextPacketSize(UINT32* frames) override {
    return system_->next_packet_size(stream_, frames);
  }

 private:
  FakeAudioSystem* system_;
  size_t stream_;
};

class FakeAudioClient final : public FakeUnknown<IAudioClient> {
 public:
  FakeAudioClient(FakeAudioSystem* system, std::wstring device_id)
      : system_(system), device_id_(std::move(device_id)) {}
  ~FakeAudioClient() override {
    // A real engine may signal its event until the client is released.
    DWORD flags = 0;
    if (event_ && !GetHandleInformation(event_, &flags)) system_->on_event_closed_early();
  }

  HRESULT STDMETHODCALLTYPE Initialize(AUDCLNT_SHAREMODE share_mode, DWORD flags,
                                       REFERENCE_TIME buffer_duration,
                                       REFERENCE_TIME periodicity, const WAVEFORMATEX* format,
                                       LPCGUID) override {
    if (stream_ != SIZE_MAX) return AUDCLNT_E_ALREADY_INITIALIZED;
    if (!format) return E_POINTER;
    FakeStreamRecord record;
    record.device_id = device_id_;
    record.share_mode = share_mode;
    record.flags = flags;
    record.buffer_duration = buffer_duration;
    record.periodicity = periodicity;
    record.format = *format;
    stream_ = system_->begin_stream(record);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBufferSize(UINT32*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStreamLatency(REFERENCE_TIME*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCurrentPadding(UINT32*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsFormatSupported(AUDCLNT_SHAREMODE, const WAVEFORMATEX*,
                                              WAVEFORMATEX**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetMixFormat(WAVEFORMATEX**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDevicePeriod(REFERENCE_TIME*, REFERENCE_TIME*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Start() override {
    if (stream_ == SIZE_MAX) return AUDCLNT_E_NOT_INITIALIZED;
    system_->start_stream(stream_, event_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Stop() override {
    return stream_ != SIZE_MAX ? system_->stop_stream(stream_) : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetEventHandle(HANDLE event) override {
    if (stream_ == SIZE_MAX) return AUDCLNT_E_NOT_INITIALIZED;
    event_ = event;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetService(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (stream_ == SIZE_MAX) return AUDCLNT_E_NOT_INITIALIZED;
    const HRESULT scripted = system_->get_service_result();
    if (FAILED(scripted)) return scripted;
    if (iid != __uuidof(IAudioCaptureClient)) return E_NOINTERFACE;
    *object = static_cast<IAudioCaptureClient*>(new FakeCaptureClient(system_, stream_));
    return S_OK;
  }

 private:
  FakeAudioSystem* system_;
  std::wstring device_id_;
  size_t stream_ = SIZE_MAX;
  HANDLE event_ = nullptr;
};

class FakePropertyStore final : public FakeUnknown<IPropertyStore> {
 public:
  explicit FakePropertyStore(std::wstring name) : name_(std::move(name)) {}
  HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
    if (!count) return E_POINTER;
    *count = name_.empty() ? 0 : 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
    if (!value) return E_POINTER;
    PropVariantInit(value);
    if (!name_.empty() && IsEqualGUID(key.fmtid, kFriendlyName.fmtid) &&
        key.pid == kFriendlyName.pid) {
      value->vt = VT_LPWSTR;
      value->pwszVal = co_task_copy(name_);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override {
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE Commit() override { return STG_E_ACCESSDENIED; }

 private:
  std::wstring name_;
};

class FakeDevice final : public FakeUnknown<IMMDevice> {
 public:
  FakeDevice(FakeAudioSystem* system, std::wstring id) : system_(system), id_(std::move(id)) {}
  HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD, PROPVARIANT*, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != __uuidof(IAudioClient)) return E_NOINTERFACE;
    system_->on_activate();
    *object = static_cast<IAudioClient*>(new FakeAudioClient(system_, id_));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD, IPropertyStore** store) override {
    FakeAudioSystem::Device device;
    if (!system_->find_device(id_, &device)) return kErrorAudioDeviceInvalidated;
    return make<FakePropertyStore>(store, device.name);
  }
  HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override {
    if (!id) return E_POINTER;
    *id = co_task_copy(id_);
    return *id ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override {
    if (!state) return E_POINTER;
    FakeAudioSystem::Device device;
    if (!system_->find_device(id_, &device)) return kErrorNotFound;
    *state = device.state;
    return S_OK;
  }

 private:
  FakeAudioSystem* system_;
  std::wstring id_;
};

class FakeDeviceCollection final : public FakeUnknown<IMMDeviceCollection> {
 public:
  FakeDeviceCollection(FakeAudioSystem* system, std::vector<std::wstring> ids)
      : system_(system), ids_(std::move(ids)) {}
  HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<UINT>(ids_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Item(UINT index, IMMDevice** device) override {
    if (!device) return E_POINTER;
    *device = nullptr;
    if (index >= ids_.size()) return E_INVALIDARG;
    return make<FakeDevice>(device, system_, ids_[index]);
  }

 private:
  FakeAudioSystem* system_;
  std::vector<std::wstring> ids_;
};

class FakeDeviceEnumerator final : public FakeUnknown<IMMDeviceEnumerator> {
 public:
  explicit FakeDeviceEnumerator(FakeAudioSystem* system) : system_(system) {}
  HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow flow, DWORD mask,
                                               IMMDeviceCollection** collection) override {
    if (!collection) return E_POINTER;
    std::vector<std::wstring> ids;
    for (const auto& device : system_->devices(flow, mask)) ids.push_back(device.id);
    return make<FakeDeviceCollection>(collection, system_, std::move(ids));
  }
  HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role,
                                                    IMMDevice** endpoint) override {
    if (!endpoint) return E_POINTER;
    *endpoint = nullptr;
    FakeAudioSystem::Device device;
    const HRESULT hr = system_->default_device(flow, role, &device);
    if (FAILED(hr)) return hr;
    return make<FakeDevice>(endpoint, system_, device.id);
  }
  HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR id, IMMDevice** endpoint) override {
    if (!endpoint || !id) return E_POINTER;
    *endpoint = nullptr;
    FakeAudioSystem::Device device;
    const HRESULT hr = system_->lookup_device(id, &device);
    if (FAILED(hr)) return hr;
    return make<FakeDevice>(endpoint, system_, device.id);
  }
  HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(
      IMMNotificationClient* client) override {
    HRESULT result = S_OK;
    system_->register_client(client, &result);
    return result;
  }
  HRESULT STDMETHODCALLTYPE UnregisterEndpointNotificationCallback(
      IMMNotificationClient*) override {
    system_->unregister_client();
    return S_OK;
  }

 private:
  FakeAudioSystem* system_;
};

int64_t qpc_now() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace

AudioDeviceEnumeratorFactory FakeAudioSystem::factory() {
  return [this](IMMDeviceEnumerator** enumerator) -> HRESULT {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    const HRESULT result = enumerator_result();
    if (FAILED(result)) return result;
    *enumerator = new FakeDeviceEnumerator(this);
    return S_OK;
  };
}

void FakeAudioSystem::add_device(const std::wstring& id, const std::wstring& name, EDataFlow flow,
                                 DWORD state) {
  std::lock_guard lock(mutex_);
  devices_.push_back(Device{id, name, flow, state});
}

void FakeAudioSystem::set_state(const std::wstring& id, DWORD state) {
  std::lock_guard lock(mutex_);
  for (auto& device : devices_) {
    if (device.id == id) device.state = state;
  }
}

void FakeAudioSystem::set_default(EDataFlow flow, const std::wstring& id) {
  std::lock_guard lock(mutex_);
  (flow == eRender ? default_render_ : default_capture_) = id;
}

void FakeAudioSystem::set_enumerator_result(HRESULT result) {
  std::lock_guard lock(mutex_);
  enumerator_result_ = result;
}

void FakeAudioSystem::set_register_result(HRESULT result) {
  std::lock_guard lock(mutex_);
  register_result_ = result;
}

void FakeAudioSystem::set_get_service_result(HRESULT result) {
  std::lock_guard lock(mutex_);
  get_service_result_ = result;
}

void FakeAudioSystem::set_packet_size_result(HRESULT result) {
  std::lock_guard lock(mutex_);
  packet_size_result_ = result;
}

void FakeAudioSystem::set_clock(std::shared_ptr<Clock> clock) {
  std::lock_guard lock(mutex_);
  clock_ = std::move(clock);
}

int64_t FakeAudioSystem::now() const { return clock_ ? clock_->now() : qpc_now(); }

void FakeAudioSystem::set_release_result(HRESULT result) {
  std::lock_guard lock(mutex_);
  release_result_ = result;
}

void FakeAudioSystem::set_stop_result(HRESULT result) {
  std::lock_guard lock(mutex_);
  stop_result_ = result;
}

bool FakeAudioSystem::deliver(FakeAudioPacket packet) {
  std::lock_guard lock(mutex_);
  if (running_stream_ == SIZE_MAX || !stream_event_) return false;
  pending_.push_back(std::move(packet));
  SetEvent(stream_event_);
  return true;
}

bool FakeAudioSystem::wait(std::chrono::milliseconds timeout, const std::function<bool()>& done) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, done);
}

bool FakeAudioSystem::wait_for_streams(size_t count, std::chrono::milliseconds timeout) {
  return wait(timeout, [&] { return started_streams_ >= count; });
}

bool FakeAudioSystem::wait_for_resolves(size_t count, std::chrono::milliseconds timeout) {
  return wait(timeout, [&] { return resolve_times_.size() >= count; });
}

bool FakeAudioSystem::wait_for_releases(size_t count, std::chrono::milliseconds timeout) {
  return wait(timeout, [&] { return released_frames_.size() >= count; });
}

ComPtr<IMMNotificationClient> FakeAudioSystem::notification_client() {
  std::lock_guard lock(mutex_);
  return client_;
}

bool FakeAudioSystem::unregistered() const {
  std::lock_guard lock(mutex_);
  return unregistered_;
}

std::vector<FakeStreamRecord> FakeAudioSystem::streams() const {
  std::lock_guard lock(mutex_);
  return streams_;
}

size_t FakeAudioSystem::resolves() const {
  std::lock_guard lock(mutex_);
  return resolve_times_.size();
}

std::vector<int64_t> FakeAudioSystem::resolve_times() const {
  std::lock_guard lock(mutex_);
  return resolve_times_;
}

std::vector<uint32_t> FakeAudioSystem::released_frames() const {
  std::lock_guard lock(mutex_);
  return released_frames_;
}

const void* FakeAudioSystem::last_buffer() const {
  std::lock_guard lock(mutex_);
  return last_buffer_;
}

size_t FakeAudioSystem::activations() const {
  std::lock_guard lock(mutex_);
  return activations_;
}

std::vector<std::pair<EDataFlow, ERole>> FakeAudioSystem::default_requests() const {
  std::lock_guard lock(mutex_);
  return default_requests_;
}

bool FakeAudioSystem::find_device(const std::wstring& id, Device* device) const {
  std::lock_guard lock(mutex_);
  for (const auto& candidate : devices_) {
    if (candidate.id == id) {
      *device = candidate;
      return true;
    }
  }
  return false;
}

std::vector<FakeAudioSystem::Device> FakeAudioSystem::devices(EDataFlow flow, DWORD mask) const {
  std::lock_guard lock(mutex_);
  std::vector<Device> result;
  for (const auto& device : devices_) {
    if ((flow == eAll || device.flow == flow) && (device.state & mask) != 0) {
      result.push_back(device);
    }
  }
  return result;
}

HRESULT FakeAudioSystem::default_device(EDataFlow flow, ERole role, Device* device) {
  std::lock_guard lock(mutex_);
  resolve_times_.push_back(now());
  default_requests_.emplace_back(flow, role);
  changed_.notify_all();
  const std::wstring& id = flow == eRender ? default_render_ : default_capture_;
  for (const auto& candidate : devices_) {
    if (!id.empty() && candidate.id == id && candidate.state == DEVICE_STATE_ACTIVE) {
      *device = candidate;
      return S_OK;
    }
  }
  return kErrorNotFound;
}

HRESULT FakeAudioSystem::lookup_device(const std::wstring& id, Device* device) {
  std::lock_guard lock(mutex_);
  resolve_times_.push_back(now());
  changed_.notify_all();
  for (const auto& candidate : devices_) {
    if (candidate.id == id) {
      *device = candidate;
      return S_OK;
    }
  }
  return kErrorNotFound;
}

void FakeAudioSystem::on_event_closed_early() {
  std::lock_guard lock(mutex_);
  ++events_closed_early_;
}

size_t FakeAudioSystem::events_closed_early() const {
  std::lock_guard lock(mutex_);
  return events_closed_early_;
}

void FakeAudioSystem::on_activate() {
  std::lock_guard lock(mutex_);
  ++activations_;
  changed_.notify_all();
}

void FakeAudioSystem::register_client(IMMNotificationClient* client, HRESULT* result) {
  std::lock_guard lock(mutex_);
  *result = register_result_;
  if (SUCCEEDED(register_result_)) client_ = client;
  changed_.notify_all();
}

void FakeAudioSystem::unregister_client() {
  std::lock_guard lock(mutex_);
  unregistered_ = true;
  changed_.notify_all();
}

size_t FakeAudioSystem::begin_stream(const FakeStreamRecord& record) {
  std::lock_guard lock(mutex_);
  streams_.push_back(record);
  changed_.notify_all();
  return streams_.size() - 1;
}

void FakeAudioSystem::start_stream(size_t stream, HANDLE event) {
  std::lock_guard lock(mutex_);
  streams_[stream].started = true;
  ++started_streams_;
  running_stream_ = stream;
  stream_event_ = event;
  pending_.clear();
  changed_.notify_all();
}

HRESULT FakeAudioSystem::stop_stream(size_t stream) {
  std::lock_guard lock(mutex_);
  streams_[stream].stopped = true;
  if (running_stream_ == stream) {
    running_stream_ = SIZE_MAX;
    stream_event_ = nullptr;
  }
  changed_.notify_all();
  return stop_result_;
}

HRESULT FakeAudioSystem::get_service_result() const {
  std::lock_guard lock(mutex_);
  return get_service_result_;
}

HRESULT FakeAudioSystem::enumerator_result() const {
  std::lock_guard lock(mutex_);
  return enumerator_result_;
}

HRESULT FakeAudioSystem::next_packet_size(size_t stream, UINT32* frames) {
  if (!frames) return E_POINTER;
  std::lock_guard lock(mutex_);
  *frames = 0;
  if (stream != running_stream_) return S_OK;
  if (FAILED(packet_size_result_) && !pending_.empty()) return packet_size_result_;
  if (!pending_.empty()) *frames = pending_.front().frames;
  return S_OK;
}

HRESULT FakeAudioSystem::get_buffer(size_t stream, BYTE** data, UINT32* frames, DWORD* flags,
                                    UINT64* device_position, UINT64* qpc_position) {
  if (!data || !frames || !flags) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (stream != running_stream_ || pending_.empty()) return AUDCLNT_S_BUFFER_EMPTY;
  FakeAudioPacket& packet = pending_.front();
  *data = packet.samples.empty() ? nullptr : reinterpret_cast<BYTE*>(packet.samples.data());
  *frames = packet.frames;
  *flags = packet.flags;
  if (device_position) *device_position = packet.device_position;
  if (qpc_position) *qpc_position = packet.qpc_position;
  last_buffer_ = *data;
  return S_OK;
}

HRESULT FakeAudioSystem::release_buffer(size_t stream, UINT32 frames) {
  std::lock_guard lock(mutex_);
  if (stream != running_stream_ || pending_.empty()) return AUDCLNT_E_OUT_OF_ORDER;
  pending_.pop_front();
  released_frames_.push_back(frames);
  changed_.notify_all();
  return release_result_;
}

}  // namespace quorvel::windows
