// Access to the system's audio endpoints: the factory through which the
// capture sources and the device list obtain the MMDevice enumerator (tests
// pass one that returns a fake), the microphone list shown by the main
// window, and the small endpoint helpers both share.
//
// Every function here may be called on any thread that has initialised COM,
// except enumerate_audio_capture_devices, which initialises COM itself.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>

#include <functional>
#include <string>
#include <vector>

namespace quorvel::windows {

// Creates the MMDevice enumerator. Returns S_OK with *enumerator set, or a
// failure code with *enumerator null.
using AudioDeviceEnumeratorFactory = std::function<HRESULT(IMMDeviceEnumerator** enumerator)>;

// The system's enumerator (CoCreateInstance of MMDeviceEnumerator, CLSCTX_ALL).
[[nodiscard]] HRESULT create_system_audio_device_enumerator(IMMDeviceEnumerator** enumerator);

// One row of the device list.
struct AudioDeviceInfo {
  std::wstring id;
  std::wstring name;
  bool is_default = false;
  bool present = false;
};

// The name shown for an endpoint that reports no friendly name.
inline constexpr wchar_t kUnnamedAudioDeviceName[] = L"未命名音频设备";

// The active endpoints of one data flow (capture when `capture` is true, else
// render), the default one first, the others in the system's order. Never
// fails: any failure gives fewer rows or none. An empty factory means the
// system's enumerator.
std::vector<AudioDeviceInfo> enumerate_audio_capture_devices(
    bool capture, const AudioDeviceEnumeratorFactory& factory = {});

// The endpoint's friendly name, empty when it has none or it cannot be read.
std::wstring read_audio_endpoint_name(IMMDevice* device);

// The endpoint's id, empty when it cannot be read.
std::wstring read_audio_endpoint_id(IMMDevice* device);

}  // namespace quorvel::windows
