// The screenshot editor's cost per drag frame on a 4K canvas: drags of a
// rectangle, an arrow and a pencil, 300 moves each (WM_MOUSEMOVE then
// UpdateWindow, timed with the performance counter), over 0 and over 50
// committed marks; and one full-frame BitBlt of the same size as the
// reference. Prints median and p95 milliseconds per frame, one figure a
// line. Run through editor_redraw_bench.sh, which gives it a 3840 x 2160
// display.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/common/text_catalog.h"
#include "app/editor/screenshot_editor.h"
#include "ui/platform/scaffold/application.h"
#include "ui/platform/theme/native_theme_registry.h"

namespace {

using quorvel::windows::DesktopSnapshot;
using quorvel::windows::ScreenshotEditor;

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr int kMoves = 300;

DesktopSnapshot pattern(int width, int height) {
  DesktopSnapshot snapshot;
  snapshot.width = static_cast<uint32_t>(width);
  snapshot.height = static_cast<uint32_t>(height);
  snapshot.stride = snapshot.width * 4;
  snapshot.pixels.resize(static_cast<size_t>(height) * snapshot.stride);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &snapshot.pixels[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>(x % 251);
      p[1] = static_cast<uint8_t>(y % 241);
      p[2] = static_cast<uint8_t>((7 * x + 13 * y) % 256);
      p[3] = 255;
    }
  }
  return snapshot;
}

double elapsed_ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

void print_figures(const std::string& name, std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const double median = samples[samples.size() / 2];
  const double p95 = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
  std::printf("%s_median %.3f ms\n%s_p95 %.3f ms\n", name.c_str(), median, name.c_str(), p95);
}

LRESULT send(HWND canvas, UINT message, WPARAM wparam, int x, int y) {
  return SendMessageW(canvas, message, wparam, MAKELPARAM(x, y));
}

void drag(HWND canvas, POINT from, POINT to) {
  send(canvas, WM_LBUTTONDOWN, MK_LBUTTON, from.x, from.y);
  send(canvas, WM_MOUSEMOVE, MK_LBUTTON, to.x, to.y);
  send(canvas, WM_LBUTTONUP, 0, to.x, to.y);
}

// One timed drag of `tool` from the selection's middle, on a zig-zag path.
std::vector<double> timed_drag(ScreenshotEditor& editor, int tool) {
  HWND canvas = editor.canvas();
  editor.set_tool(tool);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const POINT start{1900, 1000};
  send(canvas, WM_LBUTTONDOWN, MK_LBUTTON, start.x, start.y);
  UpdateWindow(canvas);
  std::vector<double> samples;
  for (int i = 1; i <= kMoves; ++i) {
    const int x = start.x + i * 4;
    const int y = start.y + ((i / 20) % 2 == 0 ? (i % 20) * 6 : (20 - i % 20) * 6);
    LARGE_INTEGER before;
    LARGE_INTEGER after;
    QueryPerformanceCounter(&before);
    send(canvas, WM_MOUSEMOVE, MK_LBUTTON, x, y);
    UpdateWindow(canvas);
    QueryPerformanceCounter(&after);
    samples.push_back(elapsed_ms(before, after, frequency));
  }
  send(canvas, WM_LBUTTONUP, 0, start.x + kMoves * 4, start.y);
  editor.undo();
  UpdateWindow(canvas);
  return samples;
}

std::vector<double> full_frame_blits(HWND canvas) {
  HDC window_dc = GetDC(canvas);
  HDC memory = CreateCompatibleDC(window_dc);
  HBITMAP bitmap = CreateCompatibleBitmap(window_dc, kWidth, kHeight);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> samples;
  for (int i = 0; i < 30; ++i) {
    LARGE_INTEGER before;
    LARGE_INTEGER after;
    QueryPerformanceCounter(&before);
    BitBlt(window_dc, 0, 0, kWidth, kHeight, memory, 0, 0, SRCCOPY);
    GdiFlush();
    QueryPerformanceCounter(&after);
    samples.push_back(elapsed_ms(before, after, frequency));
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(canvas, window_dc);
  return samples;
}

}  // namespace

int main() {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  win32_ui::scaffold::Application application{win32_ui::kThemeModeLight, win32_ui::kDefaultAccent};
  application.set_resource_bundle(quorvel::windows::text_catalog_bundle());
  application.set_language(L"en-US");
  auto registry =
      win32_ui::NativeThemeRegistry::create(win32_ui::kThemeModeLight, win32_ui::kDefaultAccent);
  quorvel::windows::EditorSeams seams;
  seams.exclude_from_capture = [](HWND) { return true; };
  seams.show_message = [](HWND, std::wstring_view) {};
  ScreenshotEditor editor(GetModuleHandleW(nullptr), DesktopSnapshot{}, POINT{0, 0}, L"",
                          *registry, application, [] {}, std::move(seams));
  const RECT screen{0, 0, kWidth, kHeight};
  if (!editor.open(screen, [](DesktopSnapshot& snapshot) {
        snapshot = pattern(kWidth, kHeight);
        return S_OK;
      })) {
    std::fprintf(stderr, "the editor did not open\n");
    return 1;
  }
  HWND canvas = editor.canvas();
  drag(canvas, {40, 40}, {3800, 2120});
  if (editor.is_selecting()) {
    std::fprintf(stderr, "the selection was not confirmed\n");
    return 1;
  }
  UpdateWindow(canvas);

  const struct {
    const char* name;
    int tool;
  } tools[] = {{"rectangle", quorvel::windows::kToolRectangle},
               {"arrow", quorvel::windows::kToolArrow},
               {"pencil", quorvel::windows::kToolPencil}};
  for (int committed : {0, 50}) {
    editor.set_tool(quorvel::windows::kToolRectangle);
    for (int i = 0; i < committed; ++i) {
      const int x = 100 + (i % 10) * 360;
      const int y = 100 + (i / 10) * 380;
      drag(canvas, {x, y}, {x + 300, y + 200});
    }
    UpdateWindow(canvas);
    for (const auto& tool : tools) {
      print_figures(std::string("editor_drag_") + tool.name + "_" + std::to_string(committed) +
                        "_marks",
                    timed_drag(editor, tool.tool));
    }
    while (!editor.annotations().empty()) editor.undo();
    UpdateWindow(canvas);
  }
  print_figures("full_frame_bitblt", full_frame_blits(canvas));
  return 0;
}
