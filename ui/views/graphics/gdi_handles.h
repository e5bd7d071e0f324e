// RAII owners of GDI objects for the GDI canvas: memory DCs and the pens,
// brushes and bitmaps it creates, and a guard that selects an object into a
// DC and puts the previous one back.
#pragma once

#include <windows.h>

#include "engine/unique_handle.h"

namespace win32_ui::modern::detail {

struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { DeleteObject(handle); }
};

struct MemoryDcTraits {
  using Handle = HDC;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { DeleteDC(handle); }
};

using UniqueGdiObject = quorvel::windows::UniqueHandle<GdiObjectTraits>;
using UniqueMemoryDc = quorvel::windows::UniqueHandle<MemoryDcTraits>;

// Selects `object` into `dc` for the guard's lifetime. Declare it after the
// owner of the object, so the object is deselected before it is deleted.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelection() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

  bool selected() const { return previous_ && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace win32_ui::modern::detail
