// A window's small icon as a toolkit image: the pixels come through the
// Imaging Component premultiplied, oversized and missing icons give none,
// and the title row takes the icon the window was given.
#include "ui/platform/hosting/window_icon_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/platform/fake_dwm_attributes.h"
#include "tests/ui/platform/hosting/host_test_window.h"
#include "ui/platform/hosting/chrome_title.h"
#include "ui/platform/hosting/window_chrome.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

// An owned icon of one opaque colour.
class SolidIcon {
 public:
  SolidIcon(int side, std::uint32_t bgra) {
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof(header);
    header.bV5Width = side;
    header.bV5Height = -side;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                     DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (color != nullptr && bits != nullptr) {
      auto* pixels = static_cast<std::uint32_t*>(bits);
      for (int i = 0; i < side * side; ++i) pixels[i] = bgra;
    }
    HBITMAP mask = CreateBitmap(side, side, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = mask;
    icon_ = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
  }
  ~SolidIcon() {
    if (icon_ != nullptr) DestroyIcon(icon_);
  }
  SolidIcon(const SolidIcon&) = delete;
  SolidIcon& operator=(const SolidIcon&) = delete;
  HICON get() const { return icon_; }

 private:
  HICON icon_ = nullptr;
};

class WindowIconImageTest : public ::testing::Test {
 protected:
  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
};

TEST_F(WindowIconImageTest, ConvertsAnIconIntoBgraPixels) {
  SolidIcon icon(16, 0xFF2040C0);
  ASSERT_NE(icon.get(), nullptr);
  ui::graphics::Image image;

  ASSERT_EQ(image_from_icon(icon.get(), image), S_OK);

  ASSERT_EQ(image.width(), 16u);
  ASSERT_EQ(image.height(), 16u);
  const std::uint8_t* centre = image.pixels().data() + 8 * image.stride() + 8 * 4;
  EXPECT_EQ(centre[0], 0xC0);
  EXPECT_EQ(centre[1], 0x40);
  EXPECT_EQ(centre[2], 0x20);
  EXPECT_EQ(centre[3], 0xFF);
}

TEST_F(WindowIconImageTest, RefusesMissingAndOversizedIcons) {
  SolidIcon huge(300, 0xFF000000);
  ui::graphics::Image image;
  EXPECT_EQ(image_from_icon(nullptr, image), E_INVALIDARG);
  EXPECT_EQ(image_from_icon(huge.get(), image), E_INVALIDARG);
  EXPECT_FALSE(image.valid());
}

TEST_F(WindowIconImageTest, TheTitleRowShowsTheWindowsSmallIcon) {
  SolidIcon icon(16, 0xFF10A050);
  testing::HostTestWindow window;
  SendMessageW(window.hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.get()));
  quorvel::test::FakeDwmAttributes dwm;
  WindowChrome chrome(dwm);
  ASSERT_TRUE(chrome.install(window.hwnd(), 1.0f, 1, true));

  std::unique_ptr<View> frame = chrome.wrap_content(std::make_unique<OverlayPanel>());

  ASSERT_NE(chrome.title(), nullptr);
  EXPECT_TRUE(chrome.title()->icon().valid());
  EXPECT_EQ(chrome.title()->icon().width(), 16u);
  EXPECT_FALSE(window_small_icon(nullptr).valid());
}

}  // namespace
}  // namespace win32_ui::modern
