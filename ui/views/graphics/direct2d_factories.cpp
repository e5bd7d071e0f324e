#include "ui/views/graphics/direct2d_factories.h"

#include <windows.h>

#include <cstdlib>

namespace win32_ui::modern::detail {
namespace {

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

// The factories live as long as the process and are released by no one: a
// static owner would release them from its destructor at exit, after the
// threads that paint with them, and Direct2D's teardown then may never end.
ID2D1Factory* d2d_factory() {
  static INIT_ONCE init_once = INIT_ONCE_STATIC_INIT;
  return static_cast<ID2D1Factory*>(once(init_once, [] {
    void* made = nullptr;
    if (FAILED(D2D1CreateFactory(D2D1_FACTORY_TYPE_MULTI_THREADED, __uuidof(ID2D1Factory),
                                 nullptr, &made))) {
      return static_cast<void*>(nullptr);
    }
    return made;
  }));
}

IDWriteFactory* dwrite_factory() {
  static INIT_ONCE init_once = INIT_ONCE_STATIC_INIT;
  return static_cast<IDWriteFactory*>(once(init_once, [] {
    IUnknown* made = nullptr;
    if (FAILED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory), &made))) {
      return static_cast<void*>(nullptr);
    }
    return static_cast<void*>(static_cast<IDWriteFactory*>(made));
  }));
}

}  // namespace win32_ui::modern::detail
