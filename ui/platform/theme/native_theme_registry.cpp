#include "ui/platform/theme/native_theme_registry.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <new>
#include <string>

#include "ui/platform/theme/child_control_theming.h"
#include "ui/platform/theme/control_color_answer.h"
#include "ui/platform/theme/scaled_metric.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/themed_button.h"
#include "ui/platform/theme/themed_combo_box.h"
#include "ui/platform/theme/themed_menu_bar.h"
#include "ui/platform/theme/window_frame.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

constexpr wchar_t kCallbackName[] = L"NativeThemeRegistry: theme-changed callback failed: ";
constexpr wchar_t kMessageName[] = L"NativeThemeRegistry: window message handling failed: ";

bool is_system_notification(UINT message) {
  return message == WM_SYSCOLORCHANGE || message == WM_SETTINGCHANGE ||
         message == WM_THEMECHANGED;
}

bool is_live(HWND window) { return window && IsWindow(window); }

// An exception's text as UTF-16: UTF-8 when it is valid UTF-8, else the ANSI
// code page.
std::wstring widen(const char* text) {
  if (!text || !*text) return {};
  for (UINT code_page : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
    const DWORD flags = code_page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int length = MultiByteToWideChar(code_page, flags, text, -1, nullptr, 0);
    if (length <= 0) continue;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(code_page, flags, text, -1, wide.data(), length) != length) continue;
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
  }
  return {};
}

// The text of the exception being handled, or "unknown exception".
std::wstring current_exception_text() {
  try {
    throw;
  } catch (const std::exception& error) {
    return widen(error.what());
  } catch (...) {
    return L"unknown exception";
  }
}

std::wstring window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

HFONT window_font(HWND window) {
  return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
}

ButtonStyle push_button_style(HWND button) {
  ButtonStyle style;
  const LONG_PTR type = GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK;
  style.tone = type == BS_DEFPUSHBUTTON ? kControlToneAccent : kControlToneStandard;
  style.font = window_font(button);
  return style;
}

}  // namespace

std::unique_ptr<NativeThemeRegistry> NativeThemeRegistry::create(ThemeMode mode,
                                                                 COLORREF accent) {
  return create(mode, accent, windows_theme_system());
}

std::unique_ptr<NativeThemeRegistry> NativeThemeRegistry::create(ThemeMode mode, COLORREF accent,
                                                                 ThemeSystem& system) {
  return std::unique_ptr<NativeThemeRegistry>(new NativeThemeRegistry(mode, accent, system));
}

NativeThemeRegistry::NativeThemeRegistry(ThemeMode mode, COLORREF accent, ThemeSystem& system)
    : state_(mode, accent, system) {}

NativeThemeRegistry::~NativeThemeRegistry() {
  for (const auto& entry : entries_) {
    if (is_live(entry->hwnd)) {
      remove_window_subclass(entry->hwnd, &subclass_procedure, kThemeRegistrySubclass);
    }
  }
}

void NativeThemeRegistry::set_theme_changed_callback(ThemeChangedCallback callback,
                                                     void* user_data) {
  on_theme_changed_ = callback;
  callback_user_data_ = user_data;
}

void NativeThemeRegistry::set_error_reporter(ErrorReporter reporter) {
  reporter_ = std::move(reporter);
}

RegisteredWindow* NativeThemeRegistry::find_entry(HWND window) const {
  for (const auto& entry : entries_) {
    if (entry->hwnd == window) return entry.get();
  }
  return nullptr;
}

RegisteredWindow* NativeThemeRegistry::add_entry(HWND window, bool watch_only) {
  auto entry = std::make_unique<RegisteredWindow>();
  entry->registry = this;
  entry->hwnd = window;
  entry->watch_only = watch_only;
  entries_.push_back(std::move(entry));
  RegisteredWindow* added = entries_.back().get();
  if (!install_window_subclass(window, &subclass_procedure, kThemeRegistrySubclass,
                               reinterpret_cast<DWORD_PTR>(added))) {
    entries_.pop_back();
    return nullptr;
  }
  return added;
}

void NativeThemeRegistry::remove_entry(RegisteredWindow* entry) {
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [entry](const auto& owned) { return owned.get() == entry; });
  if (found == entries_.end()) return;
  if (is_live(entry->hwnd)) {
    remove_window_subclass(entry->hwnd, &subclass_procedure, kThemeRegistrySubclass);
  }
  entries_.erase(found);
}

bool NativeThemeRegistry::register_window(HWND window) {
  if (!is_live(window)) return false;
  if (find_entry(window)) return true;
  return add_entry(window, true) != nullptr;
}

bool NativeThemeRegistry::register_themed_window(HWND window, ThemedMenuBar* menu_painter) {
  if (!is_live(window)) return false;
  RegisteredWindow* entry = find_entry(window);
  if (!entry) entry = add_entry(window, false);
  if (!entry) return false;
  entry->watch_only = false;
  entry->menu_painter = menu_painter;
  retheme_entry(*entry);
  sync_menu(*entry);
  return true;
}

void NativeThemeRegistry::unregister_window(HWND window) {
  if (RegisteredWindow* entry = find_entry(window)) remove_entry(entry);
}

bool NativeThemeRegistry::retheme_window(HWND window) {
  RegisteredWindow* entry = find_entry(window);
  if (!entry || entry->watch_only || !is_live(window)) return false;
  retheme_entry(*entry);
  return true;
}

bool NativeThemeRegistry::set_owner_drawn(HWND child, bool owner_drawn) {
  if (!child) return false;
  RegisteredWindow* owner = nullptr;
  for (const auto& entry : entries_) {
    if (!entry->watch_only && (entry->hwnd == child || IsChild(entry->hwnd, child))) {
      owner = entry.get();
      break;
    }
  }
  if (!owner) return false;
  if (owner_drawn) {
    owner->child_marks[child] = ChildMark{ChildMark::kChildMarkOwnerDrawn};
  } else {
    owner->child_marks.erase(child);
    theme_child(*owner, child);
  }
  RedrawWindow(child, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
  return true;
}

ChildMark NativeThemeRegistry::child_mark(HWND child) const {
  for (const auto& entry : entries_) {
    const auto found = entry->child_marks.find(child);
    if (found != entry->child_marks.end()) return found->second;
  }
  return ChildMark{};
}

bool NativeThemeRegistry::set_mode(ThemeMode mode) {
  const bool changed = state_.set_mode(mode);
  retheme_all();
  if (changed) notify_theme_changed();
  return changed;
}

bool NativeThemeRegistry::refresh() {
  const bool changed = state_.refresh();
  retheme_all();
  if (changed) notify_theme_changed();
  return changed;
}

void NativeThemeRegistry::on_system_notification() {
  if (!state_.refresh()) return;
  retheme_all();
  notify_theme_changed();
}

void NativeThemeRegistry::notify_theme_changed() {
  if (!on_theme_changed_) return;
  try {
    on_theme_changed_(callback_user_data_, &state_.theme());
  } catch (...) {
    // The windows are already in the new theme; a failure of the program's
    // own follow-up must not end it (a recording may be running).
    try {
      report(kCallbackName + current_exception_text());
    } catch (...) {
      OutputDebugStringW(L"NativeThemeRegistry: theme-changed callback failed\n");
    }
  }
}

void NativeThemeRegistry::report(std::wstring_view line) {
  std::wstring debug_line(line);
  debug_line += L'\n';
  OutputDebugStringW(debug_line.c_str());
  if (!reporter_) return;
  try {
    reporter_(line);
  } catch (...) {
    OutputDebugStringW(L"NativeThemeRegistry: the error reporter failed\n");
  }
}

void NativeThemeRegistry::sync_menu(RegisteredWindow& entry) {
  ThemedMenuBar* painter = entry.menu_painter;
  if (painter && is_live(entry.hwnd) && GetMenu(entry.hwnd) == painter->menu_bar()) {
    painter->make_owner_drawn();
  }
}

void NativeThemeRegistry::theme_child(RegisteredWindow& entry, HWND child) {
  if (entry.is_owner_drawn(child)) return;
  theme_child_control(child, theme());
}

void NativeThemeRegistry::retheme_entry(RegisteredWindow& entry) {
  const HWND window = entry.hwnd;
  if (entry.watch_only || !is_live(window)) return;
  std::erase_if(entry.child_marks, [window](const auto& mark) {
    return !IsWindow(mark.first) || !IsChild(window, mark.first);
  });
  apply_dwm_frame_theme(window, theme(), true);
  if (entry.menu_painter) entry.menu_painter->set_theme(theme());
  for (HWND child : descendant_windows(window)) theme_child(entry, child);
  RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
}

void NativeThemeRegistry::retheme_all() {
  // By handle: re-theming sends messages, and their handlers may register or
  // unregister windows.
  std::vector<HWND> windows;
  windows.reserve(entries_.size());
  for (const auto& entry : entries_) {
    if (!entry->watch_only) windows.push_back(entry->hwnd);
  }
  for (HWND window : windows) {
    if (RegisteredWindow* entry = find_entry(window)) retheme_entry(*entry);
  }
}

LRESULT CALLBACK NativeThemeRegistry::subclass_procedure(HWND window, UINT message,
                                                         WPARAM wparam, LPARAM lparam, UINT_PTR,
                                                         DWORD_PTR reference) {
  auto* entry = reinterpret_cast<RegisteredWindow*>(reference);
  if (!entry || !entry->registry) return default_subclass_proc(window, message, wparam, lparam);
  NativeThemeRegistry& registry = *entry->registry;
  return entry->watch_only ? registry.handle_watched(*entry, window, message, wparam, lparam)
                           : registry.handle_themed(*entry, window, message, wparam, lparam);
}

LRESULT NativeThemeRegistry::handle_watched(RegisteredWindow& entry, HWND window, UINT message,
                                            WPARAM wparam, LPARAM lparam) {
  const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    remove_entry(&entry);
  } else if (is_system_notification(message)) {
    try {
      on_system_notification();
    } catch (...) {
      try {
        report(kMessageName + current_exception_text());
      } catch (...) {
      }
    }
  }
  return result;
}

LRESULT NativeThemeRegistry::handle_themed(RegisteredWindow& entry, HWND window, UINT message,
                                           WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCDESTROY) {
    const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
    remove_entry(&entry);
    return result;
  }
  LRESULT result = 0;
  bool answered = false;
  try {
    answered = answer_themed(entry, window, message, wparam, lparam, result);
  } catch (...) {
    answered = false;
    try {
      report(kMessageName + current_exception_text());
    } catch (...) {
    }
  }
  if (answered) return result;
  result = default_subclass_proc(window, message, wparam, lparam);
  try {
    after_themed_default(entry, window, message, wparam, lparam);
  } catch (...) {
    try {
      report(kMessageName + current_exception_text());
    } catch (...) {
    }
  }
  return result;
}

bool NativeThemeRegistry::answer_themed(RegisteredWindow& entry, HWND window, UINT message,
                                        WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (message == WM_ERASEBKGND) {
    HDC dc = reinterpret_cast<HDC>(wparam);
    RECT client{};
    if (!dc || !GetClientRect(window, &client)) return false;
    const COLORREF previous = SetDCBrushColor(dc, theme().color(ThemeColor::window_background));
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, previous);
    result = 1;
    return true;
  }
  if (is_control_color_message(message)) {
    HDC dc = reinterpret_cast<HDC>(wparam);
    HWND child = reinterpret_cast<HWND>(lparam);
    if (!dc || entry.is_owner_drawn(child)) return false;
    result = reinterpret_cast<LRESULT>(
        apply_control_color_answer(dc, control_color_answer(message, child, theme())));
    return true;
  }
  if (message == WM_DRAWITEM) {
    const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    if (!draw) return false;
    bool drawn = draw_themed_combo_item(*draw);
    if (!drawn && entry.menu_painter) {
      drawn = entry.menu_painter->draw_themed_menu_item(*draw, window_dpi(window));
    }
    if (!drawn && draw->CtlType == ODT_BUTTON && !entry.is_owner_drawn(draw->hwndItem)) {
      drawn = draw_themed_button(*draw, window_text(draw->hwndItem), theme(),
                                 window_dpi(draw->hwndItem), push_button_style(draw->hwndItem));
    }
    result = drawn ? 1 : 0;
    return drawn;
  }
  if (message == WM_MEASUREITEM) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
    if (!measure || !entry.menu_painter ||
        !entry.menu_painter->measure_themed_menu_item(*measure, window_dpi(window))) {
      return false;
    }
    result = 1;
    return true;
  }
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    if (!header || header->code != static_cast<UINT>(NM_CUSTOMDRAW)) return false;
    HWND button = header->hwndFrom;
    if (!has_window_class(button, L"Button") || entry.is_owner_drawn(button)) return false;
    const auto& draw = *reinterpret_cast<const NMCUSTOMDRAW*>(lparam);
    if (is_push_button(button)) {
      result = draw_custom_push_button(draw, window_text(button), theme(), window_dpi(button),
                                       push_button_style(button));
      return true;
    }
    if (is_check_box(button)) {
      CheckBoxStyle style;
      style.font = window_font(button);
      style.box_size = 16;
      style.text_gap = 8;
      result = draw_custom_check_box(draw, window_text(button), theme(), window_dpi(button),
                                     style);
      return true;
    }
    return false;
  }
  return false;
}

void NativeThemeRegistry::after_themed_default(RegisteredWindow& entry, HWND window,
                                               UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      for (HWND child : descendant_windows(window)) {
        if (is_push_button(child) && !entry.is_owner_drawn(child)) round_push_button(child);
      }
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      // May end this entry: nothing may touch it afterwards.
      on_system_notification();
      break;
    case WM_PARENTNOTIFY:
      if (LOWORD(wparam) == WM_CREATE) theme_child(entry, reinterpret_cast<HWND>(lparam));
      break;
    case WM_DPICHANGED:
      retheme_entry(entry);
      break;
    case WM_NCPAINT:
    case WM_NCACTIVATE:
      // The system draws its line under the menu bar with every frame.
      if (entry.menu_painter) entry.menu_painter->paint_menu_bar_line();
      break;
    default:
      break;
  }
}

}  // namespace win32_ui
