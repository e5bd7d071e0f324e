// The program's entry: the single-instance rule, the wake-up of a running
// instance, COM, the App's run and the start-up failure box. Called once by
// wWinMain on the process's main thread.
#pragma once

#include <windows.h>

#include <string_view>

#include "app/app_platform.h"

namespace quorvel::windows {

inline constexpr wchar_t kSingleInstanceMutex[] = L"Local\\Quorvel.SingleInstance";

// The command line asks to start hidden in the tray: "--tray" anywhere in
// it, even inside another word.
bool has_tray_switch(std::wstring_view command_line);

// The process exit code: 0 for a second instance, the quit code of a normal
// run, 1 after a start-up failure.
int run_quorvel(HINSTANCE instance, std::wstring_view command_line, int show_command,
                AppPlatform platform);

}  // namespace quorvel::windows
