// Control wraps one native child window of a classic window (a button, a
// combo box, a static text). The window's handle lives in a cell apart from
// the object, and the control's "WICO" subclass clears that cell when the
// window is destroyed, whoever destroys it: a parent destroyed before its
// Control leaves the Control empty, and its destructor then touches no dead
// (or reused) handle.
//
// Owned by the classic view that creates it; destroying a Control destroys
// its window. UI thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "ui/platform/classic/control_create_params.h"

namespace win32_ui {

class Control {
 public:
  Control();
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // The window, or null before creation and after the window is gone.
  HWND hwnd() const;

  // Creates the window (style plus WS_CHILD | WS_VISIBLE), destroying an
  // earlier one first. False when the parent is not a live window, no class
  // is named, or the window or its subclass cannot be made (nothing is then
  // left behind).
  bool create(const ControlCreateParams& params);
  // A "BUTTON" / "STATIC" of 1 x 1 pixels at (0, 0).
  bool create_button(HWND parent, std::wstring_view text, int id, DWORD style = 0,
                     DWORD ex_style = 0, HINSTANCE instance = nullptr);
  bool create_static(HWND parent, std::wstring_view text, int id, DWORD style = 0,
                     DWORD ex_style = 0, HINSTANCE instance = nullptr);
  // A "COMBOBOX" 1 pixel wide and 100 tall: a combo's window height is its
  // drop-down list's.
  bool create_combo_box(HWND parent, int id, DWORD style = 0, DWORD ex_style = 0,
                        HINSTANCE instance = nullptr);

  void destroy_window();
  // WM_SETFONT when there is a window.
  void set_font(HFONT font, bool redraw);

  // The "WICO" subclass procedure, for finding the subclass with
  // GetWindowSubclass.
  static LRESULT CALLBACK subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR id, DWORD_PTR reference);

 private:
  std::unique_ptr<HWND> cell_;
};

}  // namespace win32_ui
