#include "ui/views/token_dictionary.h"

namespace win32_ui::modern {

TokenDictionary& TokenDictionary::set_color(std::uint64_t key, ui::graphics::Color color) {
  colors_[key] = color;
  return *this;
}

TokenDictionary& TokenDictionary::set_metric(std::uint64_t key, float metric) {
  metrics_[key] = metric;
  return *this;
}

std::optional<ui::graphics::Color> TokenDictionary::find_color(std::uint64_t key) const {
  for (const TokenDictionary* d = this; d != nullptr; d = d->parent_.get()) {
    if (const auto it = d->colors_.find(key); it != d->colors_.end()) return it->second;
  }
  return std::nullopt;
}

std::optional<float> TokenDictionary::find_metric(std::uint64_t key) const {
  for (const TokenDictionary* d = this; d != nullptr; d = d->parent_.get()) {
    if (const auto it = d->metrics_.find(key); it != d->metrics_.end()) return it->second;
  }
  return std::nullopt;
}

}  // namespace win32_ui::modern
