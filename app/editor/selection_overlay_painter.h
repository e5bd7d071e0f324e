// Draws the selecting-mode overlay of the screenshot editor into a 32-bit
// top-down DIB of the canvas size: the selection frame, the hint bar with
// its text, and the per-pixel alpha that lets the live desktop show through
// while the mouse still reaches the canvas. Pure GDI on a DC the caller
// owns; UI thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace quorvel::windows {

// RGB(0, 120, 215) and RGB(0, 90, 165): never black, which would turn
// transparent.
inline constexpr COLORREF kOverlayFrameColor = 0x00D77800;
inline constexpr COLORREF kOverlayBarColor = 0x00A55A00;

// `dc` has the DIB whose pixels are `bits` (size.cx x size.cy, rows of
// size.cx x 4 bytes) selected. Clears it, draws, flushes GDI and sets every
// pixel's alpha: 255 where anything was drawn, 1 elsewhere.
void paint_selection_overlay(HDC dc, std::uint8_t* bits, SIZE size, const RECT& selection,
                             UINT dpi, std::wstring_view hint);

}  // namespace quorvel::windows
