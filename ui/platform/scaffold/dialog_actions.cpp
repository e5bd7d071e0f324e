#include "ui/platform/scaffold/dialog_actions.h"

#include <string>
#include <utility>

namespace win32_ui::scaffold {
namespace {

struct StandardButton {
  DialogResult result;
  std::wstring_view name;
};

std::vector<StandardButton> standard_buttons(int set) {
  switch (set) {
    case 1:
      return {{kDialogResultOk, L"ok"}, {kDialogResultCancel, L"cancel"}};
    case 2:
      return {{kDialogResultYes, L"yes"}, {kDialogResultNo, L"no"}};
    case 3:
      return {{kDialogResultYes, L"yes"}, {kDialogResultNo, L"no"}, {kDialogResultCancel, L"cancel"}};
    case 4:
      return {{kDialogResultRetry, L"retry"}, {kDialogResultCancel, L"cancel"}};
    case 5:
      return {{kDialogResultAbort, L"abort"},
              {kDialogResultRetry, L"retry"},
              {kDialogResultIgnore, L"ignore"}};
    case 6:
      return {{kDialogResultCancel, L"cancel"},
              {kDialogResultTryAgain, L"try_again"},
              {kDialogResultContinue, L"continue"}};
    default:
      return {{kDialogResultOk, L"ok"}};
  }
}

}  // namespace

std::vector<DialogAction> dialog_actions_for(int set) {
  std::vector<DialogAction> actions;
  for (const StandardButton& button : standard_buttons(set)) {
    actions.push_back({button.result, dialog_text_key(button.name), actions.empty()});
  }
  return actions;
}

modern::LocalizedText dialog_text_key(std::wstring_view name) {
  std::wstring key = L"scaffold.dialog.";
  key += name;
  return modern::LocalizedText::from_key(std::move(key), {});
}

}  // namespace win32_ui::scaffold
