// The watermark window: edits a working copy of the watermark that reaches
// the application only whole, on save.
#include <string>
#include <utility>

#include "app/setup/modern_recording_preview.h"
#include "app/setup/setup_window_body.h"
#include "app/setup/watermark_tree.h"
#include "ui/platform/theme/window_subclass.h"

namespace quorvel::windows {
namespace {

using win32_ui::scaffold::WindowOptions;

void stop_hint(HWND window) {
  KillTimer(window, kWatermarkHintTimerId);
  win32_ui::remove_window_subclass(window, watermark_subclass_proc, kWatermarkSubclassId);
}

}  // namespace

void ModernRecordingPreview::show_watermark_window() {
  if (!preferences_window_.is_open() || !callbacks_.watermark) return;
  if (watermark_window_.is_open()) {
    watermark_window_.activate();
    return;
  }
  watermark_edit_ = callbacks_.watermark();
  WindowOptions options = secondary_window_options(
      text(L"window.watermark"), instance_, preferences_window_.hwnd(), {700.0f, 699.0f}, 620.0f);
  options.title = win32_ui::modern::LocalizedText::from_key(L"window.watermark", {});
  if (!watermark_window_.create(options)) return;
  apply_window_theme(watermark_window_, theme_);
  HWND window = watermark_window_.hwnd();
  set_window_icons(window, instance_);
  rebuild_watermark_view();
  watermark_window_.show(SW_SHOWNORMAL);
  SetForegroundWindow(window);
}

void ModernRecordingPreview::rebuild_watermark_view() {
  if (!watermark_window_.is_open()) return;
  HWND window = watermark_window_.hwnd();
  stop_hint(window);
  WatermarkImagePicker* picker = nullptr;
  auto root = build_watermark_tree(
      watermark_edit_, application_->language(),
      [this](bool enabled) { watermark_edit_.enabled = enabled; },
      [this](int mode) {
        watermark_edit_.mode =
            mode == RecordingWatermark::kModeImage ? mode : RecordingWatermark::kModeText;
      },
      [this](std::wstring_view typed) { watermark_edit_.text = std::wstring(typed); },
      [this] { return browse_watermark_image(); }, [this] { save_watermark(); }, &picker);
  install_window_body(watermark_window_, std::move(root));
  // Without the subclass the prompt only stays still.
  if (picker && win32_ui::install_window_subclass(window, watermark_subclass_proc,
                                                  kWatermarkSubclassId,
                                                  reinterpret_cast<DWORD_PTR>(picker))) {
    SetTimer(window, kWatermarkHintTimerId, kWatermarkHintPeriodMs, nullptr);
  }
}

std::wstring ModernRecordingPreview::browse_watermark_image() {
  if (!callbacks_.browse_image) return {};
  std::wstring path = callbacks_.browse_image(watermark_window_.hwnd());
  if (path.empty()) return {};
  watermark_edit_.image_path = path;
  return path;
}

void ModernRecordingPreview::save_watermark() {
  if (!callbacks_.save_watermark || !callbacks_.save_watermark(watermark_edit_)) return;
  rebuild_preferences_view();
  // Posted: the save button that runs this belongs to the window's tree.
  watermark_window_.hide();
  PostMessageW(watermark_window_.hwnd(), WM_CLOSE, 0, 0);
}

LRESULT CALLBACK watermark_subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR id, DWORD_PTR reference) {
  auto* picker = reinterpret_cast<WatermarkImagePicker*>(reference);
  return win32_ui::guarded_subclass_call(window, message, wparam, lparam, [&]() -> LRESULT {
    if (message == WM_TIMER && wparam == kWatermarkHintTimerId) {
      if (picker && !picker->image().valid() && picker->is_enabled()) {
        picker->show_alternate(!picker->shows_alternate());
        picker->invalidate();
      }
      return 0;
    }
    if (message == WM_NCDESTROY) {
      KillTimer(window, kWatermarkHintTimerId);
      win32_ui::remove_window_subclass(window, watermark_subclass_proc, id);
    }
    return win32_ui::default_subclass_proc(window, message, wparam, lparam);
  });
}

}  // namespace quorvel::windows
