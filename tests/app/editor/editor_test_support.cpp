#include "tests/app/editor/editor_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <fstream>

#include "app/common/text_catalog.h"
#include "app/editor/screenshot_editor_toolbar_view.h"
#include "tests/support/png_maker.h"
#include "tests/support/test_support.h"
#include "ui/views/graphics/dib_info.h"

namespace quorvel::windows::test {
namespace {

const wchar_t kDecoyClass[] = L"QuorvelEditorTestDecoy";

void register_decoy_class(WNDPROC procedure) {
  static const ATOM atom = [procedure] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    window_class.lpszClassName = kDecoyClass;
    return RegisterClassExW(&window_class);
  }();
  EXPECT_NE(atom, 0);
}

}  // namespace

DesktopSnapshot pattern_snapshot(uint32_t width, uint32_t height) {
  DesktopSnapshot snapshot;
  snapshot.width = width;
  snapshot.height = height;
  snapshot.stride = width * 4;
  snapshot.pixels.resize(static_cast<size_t>(height) * snapshot.stride);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* pixel = snapshot.pixels.data() + y * snapshot.stride + x * 4;
      pixel[0] = static_cast<uint8_t>(x % 251);
      pixel[1] = static_cast<uint8_t>(y % 241);
      pixel[2] = static_cast<uint8_t>((7 * x + 13 * y) % 256);
      pixel[3] = 255;
    }
  }
  return snapshot;
}

COLORREF pattern_color(int x, int y) {
  return RGB((7 * x + 13 * y) % 256, y % 241, x % 251);
}

std::unique_ptr<DecoyWindow> DecoyWindow::popup(RECT screen, bool visible, bool topmost) {
  register_decoy_class(&DecoyWindow::procedure);
  std::unique_ptr<DecoyWindow> decoy(new DecoyWindow());
  const DWORD ex_style = (topmost ? WS_EX_TOPMOST : 0) | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  decoy->hwnd_ = CreateWindowExW(ex_style, kDecoyClass,
                                 L"decoy", WS_POPUP | WS_CLIPCHILDREN, screen.left, screen.top,
                                 screen.right - screen.left, screen.bottom - screen.top, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), decoy.get());
  EXPECT_NE(decoy->hwnd_, nullptr) << GetLastError();
  if (decoy->hwnd_ && visible) {
    ShowWindow(decoy->hwnd_, SW_SHOWNOACTIVATE);
    SetWindowPos(decoy->hwnd_, topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  pump_messages();
  return decoy;
}

std::unique_ptr<DecoyWindow> DecoyWindow::child(HWND parent, RECT client) {
  register_decoy_class(&DecoyWindow::procedure);
  std::unique_ptr<DecoyWindow> decoy(new DecoyWindow());
  decoy->hwnd_ = CreateWindowExW(0, kDecoyClass, L"child", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                 client.left, client.top, client.right - client.left,
                                 client.bottom - client.top, parent, nullptr,
                                 GetModuleHandleW(nullptr), decoy.get());
  EXPECT_NE(decoy->hwnd_, nullptr) << GetLastError();
  pump_messages();
  return decoy;
}

DecoyWindow::~DecoyWindow() {
  if (hwnd_ && IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  pump_messages();
}

LRESULT CALLBACK DecoyWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* decoy = reinterpret_cast<DecoyWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (decoy && message == WM_LBUTTONDOWN) ++decoy->clicks_down_;
  if (decoy && message == WM_LBUTTONUP) ++decoy->clicks_up_;
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProcW(window, message, wparam, lparam);
}

int window_text_width(HWND window) {
  wchar_t text[256] = {};
  const int length = GetWindowTextW(window, text, 256);
  HDC dc = GetDC(window);
  if (!dc) return -1;
  const HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  SIZE size{};
  const BOOL measured = GetTextExtentPoint32W(dc, text, length, &size);
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return measured ? size.cx : -1;
}

int text_width_in(HWND window, const std::wstring& text) {
  HDC dc = GetDC(window);
  if (!dc) return -1;
  const HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  SIZE size{};
  const BOOL measured =
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return measured ? size.cx : -1;
}

int thickness_list_column(HWND toolbar, UINT dpi) {
  HWND list = GetDlgItem(toolbar, kToolbarThicknessId);
  int widest = 0;
  const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
  for (LRESULT index = 0; index < count; ++index) {
    wchar_t item[32] = {};
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item));
    widest = std::max(widest, text_width_in(list, item));
  }
  const int scale = static_cast<int>(dpi);
  const int pixels = widest + MulDiv(8, scale, 96) + MulDiv(36, scale, 96);
  return std::max(64, (pixels * 96 + scale - 1) / scale);
}

UINT display_dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

void pump_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool pump_until(const std::function<bool()>& done) {
  const ULONGLONG deadline = GetTickCount64() + 5000;
  for (;;) {
    pump_messages();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                              QS_ALLINPUT);
  }
}

WindowPixels::WindowPixels(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  width_ = client.right;
  height_ = client.bottom;
  pixels_.assign(static_cast<size_t>(width_) * height_, 0);
  HDC window_dc = GetDC(window);
  HDC memory = CreateCompatibleDC(window_dc);
  BITMAPINFO info = win32_ui::ui::graphics::top_down_bitmap_info(width_, height_);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  EXPECT_TRUE(BitBlt(memory, 0, 0, width_, height_, window_dc, 0, 0, SRCCOPY));
  GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < pixels_.size(); ++i) {
    const uint32_t bgra = source[i];
    pixels_[i] = RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, window_dc);
}

COLORREF WindowPixels::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void WindowPixels::save_png_if_asked(const std::string& name) const {
  const std::wstring folder = quorvel::test::environment(L"QUORVEL_CANVAS_PNG_DIR");
  if (folder.empty()) return;
  using win32_ui::ui::graphics::test::Bgra;
  std::vector<Bgra> pixels;
  pixels.reserve(pixels_.size());
  for (uint32_t color : pixels_) {
    pixels.push_back({GetBValue(color), GetGValue(color), GetRValue(color), 255});
  }
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::vector<uint8_t> png =
      win32_ui::ui::graphics::test::encode_png(width_, height_, pixels);
  if (SUCCEEDED(com)) CoUninitialize();
  std::ofstream file(std::filesystem::path(folder) / name, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

HeldKeys::HeldKeys(std::initializer_list<int> keys) {
  GetKeyboardState(saved_);
  BYTE state[256];
  std::copy(std::begin(saved_), std::end(saved_), std::begin(state));
  for (int key : keys) state[key] |= 0x80;
  SetKeyboardState(state);
}

HeldKeys::~HeldKeys() { SetKeyboardState(saved_); }

EditorFixture::EditorFixture() {
  application.set_resource_bundle(text_catalog_bundle());
  application.set_language(L"en-US");
  registry = win32_ui::NativeThemeRegistry::create(win32_ui::kThemeModeLight,
                                                    win32_ui::kDefaultAccent);
  capture = [](DesktopSnapshot& snapshot) {
    snapshot = pattern_snapshot(kCanvasWidth, kCanvasHeight);
    return S_OK;
  };
  EditorSeams seams = recording_seams(*this);
  seams.choose_color = [this](HWND owner, COLORREF& color, std::array<COLORREF, 16>& custom) {
    return choose_color ? choose_color(owner, color, custom) : false;
  };
  seams.create_toolbar_window = [this](DWORD ex_style, const wchar_t* class_name, DWORD style,
                                       int width, int height, HWND owner, HINSTANCE instance,
                                       void* parameter) -> HWND {
    ++toolbar_creations;
    if (refuse_toolbar) return nullptr;
    return CreateWindowExW(ex_style, class_name, L"", style, 0, 0, width, height, owner, nullptr,
                           instance, parameter);
  };
  editor = std::make_unique<ScreenshotEditor>(GetModuleHandleW(nullptr), DesktopSnapshot{},
                                              POINT{0, 0}, L"C:\\", *registry, application,
                                              [this] { ++closes; }, std::move(seams));
}

EditorFixture::~EditorFixture() {
  editor.reset();
  pump_messages();
}

EditorSeams recording_seams(EditorFixture& fixture) {
  EditorSeams seams;
  seams.exclude_from_capture = [&fixture](HWND) { return fixture.allow_exclusion; };
  seams.show_message = [&fixture](HWND owner, std::wstring_view text) {
    fixture.messages.push_back({owner, std::wstring(text)});
  };
  return seams;
}

bool EditorFixture::open(POINT cursor) {
  SetCursorPos(cursor.x, cursor.y);
  const bool opened = editor->open(kCanvasRect, [this](DesktopSnapshot& snapshot) {
    ++provider_calls;
    return capture(snapshot);
  });
  pump_messages();
  return opened;
}

LRESULT EditorFixture::send(UINT message, WPARAM wparam, LPARAM lparam) {
  return SendMessageW(editor->canvas(), message, wparam, lparam);
}

void EditorFixture::press(int x, int y) { send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }

void EditorFixture::move(int x, int y, bool button_down) {
  send(WM_MOUSEMOVE, button_down ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

void EditorFixture::release(int x, int y) { send(WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }

void EditorFixture::drag(POINT from, POINT to) {
  press(from.x, from.y);
  move(to.x, to.y);
  release(to.x, to.y);
}

bool EditorFixture::layered() const {
  return (GetWindowLongPtrW(editor->canvas(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

}  // namespace quorvel::windows::test
