#include "app/setup/event_adapters.h"

#include <windows.h>

#include <utility>

#include "ui/views/key_codes.h"

namespace quorvel::windows {
namespace {

using win32_ui::modern::KeyEvent;
using win32_ui::modern::Win32Edit;

bool edit_is_writable(const Win32Edit* edit) {
  if (edit == nullptr) return false;
  HWND window = edit->hwnd();
  if (window == nullptr || IsWindow(window) == FALSE) return false;
  return (GetWindowLongW(window, GWL_STYLE) & ES_READONLY) == 0;
}

// Marks an Enter key handled so that neither the edit nor the window acts
// on it; true for a first press, the only one that commits.
bool take_enter(KeyEvent& event) {
  if (event.key != win32_ui::modern::kKeyEnter) return false;
  event.handled = true;
  event.default_prevented = true;
  return event.kind == KeyEvent::kDown && !event.repeat;
}

}  // namespace

win32_ui::modern::View::EventFunction invoke_adapter(std::function<void()> handler) {
  return [handler = std::move(handler)](win32_ui::modern::Event&) {
    if (handler) handler();
  };
}

win32_ui::modern::View::EventFunction origin_adapter(
    std::function<void(win32_ui::modern::InputOrigin)> handler) {
  return [handler = std::move(handler)](win32_ui::modern::Event& event) {
    if (handler) handler(event.origin);
  };
}

std::function<void(int)> two_way_choice_adapter(std::function<void(bool)> handler) {
  return [handler = std::move(handler)](int index) {
    if ((index == 0 || index == 1) && handler) handler(index == 1);
  };
}

std::function<void(int)> frame_rate_choice_adapter(std::function<void(unsigned)> handler) {
  return [handler = std::move(handler)](int index) {
    if ((index == 0 || index == 1) && handler) handler(index == 0 ? 30u : 60u);
  };
}

std::function<void(int)> quality_level_adapter(std::function<void(int, std::wstring)> handler,
                                               std::wstring stored_kbps) {
  return [handler = std::move(handler), stored_kbps = std::move(stored_kbps)](int index) {
    if (index >= 0 && index <= 3 && handler) handler(index, stored_kbps);
  };
}

std::function<void(std::wstring_view)> kbps_text_adapter(
    std::function<void(std::wstring_view)> handler, const Win32Edit* edit) {
  return [handler = std::move(handler), edit](std::wstring_view text) {
    if (handler && edit_is_writable(edit)) handler(text);
  };
}

win32_ui::modern::View::KeyFunction kbps_enter_adapter(
    std::function<void(int, std::wstring)> handler, const Win32Edit* edit) {
  return [handler = std::move(handler), edit](KeyEvent& event) {
    if (!take_enter(event)) return;
    if (handler && edit_is_writable(edit)) handler(3, edit->window_text());
  };
}

win32_ui::modern::View::KeyFunction size_enter_adapter(
    std::function<void(std::wstring, std::wstring)> handler, const Win32Edit* width,
    const Win32Edit* height, bool custom_size) {
  return [handler = std::move(handler), width, height, custom_size](KeyEvent& event) {
    if (!take_enter(event)) return;
    if (custom_size && handler && width != nullptr && height != nullptr) {
      handler(width->window_text(), height->window_text());
    }
  };
}

std::function<void()> hotkey_row_adapter(std::function<void(std::uint64_t)> handler,
                                         std::uint64_t row) {
  return [handler = std::move(handler), row] {
    if (handler) handler(row);
  };
}

}  // namespace quorvel::windows
