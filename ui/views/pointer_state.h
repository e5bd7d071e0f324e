// PointerState is the view root's book of pointers: which view holds each
// pointer since its down event (the capture map), for which pointers the
// platform granted capture, and the chain of views each pointer hovers,
// outermost first. It refers to views without owning them: the root purges
// the views it is about to free. UI thread only.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ui/views/input_adapter.h"

namespace win32_ui::modern {

class View;

class PointerState {
 public:
  using Chain = std::vector<View*>;

  // Records the holder of the pointer and asks `adapter` (may be null) to
  // capture it; a refused capture keeps the holder only.
  void capture(std::uint32_t pointer_id, View* holder, platform::InputAdapter* adapter);
  // Forgets the holder and releases a granted capture.
  void release(std::uint32_t pointer_id, platform::InputAdapter* adapter);
  // Releases every granted capture and forgets everything, without events.
  void release_all(platform::InputAdapter* adapter);
  // Drops every reference to the given views: their capture entries go (a
  // granted capture is released) and each hover chain is cut before the
  // first of them.
  void purge(const std::unordered_set<const View*>& views, platform::InputAdapter* adapter);

  View* captured_view(std::uint32_t pointer_id) const;
  bool is_captured(std::uint32_t pointer_id) const { return captures_.count(pointer_id) != 0; }
  bool platform_captured(std::uint32_t pointer_id) const {
    return granted_.count(pointer_id) != 0;
  }
  // Innermost hovered view, or null.
  View* hovered_view(std::uint32_t pointer_id) const;
  Chain hover_chain(std::uint32_t pointer_id) const;
  // An empty chain removes the entry.
  void set_hover_chain(std::uint32_t pointer_id, Chain chain);
  Chain take_hover_chain(std::uint32_t pointer_id);

 private:
  std::unordered_map<std::uint32_t, View*> captures_;
  std::unordered_set<std::uint32_t> granted_;
  std::unordered_map<std::uint32_t, Chain> hover_;
};

}  // namespace win32_ui::modern
