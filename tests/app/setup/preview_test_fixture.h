// The setup window manager's test fixture: a real Application with the
// product catalogue, a hidden message window, the manager and a fake shell,
// and real input for the main and detail windows.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/common/text_catalog.h"
#include "app/setup/modern_recording_preview.h"
#include "engine/com_apartment.h"
#include "tests/app/setup/fake_setup_shell.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/views/widgets/widget.h"

namespace quorvel::windows::test {

using Calls = std::vector<std::string>;
using win32_ui::modern::Widget;
using win32_ui::ui::graphics::test::DibTarget;

inline constexpr int kTitleTextId = 20816;
inline constexpr LPARAM kRepeatBit = LPARAM{1} << 30;

inline std::wstring window_text(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(),
                                                      static_cast<int>(text.size()))));
  return text;
}

inline void pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

inline RecordingSetupState sample_state() {
  RecordingSetupState state;
  state.monitor_name = L"\\\\.\\DISPLAY1";
  state.monitor_width = 1920;
  state.monitor_height = 1080;
  state.presets = {{L"1920 \u00D7 1080", 1920, 1080}, {L"Custom", 0, 0}};
  state.preset_index = 0;
  state.custom_size = false;
  state.output_folder = L"C:\\Users\\me\\Videos";
  state.microphones = {L"Default", L"USB mic", L"Headset"};
  state.toggles = {true, true, true, false, false, false, false, false};
  state.record_enabled = true;
  return state;
}

class PreviewFixture : public ::testing::Test {
 protected:
  PreviewFixture() {
    application.set_resource_bundle(text_catalog_bundle());
    application.set_language(L"en-US");
    message_window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
    preview = std::make_unique<ModernRecordingPreview>(GetModuleHandleW(nullptr),
                                                       message_window, application);
    shell.state = sample_state();
  }
  ~PreviewFixture() override {
    preview.reset();
    pump();
    DestroyWindow(message_window);
  }

  // As the shell shows the main window the first time.
  void open(bool with_close = true, bool with_settings_action = true) {
    shell.install(*preview, with_close, with_settings_action);
    shell.push(*preview);
    ASSERT_TRUE(preview->show());
    pump();
    shell.take();
  }
  HWND main() const { return preview->main_window(); }
  win32_ui::modern::Surface& main_surface() { return host_of_main().surface(); }
  win32_ui::modern::WindowHost& host_of_main() {
    // The main window's host is reached through the window list.
    for (auto* window : application.windows()) {
      if (window->hwnd() == main()) return window->host();
    }
    ADD_FAILURE() << "no main window";
    return application.windows().front()->host();
  }
  Widget* title_text() { return main_surface().find_widget(kTitleTextId); }

  // A left click at the centre of the widget with `id` of `host`'s window.
  void click(win32_ui::modern::WindowHost& host, int id) {
    Widget* widget = host.surface().find_widget(id);
    ASSERT_NE(widget, nullptr) << id;
    const auto bounds = widget->bounds_in_root();
    const float zoom = host.surface().zoom();
    const LPARAM at = MAKELPARAM(static_cast<int>((bounds.x + bounds.width / 2) * zoom),
                                 static_cast<int>((bounds.y + bounds.height / 2) * zoom));
    SendMessageW(host.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(host.hwnd(), WM_LBUTTONUP, 0, at);
  }
  void click_main(int id) { click(host_of_main(), id); }

  void press_ctrl_r(bool repeat) {
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    keys[VK_LCONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(main(), WM_KEYDOWN, 'R', 1 | (repeat ? kRepeatBit : 0));
    SendMessageW(main(), WM_KEYUP, 'R', 1 | (LPARAM{3} << 30));
    BYTE none[256] = {};
    SetKeyboardState(none);
  }

  void key_to(HWND window, WPARAM key) {
    SendMessageW(window, WM_KEYDOWN, key, 1);
    SendMessageW(window, WM_KEYUP, key, 1 | (LPARAM{3} << 30));
  }

  void open_picture_window() {
    click_main(20800);
    pump();
    ASSERT_TRUE(preview->picture_window().is_open());
  }
  void open_sound_window() {
    click_main(20801);
    pump();
    ASSERT_TRUE(preview->sound_window().is_open());
  }
  void open_recording_window() {
    click_main(20802);
    pump();
    ASSERT_TRUE(preview->recording_window().is_open());
  }
  // The detail window's native child `id`.
  HWND child(win32_ui::scaffold::Window& window, int id) { return GetDlgItem(window.hwnd(), id); }

  void save_png(HWND window, const std::string& name) {
    RECT client{};
    GetClientRect(window, &client);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DibTarget shown(client.right, client.bottom);
    HDC dc = GetDC(window);
    BitBlt(shown.dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    shown.save_png_if_asked(name);
  }

  // A UI thread of the program runs in a single-threaded apartment; the
  // header's pictures are decoded through COM.
  const ComApartment apartment{COINIT_APARTMENTTHREADED};
  win32_ui::scaffold::Application application{win32_ui::kThemeModeLight,
                                              win32_ui::kDefaultAccent};
  HWND message_window = nullptr;
  FakeSetupShell shell;
  std::unique_ptr<ModernRecordingPreview> preview;
};

}  // namespace quorvel::windows::test
