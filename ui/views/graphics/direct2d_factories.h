// The process-wide Direct2D and DirectWrite factories that every painting
// thread shares. Each is created on its first use, once for the whole
// process, and lives until the process ends. The Direct2D factory is the
// multi-threaded kind, so any thread may call these at any time.
#pragma once

#include <d2d1.h>
#include <dwrite.h>

namespace win32_ui::modern::detail {

// The shared Direct2D factory; null when it could not be created. A failed
// creation is not retried.
ID2D1Factory* d2d_factory();

// The shared DirectWrite factory; null when it could not be created. A
// failed creation is not retried.
IDWriteFactory* dwrite_factory();

}  // namespace win32_ui::modern::detail
