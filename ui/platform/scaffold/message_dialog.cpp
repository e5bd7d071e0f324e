#include "ui/platform/scaffold/message_dialog.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/platform/scaffold/application.h"
#include "ui/platform/scaffold/dialog.h"
#include "ui/views/grid_panel.h"
#include "ui/views/widgets/text.h"

namespace win32_ui::scaffold {
namespace {

using layout::GridCell;
using layout::GridLength;

constexpr int kHeadingTextStyle = 1;
constexpr int kBodyTextStyle = 2;
constexpr std::size_t kLineWeight = 48;

const wchar_t* icon_name(int icon) {
  switch (icon) {
    case kMessageIconWarning:
      return L"warning";
    case kMessageIconError:
      return L"error";
    case kMessageIconQuestion:
      return L"question";
    default:
      return L"information";
  }
}

// Wide (CJK and later) characters count twice against a 48-unit line.
std::size_t estimated_lines(std::wstring_view message) {
  std::size_t lines = 0;
  std::size_t weight = 0;
  auto close_line = [&] {
    lines += std::max<std::size_t>((weight + kLineWeight - 1) / kLineWeight, 1);
    weight = 0;
  };
  for (const wchar_t unit : message) {
    if (unit == L'\n') {
      close_line();
    } else {
      weight += unit > 0x2E7F ? 2 : 1;
    }
  }
  close_line();
  return lines;
}

float message_dialog_height(std::wstring_view message) {
  const float height = static_cast<float>(estimated_lines(message)) * 24.0f + 152.0f;
  return std::clamp(height, 204.0f, 540.0f);
}

DialogResult close_result_for(int buttons) {
  switch (buttons) {
    case 0:
      return kDialogResultOk;
    case 2:
      return kDialogResultNo;
    case 5:
      return kDialogResultAbort;
    default:
      return kDialogResultCancel;
  }
}

std::unique_ptr<modern::View> message_body(const MessageDialogOptions& options) {
  auto body = std::make_unique<modern::GridPanel>(
      std::vector<GridLength>{GridLength::star()},
      std::vector<GridLength>{GridLength::fixed(30.0f), GridLength::star()}, 0.0f, 8.0f);
  body->add_child(std::make_unique<modern::Text>(dialog_text_key(icon_name(options.icon)),
                                                 kHeadingTextStyle, layout::Size{0.0f, 32.0f}),
                  GridCell{0, 0, 1, 1});
  body->add_child(std::make_unique<modern::Text>(options.message, kBodyTextStyle,
                                                 layout::Size{0.0f, 32.0f}),
                  GridCell{0, 1, 1, 1});
  return body;
}

int button_set_for_flags(unsigned flags) {
  switch (flags & 0xFu) {
    case MB_OKCANCEL:
      return 1;
    case MB_ABORTRETRYIGNORE:
      return 5;
    case MB_YESNOCANCEL:
      return 3;
    case MB_YESNO:
      return 2;
    case MB_RETRYCANCEL:
      return 4;
    case MB_CANCELTRYCONTINUE:
      return 6;
    default:
      return 0;
  }
}

int icon_for_flags(unsigned flags) {
  switch (flags & 0xF0u) {
    case MB_ICONERROR:
      return kMessageIconError;
    case MB_ICONQUESTION:
      return kMessageIconQuestion;
    case MB_ICONWARNING:
      return kMessageIconWarning;
    default:
      return kMessageIconInformation;
  }
}

}  // namespace

DialogResult show_message_dialog(Application& application, const MessageDialogOptions& options) {
  std::vector<DialogAction> actions = dialog_actions_for(options.buttons);
  const DialogResult default_result =
      options.default_result != kDialogResultNone ? options.default_result : actions.front().result;
  for (DialogAction& action : actions) action.is_default = action.result == default_result;

  DialogOptions dialog;
  dialog.title = options.title;
  dialog.owner = options.owner;
  dialog.width = 440.0f;
  dialog.height = message_dialog_height(application.localize(options.message));
  dialog.min_width = 320.0f;
  dialog.min_height = 160.0f;
  dialog.zoom = options.zoom;
  dialog.default_result = default_result;
  dialog.close_result = close_result_for(options.buttons);

  Dialog runner(application);
  return runner.show_modal(dialog, message_body(options), std::move(actions));
}

DialogResult message_box(Application& application, HWND owner, std::wstring_view text,
                         std::wstring_view caption, unsigned flags) {
  MessageDialogOptions options;
  options.title = modern::LocalizedText::from_text(std::wstring(caption));
  options.message = modern::LocalizedText::from_text(std::wstring(text));
  options.owner = owner;
  options.icon = icon_for_flags(flags);
  options.buttons = button_set_for_flags(flags);
  options.zoom = 1.0f;
  const std::vector<DialogAction> actions = dialog_actions_for(options.buttons);
  const std::size_t wanted = (flags >> 8) & 0xFu;
  options.default_result = actions[std::min(wanted, actions.size() - 1)].result;
  return show_message_dialog(application, options);
}

}  // namespace win32_ui::scaffold
