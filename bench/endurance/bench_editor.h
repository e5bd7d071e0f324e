// The product's screenshot editor behind the App's EditorPort, as the
// program makes it, except that keeping the canvas out of screen capture
// (SetWindowDisplayAffinity, which Wine refuses) is taken as done. UI
// thread only.
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

namespace quorvel::bench {

std::unique_ptr<windows::EditorPort> make_bench_editor(
    HINSTANCE instance, windows::DesktopSnapshot snapshot, POINT origin, std::wstring save_folder,
    win32_ui::NativeThemeRegistry& theme_registry, win32_ui::scaffold::Application& application,
    std::function<void()> on_closed);

}  // namespace quorvel::bench
