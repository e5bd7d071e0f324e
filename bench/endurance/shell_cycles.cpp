#include "bench/endurance/shell_cycles.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <functional>
#include <vector>

#include "app/app_messages.h"
#include "app/editor/copied_notice.h"
#include "app/editor/screenshot_editor.h"
#include "app/product_main_window.h"
#include "bench/endurance/bench_editor.h"
#include "app/setup/modern_recording_preview.h"
#include "bench/endurance/loopback_account.h"
#include "tests/account/ui/dialog_watcher.h"
#include "tests/app/app_test_access.h"
#include "tests/engine/gpu_test_support.h"

namespace quorvel::bench {
namespace {

using windows::App;
using windows::AppTestAccess;

constexpr int kFrameRate = 30;
constexpr int kRecordedFrames = 3 * kFrameRate;
constexpr int kPauseAtFrame = kFrameRate;
constexpr int kTickEvery = 4;
constexpr auto kWindowTimeout = std::chrono::seconds(10);
constexpr wchar_t kAccountTitle[] = L"Account";
constexpr wchar_t kSignInTitle[] = L"Connect a Halvarin account";

// The first visible window of `class_name` on this thread, or null.
HWND thread_window(const wchar_t* class_name) {
  struct Search {
    const wchar_t* class_name;
    HWND found;
  } search{class_name, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) {
        auto* search = reinterpret_cast<Search*>(data);
        wchar_t name[128]{};
        GetClassNameW(window, name, 128);
        if (IsWindowVisible(window) && std::wstring(name) == search->class_name) {
          search->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Marks Ctrl as held for GetKeyState while a key message is sent.
class HeldControl {
 public:
  HeldControl() {
    GetKeyboardState(saved_);
    BYTE held[256];
    std::copy(std::begin(saved_), std::end(saved_), held);
    held[VK_CONTROL] = 0x80;
    SetKeyboardState(held);
  }
  ~HeldControl() { SetKeyboardState(saved_); }
  HeldControl(const HeldControl&) = delete;
  HeldControl& operator=(const HeldControl&) = delete;

 private:
  BYTE saved_[256]{};
};

void drag(HWND window, POINT from, POINT to) {
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((from.x + to.x) / 2, (from.y + to.y) / 2));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
}

}  // namespace

ShellCycles::ShellCycles() : account_service_(std::make_unique<LoopbackAccountService>()) {}

ShellCycles::~ShellCycles() {
  if (app_ && AppTestAccess::recording(*app_)) app_->stop_recording(false);
  // The App uses the fakes and the service this object owns: it goes first.
  app_.reset();
}

bool ShellCycles::start(std::string& error) {
  if (!account_service_->listening()) {
    error = "the account service could not listen";
    return false;
  }
  if (!windows::test::make_device(device_, context_)) {
    error = "no Direct3D 11 device";
    return false;
  }
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
  monitor_ = info.rcMonitor;
  const int width = monitor_.right - monitor_.left;
  const int height = monitor_.bottom - monitor_.top;
  frame_ = windows::test::make_bgra_texture(device_.Get(), width, height,
                                   std::vector<uint32_t>(size_t(width) * height, 0xFF336699));
  if (frame_ == nullptr) {
    error = "no frame texture";
    return false;
  }
  // Closing the main window keeps the program in the tray without asking.
  windows::SettingsStore(key_.path())
      .write_close_behavior(windows::MainWindowCloseBehavior::kKeepInTray);

  windows::AppPlatform platform = session_platform();
  // Files written as the program writes them, without the fake keeping a
  // record of each sample or of each writer.
  platform.sessions.writers.sink_writers.create_file_writer =
      [this](const std::wstring& path, IMFAttributes* attributes, IMFSinkWriter** out) -> HRESULT {
    if (out == nullptr) return E_POINTER;
    *out = new windows::test::FakeFileSinkWriter(path, attributes, {}, false);
    last_writer_ = *out;
    return S_OK;
  };
  platform.make_main_window = [this](HINSTANCE instance, HWND owner,
                                     win32_ui::scaffold::Application& application) {
    auto window = std::make_unique<windows::ProductMainWindow>(instance, owner, application);
    main_window_ = window.get();
    return std::unique_ptr<windows::MainWindowPort>(std::move(window));
  };
  desktop_ = std::make_unique<windows::FakeDuplicationScript>(windows::FakeDuplicationScript::mode(
      static_cast<UINT>(width), static_cast<UINT>(height), DXGI_FORMAT_B8G8R8A8_UNORM));
  platform.capture.open_duplication = desktop_->opener();
  platform.make_editor = make_bench_editor;
  // The folder a finished recording opens is a window of the shell's own
  // process, not of this one: a folder window left open by each of
  // hundreds of cycles would only load the machine the figures run on.
  platform.open_folder = [this](HWND, const std::wstring&) {
    ++folder_opens_;
    return true;
  };
  platform.make_account = [this] { return account_service_->make_account(); };
  platform.account_dialog = {};
  converter_->keep_source_copies = false;

  const windows::CaptureBounds monitor{double(monitor_.left), double(monitor_.top),
                                       double(monitor_.right), double(monitor_.bottom)};
  const windows::CaptureBounds area{monitor.left + 200, monitor.top + 150, monitor.left + 680,
                                    monitor.top + 510};
  region_monitor_ = monitor;
  region_ = area;
  start_with_region(std::move(platform), monitor, area, false);
  pump();
  return true;
}

void ShellCycles::pump() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) app_->process_message(message);
}

void ShellCycles::forget_records() {
  messages_.clear();
  earlier_encoders_ = std::move(encoders_);
  encoders_.clear();
  converter_->conversions.clear();
}

bool ShellCycles::choose_steps(const std::string& names) {
  record_ = screenshot_ = windows_ = theme_ = sign_in_ = false;
  size_t begin = 0;
  while (begin <= names.size()) {
    const size_t end = std::min(names.find(',', begin), names.size());
    const std::string name = names.substr(begin, end - begin);
    if (name == "record") {
      record_ = true;
    } else if (name == "screenshot") {
      screenshot_ = true;
    } else if (name == "windows") {
      windows_ = true;
    } else if (name == "theme") {
      theme_ = true;
    } else if (name == "signin") {
      sign_in_ = true;
    } else {
      return false;
    }
    begin = end + 1;
  }
  return true;
}

bool ShellCycles::run_cycle(std::string& error) {
  const bool done = (!record_ || record(error)) && (!screenshot_ || screenshot(error)) &&
                    (!windows_ || setup_windows(error)) &&
                    (!theme_ || (switch_theme_and_language(), true)) &&
                    (!sign_in_ || sign_in_cancelled(error));
  pump();
  forget_records();
  return done;
}

bool ShellCycles::record(std::string& error) {
  App& app = *app_;
  // The screenshot took the monitor under the mouse: the region is chosen
  // again, as the user would.
  AppTestAccess::monitor_rect(app) = region_monitor_;
  AppTestAccess::capture_area(app) = region_;
  AppTestAccess::region_ready(app) = true;
  app.start_recording();
  pump();
  if (!AppTestAccess::recording(app)) {
    error = "the recording did not start:";
    for (const std::wstring& key : message_keys()) error += " " + std::string(key.begin(), key.end());
    return false;
  }
  const int64_t period = (counter_frequency() + kFrameRate - 1) / kFrameRate;
  auto& last_status_check = AppTestAccess::last_status_check(app);
  const windows::CapturedFrameInfo info;
  for (int frame = 0; frame < kRecordedFrames; ++frame) {
    if (frame == kPauseAtFrame) {
      app.pause_recording();
      *counter_ += counter_frequency() / 2;
      pump();
      app.resume_recording();
    }
    if (FAILED(app.deliver_captured_frame(device_.Get(), context_.Get(), frame_.Get(), info))) {
      error = "a frame was refused";
      return false;
    }
    *counter_ += period;
    if (frame % kTickEvery == 0) {
      last_status_check = std::chrono::steady_clock::now() - std::chrono::seconds(1);
      app.tick();
    }
    converter_->conversions.clear();
    pump();
  }
  const int opens_before = folder_opens_;
  app.stop_recording(false);
  pump();
  if (AppTestAccess::recording(app)) {
    error = "the recording did not stop";
    return false;
  }
  // The file writer of a finished recording is the bench's alone.
  if (last_writer_) {
    last_writer_->AddRef();
    const ULONG references = last_writer_->Release();
    last_writer_.Reset();
    if (references != 1) {
      error = "the finished recording kept " + std::to_string(references - 1) +
              " references to its file writer";
      return false;
    }
  }
  // The encoders of the recording before this one are the bench's alone
  // by now: the program may keep its last session until the next starts.
  // Counted, not failed, so that the other figures still come.
  for (const auto& encoder : earlier_encoders_) {
    encoder->AddRef();
    if (encoder->Release() != 1) ++encoders_kept_;
  }
  earlier_encoders_.clear();
  if (folder_opens_ != opens_before + 1) {
    error = "the finished recording did not open its folder";
    return false;
  }
  return true;
}

bool ShellCycles::screenshot(std::string& error) {
  App& app = *app_;
  app.begin_screenshot();
  pump();
  // The App's own capture has stopped: the frame is the snapshot's.
  const int live_at_push = desktop_->live_duplications();
  const int delivered_before = desktop_->frames_delivered();
  const int acquires_before = desktop_->acquire_calls();
  desktop_->push(windows::FakeAcquireStep::frame({40, 80, 120, 255}));
  const HWND canvas = thread_window(windows::kScreenshotCanvasClass);
  if (!AppTestAccess::has_editor(app) || canvas == nullptr) {
    error = "the editor did not open (" + std::to_string(AppTestAccess::has_editor(app)) + "," +
            std::to_string(canvas != nullptr) + "):";
    for (const std::wstring& key : message_keys()) error += " " + std::string(key.begin(), key.end());
    return false;
  }
  // A selection, then a rectangle and another mark inside it.
  drag(canvas, {100, 100}, {500, 400});
  drag(canvas, {150, 150}, {300, 250});
  drag(canvas, {320, 260}, {450, 360});
  {
    HeldControl control;
    SendMessageW(canvas, WM_KEYDOWN, VK_RETURN, 0);
  }
  pump();
  // The copied notice closes itself after a moment.
  const auto limit = std::chrono::steady_clock::now() + kWindowTimeout;
  while ((IsWindow(canvas) || thread_window(windows::kScreenshotNoticeClass)) &&
         std::chrono::steady_clock::now() < limit) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    pump();
  }
  if (IsWindow(canvas) || thread_window(windows::kScreenshotNoticeClass)) {
    error = "the editor did not close after the copy (duplications open at the push " +
            std::to_string(live_at_push) + ", frames delivered " +
            std::to_string(desktop_->frames_delivered() - delivered_before) + ", acquires " +
            std::to_string(desktop_->acquire_calls() - acquires_before) + ", opens " +
            std::to_string(desktop_->open_calls()) + ")";
    return false;
  }
  return true;
}

bool ShellCycles::setup_windows(std::string& error) {
  App& app = *app_;
  app.show_recording_window();
  pump();
  if (main_window_ == nullptr || !main_window_->is_open()) {
    error = "the main window did not open";
    return false;
  }
  windows::ModernRecordingPreview& preview = main_window_->preview();
  preview.open_preferences();
  pump();
  preview.show_watermark_window();
  pump();
  if (!preview.preferences_window().is_open() || !preview.watermark_window().is_open()) {
    error = "the settings or watermark window did not open";
    return false;
  }
  SendMessageW(preview.watermark_window().hwnd(), WM_CLOSE, 0, 0);
  pump();
  SendMessageW(preview.preferences_window().hwnd(), WM_CLOSE, 0, 0);
  pump();
  preview.show_stream_window();
  pump();
  if (!preview.stream_window().is_open()) {
    error = "the stream-target window did not open";
    return false;
  }
  SendMessageW(preview.stream_window().hwnd(), WM_CLOSE, 0, 0);
  pump();
  SendMessageW(main_window_->window(), WM_CLOSE, 0, 0);
  pump();
  if (preview.watermark_window().is_open() || preview.preferences_window().is_open() ||
      preview.stream_window().is_open() || main_window_->is_visible()) {
    error = "a setup window stayed open";
    return false;
  }
  return true;
}

void ShellCycles::switch_theme_and_language() {
  App& app = *app_;
  using windows::ModernSettingsAction;
  for (ModernSettingsAction action :
       {ModernSettingsAction::kThemeDark, ModernSettingsAction::kThemeSystem,
        ModernSettingsAction::kLanguageChinese, ModernSettingsAction::kLanguageEnglish}) {
    app.run_settings_action(action);
    pump();
  }
}

bool ShellCycles::sign_in_cancelled(std::string& error) {
  const int opens_before = account_service_->browser_opens();
  halvarin::sdk::ui::test::DialogWatcher watcher;
  watcher.then(kAccountTitle, [](HWND dialog) {
           halvarin::sdk::ui::test::press_key(dialog, VK_RETURN);
         })
      .then(kSignInTitle, [this, opens_before](HWND dialog) {
        // Cancelled once the sign-in has sent the browser to the service.
        const auto limit = std::chrono::steady_clock::now() + kWindowTimeout;
        while (account_service_->browser_opens() == opens_before &&
               std::chrono::steady_clock::now() < limit) {
          Sleep(1);
        }
        halvarin::sdk::ui::test::press_key(dialog, VK_ESCAPE);
      });
  app_->run_settings_action(windows::ModernSettingsAction::kAccount);
  pump();
  if (watcher.pending_steps() != 0 || account_service_->browser_opens() == opens_before) {
    error = "the sign-in dialog was not opened and cancelled";
    return false;
  }
  return true;
}

}  // namespace quorvel::bench
