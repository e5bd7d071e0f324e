#include <gtest/gtest.h>

#include "tests/account/ui/account_ui_fixture.h"
#include "tests/ui/views/graphics/paint_target.h"

namespace halvarin::sdk::ui::test {

bool save_window_picture(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client{};
  GetClientRect(window, &client);
  win32_ui::ui::graphics::test::DibTarget pixels(client.right, client.bottom);
  HDC dc = GetDC(window);
  BitBlt(pixels.dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  ReleaseDC(window, dc);
  pixels.save_png_if_asked(name);
  return pixels.ink(pixels.pixel(2, 2)).any;
}

}  // namespace halvarin::sdk::ui::test
