// What the screenshot editor is handed from outside: the one-shot capture of
// its monitor, and the platform calls that tests replace.
#pragma once

#include <windows.h>
#include <wincodec.h>

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
};

}  // namespace quorvel::windows
