// TokenDictionary overrides theme colours and metrics for a view and its
// descendants, keyed by 64-bit token keys. A dictionary may chain to a
// parent dictionary: a key it does not know is looked up there. Shared
// read-only between views once attached; UI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

#include "ui/views/graphics/color.h"

namespace win32_ui::modern {

class TokenDictionary {
 public:
  explicit TokenDictionary(std::shared_ptr<const TokenDictionary> parent = nullptr)
      : parent_(std::move(parent)) {}

  TokenDictionary& set_color(std::uint64_t key, ui::graphics::Color color);
  TokenDictionary& set_metric(std::uint64_t key, float metric);

  // This dictionary first, then its chain of parents.
  std::optional<ui::graphics::Color> find_color(std::uint64_t key) const;
  std::optional<float> find_metric(std::uint64_t key) const;

  const std::shared_ptr<const TokenDictionary>& parent() const { return parent_; }

 private:
  std::shared_ptr<const TokenDictionary> parent_;
  std::unordered_map<std::uint64_t, ui::graphics::Color> colors_;
  std::unordered_map<std::uint64_t, float> metrics_;
};

}  // namespace win32_ui::modern
