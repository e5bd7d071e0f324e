// SemanticTree is the accessibility snapshot of one view tree: the exposed
// views as entries, each with its accessibility record, its rectangle and the
// exposed views below it. The view root owns one and rebuilds it when a view
// reported a change; the automation snapshot is made from it, never from the
// views directly. Entries point at views without owning them and are only
// valid until the tree changes. UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/platform/layout/layout_types.h"
#include "ui/views/element_info.h"

namespace win32_ui::modern {

class View;

struct SemanticEntry {
  std::uint64_t view_id = 0;
  View* view = nullptr;
  // In surface DIP.
  layout::LayoutRect bounds;
  ElementInfo info;
  std::vector<SemanticEntry> children;
};

class SemanticTree {
 public:
  // Captures the tree below `root` (nothing for null) as of `generation`.
  // A collapsed view is left out with its subtree; an exposed view becomes
  // an entry and, unless it hides its children, the list its descendants go
  // into; the children of a view that is not exposed go into the nearest
  // exposed ancestor's list.
  void rebuild(View* root, std::uint64_t generation);

  const std::vector<SemanticEntry>& entries() const { return entries_; }
  std::uint64_t generation() const { return generation_; }
  // Depth first through the top-level entries; null when no entry has it.
  const SemanticEntry* find(std::uint64_t view_id) const;
  // Every entry, counted through all levels.
  std::size_t size() const;

 private:
  std::vector<SemanticEntry> entries_;
  std::uint64_t generation_ = 0;
};

}  // namespace win32_ui::modern
