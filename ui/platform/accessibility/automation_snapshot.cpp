#include "ui/platform/accessibility/automation_snapshot.h"

#include <utility>

#include "ui/platform/hosting/native_host.h"
#include "ui/views/semantic_tree.h"

namespace win32_ui::modern {
namespace {

AutomationNode node_from_entry(const SemanticEntry& entry, std::uint64_t parent_id) {
  const ElementInfo& info = entry.info;
  AutomationNode node;
  node.id = entry.view_id;
  node.parent_id = parent_id;
  node.rect = entry.bounds;
  node.role = info.role;
  node.name = info.name;
  node.help_text = info.help_text;
  node.value_text = info.value_text;
  node.toggle_state = info.toggle_state;
  node.expanded_state = info.expanded_state;
  node.range_minimum = info.range_minimum;
  node.range_maximum = info.range_maximum;
  node.range_value = info.range_value;
  node.range_step = info.range_step;
  node.has_range = info.has_range;
  node.action_flags = info.action_flags;
  node.exposed = info.exposed;
  node.hides_children = info.hides_children;
  node.enabled = info.enabled;
  node.focusable = info.focusable;
  node.focused = info.focused;
  node.selected = info.selected;
  node.read_only = info.read_only;
  node.native_window = info.native_window;
  for (const SemanticEntry& child : entry.children) node.child_ids.push_back(child.view_id);
  if (info.native_window) {
    if (const auto* host = dynamic_cast<const NativeHost*>(entry.view)) {
      node.native_handle = host->native_handle();
    }
  }
  return node;
}

void flatten(const std::vector<SemanticEntry>& entries, std::uint64_t parent_id,
             AutomationSnapshot& snapshot) {
  for (const SemanticEntry& entry : entries) {
    // An id of 0 would be taken for the surface itself.
    if (entry.view_id == 0) continue;
    snapshot.insert(node_from_entry(entry, parent_id));
    flatten(entry.children, entry.view_id, snapshot);
  }
}

}  // namespace

bool AutomationNode::effectively_read_only() const {
  return read_only || !has_action(has_range ? ElementAction::kSetRangeValue
                                            : ElementAction::kSetValueText);
}

AutomationSnapshot AutomationSnapshot::from_tree(const SemanticTree& tree) {
  AutomationSnapshot snapshot;
  snapshot.generation_ = tree.generation();
  for (const SemanticEntry& entry : tree.entries()) {
    if (entry.view_id != 0) snapshot.top_level_ids_.push_back(entry.view_id);
  }
  flatten(tree.entries(), 0, snapshot);
  return snapshot;
}

void AutomationSnapshot::insert(AutomationNode node) {
  if (const auto found = index_.find(node.id); found != index_.end()) {
    nodes_[found->second] = std::move(node);
    return;
  }
  index_.emplace(node.id, nodes_.size());
  nodes_.push_back(std::move(node));
}

const AutomationNode* AutomationSnapshot::find(std::uint64_t id) const {
  const auto found = index_.find(id);
  return found == index_.end() ? nullptr : &nodes_[found->second];
}

std::uint64_t AutomationSnapshot::focused_id() const {
  for (const AutomationNode& node : nodes_) {
    if (node.focused) return node.id;
  }
  return 0;
}

}  // namespace win32_ui::modern
