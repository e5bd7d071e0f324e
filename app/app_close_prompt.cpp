// What closing the main window does: keep running in the tray, exit, or
// ask with a modal prompt that can remember the answer.
#include <memory>
#include <utility>
#include <vector>

#include "app/app.h"
#include "ui/platform/scaffold/dialog.h"
#include "ui/views/grid_panel.h"
#include "ui/views/widgets/check_box.h"
#include "ui/views/widgets/text.h"

namespace quorvel::windows {
namespace {

namespace layout = win32_ui::layout;
namespace modern = win32_ui::modern;
namespace scaffold = win32_ui::scaffold;

constexpr int kDontAskAgainId = 1;
constexpr int kBodyTextStyle = 2;

}  // namespace

bool App::handle_main_window_close() {
  switch (settings_.read_close_behavior()) {
    case MainWindowCloseBehavior::kKeepInTray:
      return true;
    case MainWindowCloseBehavior::kExit:
      exit_application();
      return false;
    default:
      break;
  }
  bool dont_ask_again = false;
  const scaffold::DialogResult answer = ask_close_behavior(dont_ask_again);
  if (answer == scaffold::kDialogResultYes) {
    if (dont_ask_again) settings_.write_close_behavior(MainWindowCloseBehavior::kKeepInTray);
    return true;
  }
  if (answer == scaffold::kDialogResultNo) {
    if (dont_ask_again) settings_.write_close_behavior(MainWindowCloseBehavior::kExit);
    exit_application();
  }
  return false;
}

scaffold::DialogResult App::ask_close_behavior(bool& dont_ask_again) {
  scaffold::DialogOptions options;
  options.title = modern::LocalizedText::from_key(L"window.close", {});
  const HWND main = main_window_ ? main_window_->window() : nullptr;
  options.owner = main != nullptr ? main : host_window_;
  options.width = 500.0f;
  options.height = 260.0f;
  options.min_width = 420.0f;
  options.min_height = 230.0f;
  options.zoom = 0.9f;
  options.default_result = scaffold::kDialogResultYes;
  options.close_result = scaffold::kDialogResultCancel;

  auto body = std::make_unique<modern::GridPanel>(
      std::vector<layout::GridLength>{layout::GridLength::star(1.0f)},
      std::vector<layout::GridLength>{layout::GridLength::star(1.0f),
                                      layout::GridLength::fixed(36.0f)},
      0.0f, 12.0f);
  body->add_child(std::make_unique<modern::Text>(
                      modern::LocalizedText::from_key(L"message.close_prompt", {}),
                      kBodyTextStyle, layout::Size{0.0f, 44.0f}),
                  layout::GridCell{0, 0, 1, 1});
  auto check_box = std::make_unique<modern::CheckBox>(
      kDontAskAgainId, localized_text(L"message.close_dont_ask_again"), false);
  check_box->on_checked_changed([&dont_ask_again](bool checked) { dont_ask_again = checked; });
  body->add_child(std::move(check_box), layout::GridCell{0, 1, 1, 1});

  std::vector<scaffold::DialogAction> actions = {
      {scaffold::kDialogResultYes, scaffold::dialog_text_key(L"yes"), true},
      {scaffold::kDialogResultNo, scaffold::dialog_text_key(L"no"), false},
      {scaffold::kDialogResultCancel, scaffold::dialog_text_key(L"cancel"), false},
  };
  scaffold::Dialog dialog(application_);
  return dialog.show_modal(options, std::move(body), std::move(actions));
}

}  // namespace quorvel::windows
