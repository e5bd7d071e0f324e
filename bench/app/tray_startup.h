// Times a tray program's start as its user meets it: from CreateProcessW
// until its tray icon is visible (under Wine, Wine's stand-alone tray shows
// one more icon window; on Windows, the shell has a place for icon 1 of the
// program's window), then ends the program with the tray's Exit command
// (603) and waits until the program and its icon are gone, so the next run
// starts from the same state.
#pragma once

#include <optional>
#include <string>

namespace quorvel::bench {

struct TrayProgram {
  std::wstring path;
  std::wstring arguments;
  // The class of the program's window that owns its icon.
  std::wstring icon_window_class;
};

// Milliseconds to the visible icon; nothing (with the reason on stderr)
// when the program did not show its icon or did not end within its time.
std::optional<double> time_start_to_tray_icon(const TrayProgram& program);

}  // namespace quorvel::bench
