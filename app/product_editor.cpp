#include "app/product_editor.h"

#include <utility>

#include "app/editor/screenshot_editor.h"

namespace quorvel::windows {
namespace {

class ProductEditor final : public EditorPort {
 public:
  ProductEditor(HINSTANCE instance, DesktopSnapshot snapshot, POINT origin,
                std::wstring save_folder, win32_ui::NativeThemeRegistry& theme_registry,
                win32_ui::scaffold::Application& application, std::function<void()> on_closed)
      : editor_(instance, std::move(snapshot), origin, std::move(save_folder), theme_registry,
                application, std::move(on_closed)) {}

  bool open(const RECT& screen_rect, CaptureCallback capture) override {
    return editor_.open(screen_rect, std::move(capture));
  }
  bool is_open() const override { return editor_.is_open(); }
  void bring_to_front() override { editor_.bring_to_front(); }
  void set_theme(const win32_ui::Theme& theme) override { editor_.set_theme(theme); }

 private:
  ScreenshotEditor editor_;
};

}  // namespace

std::unique_ptr<EditorPort> make_product_editor(
    HINSTANCE instance, DesktopSnapshot snapshot, POINT origin, std::wstring save_folder,
    win32_ui::NativeThemeRegistry& theme_registry, win32_ui::scaffold::Application& application,
    std::function<void()> on_closed) {
  return std::make_unique<ProductEditor>(instance, std::move(snapshot), origin,
                                         std::move(save_folder), theme_registry, application,
                                         std::move(on_closed));
}

}  // namespace quorvel::windows
