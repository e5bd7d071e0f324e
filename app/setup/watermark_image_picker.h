// A clickable area of the watermark window that shows the chosen image over
// a checkerboard, or a dashed border with a prompt and a hint while no
// image is chosen. Images larger than 1024 pixels on a side are kept scaled
// down. Owned by its parent view; UI thread.
#pragma once

#include <functional>
#include <string>

#include "ui/views/image.h"
#include "ui/views/widgets/interactive.h"

namespace quorvel::windows {

inline constexpr int kWatermarkImagePickerId = 38;

class WatermarkImagePicker : public win32_ui::modern::Interactive {
 public:
  WatermarkImagePicker(std::wstring path, std::wstring prompt, std::wstring alternate_prompt,
                       std::wstring hint);
  ~WatermarkImagePicker() override;

  // Loads the image at `path`; an empty path, a file that does not decode
  // or a picture too large to decode leaves no image.
  void set_path(std::wstring path);
  // Called on a click, Enter or Space, or the accessibility invoke.
  WatermarkImagePicker& on_invoked(std::function<void()> callback);
  // Shows the alternate prompt instead of the prompt while no image is set.
  void show_alternate(bool alternate);

  const std::wstring& path() const { return path_; }
  const win32_ui::ui::graphics::Image& image() const { return image_; }
  bool shows_alternate() const { return show_alternate_; }

  void draw(win32_ui::modern::DrawContext& context) override;

 private:
  void draw_image_area(win32_ui::modern::DrawContext& context,
                       const win32_ui::ui::graphics::Rect& bounds);
  void draw_prompt_area(win32_ui::modern::DrawContext& context,
                        const win32_ui::ui::graphics::Rect& bounds,
                        const win32_ui::ui::graphics::Color& outline);

  std::wstring path_;
  std::wstring prompt_;
  std::wstring alternate_prompt_;
  std::wstring hint_;
  win32_ui::ui::graphics::Image image_;
  bool show_alternate_ = false;
};

}  // namespace quorvel::windows
