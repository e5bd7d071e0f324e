// The font of a hosted native control: "Segoe UI" at 10 points for one
// effective DPI (the window's DPI times the user's zoom), owned here and set
// on the control. Where the face is missing the system substitutes another
// of the same height. UI thread only.
#pragma once

#include <windows.h>

#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui::modern {

class NativeControlFont {
 public:
  // The character height of 10 points at `dpi`, as a negative LOGFONT
  // height: -(10 x dpi / 72), rounded.
  static int height_for(UINT dpi);

  NativeControlFont() = default;
  NativeControlFont(const NativeControlFont&) = delete;
  NativeControlFont& operator=(const NativeControlFont&) = delete;

  // The DPI the font was made for; 0 without a font.
  UINT dpi() const { return dpi_; }
  HFONT handle() const { return static_cast<HFONT>(font_.get()); }

  // When `dpi` differs from the font's, makes the font for `dpi`, sets it on
  // `window` with a redraw and deletes the previous one. A font that cannot
  // be made leaves the old one in place.
  void update(HWND window, UINT dpi);
  // Deletes the font. A `window` that still shows it is told to use the
  // system font instead, so it never draws with a deleted one.
  void reset(HWND window);

 private:
  detail::UniqueGdiObject font_;
  UINT dpi_ = 0;
};

}  // namespace win32_ui::modern
