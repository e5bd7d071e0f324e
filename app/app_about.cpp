// The help menu's windows: About, the help message and the account dialog.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "account/ui/account_dialog.h"
#include "account/utf16_text.h"
#include "app/app.h"
#include "app/common/hotkey_text.h"
#include "quorvel/version.h"
#include "ui/platform/scaffold/dialog.h"
#include "ui/views/grid_panel.h"
#include "ui/views/surface_fonts.h"
#include "ui/views/widgets/text.h"

namespace quorvel::windows {
namespace {

namespace layout = win32_ui::layout;
namespace modern = win32_ui::modern;
namespace scaffold = win32_ui::scaffold;

constexpr int kHeadingStyle = 1;
constexpr int kBodyStyle = 2;
constexpr int kCaptionStyle = 3;

// The dialog's usual client size and its fixed rows, in DIP. The dialog
// pads its body by 20 on every side and keeps 14 + 44 below it for the
// button row; the body's fixed rows and gaps take 38 + 28 + 26 + 3 x 4.
constexpr float kAboutWidth = 440.0f;
constexpr float kAboutHeight = 230.0f;
constexpr float kBodyWidth = kAboutWidth - 2 * 20.0f;
constexpr float kHeightBesideDescription = 2 * 20.0f + 14.0f + 44.0f + 38.0f + 28.0f + 26.0f + 12.0f;
// Body text wraps only in a box at least this tall.
constexpr float kWrappingTextHeight = 44.0f;

// The height in DIP of `text` word-wrapped within `width` DIP in the body
// font the dialog's surface makes at `dpi`; 0 when it cannot be measured.
float wrapped_body_height(const std::wstring& text, float width, UINT dpi) {
  modern::SurfaceFonts fonts;
  fonts.create(static_cast<float>(dpi), 1.0f);
  HFONT font = fonts.font(static_cast<std::uint32_t>(kBodyStyle + 1));
  HDC dc = CreateCompatibleDC(nullptr);
  if (font == nullptr || dc == nullptr) {
    if (dc != nullptr) DeleteDC(dc);
    return 0.0f;
  }
  const HGDIOBJ previous = SelectObject(dc, font);
  const float scale = static_cast<float>(dpi) / 96.0f;
  RECT rect{0, 0, static_cast<LONG>(std::floor(width * scale)), 0};
  const int height = DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
                               DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, previous);
  DeleteDC(dc);
  return height > 0 ? std::ceil(static_cast<float>(rect.bottom) / scale) : 0.0f;
}

// The dialog's client height: the usual one, grown as far as the
// description needs to show every wrapped line in the current language.
float about_height(const std::wstring& description, HWND owner) {
  UINT dpi = owner != nullptr ? GetDpiForWindow(owner) : 0;
  if (dpi == 0) dpi = GetDpiForSystem();
  if (dpi == 0) dpi = 96;
  const float description_height =
      std::max(kWrappingTextHeight, wrapped_body_height(description, kBodyWidth, dpi));
  return std::max(kAboutHeight, kHeightBesideDescription + description_height);
}

std::unique_ptr<modern::View> about_line(modern::LocalizedText text, int style) {
  return std::make_unique<modern::Text>(std::move(text), style, layout::Size{0.0f, 0.0f});
}

std::unique_ptr<modern::View> about_body() {
  auto grid = std::make_unique<modern::GridPanel>(
      std::vector<layout::GridLength>{layout::GridLength::star(1.0f)},
      std::vector<layout::GridLength>{layout::GridLength::fixed(38.0f),
                                      layout::GridLength::fixed(28.0f),
                                      layout::GridLength::star(1.0f),
                                      layout::GridLength::fixed(26.0f)},
      0.0f, 4.0f);
  grid->add_child(about_line(modern::LocalizedText::from_text(L"Quorvel"), kHeadingStyle),
                  layout::GridCell{0, 0, 1, 1});
  grid->add_child(
      about_line(modern::LocalizedText::from_key(
                     L"about.version", {halvarin::sdk::utf8_to_wide(kProgramVersion)}),
                 kBodyStyle),
      layout::GridCell{0, 1, 1, 1});
  grid->add_child(about_line(modern::LocalizedText::from_key(L"about.description", {}),
                             kBodyStyle),
                  layout::GridCell{0, 2, 1, 1});
  grid->add_child(about_line(modern::LocalizedText::from_key(L"about.copyright", {}),
                             kCaptionStyle),
                  layout::GridCell{0, 3, 1, 1});
  return grid;
}

void set_program_icon(HINSTANCE instance, HWND window, WPARAM size, int width_metric,
                      int height_metric) {
  const HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                 GetSystemMetrics(width_metric), GetSystemMetrics(height_metric),
                                 LR_SHARED);
  if (icon != nullptr) SendMessageW(window, WM_SETICON, size, reinterpret_cast<LPARAM>(icon));
}

}  // namespace

void App::show_about_dialog() {
  if (host_window_ == nullptr || about_window_ != nullptr) return;
  const HWND owner = dialog_owner();
  // Neither a screenshot nor a quick record may start underneath the dialog.
  unregister_idle_hotkeys();
  if (overlay_window_ != nullptr) ShowWindow(overlay_window_, SW_HIDE);

  scaffold::DialogOptions options;
  options.title = modern::LocalizedText::from_key(L"window.about", {});
  options.owner = owner;
  options.width = kAboutWidth;
  options.height = about_height(localized_text(L"about.description"), owner);
  options.min_width = 320.0f;
  options.min_height = 160.0f;
  options.zoom = 1.0f;
  options.default_result = scaffold::kDialogResultOk;
  options.close_result = scaffold::kDialogResultOk;
  std::vector<scaffold::DialogAction> actions = {
      {scaffold::kDialogResultOk, scaffold::dialog_text_key(L"ok"), true}};

  scaffold::Dialog dialog(application_);
  dialog.on_shown([this](scaffold::Dialog& shown) {
    about_window_ = shown.window().hwnd();
    set_program_icon(instance_, about_window_, ICON_BIG, SM_CXICON, SM_CYICON);
    set_program_icon(instance_, about_window_, ICON_SMALL, SM_CXSMICON, SM_CYSMICON);
  });
  dialog.show_modal(options, about_body(), std::move(actions));

  about_window_ = nullptr;
  register_idle_hotkeys();
  if (region_ready_ && overlay_window_ != nullptr) ShowWindow(overlay_window_, SW_SHOWNOACTIVATE);
  if (owner != nullptr && IsWindow(owner)) SetForegroundWindow(owner);
}

void App::show_help_dialog(HWND owner) {
  const std::wstring text = localized_text(
      L"message.help",
      {hotkey_text(hotkeys_[static_cast<std::size_t>(HotkeyAction::kScreenshot)])});
  show_text_message(owner, text, localized_text(L"window.help"), MB_OK | MB_ICONINFORMATION);
}

void App::show_platform_account() {
  const bool chinese = application_.language() == L"zh-CN";
  halvarin::sdk::AccountOperations operations;
  // The dialog runs the sign-in on its own worker thread; the account
  // service is safe to call from there.
  operations.sign_in = [account = account_.get(), chinese](std::stop_token stop_token) {
    return account->sign_in(std::move(stop_token), chinese ? "zh-CN" : "en-US");
  };
  operations.disconnect = [account = account_.get()] { return account->disconnect(); };
  operations.open_account_details = [account = account_.get()] {
    return account->open_account_page();
  };
  const auto language =
      chinese ? halvarin::sdk::ui::Language::chinese : halvarin::sdk::ui::Language::english;
  const HWND owner = dialog_owner();
  const halvarin::sdk::AccountDialogResult outcome =
      platform_.account_dialog
          ? platform_.account_dialog(application_, owner, account_->query_account(), operations,
                                     language)
          : halvarin::sdk::ui::show_account_dialog(application_, owner, account_->query_account(),
                                                   operations, language);
  const bool account_changed = outcome.action == halvarin::sdk::kAccountDialogSignedIn ||
                               outcome.action == halvarin::sdk::kAccountDialogDisconnected;
  if (account_changed) this->account_changed();
}

void App::account_changed() {
  if (main_window_) main_window_->close_help_menu();
}

}  // namespace quorvel::windows
