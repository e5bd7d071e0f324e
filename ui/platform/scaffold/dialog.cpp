#include "ui/platform/scaffold/dialog.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "ui/platform/scaffold/application.h"
#include "ui/platform/scaffold/modal_owner.h"
#include "ui/views/grid_panel.h"
#include "ui/views/key_codes.h"
#include "ui/views/widgets/button.h"

namespace win32_ui::scaffold {
namespace {

using layout::GridCell;
using layout::GridLength;

constexpr DWORD kDialogStyle = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
constexpr float kButtonWidth = 96.0f;
constexpr float kButtonHeight = 40.0f;

HICON owner_icon(HWND owner) {
  if (owner == nullptr || !IsWindow(owner)) return nullptr;
  if (auto icon = reinterpret_cast<HICON>(SendMessageW(owner, WM_GETICON, ICON_SMALL, 0))) {
    return icon;
  }
  if (auto icon = reinterpret_cast<HICON>(SendMessageW(owner, WM_GETICON, ICON_BIG, 0))) {
    return icon;
  }
  if (auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(owner, GCLP_HICONSM))) return icon;
  return reinterpret_cast<HICON>(GetClassLongPtrW(owner, GCLP_HICON));
}

WindowOptions window_options(const DialogOptions& options, HWND visible_owner,
                             std::size_t action_count) {
  WindowOptions window;
  window.title = options.title;
  window.owner = visible_owner;
  window.center_on = options.owner;
  window.style = kDialogStyle;
  window.icon = owner_icon(options.owner);
  const float minimum_width =
      std::max(static_cast<float>(action_count) * 104.0f + 48.0f, options.min_width);
  window.minimum_size = {minimum_width, options.min_height};
  window.preferred_size = {std::max(minimum_width, options.width), options.height};
  window.margin = 24.0f;
  window.zoom = options.zoom;
  window.chrome_mode = 0;
  window.center = true;
  return window;
}

}  // namespace

Dialog::Dialog(Application& application) : window_(application) {}

Dialog::~Dialog() {
  window_.destroy();
  on_shown_ = nullptr;
}

Dialog& Dialog::on_shown(std::function<void(Dialog&)> callback) {
  on_shown_ = std::move(callback);
  return *this;
}

void Dialog::close_with_result(DialogResult result) {
  if (!window_.is_open()) return;
  result_ = result;
  PostMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
}

DialogResult Dialog::show_modal(const DialogOptions& options, std::unique_ptr<modern::View> body,
                                std::vector<DialogAction> actions) {
  if (window_.is_open() || body == nullptr || actions.empty()) return kDialogResultNone;
  result_ = options.close_result;
  ModalOwner owner(options.owner);
  if (!window_.create(window_options(options, owner.visible_owner(), actions.size()))) {
    return kDialogResultNone;
  }
  window_.on_close_requested([this] {
    // Before the window goes, so that the activation returns to the owner.
    if (running_owner_ != nullptr) running_owner_->enable();
    return CloseAction::close;
  });
  modern::View* focus = nullptr;
  window_.set_content(build_content(options, std::move(body), actions, focus));
  running_owner_ = &owner;
  owner.disable();
  try {
    window_.show(SW_SHOWNORMAL);
    if (focus != nullptr) window_.host().surface().request_focus(focus, modern::kFocusProgrammatic);
    if (on_shown_) {
      const std::function<void(Dialog&)> shown = on_shown_;
      shown(*this);
    }
    run_loop();
  } catch (...) {
    finish(owner);
    throw;
  }
  finish(owner);
  return result_;
}

void Dialog::finish(ModalOwner& owner) {
  running_owner_ = nullptr;
  owner.enable();
  window_.destroy();
  owner.activate();
}

void Dialog::run_loop() {
  MSG message{};
  while (window_.is_open()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (got == -1) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::unique_ptr<modern::View> Dialog::build_content(const DialogOptions& options,
                                                    std::unique_ptr<modern::View> body,
                                                    const std::vector<DialogAction>& actions,
                                                    modern::View*& focus) {
  auto root = std::make_unique<modern::GridPanel>(
      std::vector<GridLength>{GridLength::star()},
      std::vector<GridLength>{GridLength::star(), GridLength::fixed(44.0f)}, 0.0f, 14.0f,
      layout::Thickness{20.0f, 20.0f, 20.0f, 20.0f});
  root->add_child(std::move(body), GridCell{0, 0, 1, 1});

  std::vector<GridLength> columns{GridLength::star()};
  columns.insert(columns.end(), actions.size(), GridLength::fixed(kButtonWidth));
  auto row = std::make_unique<modern::GridPanel>(std::move(columns),
                                                 std::vector<GridLength>{GridLength::star()}, 8.0f);
  modern::View* first_default = nullptr;
  modern::View* default_result_button = nullptr;
  for (std::size_t i = 0; i < actions.size(); ++i) {
    const DialogAction& action = actions[i];
    auto button = std::make_unique<modern::Button>(kDialogButtonId + static_cast<int>(i),
                                                   std::wstring(), 0);
    button->set_localized_text(action.label);
    button->set_primary(action.is_default);
    layout::LayoutParams params;
    params.height = kButtonHeight;
    params.has_height = true;
    params.vertical_alignment = layout::kAlignCenter;
    button->set_layout_params(params);
    const DialogResult result = action.result;
    button->on_invoked([this, result] {
      if (!window_.is_open()) return;
      result_ = result;
      PostMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
    });
    modern::View* placed =
        row->add_child(std::move(button), GridCell{static_cast<std::uint64_t>(i + 1), 0, 1, 1});
    if (result == options.default_result) default_result_button = placed;
    if (action.is_default && first_default == nullptr) first_default = placed;
  }
  focus = default_result_button != nullptr ? default_result_button : first_default;
  root->add_child(std::move(row), GridCell{0, 1, 1, 1});

  const DialogResult default_result = options.default_result;
  const DialogResult close_result = options.close_result;
  root->add_key_preview_handler([this, default_result, close_result](modern::KeyEvent& key) {
    if (key.kind != modern::KeyEvent::kDown) return;
    if (key.key == modern::kKeyEscape) {
      if (window_.is_open()) {
        result_ = close_result;
        PostMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
      }
      key.handled = true;
    } else if (key.key == modern::kKeyEnter && default_result != kDialogResultNone) {
      close_with_result(default_result);
      key.handled = true;
    }
  });
  return root;
}

}  // namespace win32_ui::scaffold
