// AutomationSnapshot is the flat copy of a surface's semantic tree that UI
// Automation's threads read: one AutomationNode per exposed view, found by
// view id, kept in depth-first tree order, with parent and child ids in
// place of pointers. Made on the UI thread from the view root's
// SemanticTree, then only copied; a plain value, safe to hand between
// threads.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/platform/layout/layout_types.h"
#include "ui/views/element_info.h"

namespace win32_ui::modern {

class SemanticTree;

struct AutomationNode {
  // The view id; never 0, which names the surface itself.
  std::uint64_t id = 0;
  // 0 for a top-level node.
  std::uint64_t parent_id = 0;
  // Surface DIP.
  layout::LayoutRect rect;
  ElementRole role = ElementRole::kView;
  std::wstring name;
  std::wstring help_text;
  std::wstring value_text;
  std::optional<bool> toggle_state;
  std::optional<bool> expanded_state;
  double range_minimum = 0.0;
  double range_maximum = 0.0;
  double range_value = 0.0;
  double range_step = 0.0;
  bool has_range = false;
  std::int32_t action_flags = 0;
  bool exposed = false;
  bool hides_children = false;
  bool enabled = false;
  bool focusable = false;
  bool focused = false;
  bool selected = false;
  bool read_only = false;
  bool native_window = false;
  std::vector<std::uint64_t> child_ids;
  // The hosted window; set only for a native host that has one.
  HWND native_handle = nullptr;

  bool has_action(std::int32_t kind) const { return kind != 0 && (action_flags & kind) == kind; }
  // Read-only, or without the action a new value needs: a range value for
  // a range, a text otherwise.
  bool effectively_read_only() const;
};

class AutomationSnapshot {
 public:
  // The semantic tree flattened depth first, children in order.
  static AutomationSnapshot from_tree(const SemanticTree& tree);

  // Appends a node (a later node with the same id replaces the earlier).
  void insert(AutomationNode node);
  void set_top_level_ids(std::vector<std::uint64_t> ids) { top_level_ids_ = std::move(ids); }
  void set_generation(std::uint64_t generation) { generation_ = generation; }

  std::uint64_t generation() const { return generation_; }
  const std::vector<std::uint64_t>& top_level_ids() const { return top_level_ids_; }
  // In insertion order.
  const std::vector<AutomationNode>& nodes() const { return nodes_; }
  const AutomationNode* find(std::uint64_t id) const;
  std::size_t size() const { return nodes_.size(); }
  bool empty() const { return nodes_.empty(); }
  // The first focused node in insertion order; 0 when none.
  std::uint64_t focused_id() const;

 private:
  std::uint64_t generation_ = 0;
  std::vector<std::uint64_t> top_level_ids_;
  std::vector<AutomationNode> nodes_;
  std::unordered_map<std::uint64_t, std::size_t> index_;
};

}  // namespace win32_ui::modern
