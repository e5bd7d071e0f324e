// The preferences window: its content, hotkey capture and the language
// choice that is committed only once the list has closed.
#include <cstddef>
#include <utility>

#include "app/setup/hotkey_capture_keys.h"
#include "app/setup/modern_recording_preview.h"
#include "app/setup/preferences_tree.h"
#include "app/setup/setup_window_body.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/widgets/interactive.h"
#include "ui/views/widgets/widget.h"

namespace quorvel::windows {
namespace {

using win32_ui::scaffold::WindowOptions;

bool language_list_open(HWND preferences) {
  HWND list = GetDlgItem(preferences, kLanguageComboId);
  return list && SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

}  // namespace

ModernSettingsState ModernRecordingPreview::settings_snapshot() const {
  return callbacks_.settings_state ? callbacks_.settings_state() : ModernSettingsState{};
}

void ModernRecordingPreview::open_preferences() { show_preferences_window(); }

void ModernRecordingPreview::show_preferences_window() {
  if (!main_window_.is_open()) return;
  if (preferences_window_.is_open()) {
    end_hotkey_capture();
    rebuild_preferences_view();
    preferences_window_.activate();
    return;
  }
  register_preferences_events();
  WindowOptions options = secondary_window_options(text(L"window.settings"), instance_,
                                                   main_window_.hwnd(), {780.0f, 722.0f}, 700.0f);
  options.title = win32_ui::modern::LocalizedText::from_key(L"window.settings", {});
  if (!preferences_window_.create(options)) return;
  apply_window_theme(preferences_window_, theme_);
  HWND window = preferences_window_.hwnd();
  if (!win32_ui::install_window_subclass(window, preferences_subclass_proc,
                                         kPreferencesSubclassId,
                                         reinterpret_cast<DWORD_PTR>(this))) {
    preferences_window_.destroy();
    return;
  }
  set_window_icons(window, instance_);
  rebuild_preferences_view();
  preferences_window_.show(SW_SHOWNORMAL);
  SetForegroundWindow(window);
}

void ModernRecordingPreview::register_preferences_events() {
  preferences_window_.on_destroyed([this] {
    if (capturing_hotkey_) {
      capturing_hotkey_ = false;
      if (callbacks_.capture_mode) callbacks_.capture_mode(false);
    }
    language_pending_ = false;
    watermark_window_.destroy();
  });
}

void ModernRecordingPreview::rebuild_preferences_view() {
  if (!preferences_window_.is_open()) return;
  ModernSettingsState state = settings_snapshot();
  state.language = application_->language();
  auto root = build_preferences_tree(
      state, [this](std::size_t row) { toggle_hotkey_capture(row); },
      [this] { start_with_windows_changed(); },
      [this] {
        end_hotkey_capture();
        show_watermark_window();
      },
      [this](int index) { choose_language(index); }, [this] { post_language_commit(); });
  root->add_key_preview_handler(
      [this](win32_ui::modern::KeyEvent& event) { handle_capture_key(event); });
  install_window_body(preferences_window_, std::move(root));
  // A capture that outlives a rebuild keeps its prompt.
  if (capturing_hotkey_) refresh_preferences();
}

void ModernRecordingPreview::start_with_windows_changed() {
  end_hotkey_capture();
  if (callbacks_.settings_action) {
    callbacks_.settings_action(ModernSettingsAction::kToggleStartWithWindows);
  }
  if (!callbacks_.settings_state || !preferences_window_.is_open()) return;
  auto* toggle = dynamic_cast<win32_ui::modern::Interactive*>(
      preferences_window_.host().surface().find_widget(kStartWithWindowsToggleId));
  if (toggle) toggle->set_checked(callbacks_.settings_state().start_with_windows);
}

void ModernRecordingPreview::choose_language(int index) {
  if (index != 0 && index != 1) return;
  pending_language_ = index;
  language_pending_ = true;
  if (!preferences_window_.is_open() || language_list_open(preferences_window_.hwnd())) return;
  post_language_commit();
}

void ModernRecordingPreview::post_language_commit() {
  if (!language_pending_ || !preferences_window_.is_open()) return;
  PostMessageW(preferences_window_.hwnd(), kApplyLanguageMessage, 0, 0);
}

void ModernRecordingPreview::commit_language_choice(HWND window) {
  if (window != preferences_window_.hwnd() || !language_pending_) return;
  if (language_list_open(window)) return;
  language_pending_ = false;
  if (!callbacks_.settings_action) return;
  try {
    callbacks_.settings_action(pending_language_ != 0 ? ModernSettingsAction::kLanguageChinese
                                                      : ModernSettingsAction::kLanguageEnglish);
  } catch (...) {
    // The application reports its own failures; the window stays usable.
  }
}

// ---- Hotkey capture ----

void ModernRecordingPreview::toggle_hotkey_capture(std::uint64_t row) {
  if (!callbacks_.settings_state) return;
  if (row >= callbacks_.settings_state().hotkey_rows.size()) return;
  if (!capturing_hotkey_) {
    hotkey_row_ = row;
    capturing_hotkey_ = true;
    if (callbacks_.capture_mode) callbacks_.capture_mode(true);
    refresh_preferences();
  } else if (row == hotkey_row_) {
    end_hotkey_capture();
  } else {
    hotkey_row_ = row;
    refresh_preferences();
  }
}

void ModernRecordingPreview::end_hotkey_capture() {
  if (!capturing_hotkey_) return;
  capturing_hotkey_ = false;
  if (callbacks_.capture_mode) callbacks_.capture_mode(false);
  if (IsWindow(preferences_window_.hwnd())) refresh_preferences();
}

void ModernRecordingPreview::handle_capture_key(win32_ui::modern::KeyEvent& event) {
  if (!capturing_hotkey_ || event.kind != win32_ui::modern::KeyEvent::kDown) return;
  event.handled = true;
  if (is_modifier_key(event.virtual_key)) return;
  if (event.virtual_key == VK_ESCAPE) {
    end_hotkey_capture();
    return;
  }
  const std::uint64_t row = hotkey_row_;
  end_hotkey_capture();
  if (callbacks_.binding) {
    callbacks_.binding(row, event.virtual_key, hotkey_modifiers(event.modifiers));
  }
  refresh_preferences();
}

void ModernRecordingPreview::refresh_preferences() {
  if (!preferences_window_.is_open() || !callbacks_.settings_state) return;
  const ModernSettingsState state = callbacks_.settings_state();
  auto& surface = preferences_window_.host().surface();
  for (std::size_t row = 0; row < state.hotkey_rows.size(); ++row) {
    auto* button = surface.find_widget(kHotkeyButtonBaseId + static_cast<int>(row));
    if (!button) continue;
    const bool captured = capturing_hotkey_ && row == hotkey_row_;
    button->set_text(captured ? text(L"settings.press_hotkey") : state.hotkey_rows[row].key_text);
  }
}

LRESULT CALLBACK preferences_subclass_proc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam, UINT_PTR id, DWORD_PTR reference) {
  auto* preview = reinterpret_cast<ModernRecordingPreview*>(reference);
  return win32_ui::guarded_subclass_call(window, message, wparam, lparam, [&]() -> LRESULT {
    if (message == WM_NCDESTROY) {
      win32_ui::remove_window_subclass(window, preferences_subclass_proc, id);
      if (preview) preview->language_pending_ = false;
      return win32_ui::default_subclass_proc(window, message, wparam, lparam);
    }
    if (message == kApplyLanguageMessage) {
      if (preview) preview->commit_language_choice(window);
      return 0;
    }
    return win32_ui::default_subclass_proc(window, message, wparam, lparam);
  });
}

}  // namespace quorvel::windows
