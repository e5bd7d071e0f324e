// Writes a 32-bit BGRA image as a PNG file with a WIC encoder. The file is
// encoded into a temporary file in the destination's folder and moved over
// the destination only when every step succeeded, so a failed save never
// damages a file that was already there. Any thread with COM initialised.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <string>

#include "engine/desktop_snapshot.h"

namespace quorvel::windows {

// S_OK when `path` now holds the image. E_INVALIDARG for an empty path or an
// empty or inconsistent image; otherwise the first failing call's result,
// with no temporary file left and the destination untouched.
[[nodiscard]] HRESULT write_png_file(IWICImagingFactory* factory, const std::wstring& path,
                                     const DesktopSnapshot& image);

}  // namespace quorvel::windows
