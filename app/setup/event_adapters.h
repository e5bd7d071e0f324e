// The small adapters the setup builders place between a control's event and
// the handler it reports to. Each holds a copy of one handler and the data
// it needs; an empty handler makes the adapter do nothing. The edits an
// adapter reads are owned by the tree that also owns the adapter. UI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ui/platform/hosting/win32_edit.h"
#include "ui/views/event.h"
#include "ui/views/key_event.h"
#include "ui/views/view.h"

namespace quorvel::windows {

// Drops the event and calls the handler.
win32_ui::modern::View::EventFunction invoke_adapter(std::function<void()> handler);
// Passes the event's input origin.
win32_ui::modern::View::EventFunction origin_adapter(
    std::function<void(win32_ui::modern::InputOrigin)> handler);
// Index 0 is false, 1 true; other indices are ignored.
std::function<void(int)> two_way_choice_adapter(std::function<void(bool)> handler);
// Index 0 is 30 FPS, 1 is 60 FPS; other indices are ignored.
std::function<void(int)> frame_rate_choice_adapter(std::function<void(unsigned)> handler);
// Levels 0 to 3 with the stored kbps text; other indices are ignored.
std::function<void(int)> quality_level_adapter(std::function<void(int, std::wstring)> handler,
                                               std::wstring stored_kbps);
// Passes typed text on unless the edit has no window or is read-only now.
std::function<void(std::wstring_view)> kbps_text_adapter(
    std::function<void(std::wstring_view)> handler, const win32_ui::modern::Win32Edit* edit);
// Marks every Enter handled; a first Enter press in a writable edit passes
// level 3 with the edit's text.
win32_ui::modern::View::KeyFunction kbps_enter_adapter(
    std::function<void(int, std::wstring)> handler, const win32_ui::modern::Win32Edit* edit);
// Marks every Enter handled; a first Enter press passes both size texts
// when the card was built for a custom size.
win32_ui::modern::View::KeyFunction size_enter_adapter(
    std::function<void(std::wstring, std::wstring)> handler,
    const win32_ui::modern::Win32Edit* width, const win32_ui::modern::Win32Edit* height,
    bool custom_size);
// Passes the row index fixed when the row was built.
std::function<void()> hotkey_row_adapter(std::function<void(std::uint64_t)> handler,
                                         std::uint64_t row);

}  // namespace quorvel::windows
