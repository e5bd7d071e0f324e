// One caption button of a custom title row: minimise, maximise-or-restore
// or close. A click posts the matching WM_SYSCOMMAND to the window, so the
// system does the work as for its own caption. Its text, which is also its
// accessible name, is a catalogue key resolved in the window's language.
// The maximise button also lights up from non-client hover, because over
// it the window answers HTMAXBUTTON (for the system's snap layouts) and the
// view sees no pointer. Owned by the title-bar grid. UI thread only.
#pragma once

#include <windows.h>

#include "ui/platform/hosting/chrome_metrics.h"
#include "ui/views/widgets/interactive.h"

namespace win32_ui::modern {

inline constexpr wchar_t kChromeMinimizeKey[] = L"scaffold.chrome.minimize";
inline constexpr wchar_t kChromeMaximizeKey[] = L"scaffold.chrome.maximize";
inline constexpr wchar_t kChromeCloseKey[] = L"scaffold.chrome.close";

// The WM_SYSCOMMAND command of an action for a window in the given state.
WPARAM caption_command(CaptionAction action, bool zoomed);

class ChromeCaptionButton final : public Interactive {
 public:
  ChromeCaptionButton(HWND window, CaptionAction action);
  ~ChromeCaptionButton() override;

  CaptionAction action() const { return action_; }
  bool non_client_hover() const { return non_client_hover_; }
  // Stores the flag and repaints on a change; true when it changed.
  bool set_non_client_hover(bool hover);

  void draw(DrawContext& context) override;

 private:
  void post_command() const;

  HWND window_;
  CaptionAction action_;
  bool non_client_hover_ = false;
};

}  // namespace win32_ui::modern
