// What every secondary setup window does with itself after creation: its
// body (the setup background under the content), its icons and its theme.
// UI thread.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/platform/scaffold/window.h"
#include "ui/platform/theme/dwm_attributes.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/view.h"

namespace quorvel::windows {

// The zoom of every setup window's content.
inline constexpr float kSetupZoom = 0.9f;

// A secondary setup window: captioned with a system menu, owned by `owner`,
// `size` DIP of client, as narrow as `minimum_width` but never lower, zoomed
// as the setup windows are and in the custom frame where it can be had.
win32_ui::scaffold::WindowOptions secondary_window_options(std::wstring text, HINSTANCE instance,
                                                           HWND owner,
                                                           win32_ui::modern::ClientSize size,
                                                           float minimum_width);

// The content above the setup background, as the window's content.
void install_window_body(win32_ui::scaffold::Window& window,
                         std::unique_ptr<win32_ui::modern::View> content);

// Icon resource 1 at the system's large and small icon sizes; an icon that
// does not load is skipped. Nothing for a null window.
void set_window_icons(HWND window, HINSTANCE instance);

// For an open window: the theme on its host, in the dark theme with the
// body colour as window colour, and the matching border colour.
void apply_window_theme(win32_ui::scaffold::Window& window, const win32_ui::Theme& theme,
                        win32_ui::DwmAttributes& dwm = win32_ui::windows_dwm_attributes());

// The border colour of the main window: the theme's border colour.
void set_border_color(HWND window, const win32_ui::Theme& theme,
                      win32_ui::DwmAttributes& dwm = win32_ui::windows_dwm_attributes());

}  // namespace quorvel::windows
