#include "bench/endurance/direct2d_refusal.h"

#include <windows.h>
#include <d2d1.h>

#include "ui/views/graphics/direct2d_factories.h"

namespace quorvel::bench {
namespace {

// Slots of ID2D1Factory's methods, in declaration order after IUnknown's.
constexpr int kCreateHwndRenderTargetSlot = 14;
constexpr int kCreateDcRenderTargetSlot = 16;

HRESULT STDMETHODCALLTYPE refuse_hwnd_target(ID2D1Factory*, const D2D1_RENDER_TARGET_PROPERTIES*,
                                             const D2D1_HWND_RENDER_TARGET_PROPERTIES*,
                                             ID2D1HwndRenderTarget** target) {
  if (target != nullptr) *target = nullptr;
  return D2DERR_NO_HARDWARE_DEVICE;
}

HRESULT STDMETHODCALLTYPE refuse_dc_target(ID2D1Factory*, const D2D1_RENDER_TARGET_PROPERTIES*,
                                           ID2D1DCRenderTarget** target) {
  if (target != nullptr) *target = nullptr;
  return D2DERR_NO_HARDWARE_DEVICE;
}

}  // namespace

bool refuse_direct2d_render_targets() {
  ID2D1Factory* factory = win32_ui::modern::detail::d2d_factory();
  if (factory == nullptr) return false;
  // Every factory of the process shares this table.
  void** table = *reinterpret_cast<void***>(factory);
  DWORD protection = 0;
  if (!VirtualProtect(table, sizeof(void*) * (kCreateDcRenderTargetSlot + 1), PAGE_READWRITE,
                      &protection)) {
    return false;
  }
  table[kCreateHwndRenderTargetSlot] = reinterpret_cast<void*>(&refuse_hwnd_target);
  table[kCreateDcRenderTargetSlot] = reinterpret_cast<void*>(&refuse_dc_target);
  VirtualProtect(table, sizeof(void*) * (kCreateDcRenderTargetSlot + 1), protection, &protection);
  return true;
}

}  // namespace quorvel::bench
