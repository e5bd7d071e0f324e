// The App's still images of the target monitor: the frozen image under the
// region selection, and the screenshot command that hands the monitor to
// the screenshot editor and restores everything when the editor closes.
#include <dwmapi.h>

#include <cstring>
#include <utility>

#include "app/app.h"
#include "app/overlay/monitor_rect.h"

namespace quorvel::windows {
namespace {

constexpr int32_t kSnapshotTimeoutMs = 2000;

// The screen's DC for as long as the snapshot's bitmap is being made.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace

HRESULT App::capture_region_snapshot() {
  release_region_snapshot();
  const bool icon_was_shown = tray_.icon_shown();
  DesktopSnapshot snapshot;
  // The program's own windows would otherwise be frozen into the image.
  const auto hide_own_windows = [this] {
    ShowWindow(overlay_window_, SW_HIDE);
    if (main_window_) main_window_->dismiss_popups();
    tray_.hide_icon();
    DwmFlush();
  };
  const HRESULT result = capture_desktop_snapshot(target_monitor_, snapshot, kSnapshotTimeoutMs,
                                                  hide_own_windows, capture_seams());
  if (icon_was_shown) tray_.show_icon();
  if (FAILED(result)) return result;

  const SIZE monitor = monitor_size();
  if (snapshot.width != static_cast<uint32_t>(monitor.cx) ||
      snapshot.height != static_cast<uint32_t>(monitor.cy) ||
      snapshot.pixels.size() < static_cast<size_t>(snapshot.width) * snapshot.height * 4) {
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  }
  const ScreenDc screen;
  if (screen.get() == nullptr) return HRESULT_FROM_WIN32(GetLastError());

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = monitor.cx;
  info.bmiHeader.biHeight = -monitor.cy;  // top-down rows, as the snapshot
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  region_snapshot_.dc = CreateCompatibleDC(screen.get());
  void* bits = nullptr;
  region_snapshot_.bitmap =
      region_snapshot_.dc != nullptr
          ? CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0)
          : nullptr;
  if (region_snapshot_.bitmap == nullptr || bits == nullptr) {
    release_region_snapshot();
    return E_OUTOFMEMORY;
  }
  region_snapshot_.previous = SelectObject(region_snapshot_.dc, region_snapshot_.bitmap);
  region_snapshot_.pixels = static_cast<uint8_t*>(bits);
  std::memcpy(bits, snapshot.pixels.data(), static_cast<size_t>(monitor.cx) * monitor.cy * 4);
  region_snapshot_.width = monitor.cx;
  region_snapshot_.height = monitor.cy;
  return S_OK;
}

void App::release_region_snapshot() {
  if (region_snapshot_.dc != nullptr && region_snapshot_.previous != nullptr) {
    SelectObject(region_snapshot_.dc, region_snapshot_.previous);
  }
  if (region_snapshot_.bitmap != nullptr) DeleteObject(region_snapshot_.bitmap);
  if (region_snapshot_.dc != nullptr) DeleteDC(region_snapshot_.dc);
  region_snapshot_ = {};
}

void App::begin_screenshot() {
  if (busy() || selecting_) {
    show_message_to(control_window_ != nullptr ? control_window_ : host_window_,
                    L"message.screenshot_while_recording", {}, MB_ICONINFORMATION);
    return;
  }
  if (editor_ && editor_->is_open()) {
    editor_->bring_to_front();
    return;
  }
  editor_.reset();

  restore_target_ = {target_monitor_, monitor_rect_, display_density_};
  POINT cursor{};
  GetCursorPos(&cursor);
  target_monitor_ = MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST);
  monitor_rect_ = monitor_rect(target_monitor_);
  display_density_ = read_display_density(target_monitor_);
  capture_->stop();

  reactivate_after_screenshot_ = false;
  if (main_window_) {
    const HWND window = main_window_->window();
    reactivate_after_screenshot_ =
        window != nullptr && IsWindow(window) && IsWindowVisible(window) && !IsIconic(window);
    main_window_->dismiss_popups();
  }
  ShowWindow(overlay_window_, SW_HIDE);
  DwmFlush();

  const RECT editor_rect = truncated_monitor_rect(monitor_rect_);
  if (platform_.make_editor) {
    editor_ = platform_.make_editor(instance_, DesktopSnapshot{}, monitor_origin(monitor_rect_),
                                    setup_.output_folder, *theme_registry_, application_,
                                    [this] {
                                      restart_desktop_capture();
                                      show_overlay();
                                      update_record_availability();
                                    });
  }
  const HMONITOR monitor = target_monitor_;
  const DesktopCaptureSeams seams = capture_seams();
  const auto capture = [monitor, seams](DesktopSnapshot& snapshot) {
    return capture_desktop_snapshot(monitor, snapshot, kSnapshotTimeoutMs, [] { DwmFlush(); },
                                    seams);
  };
  if (editor_ && editor_->open(editor_rect, capture)) return;

  editor_.reset();
  restart_desktop_capture();
  show_overlay();
  show_message(L"message.editor_create_failed", {}, MB_ICONERROR);
}

}  // namespace quorvel::windows
