// The window host as the toolkit's windows, dialogs and hosted controls see
// it: its metrics and a way to move the keyboard focus to a view. The
// toolkit's one implementation is modern::WindowHost. UI thread only.
#pragma once

#include "ui/platform/hosting/host_metrics.h"

namespace win32_ui::modern {
class View;
}

namespace win32_ui::platform {

class WindowHost {
 public:
  virtual ~WindowHost() = default;
  virtual HostMetrics metrics() const = 0;
  // A hosted native control takes the focus itself, anything else through
  // the host window.
  virtual void focus_view(modern::View* view) = 0;
};

}  // namespace win32_ui::platform
