// What the screenshot editor's tests share: an editor opened over
// (100, 50)-(900, 650) of the test display with a counting pattern provider
// and recorded messages, plain decoy windows to snap to and click, and pixel
// read-back of real windows.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/editor/screenshot_editor.h"
#include "engine/desktop_snapshot.h"
#include "ui/platform/scaffold/application.h"
#include "ui/platform/theme/native_theme_registry.h"

namespace quorvel::windows::test {

inline constexpr RECT kCanvasRect{100, 50, 900, 650};
inline constexpr int kCanvasWidth = 800;
inline constexpr int kCanvasHeight = 600;
// A screen point over no test window and inside the canvas.
inline constexpr POINT kEmptyScreenPoint{870, 630};

// B = x mod 251, G = y mod 241, R = (7x + 13y) mod 256, A = 255.
DesktopSnapshot pattern_snapshot(uint32_t width, uint32_t height);
COLORREF pattern_color(int x, int y);

struct ShownMessage {
  HWND owner = nullptr;
  std::wstring text;
};

// A visible top-level or child window of a test class that records the
// left clicks it receives; destroyed with the object.
class DecoyWindow {
 public:
  // A top-level popup at the screen rectangle, not activated.
  static std::unique_ptr<DecoyWindow> popup(RECT screen, bool visible = true,
                                            bool topmost = true);
  // A child at the rectangle in the parent's client coordinates.
  static std::unique_ptr<DecoyWindow> child(HWND parent, RECT client);
  ~DecoyWindow();
  DecoyWindow(const DecoyWindow&) = delete;
  DecoyWindow& operator=(const DecoyWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  int clicks_down() const { return clicks_down_; }
  int clicks_up() const { return clicks_up_; }

 private:
  DecoyWindow() = default;
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  int clicks_down_ = 0;
  int clicks_up_ = 0;
};

// Marks keys as held for GetKeyState during sent key messages; restores the
// keyboard state when it goes away.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys);
  ~HeldKeys();
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

 private:
  BYTE saved_[256]{};
};

// Runs this thread's pending messages.
void pump_messages();
// The width in pixels of the window's text on one line in the window's own
// font (WM_GETFONT), measured on the window's DC.
int window_text_width(HWND window);
// The width in pixels of `text` on one line in the window's own font.
int text_width_in(HWND window, const std::wstring& text);
// The thickness list's column in DIP at `dpi`: its widest item in the
// list's font beside the themed field's 8 DIP text inset and its 8 DIP gap
// and 28 DIP arrow box, in whole DIP, never below 64.
int thickness_list_column(HWND toolbar, UINT dpi);
// The DPI of the test display (the prefix's user DPI under Wine).
UINT display_dpi();
// Runs messages until `done` answers true or five seconds pass.
bool pump_until(const std::function<bool()>& done);

// The client area of `window` read back from its DC, as 0x00BBGGRR values.
class WindowPixels {
 public:
  explicit WindowPixels(HWND window);
  COLORREF at(int x, int y) const;
  int width() const { return width_; }
  int height() const { return height_; }
  // Writes a PNG into QUORVEL_CANVAS_PNG_DIR when that is set.
  void save_png_if_asked(const std::string& name) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// An editor made as the shell makes one, with the test seams.
class EditorFixture {
 public:
  EditorFixture();
  ~EditorFixture();

  // Opens over kCanvasRect with the pattern provider, cursor first moved to
  // `cursor`.
  bool open(POINT cursor = kEmptyScreenPoint);
  LRESULT send(UINT message, WPARAM wparam, LPARAM lparam);
  // Mouse messages at client points.
  void press(int x, int y);
  void move(int x, int y, bool button_down = true);
  void release(int x, int y);
  void drag(POINT from, POINT to);
  bool layered() const;

  win32_ui::scaffold::Application application{win32_ui::kThemeModeLight,
                                              win32_ui::kDefaultAccent};
  std::unique_ptr<win32_ui::NativeThemeRegistry> registry;
  std::unique_ptr<ScreenshotEditor> editor;
  int provider_calls = 0;
  std::function<HRESULT(DesktopSnapshot&)> capture;
  int closes = 0;
  bool allow_exclusion = true;
  std::vector<ShownMessage> messages;
  // The colour dialog: empty answers as a cancel.
  std::function<bool(HWND owner, COLORREF& color, std::array<COLORREF, 16>& custom)>
      choose_color;
  // The toolbar window: refused when set, else really created.
  bool refuse_toolbar = false;
  int toolbar_creations = 0;
};

// The seams the fixture passes, for tests that build their own editor:
// messages recorded into `fixture`, everything else real.
EditorSeams recording_seams(EditorFixture& fixture);

}  // namespace quorvel::windows::test
