#include "bench/endurance/bench_main_window.h"

#include <cstdint>
#include <functional>
#include <utility>

namespace quorvel::bench {
namespace {

HWND open_window(const win32_ui::scaffold::Window& window) {
  return window.is_open() ? window.hwnd() : nullptr;
}

}  // namespace

BenchMainWindow::BenchMainWindow(HINSTANCE instance, HWND owner,
                                 win32_ui::scaffold::Application& application)
    : preview_(std::make_unique<windows::ModernRecordingPreview>(instance, owner, application)) {}

HWND BenchMainWindow::stream_window() const { return open_window(preview_->stream_window()); }

HWND BenchMainWindow::preferences_window() const {
  return open_window(preview_->preferences_window());
}

void BenchMainWindow::set_handlers(windows::MainWindowHandlers handlers) {
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

}  // namespace quorvel::bench
