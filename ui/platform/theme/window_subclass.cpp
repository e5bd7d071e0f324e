#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

using GetWindowSubclassFunction = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);

constexpr WORD kGetWindowSubclassOrdinal = 411;

GetWindowSubclassFunction get_window_subclass() {
  static const GetWindowSubclassFunction function = [] {
    // Looked up in the current activation context, which is the one the
    // other three calls were bound in when the program loaded.
    HMODULE module = GetModuleHandleW(L"comctl32.dll");
    if (!module) return GetWindowSubclassFunction{};
    return reinterpret_cast<GetWindowSubclassFunction>(reinterpret_cast<void*>(
        GetProcAddress(module, MAKEINTRESOURCEA(kGetWindowSubclassOrdinal))));
  }();
  return function;
}

}  // namespace

bool install_window_subclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id,
                             DWORD_PTR reference) {
  return window && SetWindowSubclass(window, procedure, id, reference) != FALSE;
}

bool find_window_subclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id,
                          DWORD_PTR* reference) {
  const GetWindowSubclassFunction get = get_window_subclass();
  if (!window || !get) return false;
  DWORD_PTR found = 0;
  if (!get(window, procedure, id, &found)) return false;
  if (reference) *reference = found;
  return true;
}

bool remove_window_subclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
  return window && RemoveWindowSubclass(window, procedure, id) != FALSE;
}

LRESULT default_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace win32_ui
