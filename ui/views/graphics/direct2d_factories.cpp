#include "ui/views/graphics/direct2d_factories.h"

#include <windows.h>
#include <wrl/client.h>

#include <cstdlib>

namespace win32_ui::modern::detail {
namespace {

using Microsoft::WRL::ComPtr;

// Runs `create` on the first call only, whichever thread gets there first,
// and hands every caller the pointer it stored (null when it failed). A
// broken one-time initialisation leaves no sane way to paint: abort.
template <typename Create>
void* once(INIT_ONCE& init_once, Create create) {
  BOOL pending = FALSE;
  void* context = nullptr;
  if (!InitOnceBeginInitialize(&init_once, 0, &pending, &context)) std::abort();
  if (!pending) return context;
  void* made = create();
  if (!InitOnceComplete(&init_once, 0, made)) std::abort();
  return made;
}

}  // namespace

ID2D1Factory* d2d_factory() {
  static INIT_ONCE init_once = INIT_ONCE_STATIC_INIT;
  static ComPtr<ID2D1Factory> factory;
  return static_cast<ID2D1Factory*>(once(init_once, [] {
    void* made = nullptr;
    if (SUCCEEDED(D2D1CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, __uuidof(ID2D1Factory),
                                    nullptr, &made))) {
      // Takes over the created reference (MinGW's ComPtr::Attach would
      // add one).
      *factory.GetAddressOf() = static_cast<ID2D1Factory*>(made);
    }
    return static_cast<void*>(factory.Get());
  }));
}

IDWriteFactory* dwrite_factory() {
  static INIT_ONCE init_once = INIT_ONCE_STATIC_INIT;
  static ComPtr<IDWriteFactory> factory;
  return static_cast<IDWriteFactory*>(once(init_once, [] {
    IUnknown* made = nullptr;
    if (SUCCEEDED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory), &made))) {
      *factory.GetAddressOf() = static_cast<IDWriteFactory*>(made);
    }
    return static_cast<void*>(factory.Get());
  }));
}

}  // namespace win32_ui::modern::detail
