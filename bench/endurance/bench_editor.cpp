#include "bench/endurance/bench_editor.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "app/editor/screenshot_editor.h"

namespace quorvel::bench {
namespace {

windows::EditorSeams bench_seams() {
  windows::EditorSeams seams;
  seams.exclude_from_capture = [](HWND) { return true; };
  // A box would wait for a user: the bench reports the text instead.
  seams.show_message = [](HWND, std::wstring_view text) {
    std::fprintf(stderr, "editor message: %s\n", std::string(text.begin(), text.end()).c_str());
  };
  return seams;
}

class BenchEditor final : public windows::EditorPort {
 public:
  BenchEditor(HINSTANCE instance, windows::DesktopSnapshot snapshot, POINT origin,
              std::wstring save_folder, win32_ui::NativeThemeRegistry& theme_registry,
              win32_ui::scaffold::Application& application, std::function<void()> on_closed)
      : editor_(instance, std::move(snapshot), origin, std::move(save_folder), theme_registry,
                application, std::move(on_closed), bench_seams()) {}

  bool open(const RECT& screen_rect, CaptureCallback capture) override {
    // A capture the editor cannot use is told with its cause, which the
    // editor's own message leaves out.
    const LONG width = screen_rect.right - screen_rect.left;
    const LONG height = screen_rect.bottom - screen_rect.top;
    return editor_.open(screen_rect, [capture = std::move(capture), width,
                                      height](windows::DesktopSnapshot& snapshot) {
      const HRESULT result = capture(snapshot);
      if (FAILED(result) || static_cast<LONG>(snapshot.width) != width ||
          static_cast<LONG>(snapshot.height) != height) {
        std::fprintf(stderr, "editor capture: 0x%08lx, %ux%u for a %ldx%ld canvas\n",
                     static_cast<unsigned long>(result), snapshot.width, snapshot.height, width,
                     height);
      }
      return result;
    });
  }
  bool is_open() const override { return editor_.is_open(); }
  void bring_to_front() override { editor_.bring_to_front(); }
  void set_theme(const win32_ui::Theme& theme) override { editor_.set_theme(theme); }

 private:
  windows::ScreenshotEditor editor_;
};

}  // namespace

std::unique_ptr<windows::EditorPort> make_bench_editor(
    HINSTANCE instance, windows::DesktopSnapshot snapshot, POINT origin, std::wstring save_folder,
    win32_ui::NativeThemeRegistry& theme_registry, win32_ui::scaffold::Application& application,
    std::function<void()> on_closed) {
  return std::make_unique<BenchEditor>(instance, std::move(snapshot), origin,
                                       std::move(save_folder), theme_registry, application,
                                       std::move(on_closed));
}

}  // namespace quorvel::bench
