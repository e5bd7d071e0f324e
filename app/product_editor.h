// The product's screenshot editor behind the App's EditorPort. Made by the
// program's platform record; owned by the App; UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/editor_port.h"
#include "engine/desktop_snapshot.h"

namespace win32_ui {
class NativeThemeRegistry;
}
namespace win32_ui::scaffold {
class Application;
}

namespace quorvel::windows {

// Makes an editor, not yet shown, for a snapshot whose top-left corner is at
// `origin`; `on_closed` runs when its canvas is destroyed.
std::unique_ptr<EditorPort> make_product_editor(
    HINSTANCE instance, DesktopSnapshot snapshot, POINT origin, std::wstring save_folder,
    win32_ui::NativeThemeRegistry& theme_registry, win32_ui::scaffold::Application& application,
    std::function<void()> on_closed);

}  // namespace quorvel::windows
