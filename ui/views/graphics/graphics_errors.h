// HRESULTs the painting code reacts to, named once for code and tests.
#pragma once

#include <windows.h>

namespace win32_ui::modern::detail {

// The device behind a Direct2D render target is gone: drop the target and
// make a new one for the next paint.
inline constexpr HRESULT kErrorRecreateTarget = static_cast<HRESULT>(0x8899000C);

}  // namespace win32_ui::modern::detail
