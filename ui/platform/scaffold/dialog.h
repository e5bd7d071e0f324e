// The toolkit's modal dialog: a toolkit Window showing a caller's body view
// above a right-aligned row of buttons. While it runs it disables its owner
// and runs its own message loop, which keeps every window of the thread
// going; it returns the result of the button (or key, or close) that ended
// it. Escape and the close box end it with the close result; Enter with the
// default result when there is one.
//
// One object runs at most one modal run at a time; nested runs of other
// Dialog objects are fine, and a WM_QUIT seen by a dialog's loop is passed
// on to the loop outside. UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "ui/platform/localized_text.h"
#include "ui/platform/scaffold/dialog_actions.h"
#include "ui/platform/scaffold/window.h"
#include "ui/views/view.h"

namespace win32_ui::scaffold {

class Application;
class ModalOwner;

// The first button's control id; button i has kDialogButtonId + i.
inline constexpr int kDialogButtonId = 0xD100;

struct DialogOptions {
  modern::LocalizedText title;
  HWND owner = nullptr;
  // Client sizes, DIP.
  float width = 440.0f;
  float height = 200.0f;
  float min_width = 320.0f;
  float min_height = 160.0f;
  float zoom = 1.0f;
  // What Enter closes with; 0 leaves Enter to the focused button.
  DialogResult default_result = kDialogResultNone;
  // What closing without a button gives.
  DialogResult close_result = kDialogResultCancel;
};

class Dialog {
 public:
  explicit Dialog(Application& application);
  ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Shows the dialog and runs it until its window is gone. Returns 0 without
  // showing anything when the dialog is already open, the body is null,
  // there are no actions or the window cannot be created. An exception from
  // a handler destroys the window, restores the owner and propagates.
  DialogResult show_modal(const DialogOptions& options, std::unique_ptr<modern::View> body,
                          std::vector<DialogAction> actions);
  // Runs once after the window is shown, before the loop starts.
  Dialog& on_shown(std::function<void(Dialog&)> callback);
  // When the window is open: stores the result and posts WM_CLOSE.
  void close_with_result(DialogResult result);

  DialogResult result() const { return result_; }
  Window& window() { return window_; }

 private:
  std::unique_ptr<modern::View> build_content(const DialogOptions& options,
                                              std::unique_ptr<modern::View> body,
                                              const std::vector<DialogAction>& actions,
                                              modern::View*& focus);
  void run_loop();
  void finish(ModalOwner& owner);

  Window window_;
  DialogResult result_ = kDialogResultNone;
  std::function<void(Dialog&)> on_shown_;
  ModalOwner* running_owner_ = nullptr;
};

}  // namespace win32_ui::scaffold
