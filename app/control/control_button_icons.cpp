#include "app/control/control_button_icons.h"

#include "app/setup/resource_image.h"

namespace quorvel::windows {

namespace {

// The light picture of each icon in table order. The dock icons were added
// after the others and sit at the end of the resource range.
constexpr std::array<unsigned, kControlIconCount> kLightResources = {
    8113, 8115, 8117, 8119, 8139, 8141, 8121, 8123, 8125, 8127, 8129, 8131, 8133, 8135, 8137};

std::array<ControlIconPair, kControlIconCount> load_control_icons() {
  std::array<ControlIconPair, kControlIconCount> table;
  for (std::size_t i = 0; i < table.size(); ++i) {
    table[i] = {load_resource_image(kLightResources[i]),
                load_resource_image(kLightResources[i] + 1)};
  }
  return table;
}

}  // namespace

unsigned control_icon_resource(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= kControlIconCount) return 0;
  return kLightResources[static_cast<std::size_t>(index)];
}

const std::array<ControlIconPair, kControlIconCount>& control_button_icons() {
  static const std::array<ControlIconPair, kControlIconCount> table = load_control_icons();
  return table;
}

}  // namespace quorvel::windows
