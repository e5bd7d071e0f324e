// Targets the canvas tests paint on and read back: a 32-bit top-down DIB
// section selected into a memory DC, whose pixels are read directly, and a
// visible popup window, read back through GetDC and BitBlt. Colours are
// compared as red, green and blue only: Direct2D writes alpha 255 where GDI
// leaves 0.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace win32_ui::ui::graphics::test {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;

  friend bool operator==(const Rgb&, const Rgb&) = default;
};

void PrintTo(const Rgb& color, std::ostream* out);

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};

// The bounding box of the pixels that differ from a background colour.
struct Ink {
  bool any = false;
  int left = 0;
  int top = 0;
  int right = 0;   // exclusive
  int bottom = 0;  // exclusive
};

class DibTarget {
 public:
  DibTarget(int width, int height, Rgb fill = kWhite);
  ~DibTarget();
  DibTarget(const DibTarget&) = delete;
  DibTarget& operator=(const DibTarget&) = delete;

  HDC dc() const { return dc_; }
  RECT bounds() const { return {0, 0, width_, height_}; }
  int width() const { return width_; }
  int height() const { return height_; }

  void fill(Rgb color);
  Rgb pixel(int x, int y) const;
  // Where pixels differ from `background` inside the given area (the
  // whole target by default).
  Ink ink(Rgb background, RECT area = {0, 0, 0, 0}) const;
  // Writes the pixels as a PNG named `name` into the folder named by the
  // environment variable QUORVEL_CANVAS_PNG_DIR, when it is set, for a look
  // by eye. The calling thread must have COM initialised.
  void save_png_if_asked(const std::string& name) const;

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint8_t* bits_ = nullptr;
};

// A visible borderless popup window on the test display, not activated,
// destroyed with the object. Painted outside WM_PAINT through GetDC.
class PopupWindow {
 public:
  PopupWindow(int x, int y, int width, int height);
  ~PopupWindow();
  PopupWindow(const PopupWindow&) = delete;
  PopupWindow& operator=(const PopupWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  // Destroys the window now (the object may outlive it).
  void destroy();
  // Copies the client area into `out` (of the same size).
  void read_back(DibTarget& out) const;
  // Runs `paint` with the window's DC, released afterwards.
  void with_dc(const std::function<void(HDC)>& paint) const;

 private:
  HWND hwnd_ = nullptr;
  int width_;
  int height_;
};

// Runs `body` on a new thread and joins it, so it starts with none of the
// painting state of the test's own thread.
void on_fresh_thread(const std::function<void()>& body);

}  // namespace win32_ui::ui::graphics::test
