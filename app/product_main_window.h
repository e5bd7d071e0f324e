// The product's main window behind the App's MainWindowPort: the recording
// setup windows of ModernRecordingPreview, handed the App's callbacks. Made
// by the program's platform record; owned by the App; UI thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "app/main_window_port.h"

namespace win32_ui::scaffold {
class Application;
}

namespace quorvel::windows {

// Makes the setup windows' object; no window exists until the first show.
std::unique_ptr<MainWindowPort> make_product_main_window(
    HINSTANCE instance, HWND owner, win32_ui::scaffold::Application& application);

}  // namespace quorvel::windows
