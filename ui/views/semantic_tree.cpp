#include "ui/views/semantic_tree.h"

#include "ui/views/view.h"
#include "ui/views/view_group.h"

namespace win32_ui::modern {
namespace {

void capture(View& view, std::vector<SemanticEntry>& list) {
  if (view.layout_params().visibility == layout::kCollapsed) return;
  std::vector<SemanticEntry>* children_list = &list;
  ElementInfo info;
  view.describe_element(info);
  if (info.exposed) {
    const bool hides_children = info.hides_children;
    list.push_back({view.id(), &view, view.bounds_in_root(), std::move(info), {}});
    if (hides_children) return;
    children_list = &list.back().children;
  }
  if (auto* group = dynamic_cast<ViewGroup*>(&view)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) {
      capture(*group->child_at(i), *children_list);
    }
  }
}

const SemanticEntry* find_in(const std::vector<SemanticEntry>& list, std::uint64_t view_id) {
  for (const SemanticEntry& entry : list) {
    if (entry.view_id == view_id) return &entry;
    if (const SemanticEntry* found = find_in(entry.children, view_id)) return found;
  }
  return nullptr;
}

std::size_t count_in(const std::vector<SemanticEntry>& list) {
  std::size_t total = list.size();
  for (const SemanticEntry& entry : list) total += count_in(entry.children);
  return total;
}

}  // namespace

void SemanticTree::rebuild(View* root, std::uint64_t generation) {
  std::vector<SemanticEntry> entries;
  if (root != nullptr) capture(*root, entries);
  entries_ = std::move(entries);
  generation_ = generation;
}

const SemanticEntry* SemanticTree::find(std::uint64_t view_id) const {
  return find_in(entries_, view_id);
}

std::size_t SemanticTree::size() const { return count_in(entries_); }

}  // namespace win32_ui::modern
