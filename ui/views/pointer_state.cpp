#include "ui/views/pointer_state.h"

#include <algorithm>
#include <utility>

namespace win32_ui::modern {

void PointerState::capture(std::uint32_t pointer_id, View* holder,
                           platform::InputAdapter* adapter) {
  captures_[pointer_id] = holder;
  if (adapter != nullptr && adapter->capture_pointer(pointer_id)) granted_.insert(pointer_id);
}

void PointerState::release(std::uint32_t pointer_id, platform::InputAdapter* adapter) {
  captures_.erase(pointer_id);
  if (granted_.erase(pointer_id) != 0 && adapter != nullptr) adapter->release_pointer(pointer_id);
}

void PointerState::release_all(platform::InputAdapter* adapter) {
  const std::unordered_set<std::uint32_t> granted = std::exchange(granted_, {});
  captures_.clear();
  hover_.clear();
  if (adapter == nullptr) return;
  for (const std::uint32_t id : granted) adapter->release_pointer(id);
}

void PointerState::purge(const std::unordered_set<const View*>& views,
                         platform::InputAdapter* adapter) {
  std::vector<std::uint32_t> lost;
  for (const auto& [id, holder] : captures_) {
    if (views.count(holder) != 0) lost.push_back(id);
  }
  for (const std::uint32_t id : lost) release(id, adapter);
  for (auto it = hover_.begin(); it != hover_.end();) {
    Chain& chain = it->second;
    const auto first_removed = std::find_if(
        chain.begin(), chain.end(), [&](const View* v) { return views.count(v) != 0; });
    chain.erase(first_removed, chain.end());
    it = chain.empty() ? hover_.erase(it) : std::next(it);
  }
}

View* PointerState::captured_view(std::uint32_t pointer_id) const {
  const auto found = captures_.find(pointer_id);
  return found != captures_.end() ? found->second : nullptr;
}

View* PointerState::hovered_view(std::uint32_t pointer_id) const {
  const auto found = hover_.find(pointer_id);
  return found != hover_.end() && !found->second.empty() ? found->second.back() : nullptr;
}

PointerState::Chain PointerState::hover_chain(std::uint32_t pointer_id) const {
  const auto found = hover_.find(pointer_id);
  return found != hover_.end() ? found->second : Chain{};
}

void PointerState::set_hover_chain(std::uint32_t pointer_id, Chain chain) {
  if (chain.empty()) {
    hover_.erase(pointer_id);
  } else {
    hover_[pointer_id] = std::move(chain);
  }
}

PointerState::Chain PointerState::take_hover_chain(std::uint32_t pointer_id) {
  const auto found = hover_.find(pointer_id);
  if (found == hover_.end()) return {};
  Chain chain = std::move(found->second);
  hover_.erase(found);
  return chain;
}

}  // namespace win32_ui::modern
