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

class ProductMainWindow final : public MainWindowPort {
 public:
  ProductMainWindow(HINSTANCE instance, HWND owner, win32_ui::scaffold::Application& application)
      : preview_(std::make_unique<ModernRecordingPreview>(instance, owner, application)) {}

  bool show() override { return preview_->show(); }
  bool is_open() const override { return preview_->is_open(); }
  bool is_visible() const override { return preview_->is_visible(); }
  void activate() override { preview_->activate(); }

  void set_handlers(MainWindowHandlers handlers) override {
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

  void refresh(RecordingSetupState state, bool force) override {
    preview_->refresh(std::move(state), force);
  }
  void set_audio_devices(const RecordingSetupState& state) override {
    preview_->set_audio_devices(state);
  }
  void set_recording_enabled(bool enabled) override { preview_->set_recording_enabled(enabled); }
  void apply_theme(const win32_ui::Theme& theme) override { preview_->apply_theme(theme); }
  void open_preferences() override { preview_->open_preferences(); }
  void close_help_menu() override { preview_->close_help_menu(); }
  void close_secondary_windows() override { preview_->close_secondary_windows(); }
  void dismiss_popups() override { preview_->dismiss_popups(); }

  std::optional<StreamSettings> read_stream_fields() override {
    return preview_->read_stream_fields();
  }
  std::optional<std::wstring> pending_recording_bitrate_text() const override {
    return preview_->pending_recording_bitrate_text();
  }
  std::optional<std::wstring> pending_stream_bitrate_text() const override {
    return preview_->pending_stream_bitrate_text();
  }
  void clear_pending_bitrate_texts() override {
    preview_->clear_pending_recording_bitrate_text();
    preview_->clear_pending_stream_bitrate_text();
  }

  HWND stream_window() const override { return open_window(preview_->stream_window()); }
  HWND preferences_window() const override {
    return open_window(preview_->preferences_window());
  }
  HWND window() const override { return preview_->main_window(); }

 private:
  // Held by pointer: the window accessors of the setup windows are not
  // const, and the port's handle queries are.
  std::unique_ptr<ModernRecordingPreview> preview_;
};

}  // namespace

std::unique_ptr<MainWindowPort> make_product_main_window(
    HINSTANCE instance, HWND owner, win32_ui::scaffold::Application& application) {
  return std::make_unique<ProductMainWindow>(instance, owner, application);
}

}  // namespace quorvel::windows
