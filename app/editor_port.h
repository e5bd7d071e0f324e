// What the application asks of an open screenshot editor. The product's
// editor and the tests' fake both implement it; the App owns the one editor
// while it exists. UI thread only.
#pragma once

#include <windows.h>

#include <functional>

#include "engine/desktop_snapshot.h"
#include "ui/platform/theme/theme.h"

namespace quorvel::windows {

class EditorPort {
 public:
  // Takes the editor's image when the editor asks for it.
  using CaptureCallback = std::function<HRESULT(DesktopSnapshot& snapshot)>;

  virtual ~EditorPort() = default;

  // Shows the canvas over `screen_rect`; false when already open, for an
  // empty rectangle or callback, or when the canvas cannot be made.
  virtual bool open(const RECT& screen_rect, CaptureCallback capture) = 0;

  // The editor's canvas exists.
  virtual bool is_open() const = 0;
  // Shows the canvas and toolbar topmost and activates the canvas.
  virtual void bring_to_front() = 0;
  virtual void set_theme(const win32_ui::Theme& theme) = 0;
};

}  // namespace quorvel::windows
