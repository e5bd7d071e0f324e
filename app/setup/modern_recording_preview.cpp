#include "app/setup/modern_recording_preview.h"

#include <utility>

#include "app/common/translate.h"
#include "app/setup/detail_contents.h"
#include "app/setup/preview_tree.h"
#include "app/setup/setup_window_body.h"
#include "app/setup/view_factories.h"
#include "app/setup/view_lookup.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/key_codes.h"
#include "ui/views/key_event.h"
#include "ui/views/widgets/card.h"
#include "ui/views/widgets/widget.h"

namespace quorvel::windows {
namespace {

using win32_ui::scaffold::CloseAction;
using win32_ui::scaffold::Window;
using win32_ui::scaffold::WindowOptions;

constexpr float kWideLayoutWidth = 760.0f;
// Toolkit key code of R.
constexpr int kKeyR = 36;

}  // namespace

ModernRecordingPreview::ModernRecordingPreview(HINSTANCE instance, HWND message_window,
                                               win32_ui::scaffold::Application& application)
    : instance_(instance),
      message_window_(message_window),
      theme_(application.theme()),
      application_(&application),
      main_window_(application),
      preferences_window_(application),
      watermark_window_(application),
      picture_window_(application),
      sound_window_(application),
      recording_window_(application),
      stream_window_(application),
      main_host_(main_window_.host()) {}

ModernRecordingPreview::~ModernRecordingPreview() {
  // The application may be half gone: closing the windows tells it nothing.
  capturing_hotkey_ = false;
  language_pending_ = false;
  close_menus();
  picture_window_.destroy();
  sound_window_.destroy();
  recording_window_.destroy();
  stream_window_.destroy();
  watermark_window_.destroy();
  preferences_window_.destroy();
  main_window_.destroy();
}

// ---- Callbacks ----

void ModernRecordingPreview::set_camera_handlers(std::function<void(bool)> follow_mouse,
                                                 std::function<void(float)> follow_strength) {
  callbacks_.follow_mouse = std::move(follow_mouse);
  callbacks_.follow_strength = std::move(follow_strength);
}

void ModernRecordingPreview::set_setup_handlers(std::function<void(SetupToggle, bool)> toggle,
                                                std::function<void(SetupGain, float)> gain) {
  callbacks_.toggle = std::move(toggle);
  callbacks_.gain = std::move(gain);
}

void ModernRecordingPreview::set_device_handlers(std::function<void(int)> microphone,
                                                 std::function<void()> device_refresh) {
  callbacks_.microphone = std::move(microphone);
  callbacks_.device_refresh = std::move(device_refresh);
}

void ModernRecordingPreview::set_folder_handlers(std::function<void()> choose_folder,
                                                 std::function<void()> open_folder) {
  callbacks_.choose_folder = std::move(choose_folder);
  callbacks_.open_folder = std::move(open_folder);
}

void ModernRecordingPreview::set_region_handlers(std::function<void()> change_screen,
                                                 std::function<void()> reselect_region) {
  callbacks_.change_screen = std::move(change_screen);
  callbacks_.reselect_region = std::move(reselect_region);
}

void ModernRecordingPreview::set_start_handler(std::function<void()> start) {
  callbacks_.start = std::move(start);
}

void ModernRecordingPreview::set_close_handler(std::function<bool()> close) {
  callbacks_.close = std::move(close);
}

void ModernRecordingPreview::set_settings_handlers(
    std::function<ModernSettingsState()> settings_state,
    std::function<void(ModernSettingsAction)> settings_action) {
  callbacks_.settings_state = std::move(settings_state);
  callbacks_.settings_action = std::move(settings_action);
}

void ModernRecordingPreview::set_watermark_handlers(
    std::function<RecordingWatermark()> watermark,
    std::function<bool(const RecordingWatermark&)> save_watermark,
    std::function<std::wstring(HWND)> browse_image) {
  callbacks_.watermark = std::move(watermark);
  callbacks_.save_watermark = std::move(save_watermark);
  callbacks_.browse_image = std::move(browse_image);
}

void ModernRecordingPreview::set_hotkey_handlers(
    std::function<void(bool)> capture_mode,
    std::function<void(std::uint64_t, unsigned, unsigned)> binding) {
  callbacks_.capture_mode = std::move(capture_mode);
  callbacks_.binding = std::move(binding);
}

void ModernRecordingPreview::set_quality_handlers(
    std::function<void(int)> size_preset, std::function<void(unsigned)> frame_rate,
    std::function<void(std::wstring, std::wstring)> custom_size) {
  callbacks_.size_preset = std::move(size_preset);
  callbacks_.frame_rate = std::move(frame_rate);
  callbacks_.custom_size = std::move(custom_size);
}

void ModernRecordingPreview::set_recording_bitrate_handler(
    std::function<void(int, std::wstring)> quality) {
  callbacks_.recording_quality = std::move(quality);
}

void ModernRecordingPreview::set_stream_bitrate_handler(
    std::function<void(int, std::wstring)> quality) {
  callbacks_.stream_quality = std::move(quality);
}

void ModernRecordingPreview::set_stream_handlers(
    std::function<void(OutputMode)> output_mode, std::function<StreamSettings()> stream_settings,
    std::function<bool(const StreamSettings&)> save_stream_settings) {
  callbacks_.output_mode = std::move(output_mode);
  callbacks_.stream_settings = std::move(stream_settings);
  callbacks_.save_stream_settings = std::move(save_stream_settings);
  if (callbacks_.stream_settings) stream_target_ = callbacks_.stream_settings();
}

// ---- State ----

void ModernRecordingPreview::refresh(RecordingSetupState state, bool force) {
  if (state.recording_quality != state_.recording_quality) pending_recording_text_.reset();
  if (state.stream_quality != state_.stream_quality) pending_stream_text_.reset();
  RecordingSetupState compared = state;
  compared.follow_strength = state_.follow_strength;
  compared.system_gain = state_.system_gain;
  compared.microphone_gain = state_.microphone_gain;
  const bool changed = !(compared == state_);
  state_ = std::move(state);
  if (!main_window_.is_open()) return;
  if (!changed && !force) {
    update_sliders_in_place();
    return;
  }
  rebuild_pending_ = true;
  if (rebuild_posted_) return;
  rebuild_posted_ = PostMessageW(main_window_.hwnd(), kDeferredRebuildMessage, 0, 0) != FALSE;
  if (!rebuild_posted_) {
    rebuild_pending_ = false;
    rebuild_view(true);
  }
}

void ModernRecordingPreview::set_audio_devices(const RecordingSetupState& state) {
  state_.microphones = state.microphones;
  state_.microphone_index = state.microphone_index;
  state_.microphone_label = state.microphone_label;
  if (!main_window_.is_open() || !sound_window_.is_open()) return;
  if (auto* combo = find_combo_box(sound_window_, 17)) {
    combo->set_items(state_.microphones);
    combo->set_selected_index(state_.microphone_index);
    return;
  }
  HWND list = GetDlgItem(sound_window_.hwnd(), 17);
  if (!list) return;
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const std::wstring& name : state_.microphones) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(state_.microphone_index), 0);
}

void ModernRecordingPreview::set_recording_enabled(bool enabled) {
  state_.record_enabled = enabled;
  if (!main_window_.is_open()) return;
  auto& surface = main_host_.surface();
  if (auto* button = surface.find_widget(kRecordButtonId)) {
    button->set_enabled(enabled && state_.output_mode != OutputMode::kNone);
  }
  surface.refresh();
}

std::optional<std::wstring> ModernRecordingPreview::pending_recording_bitrate_text() const {
  return pending_recording_text_;
}

std::optional<std::wstring> ModernRecordingPreview::pending_stream_bitrate_text() const {
  return pending_stream_text_;
}

void ModernRecordingPreview::clear_pending_recording_bitrate_text() {
  pending_recording_text_.reset();
}

void ModernRecordingPreview::clear_pending_stream_bitrate_text() { pending_stream_text_.reset(); }

std::optional<StreamSettings> ModernRecordingPreview::read_stream_fields() const {
  return stream_target_;
}

std::wstring ModernRecordingPreview::read_edit_text(const win32_ui::modern::Win32Edit& edit) {
  return edit.window_text();
}

// ---- Rebuilds ----

void ModernRecordingPreview::rebuild_view(bool force) {
  if (!main_window_.is_open()) return;
  auto& surface = main_host_.surface();
  const bool wide = main_host_.client_size().width >= kWideLayoutWidth;
  if (!force && tree_built_ && wide == wide_ && surface.root_view()) {
    surface.refresh();
    return;
  }
  if (!skip_stream_read_) {
    if (auto fields = read_stream_fields()) stream_target_ = std::move(fields);
  }
  skip_stream_read_ = false;
  const PreviewHandlers handlers = make_handlers();
  picture_panel_ = [this, handlers] { return make_picture_settings_content(state_, handlers); };
  sound_panel_ = [this, handlers] { return make_sound_settings_content(state_, handlers); };
  recording_panel_ = [this, handlers] {
    return make_recording_settings_content(state_, handlers);
  };
  wide_ = wide;
  tree_built_ = true;
  auto root = make_overlay_panel();
  auto card = std::make_unique<win32_ui::modern::Card>();
  card->set_selected(false);
  root->add_child(std::move(card));
  root->add_child(build_preview_tree(wide, state_, handlers));
  main_window_.set_content(std::move(root));
  surface.refresh();
  set_border_color(main_window_.hwnd(), theme_);
}

void ModernRecordingPreview::run_deferred_rebuild() {
  const bool force = rebuild_pending_;
  rebuild_pending_ = false;
  rebuild_posted_ = false;
  rebuild_view(force);
}

// ---- Windows ----

bool ModernRecordingPreview::show() {
  if (main_window_.is_open()) {
    main_window_.activate();
    return true;
  }
  register_main_window_events();
  WindowOptions options;
  options.text = text(L"window.main");
  options.title = win32_ui::modern::LocalizedText::from_key(L"window.main", {});
  options.instance = instance_;
  options.center_on = message_window_;
  options.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  options.preferred_size = {940.0f, 826.0f};
  options.minimum_size = {620.0f, 520.0f};
  options.zoom = kSetupZoom;
  options.chrome_mode = 2;
  if (!main_window_.create(options)) return false;
  HWND window = main_window_.hwnd();
  if (!win32_ui::install_window_subclass(window, main_window_subclass_proc,
                                         kMainWindowSubclassId,
                                         reinterpret_cast<DWORD_PTR>(this))) {
    main_window_.destroy();
    return false;
  }
  set_window_icons(window, instance_);
  theme_ = main_host_.surface().theme();
  register_record_command();
  rebuild_view(false);
  main_window_.show(SW_SHOWNORMAL);
  return true;
}

void ModernRecordingPreview::register_main_window_events() {
  main_window_.on_close_requested([this] {
    if (!callbacks_.close || callbacks_.close()) dismiss_popups();
    return CloseAction::keep;
  });
  main_window_.on_resized([this](bool minimised) {
    close_menus();
    if (minimised) {
      dismiss_popups();
    } else {
      rebuild_view(false);
    }
  });
  main_window_.on_moved([this] { close_menus(); });
  main_window_.on_destroyed([this] {
    // A rebuild message still queued dies with the window; kept, the flags
    // would stop every rebuild of a main window opened later.
    rebuild_pending_ = false;
    rebuild_posted_ = false;
    destroy_detail_windows();
    stream_window_.destroy();
    watermark_window_.destroy();
    preferences_window_.destroy();
  });
}

void ModernRecordingPreview::register_record_command() {
  if (!commands_.find(kRecordCommandId)) {
    win32_ui::modern::Command command;
    command.id = kRecordCommandId;
    command.text = text(L"main.start");
    command.action = [this] {
      if (callbacks_.start) callbacks_.start();
    };
    command.can_execute = [this](unsigned) {
      return state_.record_enabled && state_.output_mode != OutputMode::kNone;
    };
    commands_.add(std::move(command));
  }
  auto& surface = main_host_.surface();
  surface.set_command_table(&commands_);
  surface.shortcuts().clear();
  surface.shortcuts().add({kKeyR, win32_ui::modern::KeyEvent::kCtrl, kRecordCommandId, false});
}

bool ModernRecordingPreview::is_open() const { return main_window_.is_open(); }

bool ModernRecordingPreview::is_visible() const {
  return main_window_.is_open() && main_window_.is_visible();
}

void ModernRecordingPreview::activate() { main_window_.activate(); }

HWND ModernRecordingPreview::main_window() const { return main_window_.hwnd(); }

void ModernRecordingPreview::apply_theme(const win32_ui::Theme& theme) {
  theme_ = theme;
  theme_menu_.apply_theme(theme);
  help_menu_.apply_theme(theme);
  for (Window* window : {&picture_window_, &sound_window_, &recording_window_, &stream_window_,
                         &preferences_window_, &watermark_window_}) {
    apply_window_theme(*window, theme_);
  }
  set_border_color(main_window_.hwnd(), theme_);
}

void ModernRecordingPreview::close_help_menu() {
  help_menu_.close();
  rebuild_view(true);
}

void ModernRecordingPreview::close_secondary_windows() {
  close_menus();
  destroy_detail_windows();
  stream_window_.destroy();
  // The preferences and watermark windows stay, showing the new state.
  rebuild_preferences_view();
  rebuild_watermark_view();
  rebuild_view(true);
}

void ModernRecordingPreview::dismiss_popups() {
  close_menus();
  end_hotkey_capture();
  destroy_detail_windows();
  stream_window_.destroy();
  watermark_window_.hide();
  preferences_window_.hide();
  main_window_.hide();
}

void ModernRecordingPreview::close_menus() {
  theme_menu_.close();
  help_menu_.close();
}

void ModernRecordingPreview::destroy_detail_windows() {
  picture_window_.destroy();
  sound_window_.destroy();
  recording_window_.destroy();
}

void ModernRecordingPreview::show_detail_window(Window& window, std::wstring_view title,
                                                const PanelFactory& factory, float height) {
  if (!main_window_.is_open() || !factory) return;
  if (window.is_open()) {
    window.activate();
    return;
  }
  const WindowOptions options = secondary_window_options(std::wstring(title), instance_,
                                                         main_window_.hwnd(), {740.0f, height}, 620.0f);
  if (!window.create(options)) return;
  set_window_icons(window.hwnd(), instance_);
  apply_window_theme(window, theme_);
  window.on_destroyed([this] {
    HWND main = main_window_.hwnd();
    if (!IsWindow(main)) return;
    EnableWindow(main, TRUE);
    SetForegroundWindow(main);
  });
  install_window_body(window, factory());
  EnableWindow(main_window_.hwnd(), FALSE);
  window.show(SW_SHOWNORMAL);
  window.activate();
}

void ModernRecordingPreview::open_recording_settings() {
  show_detail_window(recording_window_, text(L"main.recording_settings"), recording_panel_,
                     286.0f);
}

std::wstring ModernRecordingPreview::text(std::wstring_view key,
                                          std::vector<std::wstring> args) const {
  return translate(*application_, key, std::move(args));
}

}  // namespace quorvel::windows
