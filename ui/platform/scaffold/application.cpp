#include "ui/platform/scaffold/application.h"

#include <algorithm>
#include <array>
#include <utility>

#include "ui/platform/scaffold/tray_menu.h"
#include "ui/platform/scaffold/window.h"

namespace win32_ui::scaffold {
namespace {

struct BuiltinText {
  std::wstring_view key;
  std::wstring_view english;
  std::wstring_view chinese;
};

constexpr std::array<BuiltinText, 16> kBuiltinTexts{{
    {L"scaffold.dialog.ok", L"OK", L"确定"},
    {L"scaffold.dialog.cancel", L"Cancel", L"取消"},
    {L"scaffold.dialog.yes", L"Yes", L"是"},
    {L"scaffold.dialog.no", L"No", L"否"},
    {L"scaffold.dialog.retry", L"Retry", L"重试"},
    {L"scaffold.dialog.abort", L"Abort", L"中止"},
    {L"scaffold.dialog.ignore", L"Ignore", L"忽略"},
    {L"scaffold.dialog.try_again", L"Try again", L"重试"},
    {L"scaffold.dialog.continue", L"Continue", L"继续"},
    {L"scaffold.dialog.information", L"Information", L"提示"},
    {L"scaffold.dialog.warning", L"Warning", L"警告"},
    {L"scaffold.dialog.error", L"Error", L"错误"},
    {L"scaffold.dialog.question", L"Question", L"确认"},
    {L"scaffold.chrome.minimize", L"Minimize", L"最小化"},
    {L"scaffold.chrome.maximize", L"Maximize or restore", L"最大化或还原"},
    {L"scaffold.chrome.close", L"Close", L"关闭"},
}};

// Only the two plain spellings count: the tags the toolkit is handed are
// either well-formed ("zh-CN") or upper-case system names ("ZH-TW").
bool is_chinese_tag(std::wstring_view tag) {
  return tag.size() >= 2 && (tag.substr(0, 2) == L"zh" || tag.substr(0, 2) == L"ZH");
}

template <typename Item>
bool contains(const std::vector<Item*>& list, const Item* item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

template <typename Item>
void append_once(std::vector<Item*>& list, Item* item) {
  if (item != nullptr && !contains(list, item)) list.push_back(item);
}

template <typename Item>
void remove_one(std::vector<Item*>& list, const Item* item) {
  const auto found = std::find(list.begin(), list.end(), item);
  if (found != list.end()) list.erase(found);
}

}  // namespace

std::wstring detect_ui_language() {
  return detect_ui_language(
      [](wchar_t* buffer, int capacity) { return GetUserDefaultLocaleName(buffer, capacity); });
}

std::wstring detect_ui_language(const LocaleNameReader& read_locale_name) {
  std::array<wchar_t, LOCALE_NAME_MAX_LENGTH> buffer{};
  const int count = read_locale_name ? read_locale_name(buffer.data(), LOCALE_NAME_MAX_LENGTH) : 0;
  if (count <= 0) return L"zh-CN";
  buffer.back() = L'\0';
  return std::wstring(buffer.data());
}

Application::Application(ThemeMode mode, COLORREF accent, ThemeSystem& system)
    : system_(&system), theme_state_(mode, accent, system), language_(detect_ui_language()) {}

Application::~Application() {
  while (!windows_.empty()) {
    Window* last = windows_.back();
    last->destroy();
    // A window without a live native window cannot unregister itself.
    if (!windows_.empty() && windows_.back() == last) windows_.pop_back();
  }
}

// Callbacks run during a pass may destroy windows: the pass walks a copy and
// skips every entry that left the live list meanwhile.
template <typename Action>
void Application::for_each_live_window(Action action) {
  const std::vector<Window*> snapshot = windows_;
  for (Window* window : snapshot) {
    if (contains(windows_, window)) action(*window);
  }
}

template <typename Action>
void Application::for_each_live_tray_menu(Action action) {
  const std::vector<TrayMenu*> snapshot = tray_menus_;
  for (TrayMenu* menu : snapshot) {
    if (contains(tray_menus_, menu)) action(*menu);
  }
}

void Application::set_theme_mode(ThemeMode mode) {
  theme_state_.set_mode(mode);
  apply_theme_to_all();
}

void Application::set_accent_color(COLORREF accent) {
  theme_state_.set_accent(accent);
  apply_theme_to_all();
}

void Application::refresh_system_theme() {
  if (!theme_state_.refresh()) return;
  apply_theme_to_all();
  if (theme_changed_) {
    const ThemeChanged callback = theme_changed_;
    callback(theme_state_.theme());
  }
}

void Application::on_theme_changed(ThemeChanged callback) { theme_changed_ = std::move(callback); }

void Application::apply_theme_to_all() {
  for_each_live_window([](Window& window) { window.sync_theme(); });
  for_each_live_tray_menu([](TrayMenu& menu) { menu.sync_theme(); });
}

void Application::set_language(std::wstring language) {
  if (language == language_) return;
  language_ = std::move(language);
  for_each_live_window([this](Window& window) {
    window.host().surface().set_language(language_);
    window.refresh_title();
  });
  // No menu stays open in the old language.
  for_each_live_tray_menu([](TrayMenu& menu) { menu.close_menu(); });
}

void Application::set_resource_bundle(std::shared_ptr<const modern::ResourceBundle> bundle) {
  if (bundle == bundle_) return;
  bundle_ = std::move(bundle);
  for_each_live_window([this](Window& window) {
    window.host().surface().set_resource_bundle(bundle_);
    window.refresh_title();
  });
  for_each_live_tray_menu([](TrayMenu& menu) { menu.close_menu(); });
}

modern::LocalizationContext Application::make_localization() const {
  modern::LocalizationContext context(
      language_, [this](std::wstring_view key) { return builtin_text(key); });
  context.set_bundle(bundle_);
  return context;
}

std::wstring Application::localize(const modern::LocalizedText& text) const {
  return make_localization().resolve(text);
}

std::wstring Application::builtin_text(std::wstring_view key) const {
  const bool chinese = is_chinese_tag(language_);
  for (const BuiltinText& entry : kBuiltinTexts) {
    if (entry.key == key) return std::wstring(chinese ? entry.chinese : entry.english);
  }
  return std::wstring(key);
}

void Application::register_window(Window* window) { append_once(windows_, window); }

void Application::unregister_window(Window* window) { remove_one(windows_, window); }

void Application::register_tray_menu(TrayMenu* menu) { append_once(tray_menus_, menu); }

void Application::unregister_tray_menu(TrayMenu* menu) { remove_one(tray_menus_, menu); }

}  // namespace win32_ui::scaffold
