// A stand-in for D3D11CreateDevice at the engine's device-factory seam, for
// machines whose adapter has no video engine (the Microsoft Basic Display
// Adapter, some older or server GPUs): such a driver refuses
// D3D11_CREATE_DEVICE_VIDEO_SUPPORT. Requests it grants are made by the real
// D3D11CreateDevice (Wine makes real devices). It records the flags of every
// request.
//
// Copies of function() share the fake's state; every member is
// thread-safe (the capture asks from its own thread).
#pragma once

#include <windows.h>
#include <d3d11.h>

#include <memory>
#include <mutex>
#include <vector>

#include "engine/d3d11_device.h"

namespace quorvel::windows::test {

class FakeDeviceFactory {
 public:
  FakeDeviceFactory();

  // Requests with video support are answered with `result` (S_OK: granted).
  void refuse_video_support(HRESULT result);
  // Every request that video support did not refuse already is answered
  // with `result` (S_OK: granted).
  void refuse_every_device(HRESULT result);

  D3D11DeviceFactory function() const;

  // The flags of each request, in order.
  std::vector<UINT> requested_flags() const;
  // The flags of the last device made.
  UINT granted_flags() const;

 private:
  struct State {
    std::mutex mutex;
    HRESULT video_result = S_OK;
    HRESULT every_result = S_OK;
    std::vector<UINT> requested;
    UINT granted = 0;
  };
  std::shared_ptr<State> state_;
};

}  // namespace quorvel::windows::test
