#include "app/product_main_window.h"

#include <cstdint>
#include <functional>
#include <utility>

#include "app/setup/modern_recording_preview.h"

namespace quorvel::windows {
namespace {

// A window handle only while the window exists.
HWND open_window(const win32_ui::scaffold::Window& window) {
  return window.is_open() ? window.hwnd() : nullptr;
}

}  // namespace

ProductMainWindow::ProductMainWindow(HINSTANCE instance, HWND owner,
                                     win32_ui::scaffold::Application& application)
    : preview_(std::make_unique<ModernRecordingPreview>(instance, owner, application)) {}

ProductMainWindow::~ProductMainWindow() = default;

bool ProductMainWindow::show() { return preview_->show(); }
bool ProductMainWindow::is_open() const { return preview_->is_open(); }
bool ProductMainWindow::is_visible() const { return preview_->is_visible(); }
void ProductMainWindow::activate() { preview_->activate(); }

void ProductMainWindow::set_handlers(MainWindowHandlers handlers) {
  preview_->set_camera_handlers(std::move(handlers.follow_mouse),
                               std::move(handlers.follow_strength));
  preview_->set_setup_handlers(std::move(handlers.toggle), std::move(handlers.gain));
  preview_->set_device_handlers(std::move(handlers.microphone),
                               std::move(handlers.refresh_devices));
  preview_->set_folder_handlers(std::move(handlers.choose_folder),
                               std::move(handlers.open_folder));
  preview_->set_region_handlers(std::move(handlers.place_overlay),
                               std::move(handlers.select_region));
  preview_->set_start_handler(std::move(handlers.start));
  preview_->set_close_handler(std::move(handlers.close_request));
  preview_->set_settings_handlers(std::move(handlers.settings_state),
                                 std::move(handlers.settings_action));
  preview_->set_watermark_handlers(std::move(handlers.watermark),
                                  std::move(handlers.save_watermark),
                                  std::move(handlers.choose_watermark_image));
  std::function<void(std::uint64_t, unsigned, unsigned)> binding;
  if (handlers.hotkey_changed) {
    binding = [changed = std::move(handlers.hotkey_changed)](
                  std::uint64_t row, unsigned modifiers, unsigned key) {
      changed(static_cast<int>(row), modifiers, key);
    };
  }
  preview_->set_hotkey_handlers(std::move(handlers.hotkey_capture), std::move(binding));
  std::function<void(unsigned)> frame_rate;
  if (handlers.frame_rate) {
    frame_rate = [changed = std::move(handlers.frame_rate)](unsigned rate) {
      changed(static_cast<int>(rate));
    };
  }
  preview_->set_quality_handlers(std::move(handlers.size_preset), std::move(frame_rate),
                                std::move(handlers.custom_size));
  preview_->set_recording_bitrate_handler(std::move(handlers.recording_quality));
  preview_->set_stream_bitrate_handler(std::move(handlers.stream_quality));
  preview_->set_stream_handlers(std::move(handlers.output_mode),
                               std::move(handlers.stream_target),
                               std::move(handlers.save_stream_target));
}

void ProductMainWindow::refresh(RecordingSetupState state, bool force) {
  preview_->refresh(std::move(state), force);
}
void ProductMainWindow::set_audio_devices(const RecordingSetupState& state) {
  preview_->set_audio_devices(state);
}
void ProductMainWindow::set_recording_enabled(bool enabled) {
  preview_->set_recording_enabled(enabled);
}
void ProductMainWindow::apply_theme(const win32_ui::Theme& theme) {
  preview_->apply_theme(theme);
}
void ProductMainWindow::open_preferences() { preview_->open_preferences(); }
void ProductMainWindow::close_help_menu() { preview_->close_help_menu(); }
void ProductMainWindow::close_secondary_windows() { preview_->close_secondary_windows(); }
void ProductMainWindow::dismiss_popups() { preview_->dismiss_popups(); }

std::optional<StreamSettings> ProductMainWindow::read_stream_fields() {
  return preview_->read_stream_fields();
}
std::optional<std::wstring> ProductMainWindow::pending_recording_bitrate_text() const {
  return preview_->pending_recording_bitrate_text();
}
std::optional<std::wstring> ProductMainWindow::pending_stream_bitrate_text() const {
  return preview_->pending_stream_bitrate_text();
}
void ProductMainWindow::clear_pending_bitrate_texts() {
  preview_->clear_pending_recording_bitrate_text();
  preview_->clear_pending_stream_bitrate_text();
}

HWND ProductMainWindow::stream_window() const { return open_window(preview_->stream_window()); }
HWND ProductMainWindow::preferences_window() const {
  return open_window(preview_->preferences_window());
}
HWND ProductMainWindow::window() const { return preview_->main_window(); }

std::unique_ptr<MainWindowPort> make_product_main_window(
    HINSTANCE instance, HWND owner, win32_ui::scaffold::Application& application) {
  return std::make_unique<ProductMainWindow>(instance, owner, application);
}

}  // namespace quorvel::windows
