#include "tests/app/app_test_fixture.h"

namespace quorvel::windows {

AppTest::AppTest() = default;

AppPlatform AppTest::make_platform() {
  AppPlatform platform;
  platform.settings_key = key_.path();
  platform.make_account = [this] {
    auto account = std::make_unique<quorvel::test::FakeAccount>();
    account_ = account.get();
    return account;
  };
  platform.make_main_window = [log = main_log_](HINSTANCE, HWND,
                                                win32_ui::scaffold::Application&) {
    return std::make_unique<quorvel::test::FakeMainWindow>(log);
  };
  platform.make_editor = [log = editor_log_](HINSTANCE, DesktopSnapshot, POINT, std::wstring,
                                             win32_ui::NativeThemeRegistry&,
                                             win32_ui::scaffold::Application&,
                                             std::function<void()> on_closed) {
    log->open = false;
    log->on_closed = std::move(on_closed);
    return std::make_unique<quorvel::test::FakeEditor>(log);
  };
  platform.message = [this](HWND owner, std::wstring_view key,
                            const std::vector<std::wstring>& arguments, unsigned flags) {
    messages_.push_back({owner, std::wstring(key), flags, arguments, {}, {}});
    return next_answer();
  };
  platform.text_message = [this](HWND owner, std::wstring_view text, std::wstring_view caption,
                                 unsigned flags) {
    messages_.push_back({owner, {}, flags, {}, std::wstring(text), std::wstring(caption)});
    return next_answer();
  };
  platform.account_dialog = [this](win32_ui::scaffold::Application& application, HWND owner,
                                   std::optional<halvarin::sdk::AccountIdentity> identity,
                                   const halvarin::sdk::AccountOperations& operations,
                                   halvarin::sdk::ui::Language language) {
    if (!account_dialog_) return halvarin::sdk::AccountDialogResult{};
    return account_dialog_(application, owner, std::move(identity), operations, language);
  };
  platform.exclude_from_capture = [this](HWND window, DWORD affinity) {
    capture_exclusions_.emplace_back(window, affinity);
    return FALSE;
  };
  return platform;
}

int AppTest::next_answer() {
  if (answers_.empty()) return IDOK;
  const int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

App& AppTest::start(int show_command) {
  app_ = std::make_unique<App>(GetModuleHandleW(nullptr), make_platform());
  app_->start_up(show_command);
  return *app_;
}

std::optional<int> AppTest::pump() {
  MSG message{};
  // Bounded: a test's queue holds a handful of messages, never thousands.
  for (int turn = 0; turn < 10000 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++turn) {
    if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
    app_->process_message(message);
  }
  return std::nullopt;
}

LRESULT AppTest::send_to_host(UINT message, WPARAM wparam, LPARAM lparam) {
  return SendMessageW(AppTestAccess::host_window(*app_), message, wparam, lparam);
}

AppPlatform AppTest::failing_store_platform() {
  AppPlatform platform = make_platform();
  platform.settings_key = key_.path() + L"\\" + std::wstring(300, L'x');
  return platform;
}

std::vector<std::wstring> AppTest::message_keys() const {
  std::vector<std::wstring> keys;
  for (const ShownMessage& message : messages_) keys.push_back(message.key);
  return keys;
}

}  // namespace quorvel::windows
