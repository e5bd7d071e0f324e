#include "engine/audio_device_enumerator.h"

#include <objbase.h>
#include <propidl.h>
#include <propsys.h>
#include <wrl/client.h>

#include <algorithm>

#include "engine/com_apartment.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

// PKEY_Device_FriendlyName, spelled out so no translation unit has to define
// the property-key GUIDs of functiondiscoverykeys_devpkey.h.
constexpr PROPERTYKEY kDeviceFriendlyName = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};

}  // namespace

HRESULT create_system_audio_device_enumerator(IMMDeviceEnumerator** enumerator) {
  if (!enumerator) return E_POINTER;
  *enumerator = nullptr;
  return CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                          __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(enumerator));
}

std::wstring read_audio_endpoint_id(IMMDevice* device) {
  std::wstring id;
  if (!device) return id;
  LPWSTR raw = nullptr;
  if (SUCCEEDED(device->GetId(&raw)) && raw) id = raw;
  CoTaskMemFree(raw);
  return id;
}

std::wstring read_audio_endpoint_name(IMMDevice* device) {
  std::wstring name;
  if (!device) return name;
  ComPtr<IPropertyStore> store;
  if (FAILED(device->OpenPropertyStore(STGM_READ, &store)) || !store) return name;
  PROPVARIANT value;
  PropVariantInit(&value);
  if (SUCCEEDED(store->GetValue(kDeviceFriendlyName, &value)) && value.vt == VT_LPWSTR &&
      value.pwszVal) {
    name = value.pwszVal;
  }
  PropVariantClear(&value);
  return name;
}

std::vector<AudioDeviceInfo> enumerate_audio_capture_devices(
    bool capture, const AudioDeviceEnumeratorFactory& factory) {
  std::vector<AudioDeviceInfo> rows;
  ComApartment apartment(COINIT_APARTMENTTHREADED);
  if (!apartment.usable()) return rows;

  ComPtr<IMMDeviceEnumerator> enumerator;
  const HRESULT created = factory ? factory(&enumerator)
                                  : create_system_audio_device_enumerator(&enumerator);
  if (FAILED(created) || !enumerator) return rows;

  const EDataFlow flow = capture ? eCapture : eRender;
  std::wstring default_id;
  {
    ComPtr<IMMDevice> device;
    if (SUCCEEDED(enumerator->GetDefaultAudioEndpoint(flow, eConsole, &device)) && device) {
      default_id = read_audio_endpoint_id(device.Get());
    }
  }

  ComPtr<IMMDeviceCollection> collection;
  if (FAILED(enumerator->EnumAudioEndpoints(flow, DEVICE_STATE_ACTIVE, &collection)) ||
      !collection) {
    return rows;
  }
  UINT count = 0;
  if (FAILED(collection->GetCount(&count))) return rows;

  for (UINT index = 0; index < count; ++index) {
    ComPtr<IMMDevice> device;
    if (FAILED(collection->Item(index, &device)) || !device) continue;
    AudioDeviceInfo row;
    row.id = read_audio_endpoint_id(device.Get());
    if (row.id.empty()) continue;
    row.name = read_audio_endpoint_name(device.Get());
    if (row.name.empty()) row.name = kUnnamedAudioDeviceName;
    row.is_default = !default_id.empty() && row.id == default_id;
    row.present = true;
    rows.push_back(std::move(row));
  }

  std::stable_sort(rows.begin(), rows.end(), [](const AudioDeviceInfo& a, const AudioDeviceInfo& b) {
    return a.is_default && !b.is_default;
  });
  return rows;
}

}  // namespace quorvel::windows
