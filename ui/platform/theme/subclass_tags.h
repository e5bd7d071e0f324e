// The ids of every window subclass in the toolkit and the product. Each id is
// a four-letter tag read as a big-endian 32-bit number (the first letter in
// the high byte), so a subclass is recognisable in a debugger and no two
// components ever share one. Every component that subclasses a window takes
// its id from here and removes its subclass on WM_NCDESTROY.
#pragma once

#include <windows.h>

namespace win32_ui {

// The tag's four letters as a 32-bit id.
constexpr UINT_PTR subclass_tag(const char (&letters)[5]) {
  return (static_cast<UINT_PTR>(static_cast<unsigned char>(letters[0])) << 24) |
         (static_cast<UINT_PTR>(static_cast<unsigned char>(letters[1])) << 16) |
         (static_cast<UINT_PTR>(static_cast<unsigned char>(letters[2])) << 8) |
         static_cast<UINT_PTR>(static_cast<unsigned char>(letters[3]));
}

// The native theme registry, on each registered top-level window.
inline constexpr UINT_PTR kThemeRegistrySubclass = subclass_tag("WIHS");
// The window host of a view surface.
inline constexpr UINT_PTR kWindowHostSubclass = subclass_tag("WMHT");
// The custom window chrome.
inline constexpr UINT_PTR kWindowChromeSubclass = subclass_tag("WCHR");
// The view surface bound to a window.
inline constexpr UINT_PTR kSurfaceSubclass = subclass_tag("WIMS");
// The child window of a hosted native control.
inline constexpr UINT_PTR kNativeHostSubclass = subclass_tag("WINH");
// Themed edit frame.
inline constexpr UINT_PTR kEditThemeSubclass = subclass_tag("WIED");
// Themed combo box.
inline constexpr UINT_PTR kComboThemeSubclass = subclass_tag("WICB");
// Themed trackbar.
inline constexpr UINT_PTR kTrackbarThemeSubclass = subclass_tag("WITB");
// Themed static text.
inline constexpr UINT_PTR kStaticThemeSubclass = subclass_tag("WIST");
// Classic control.
inline constexpr UINT_PTR kClassicControlSubclass = subclass_tag("WICO");
// Classic layout host.
inline constexpr UINT_PTR kClassicLayoutHostSubclass = subclass_tag("WILH");
// Classic window view.
inline constexpr UINT_PTR kClassicWindowViewSubclass = subclass_tag("WIVW");
// The product's main recording window.
inline constexpr UINT_PTR kRecordingWindowSubclass = subclass_tag("QVFR");
// The product's setup windows: two subclasses with their own ids.
inline constexpr UINT_PTR kSetupWindowSubclassQvlg = subclass_tag("QVLG");
inline constexpr UINT_PTR kSetupWindowSubclassQvwm = subclass_tag("QVWM");
// The product's floating recording control bar.
inline constexpr UINT_PTR kControlBarSubclass = subclass_tag("QVRD");
// The screenshot editor's copied notice, in front of its host's frame.
inline constexpr UINT_PTR kScreenshotNoticeSubclass = subclass_tag("QVSN");

}  // namespace win32_ui
