// The byte and name formats of the editor's output: the clipboard's CF_DIB
// block and the save dialog's default file name. Pure functions.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/desktop_snapshot.h"

namespace quorvel::windows {

// A 40-byte BITMAPINFOHEADER (32 bits, BI_RGB, positive height) followed by
// the rows bottom-up. Empty when the image is empty or its stride or pixel
// count do not match its size.
std::vector<uint8_t> pack_clipboard_dib(const DesktopSnapshot& image);

// "Quorvel YYYY-MM-DD HH-MM-SS.fffffff.png" for the UTC time, truncated to
// 100-ns units.
std::wstring default_screenshot_name(std::chrono::system_clock::time_point time);

}  // namespace quorvel::windows
