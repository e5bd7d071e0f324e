#include "app/editor/screenshot_editor.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "app/common/translate.h"
#include "app/editor/screenshot_editor_toolbar_view.h"
#include "ui/platform/scaffold/message_dialog.h"
#include "ui/platform/theme/native_theme_registry.h"
#include "ui/views/graphics/gdi_handles.h"

namespace quorvel::windows {
namespace {

using win32_ui::modern::detail::ScopedSelection;
using win32_ui::modern::detail::UniqueGdiObject;

POINT client_point(LPARAM lparam) { return {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; }

bool register_class(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                    const wchar_t* cursor) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hIcon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                 GetSystemMetrics(SM_CYICON), LR_SHARED));
  window_class.hIconSm = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  window_class.hCursor = LoadCursorW(nullptr, cursor);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  window_class.lpszClassName = name;
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

ScreenshotEditor::ScreenshotEditor(HINSTANCE instance, DesktopSnapshot snapshot, POINT origin,
                                   std::wstring save_folder,
                                   win32_ui::NativeThemeRegistry& theme_registry,
                                   win32_ui::scaffold::Application& ui_context,
                                   std::function<void()> on_closed, EditorSeams seams)
    : instance_(instance),
      theme_registry_(theme_registry),
      ui_context_(ui_context),
      snapshot_(std::move(snapshot)),
      origin_(origin),
      save_folder_(std::move(save_folder)),
      on_closed_(std::move(on_closed)),
      theme_(theme_registry.theme()),
      seams_(std::move(seams)) {}

ScreenshotEditor::~ScreenshotEditor() {
  // Going away with the editor is not the user closing it.
  on_closed_ = nullptr;
  destroy_text_box();
  if (toolbar_) DestroyWindow(toolbar_);
  if (canvas_) DestroyWindow(canvas_);
  toolbar_view_.reset();
  back_buffer_.reset();
  snapshot_bitmap_.reset();
  toolbar_font_.reset();
  notice_.reset();
}

bool ScreenshotEditor::register_window_classes(HINSTANCE instance) {
  return register_class(instance, kScreenshotCanvasClass, &ScreenshotEditor::canvas_window_proc,
                        IDC_CROSS) &&
         register_class(instance, kScreenshotToolbarClass,
                        &ScreenshotEditor::toolbar_window_proc, IDC_ARROW);
}

bool ScreenshotEditor::open(const RECT& screen_rect, SnapshotProvider provider) {
  if (canvas_ || screen_rect.left >= screen_rect.right || screen_rect.top >= screen_rect.bottom ||
      !provider || !register_window_classes(instance_)) {
    return false;
  }
  origin_ = {screen_rect.left, screen_rect.top};
  canvas_size_ = {screen_rect.right - screen_rect.left, screen_rect.bottom - screen_rect.top};
  selection_ = {0, 0, canvas_size_.cx, canvas_size_.cy};
  provider_ = std::move(provider);
  selecting_ = true;

  const std::wstring title = translate(ui_context_, L"window.editor");
  HWND canvas = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
                                kScreenshotCanvasClass, title.c_str(), WS_POPUP | WS_CLIPCHILDREN,
                                origin_.x, origin_.y, canvas_size_.cx, canvas_size_.cy, nullptr,
                                nullptr, instance_, this);
  if (!canvas || !exclude_from_capture(canvas)) {
    // A canvas that never opened is no close for the shell to hear about.
    if (canvas) {
      close_notified_ = true;
      DestroyWindow(canvas);
      close_notified_ = false;
    }
    provider_ = nullptr;
    selecting_ = false;
    return false;
  }

  POINT cursor{};
  if (GetCursorPos(&cursor)) update_hover_selection(cursor);
  ShowWindow(canvas_, SW_SHOWNORMAL);
  SetForegroundWindow(canvas_);
  SetFocus(canvas_);
  SetTimer(canvas_, kHoverSnapTimer, kHoverSnapIntervalMs, nullptr);
  return true;
}

bool ScreenshotEditor::exclude_from_capture(HWND window) {
  if (seams_.exclude_from_capture) return seams_.exclude_from_capture(window);
  return SetWindowDisplayAffinity(window, WDA_EXCLUDEFROMCAPTURE) != FALSE;
}

void ScreenshotEditor::report_error(std::wstring_view key) {
  const std::wstring text = translate(ui_context_, key);
  HWND owner = toolbar_ ? toolbar_ : canvas_;
  if (seams_.show_message) {
    seams_.show_message(owner, text);
    return;
  }
  win32_ui::scaffold::message_box(ui_context_, owner, text, L"Quorvel", MB_ICONERROR);
}

void ScreenshotEditor::bring_to_front() {
  if (!canvas_) return;
  for (HWND window : {canvas_, toolbar_}) {
    if (!window) continue;
    ShowWindow(window, SW_SHOWNORMAL);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE);
  }
  SetForegroundWindow(canvas_);
}

void ScreenshotEditor::set_theme(const win32_ui::Theme& theme) {
  theme_ = theme;
  if (notice_) notice_->apply_theme(theme_);
  if (toolbar_view_ && toolbar_view_->attached()) {
    toolbar_view_->apply_theme(theme_);
    // The owner-drawn buttons paint in the editor's theme, not the
    // registry's: they are repainted here.
    RedrawWindow(toolbar_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
  if (canvas_) InvalidateRect(canvas_, nullptr, FALSE);
}

UINT ScreenshotEditor::dpi() const {
  const UINT value = canvas_ ? GetDpiForWindow(canvas_) : 0;
  return value ? value : 96;
}

LRESULT CALLBACK ScreenshotEditor::canvas_window_proc(HWND window, UINT message, WPARAM wparam,
                                                      LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* editor = static_cast<ScreenshotEditor*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(editor));
    if (editor) editor->canvas_ = window;
  }
  auto* editor = reinterpret_cast<ScreenshotEditor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!editor) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  try {
    return editor->handle_message(message, wparam, lparam);
  } catch (...) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
}

LRESULT ScreenshotEditor::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = canvas_;
  switch (message) {
    case WM_DESTROY:
      on_destroy();
      return 0;
    case WM_PAINT:
      if (selecting_) {
        // The layered content is pushed by render_overlay.
        PAINTSTRUCT paint_struct{};
        BeginPaint(window, &paint_struct);
        EndPaint(window, &paint_struct);
      } else {
        paint();
      }
      return 0;
    case WM_ERASEBKGND:
    case WM_NCHITTEST:
      return 1;
    case WM_SETCURSOR:
      set_cursor_for_position();
      return TRUE;
    case WM_CLOSE:
      close();
      return 0;
    case WM_KEYDOWN:
      return handle_key_down(wparam, lparam);
    case WM_TIMER:
      on_timer(static_cast<UINT_PTR>(wparam));
      return 0;
    case WM_MOUSEMOVE:
      on_mouse_move(wparam, lparam);
      return 0;
    case WM_LBUTTONDOWN:
      on_left_button_down(lparam);
      return 0;
    case WM_LBUTTONUP:
      on_left_button_up(wparam, lparam);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (selecting_) {
        confirm_selection(true, false);
      } else {
        commit_text_box();
        finish();
      }
      return 0;
    case WM_RBUTTONDOWN:
      if (selecting_) close();
      return 0;
    case WM_CAPTURECHANGED:
      select_button_down_ = false;
      active_handle_ = kHandleNone;
      if (drawing_) {
        // The mark being drawn is dropped, from view too.
        drawing_ = false;
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == kTextBoxId && HIWORD(wparam) == EN_KILLFOCUS) {
        commit_text_box();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT ScreenshotEditor::handle_key_down(WPARAM wparam, LPARAM lparam) {
  if (wparam == VK_ESCAPE) {
    close();
    return 0;
  }
  if (selecting_) {
    if (wparam == VK_RETURN) confirm_selection(true, false);
    return 0;
  }
  if (wparam == VK_RETURN) {
    finish();
    return 0;
  }
  if (GetKeyState(VK_CONTROL) < 0) {
    switch (wparam) {
      case 'Z':
        undo();
        return 0;
      case 'C':
        copy_to_clipboard();
        return 0;
      case 'S':
        save();
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcW(canvas_, WM_KEYDOWN, wparam, lparam);
}

void ScreenshotEditor::on_timer(UINT_PTR id) {
  if (id == kToolbarDelayTimer) {
    show_toolbar();
  } else if (id == kHoverSnapTimer && selecting_) {
    POINT cursor{};
    if (GetCursorPos(&cursor)) update_hover_selection(cursor);
  }
}

void ScreenshotEditor::set_cursor_for_position() {
  const wchar_t* cursor = IDC_CROSS;
  POINT point{};
  if (!selecting_ && GetCursorPos(&point) && ScreenToClient(canvas_, &point)) {
    switch (hit_test_handle(point)) {
      case kHandleLeft:
      case kHandleRight:
        cursor = IDC_SIZEWE;
        break;
      case kHandleTop:
      case kHandleBottom:
        cursor = IDC_SIZENS;
        break;
      default:
        break;
    }
  }
  SetCursor(LoadCursorW(nullptr, cursor));
}

void ScreenshotEditor::on_mouse_move(WPARAM, LPARAM lparam) {
  const POINT point = client_point(lparam);
  if (!selecting_) {
    if (active_handle_ != kHandleNone) {
      resize_selection(point);
    } else if (drawing_) {
      extend_drag(lparam);
    }
    return;
  }
  if (!select_button_down_) {
    update_hover_selection({point.x + origin_.x, point.y + origin_.y});
    return;
  }
  const LONG x = std::clamp<LONG>(point.x, 0, canvas_size_.cx - 1);
  const LONG y = std::clamp<LONG>(point.y, 0, canvas_size_.cy - 1);
  const int threshold_x = std::max(2, GetSystemMetrics(SM_CXDRAG) / 2);
  const int threshold_y = std::max(2, GetSystemMetrics(SM_CYDRAG) / 2);
  if (std::abs(x - drag_start_.x) >= threshold_x || std::abs(y - drag_start_.y) >= threshold_y) {
    select_dragged_ = true;
  }
  if (!select_dragged_) return;
  selection_ = {std::min(x, drag_start_.x), std::min(y, drag_start_.y),
                std::max(x, drag_start_.x) + 1, std::max(y, drag_start_.y) + 1};
  render_overlay();
}

void ScreenshotEditor::on_left_button_down(LPARAM lparam) {
  const POINT point = client_point(lparam);
  if (selecting_) {
    update_hover_selection({point.x + origin_.x, point.y + origin_.y});
    drag_start_ = point;
    select_button_down_ = true;
    select_dragged_ = false;
    SetCapture(canvas_);
    return;
  }
  if (toolbar_pending_) show_toolbar();
  on_editing_press(lparam);
}

void ScreenshotEditor::on_left_button_up(WPARAM wparam, LPARAM lparam) {
  if (selecting_) {
    if (!select_button_down_) return;
    SendMessageW(canvas_, WM_MOUSEMOVE, wparam, lparam);
    select_button_down_ = false;
    // Kept, the capture would send every later click of this thread (the
    // toolbar's included) to the canvas.
    if (GetCapture() == canvas_) ReleaseCapture();
    confirm_selection(false, !select_dragged_);
    return;
  }
  if (active_handle_ == kHandleNone) {
    if (drawing_) end_drag(lparam);
    return;
  }
  resize_selection(client_point(lparam));
  active_handle_ = kHandleNone;
  if (GetCapture() == canvas_) ReleaseCapture();
}

int ScreenshotEditor::hit_test_handle(POINT point) const {
  const LONG mid_x = (selection_.left + selection_.right) / 2;
  const LONG mid_y = (selection_.top + selection_.bottom) / 2;
  const POINT centres[] = {{selection_.left, mid_y},
                           {selection_.right - 1, mid_y},
                           {mid_x, selection_.top},
                           {mid_x, selection_.bottom - 1}};
  const int tolerance = std::max(4, MulDiv(5, static_cast<int>(dpi()), 96));
  for (int index = 0; index < 4; ++index) {
    if (std::abs(point.x - centres[index].x) <= tolerance &&
        std::abs(point.y - centres[index].y) <= tolerance) {
      return index + 1;
    }
  }
  return kHandleNone;
}

void ScreenshotEditor::resize_selection(POINT point) {
  const LONG width = static_cast<LONG>(snapshot_.width);
  const LONG height = static_cast<LONG>(snapshot_.height);
  RECT& s = selection_;
  switch (active_handle_) {
    case kHandleLeft:
      s.left = std::clamp<LONG>(point.x, 0, std::max<LONG>(0, s.right - 1));
      break;
    case kHandleRight:
      s.right = std::clamp<LONG>(point.x + 1, s.left + 1, std::max(s.left + 1, width));
      break;
    case kHandleTop:
      s.top = std::clamp<LONG>(point.y, 0, std::max<LONG>(0, s.bottom - 1));
      break;
    case kHandleBottom:
      s.bottom = std::clamp<LONG>(point.y + 1, s.top + 1, std::max(s.top + 1, height));
      break;
    default:
      return;
  }
  // The toolbar follows the new edge, so a grown selection never ends up under it.
  place_toolbar();
  if (canvas_) InvalidateRect(canvas_, nullptr, FALSE);
}

bool ScreenshotEditor::to_image_point(LPARAM lparam, bool clamp, POINT& point) const {
  const POINT client = client_point(lparam);
  const LONG width = static_cast<LONG>(snapshot_.width);
  const LONG height = static_cast<LONG>(snapshot_.height);
  if (client.x >= 0 && client.y >= 0 && client.x < width && client.y < height) {
    point = client;
    return true;
  }
  if (clamp && width > 0 && height > 0) {
    point = {std::clamp<LONG>(client.x, 0, width - 1), std::clamp<LONG>(client.y, 0, height - 1)};
  }
  return false;
}

void ScreenshotEditor::close() {
  if (canvas_) DestroyWindow(canvas_);
}

void ScreenshotEditor::on_destroy() {
  KillTimer(canvas_, kHoverSnapTimer);
  KillTimer(canvas_, kToolbarDelayTimer);
  toolbar_pending_ = false;
  if (toolbar_) DestroyWindow(std::exchange(toolbar_, nullptr));
  destroy_text_box();
  drawing_ = false;
  canvas_ = nullptr;
  back_buffer_.reset();
  snapshot_bitmap_.reset();
  snapshot_ = DesktopSnapshot{};
  if (close_notified_) return;
  close_notified_ = true;
  if (on_closed_) on_closed_();
}

bool ScreenshotEditor::create_snapshot_bitmap() {
  snapshot_bitmap_.reset();
  const DesktopSnapshot& image = snapshot_;
  if (image.width == 0 || image.height == 0 || image.stride != image.width * 4 ||
      image.pixels.size() != static_cast<size_t>(image.height) * image.stride) {
    return false;
  }
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  std::uint8_t* bits = nullptr;
  const bool made = snapshot_bitmap_.create_dib(screen, static_cast<int>(image.width),
                                                static_cast<int>(image.height), &bits);
  ReleaseDC(nullptr, screen);
  if (!made) return false;
  std::copy(image.pixels.begin(), image.pixels.end(), bits);
  return true;
}

bool ScreenshotEditor::ensure_back_buffer(HDC window_dc, const RECT& client) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return false;
  if (back_buffer_.valid() && back_buffer_.width() == width && back_buffer_.height() == height) {
    return true;
  }
  return back_buffer_.create_compatible(window_dc, width, height);
}

void ScreenshotEditor::paint() {
  PAINTSTRUCT paint_struct{};
  HDC window_dc = BeginPaint(canvas_, &paint_struct);
  if (!window_dc) return;
  RECT client{};
  GetClientRect(canvas_, &client);
  const bool buffered = ensure_back_buffer(window_dc, client);
  HDC dc = buffered ? back_buffer_.dc() : window_dc;
  const RECT& update = paint_struct.rcPaint;

  // Only the update rectangle is drawn and copied: a drag repaints a strip,
  // not the monitor.
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, update.left, update.top, update.right, update.bottom);
  UniqueGdiObject background(CreateSolidBrush(theme_.color(win32_ui::ThemeColor::accent)));
  if (background) FillRect(dc, &client, static_cast<HBRUSH>(background.get()));
  if (snapshot_bitmap_.valid()) {
    BitBlt(dc, 0, 0, snapshot_bitmap_.width(), snapshot_bitmap_.height(), snapshot_bitmap_.dc(), 0,
           0, SRCCOPY);
  }
  draw_annotations(dc);
  draw_selection_frame(dc);
  RestoreDC(dc, saved);

  if (buffered) {
    BitBlt(window_dc, update.left, update.top, update.right - update.left,
           update.bottom - update.top, dc, update.left, update.top, SRCCOPY);
  }
  EndPaint(canvas_, &paint_struct);
}

void ScreenshotEditor::draw_selection_frame(HDC dc) {
  const int scale = static_cast<int>(dpi());
  const COLORREF accent = theme_.color(win32_ui::ThemeColor::accent);
  UniqueGdiObject pen(CreatePen(PS_SOLID, std::max(1, MulDiv(2, scale, 96)), accent));
  if (!pen) return;
  ScopedSelection pen_selection(dc, pen.get());
  {
    ScopedSelection brush_selection(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, selection_.left, selection_.top, selection_.right, selection_.bottom);
  }
  const LONG half = std::max(3, MulDiv(4, scale, 96));
  const LONG mid_x = (selection_.left + selection_.right) / 2;
  const LONG mid_y = (selection_.top + selection_.bottom) / 2;
  const POINT centres[] = {{selection_.left, mid_y},
                           {selection_.right - 1, mid_y},
                           {mid_x, selection_.top},
                           {mid_x, selection_.bottom - 1}};
  ScopedSelection brush_selection(dc, GetStockObject(WHITE_BRUSH));
  for (const POINT& centre : centres) {
    Rectangle(dc, centre.x - half, centre.y - half, centre.x + half + 1, centre.y + half + 1);
  }
}

}  // namespace quorvel::windows
