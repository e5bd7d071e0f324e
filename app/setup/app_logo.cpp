#include "app/setup/app_logo.h"

#include <algorithm>

#include "app/setup/resource_image.h"
#include "ui/views/draw_context.h"

namespace quorvel::windows {

namespace {
constexpr float kLogoSide = 30.0f;
}  // namespace

AppLogo::~AppLogo() = default;

void AppLogo::draw(win32_ui::modern::DrawContext& context) {
  static const win32_ui::ui::graphics::Image logo = load_resource_image(kLogoResource);
  if (!logo.valid()) return;
  const auto bounds = context.surface_bounds_px();
  const float side = std::min({bounds.width(), bounds.height(), context.to_px(kLogoSide)});
  if (!(side > 0.0f)) return;
  const float left = bounds.left + (bounds.width() - side) / 2.0f;
  const float top = bounds.top + (bounds.height() - side) / 2.0f;
  context.canvas()->draw_image(logo, {left, top, left + side, top + side}, 1.0f, true);
}

}  // namespace quorvel::windows
