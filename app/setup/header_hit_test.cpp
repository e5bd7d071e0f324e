#include "app/setup/header_hit_test.h"

namespace quorvel::windows {
namespace {

constexpr float kBandTop = 8.0f;
constexpr float kBandBottom = 62.0f;

bool contains(const win32_ui::layout::LayoutRect& rect, float x, float y) {
  return x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
}

}  // namespace

LRESULT header_hit_test(POINT client, UINT dpi, float zoom,
                        std::span<const win32_ui::layout::LayoutRect> buttons) {
  const float scale = zoom * static_cast<float>(dpi) / 96.0f;
  if (!(scale > 0.0f)) return HTCLIENT;
  const float x = static_cast<float>(client.x) / scale;
  const float y = static_cast<float>(client.y) / scale;
  if (y < kBandTop || y > kBandBottom) return HTCLIENT;
  for (const auto& button : buttons) {
    if (contains(button, x, y)) return HTCLIENT;
  }
  return HTCAPTION;
}

}  // namespace quorvel::windows
