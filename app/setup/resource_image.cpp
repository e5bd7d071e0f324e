#include "app/setup/resource_image.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <span>

namespace quorvel::windows {

using win32_ui::ui::graphics::Image;

Image load_resource_image(unsigned id) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id & 0xFFFFu), MAKEINTRESOURCEW(10));
  if (info == nullptr) return {};
  const DWORD size = SizeofResource(module, info);
  HGLOBAL handle = LoadResource(module, info);
  if (handle == nullptr || size == 0) return {};
  const void* bytes = LockResource(handle);
  if (bytes == nullptr) return {};
  Image image;
  if (FAILED(Image::decode(std::span<const std::uint8_t>(
                               static_cast<const std::uint8_t*>(bytes), size),
                           image))) {
    return {};
  }
  return image;
}

namespace {

using ImagePair = std::pair<Image, Image>;

// Pairs in resource order: screenshot, theme, settings, help, account.
std::array<ImagePair, 5> load_header_icons() {
  std::array<ImagePair, 5> table;
  for (unsigned i = 0; i < table.size(); ++i) {
    table[i] = {load_resource_image(8101 + 2 * i), load_resource_image(8102 + 2 * i)};
  }
  return table;
}

}  // namespace

const ImagePair& product_icon_images(int icon_index) {
  static const std::array<ImagePair, 5> table = load_header_icons();
  switch (icon_index) {
    case 6: return table[0];
    case 7: return table[1];
    case 3: return table[2];
    case 9: return table[4];
    default: return table[3];
  }
}

}  // namespace quorvel::windows
