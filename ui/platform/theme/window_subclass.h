// The comctl32 window-subclass calls in one place. mingw-w64's import
// library lacks GetWindowSubclass, so it is loaded by its ordinal (411) from
// the comctl32 module the program's manifest selects, the one the other three
// calls are bound to: a subclass installed through one comctl32 is invisible
// to another.
//
// Also the guard every subclass procedure runs its handling under, so no
// exception leaves a window procedure. UI thread of the window only.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <new>
#include <utility>

namespace win32_ui {

[[nodiscard]] bool install_window_subclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id,
                                           DWORD_PTR reference);
// True when the window carries the subclass; its reference data goes to
// `reference` when given.
[[nodiscard]] bool find_window_subclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id,
                                        DWORD_PTR* reference);
bool remove_window_subclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id);
LRESULT default_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The state record a subclass keeps as its reference data, or null.
template <typename State>
State* find_subclass_state(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
  DWORD_PTR reference = 0;
  if (!window || !find_window_subclass(window, procedure, id, &reference)) return nullptr;
  return reinterpret_cast<State*>(reference);
}

// Allocates `state` and installs it as the subclass's reference data; null
// (nothing installed, nothing leaked) when either step fails.
template <typename State>
State* install_subclass_state(HWND window, SUBCLASSPROC procedure, UINT_PTR id, State state) {
  std::unique_ptr<State> owned(new (std::nothrow) State(std::move(state)));
  if (!owned) return nullptr;
  if (!install_window_subclass(window, procedure, id, reinterpret_cast<DWORD_PTR>(owned.get()))) {
    return nullptr;
  }
  return owned.release();
}

// Runs `handle` for one message; an exception it throws ends in default
// processing instead of crossing the window procedure.
template <typename Handler>
LRESULT guarded_subclass_call(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                              Handler&& handle) noexcept {
  try {
    return handle();
  } catch (...) {
    return default_subclass_proc(window, message, wparam, lparam);
  }
}

}  // namespace win32_ui
