// TooltipWindow owns a surface's native tooltip control and the tools
// registered with it: one tool per view, keyed by the view's address (an id
// only, never dereferenced), with its rectangle in client pixels and its
// text. sync() makes the registered tools equal the wanted ones with the
// fewest messages; the window is made for the first tool and destroyed with
// the last.
//
// Owned by the Surface's Impl; the window is owned by the surface window
// and dies with it. UI thread only.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

namespace win32_ui::modern {

class View;

class TooltipWindow {
 public:
  struct Tool {
    RECT rect{};
    std::wstring text;
  };
  using Tools = std::map<const View*, Tool>;

  TooltipWindow() = default;
  ~TooltipWindow() { destroy(); }
  TooltipWindow(const TooltipWindow&) = delete;
  TooltipWindow& operator=(const TooltipWindow&) = delete;

  // Registers `wanted` under `owner`, which must be a window; no tool
  // destroys the tooltip window. A window that cannot be made leaves
  // nothing registered until the next sync.
  void sync(HWND owner, Tools wanted, int max_width_px);
  // Destroys the window (when it still exists) and forgets the tools.
  void destroy();

  HWND hwnd() const { return hwnd_; }
  const Tools& tools() const { return tools_; }

 private:
  bool create(HWND owner, int max_width_px);
  // Forgets a window that was destroyed behind our back (with its owner).
  void forget_if_gone();
  TOOLINFOW tool_info(HWND owner, const View* view, const Tool& tool) const;

  HWND hwnd_ = nullptr;
  Tools tools_;
};

}  // namespace win32_ui::modern
