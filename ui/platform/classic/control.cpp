#include "ui/platform/classic/control.h"

#include <new>
#include <string>

#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {

Control::Control() : cell_(new (std::nothrow) HWND(nullptr)) {}

Control::~Control() { destroy_window(); }

HWND Control::hwnd() const { return cell_ ? *cell_ : nullptr; }

bool Control::create(const ControlCreateParams& params) {
  if (!params.parent || !IsWindow(params.parent) || params.class_name.empty()) return false;
  destroy_window();
  if (!cell_) cell_.reset(new (std::nothrow) HWND(nullptr));
  if (!cell_) return false;

  const HINSTANCE instance = params.instance ? params.instance : GetModuleHandleW(nullptr);
  const std::wstring text(params.text);
  HWND window = CreateWindowExW(
      params.ex_style, params.class_name.c_str(), text.c_str(),
      params.style | WS_CHILD | WS_VISIBLE, params.x, params.y, params.width, params.height,
      params.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(params.id)), instance, nullptr);
  if (!window) return false;
  *cell_ = window;
  if (!install_window_subclass(window, &subclass_procedure, kClassicControlSubclass,
                               reinterpret_cast<DWORD_PTR>(cell_.get()))) {
    DestroyWindow(window);
    *cell_ = nullptr;
    return false;
  }
  return true;
}

bool Control::create_button(HWND parent, std::wstring_view text, int id, DWORD style,
                            DWORD ex_style, HINSTANCE instance) {
  return create({parent, L"BUTTON", text, id, style, ex_style, instance, 0, 0, 1, 1});
}

bool Control::create_static(HWND parent, std::wstring_view text, int id, DWORD style,
                            DWORD ex_style, HINSTANCE instance) {
  return create({parent, L"STATIC", text, id, style, ex_style, instance, 0, 0, 1, 1});
}

bool Control::create_combo_box(HWND parent, int id, DWORD style, DWORD ex_style,
                               HINSTANCE instance) {
  return create({parent, L"COMBOBOX", {}, id, style, ex_style, instance, 0, 0, 1, 100});
}

void Control::destroy_window() {
  if (!cell_ || !*cell_) return;
  const HWND window = *cell_;
  // The subclass clears the cell while the window goes.
  if (IsWindow(window)) DestroyWindow(window);
  if (*cell_ == window) {
    remove_window_subclass(window, &subclass_procedure, kClassicControlSubclass);
    *cell_ = nullptr;
  }
}

void Control::set_font(HFONT font, bool redraw) {
  if (HWND window = hwnd()) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
  }
}

LRESULT CALLBACK Control::subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR, DWORD_PTR reference) {
  if (message == WM_NCDESTROY) {
    auto* cell = reinterpret_cast<HWND*>(reference);
    if (cell && *cell == window) *cell = nullptr;
    remove_window_subclass(window, &subclass_procedure, kClassicControlSubclass);
  }
  return default_subclass_proc(window, message, wparam, lparam);
}

}  // namespace win32_ui
