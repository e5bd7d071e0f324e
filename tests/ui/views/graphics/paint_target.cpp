#include "tests/ui/views/graphics/paint_target.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/support/png_maker.h"
#include "ui/views/graphics/dib_info.h"

namespace win32_ui::ui::graphics::test {

void PrintTo(const Rgb& color, std::ostream* out) {
  char text[16];
  std::snprintf(text, sizeof(text), "%02X %02X %02X", color.r, color.g, color.b);
  *out << text;
}

DibTarget::DibTarget(int width, int height, Rgb fill_color) : width_(width), height_(height) {
  BITMAPINFO info = win32_ui::ui::graphics::top_down_bitmap_info(width, height);
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  dc_ = CreateCompatibleDC(nullptr);
  EXPECT_NE(bitmap_, nullptr);
  EXPECT_NE(dc_, nullptr);
  bits_ = static_cast<std::uint8_t*>(bits);
  if (dc_ && bitmap_) previous_ = SelectObject(dc_, bitmap_);
  fill(fill_color);
}

DibTarget::~DibTarget() {
  if (dc_ && previous_) SelectObject(dc_, previous_);
  if (dc_) DeleteDC(dc_);
  if (bitmap_) DeleteObject(bitmap_);
}

void DibTarget::fill(Rgb color) {
  GdiFlush();
  if (!bits_) return;
  for (int i = 0; i < width_ * height_; ++i) {
    bits_[i * 4 + 0] = color.b;
    bits_[i * 4 + 1] = color.g;
    bits_[i * 4 + 2] = color.r;
    bits_[i * 4 + 3] = 0;
  }
}

Rgb DibTarget::pixel(int x, int y) const {
  GdiFlush();
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) {
    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is outside the target";
    return {};
  }
  const std::uint8_t* p = bits_ + (static_cast<size_t>(y) * width_ + x) * 4;
  return {p[2], p[1], p[0]};
}

Ink DibTarget::ink(Rgb background, RECT area) const {
  if (area.right <= area.left || area.bottom <= area.top) area = bounds();
  Ink ink;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (pixel(x, y) == background) continue;
      if (!ink.any) {
        ink = {true, x, y, x + 1, y + 1};
        continue;
      }
      ink.left = std::min(ink.left, x);
      ink.top = std::min(ink.top, y);
      ink.right = std::max(ink.right, x + 1);
      ink.bottom = std::max(ink.bottom, y + 1);
    }
  }
  return ink;
}

void DibTarget::save_png_if_asked(const std::string& name) const {
  const std::wstring folder = quorvel::test::environment(L"QUORVEL_CANVAS_PNG_DIR");
  if (folder.empty()) return;
  std::vector<Bgra> pixels;
  pixels.reserve(static_cast<size_t>(width_) * height_);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const Rgb c = pixel(x, y);
      pixels.push_back({c.b, c.g, c.r, 255});
    }
  }
  const std::vector<uint8_t> png = encode_png(width_, height_, pixels);
  std::ofstream file(std::filesystem::path(folder) / name, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

namespace {

const wchar_t kPopupClass[] = L"QuorvelCanvasTestPopup";

void register_popup_class() {
  static const ATOM atom = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kPopupClass;
    return RegisterClassExW(&window_class);
  }();
  EXPECT_NE(atom, 0);
}

}  // namespace

PopupWindow::PopupWindow(int x, int y, int width, int height) : width_(width), height_(height) {
  register_popup_class();
  hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPopupClass, L"", WS_POPUP, x, y,
                          width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  EXPECT_NE(hwnd_, nullptr);
  if (hwnd_) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}

PopupWindow::~PopupWindow() { destroy(); }

void PopupWindow::destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

void PopupWindow::with_dc(const std::function<void(HDC)>& paint) const {
  HDC dc = GetDC(hwnd_);
  ASSERT_NE(dc, nullptr);
  paint(dc);
  ReleaseDC(hwnd_, dc);
}

void PopupWindow::read_back(DibTarget& out) const {
  with_dc([&](HDC dc) {
    EXPECT_TRUE(BitBlt(out.dc(), 0, 0, width_, height_, dc, 0, 0, SRCCOPY));
  });
}

void on_fresh_thread(const std::function<void()>& body) {
  std::thread thread(body);
  thread.join();
}

}  // namespace win32_ui::ui::graphics::test
