// What the screenshot editor is handed from outside: the one-shot capture of
// its monitor, and the platform calls that tests replace.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "engine/desktop_snapshot.h"

namespace quorvel::windows {

// Captures the editor's monitor into the snapshot, synchronously on the UI
// thread; a negative result is a failed capture.
using SnapshotProvider = std::function<HRESULT(DesktopSnapshot&)>;

// Each member left empty means the real call.
struct EditorSeams {
  // Keeps the window out of screen captures; false when refused. Real:
  // SetWindowDisplayAffinity(window, WDA_EXCLUDEFROMCAPTURE).
  std::function<bool(HWND window)> exclude_from_capture;
  // Reports an error to the user, owned by `owner`. Real: the toolkit's
  // message_box with caption "Quorvel" and MB_ICONERROR.
  std::function<void(HWND owner, std::wstring_view text)> show_message;
  // Asks where to save the PNG, starting in `folder` with `default_name`;
  // the chosen path, or empty when cancelled. Real: the system's
  // IFileSaveDialog owned by `owner`.
  std::function<std::wstring(HWND owner, const std::wstring& default_name,
                             const std::wstring& folder)>
      choose_save_path;
  // The wall clock the default file name is taken from. Real:
  // std::chrono::system_clock::now.
  std::function<std::chrono::system_clock::time_point()> now;
  // Makes the WIC factory the PNG is encoded with. Real: CoCreateInstance of
  // CLSID_WICImagingFactory2.
  std::function<HRESULT(IWICImagingFactory** factory)> create_imaging_factory;
  // Asks for an annotation colour starting at `color`, with the editor's 16
  // custom colours, which the dialog may change; true, with `color` set, when
  // OK was pressed. Real: ChooseColorW owned by `owner` with CC_RGBINIT |
  // CC_FULLOPEN | CC_ANYCOLOR.
  std::function<bool(HWND owner, COLORREF& color, std::array<COLORREF, 16>& custom_colors)>
      choose_color;
  // Creates the toolbar's top-level window, untitled and without a menu;
  // null when refused. Real: CreateWindowExW at (0, 0).
  std::function<HWND(DWORD ex_style, const wchar_t* class_name, DWORD style, int width,
                     int height, HWND owner, HINSTANCE instance, void* parameter)>
      create_toolbar_window;
};

}  // namespace quorvel::windows
