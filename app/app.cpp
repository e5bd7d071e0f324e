// Construction, destruction, start-up and the message loop of the App.
#include "app/app.h"

#include <commctrl.h>

#include <optional>
#include <stdexcept>
#include <utility>

#include "app/app_messages.h"
#include "app/common/text_catalog.h"
#include "app/common/ui_language.h"
#include "app/product_account.h"

namespace quorvel::windows {
namespace {

constexpr COLORREF kAccent = RGB(0, 120, 215);

std::unique_ptr<AccountPort> make_account(const AppPlatform& platform) {
  return platform.make_account ? platform.make_account() : make_product_account();
}

std::unique_ptr<RtmpStreamer> make_streamer(const AppPlatform& platform) {
  return platform.make_streamer ? platform.make_streamer() : RtmpStreamer::create();
}

std::unique_ptr<AudioMixer> make_mixer(const AppPlatform& platform) {
  return platform.mixer_clock ? AudioMixer::create(platform.mixer_clock) : AudioMixer::create();
}

std::unique_ptr<AudioCaptureSource> make_audio_source(const AppPlatform& platform) {
  return platform.audio_devices ? AudioCaptureSource::create(platform.audio_devices)
                                : AudioCaptureSource::create();
}

}  // namespace

App::App(HINSTANCE instance, AppPlatform platform)
    : instance_(instance),
      platform_(std::move(platform)),
      settings_(platform_.settings_key),
      account_(make_account(platform_)),
      theme_registry_(win32_ui::NativeThemeRegistry::create(win32_ui::kThemeModeSystem, kAccent)),
      application_(win32_ui::kThemeModeSystem, kAccent),
      tray_(application_),
      streamer_(make_streamer(platform_)),
      capture_(std::make_unique<DesktopCapture>(platform_.capture)),
      file_session_(RecordingSession::create(platform_.sessions)),
      live_session_(RecordingSession::create(platform_.sessions)),
      timeline_(std::make_unique<RecordingTimeline>()),
      mixer_(make_mixer(platform_)),
      system_source_(make_audio_source(platform_)),
      microphone_source_(make_audio_source(platform_)) {
  theme_registry_->set_theme_changed_callback(&App::on_system_theme_changed, this);
  application_.on_theme_changed([this](const win32_ui::Theme&) { theme_registry_->refresh(); });
}

App::~App() {
  if (account_) account_->on_background_start_ended(nullptr);
  tray_.close_menu();
  main_window_.reset();
  unregister_recording_hotkeys();
  unregister_idle_hotkeys();
  tray_.clear_icon();
  // An App left without exit_application (start-up failed) still takes
  // its windows down before their classes go, but quietly: detached from
  // the App, so no quit message is left behind in the thread's queue.
  // A bar left by a session still running must not outlive the App its
  // timer calls into.
  control_view_.reset();
  for (HWND* window : {&control_window_, &overlay_window_, &host_window_}) {
    if (*window != nullptr && IsWindow(*window)) {
      SetWindowLongPtrW(*window, GWLP_USERDATA, 0);
      DestroyWindow(*window);
    }
    *window = nullptr;
  }
  release_region_snapshot();
  release_back_buffer();
  destroy_engine_objects();
  editor_.reset();
  unregister_window_classes();
}

void App::destroy_engine_objects() {
  AudioCaptureSource::destroy(std::move(microphone_source_));
  AudioCaptureSource::destroy(std::move(system_source_));
  AudioMixer::destroy(std::move(mixer_));
  timeline_.reset();
  RecordingSession::destroy(std::move(live_session_));
  RecordingSession::destroy(std::move(file_session_));
  capture_.reset();
  RtmpStreamer::destroy(std::move(streamer_));
}

int App::run(int show_command) {
  start_up(show_command);
  return run_message_loop();
}

void App::start_up(int show_command) {
  // The manifest already makes the process per-monitor aware; Windows then
  // refuses this call and Wine does not know it, neither of which matters.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  application_.set_resource_bundle(text_catalog_bundle());
  apply_stored_language();
  apply_stored_theme();
  watermark_ = settings_.read_watermark();
  apply_recording_quality(settings_.read_recording_quality());
  apply_stream_quality(settings_.read_stream_quality());
  stream_target_ = settings_.read_stream_target();
  load_hotkeys();
  register_window_classes();
  create_host_window();
  // A start repeated in the background ends on its own thread; the shell
  // hears of it on the UI thread.
  if (account_) {
    account_->on_background_start_ended([host = host_window_](bool signed_in_changed) {
      PostMessageW(host, kAccountStartEndedMessage, signed_in_changed ? 1 : 0, 0);
    });
  }
  watch_system_theme();
  last_tick_ = std::chrono::steady_clock::now();
  last_status_check_ = last_tick_;
  create_overlay_window();
  apply_default_output_folder();
  audio_device_entries(false);
  place_overlay();
  refresh_main_window(false);
  set_overlay_interactive(true);
  ShowWindow(overlay_window_, SW_HIDE);
  initialize_tray_menu();
  // A combination held elsewhere is reported by the start-up check below.
  register_idle_hotkeys();
  if (show_command != 0) bring_to_front();
  PostMessageW(host_window_, kStartupCheckMessage, 0, 0);
}

void App::apply_stored_language() {
  const std::optional<std::wstring> stored = settings_.read_language();
  application_.set_language(stored ? normalize_language_tag(*stored) : preferred_ui_language());
}

void App::apply_stored_theme() {
  theme_registry_->set_mode(settings_.read_theme_mode());
  apply_theme(theme_registry_->theme());
}

void App::watch_system_theme() {
  if (!theme_registry_->register_window(host_window_)) {
    throw std::runtime_error("failed to watch system theme");
  }
}

int App::run_message_loop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) process_message(message);
  return static_cast<int>(message.wParam);
}

void App::process_message(const MSG& message) {
  if (handle_escape(message)) return;
  if (control_window_ != nullptr && IsWindowVisible(control_window_) &&
      IsDialogMessageW(control_window_, const_cast<MSG*>(&message))) {
    return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

bool App::handle_escape(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  if (message.wParam != VK_ESCAPE || busy()) return false;
  if (!targets_main_window(message.hwnd) && !targets_overlay(message.hwnd)) return false;
  if (selecting_) {
    end_region_selection();
    return true;
  }
  if (!region_ready_) return false;
  hide_overlay();
  if (main_window_ && main_window_->is_visible()) {
    main_window_->activate();
  } else {
    bring_to_front();
  }
  return true;
}

bool App::targets_main_window(HWND target) const {
  if (!main_window_ || !main_window_->is_open()) return false;
  const HWND window = main_window_->window();
  return window != nullptr && (target == window || IsChild(window, target));
}

bool App::targets_overlay(HWND target) const {
  return overlay_window_ != nullptr && (target == overlay_window_ || IsChild(overlay_window_, target));
}

}  // namespace quorvel::windows
