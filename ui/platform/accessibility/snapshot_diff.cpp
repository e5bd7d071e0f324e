#include "ui/platform/accessibility/snapshot_diff.h"

#include <oleauto.h>

#include <utility>

#include "ui/platform/accessibility/automation_ids.h"
#include "ui/platform/accessibility/automation_roles.h"
#include "ui/platform/accessibility/automation_snapshot.h"

namespace win32_ui::modern {
namespace {

bool same_structure(const AutomationSnapshot& before, const AutomationSnapshot& after) {
  if (before.top_level_ids() != after.top_level_ids() || before.size() != after.size()) {
    return false;
  }
  for (const AutomationNode& node : after.nodes()) {
    const AutomationNode* old = before.find(node.id);
    if (old == nullptr || old->parent_id != node.parent_id || old->child_ids != node.child_ids) {
      return false;
    }
  }
  for (const AutomationNode& node : before.nodes()) {
    if (after.find(node.id) == nullptr) return false;
  }
  return true;
}

// Unordered floats (NaN) count as different.
bool same_rect(const layout::LayoutRect& a, const layout::LayoutRect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

int toggle_value(const std::optional<bool>& state) {
  if (!state) return automation::kToggleIndeterminate;
  return *state ? automation::kToggleOn : automation::kToggleOff;
}

int expand_value(const std::optional<bool>& state) {
  if (!state) return automation::kLeafNode;
  return *state ? automation::kExpanded : automation::kCollapsed;
}

bool same_range(const AutomationNode& a, const AutomationNode& b) {
  return a.has_range == b.has_range && a.range_minimum == b.range_minimum &&
         a.range_maximum == b.range_maximum && a.range_value == b.range_value &&
         a.range_step == b.range_step;
}

class ChangeList {
 public:
  ChangeList(std::uint64_t id, std::vector<PropertyChange>& out) : id_(id), out_(out) {}

  void add(std::int32_t property, AutomationValue before, AutomationValue after) {
    if (before == after) return;
    out_.push_back({id_, property, std::move(before), std::move(after)});
  }

 private:
  std::uint64_t id_;
  std::vector<PropertyChange>& out_;
};

void compare_properties(const AutomationNode& old, const AutomationNode& now,
                        std::vector<PropertyChange>& out) {
  using V = AutomationValue;
  namespace ids = automation;
  ChangeList changes(now.id, out);
  changes.add(ids::kNameProperty, V::of_string(old.name), V::of_string(now.name));
  changes.add(ids::kHelpTextProperty, V::of_string(old.help_text), V::of_string(now.help_text));
  changes.add(ids::kIsEnabledProperty, V::of_bool(old.enabled), V::of_bool(now.enabled));
  changes.add(ids::kIsKeyboardFocusableProperty, V::of_bool(old.focusable),
              V::of_bool(now.focusable));
  changes.add(ids::kHasKeyboardFocusProperty, V::of_bool(old.focused), V::of_bool(now.focused));
  if (old.role != now.role) {
    const AutomationRole before = automation_role(old.role);
    const AutomationRole after = automation_role(now.role);
    changes.add(ids::kControlTypeProperty, V::of_int(before.control_type),
                V::of_int(after.control_type));
    changes.add(ids::kClassNameProperty, V::of_string(std::wstring(before.class_name)),
                V::of_string(std::wstring(after.class_name)));
  }
  changes.add(ids::kToggleStateProperty, V::of_int(toggle_value(old.toggle_state)),
              V::of_int(toggle_value(now.toggle_state)));
  changes.add(ids::kExpandCollapseStateProperty, V::of_int(expand_value(old.expanded_state)),
              V::of_int(expand_value(now.expanded_state)));
  if (!same_range(old, now)) {
    out.push_back({now.id, ids::kRangeValueValueProperty,
                   V::of_double(old.has_range ? old.range_value : 0.0),
                   V::of_double(now.has_range ? now.range_value : 0.0)});
  }
  changes.add(ids::kValueValueProperty, V::of_string(old.value_text),
              V::of_string(now.value_text));
  const bool range_property = now.has_range || old.has_range != now.has_range;
  changes.add(range_property ? ids::kRangeValueIsReadOnlyProperty : ids::kValueIsReadOnlyProperty,
              V::of_bool(old.effectively_read_only()), V::of_bool(now.effectively_read_only()));
}

}  // namespace

AutomationValue AutomationValue::of_bool(bool value) {
  AutomationValue result;
  result.kind = kBool;
  result.bool_value = value;
  return result;
}

AutomationValue AutomationValue::of_int(std::int32_t value) {
  AutomationValue result;
  result.kind = kInt;
  result.int_value = value;
  return result;
}

AutomationValue AutomationValue::of_double(double value) {
  AutomationValue result;
  result.kind = kDouble;
  result.double_value = value;
  return result;
}

AutomationValue AutomationValue::of_string(std::wstring value) {
  AutomationValue result;
  result.kind = kString;
  result.string_value = std::move(value);
  return result;
}

HRESULT AutomationValue::to_variant(VARIANT* out) const {
  if (out == nullptr) return E_INVALIDARG;
  VariantInit(out);
  switch (kind) {
    case kBool:
      out->vt = VT_BOOL;
      out->boolVal = bool_value ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case kInt:
      out->vt = VT_I4;
      out->lVal = int_value;
      return S_OK;
    case kDouble:
      out->vt = VT_R8;
      out->dblVal = double_value;
      return S_OK;
    case kString: {
      BSTR text = SysAllocStringLen(string_value.data(),
                                    static_cast<UINT>(string_value.size()));
      if (text == nullptr) return E_OUTOFMEMORY;
      out->vt = VT_BSTR;
      out->bstrVal = text;
      return S_OK;
    }
    default:
      return S_OK;
  }
}

SnapshotDiff diff_snapshots(const AutomationSnapshot& before, const AutomationSnapshot& after) {
  SnapshotDiff diff;
  diff.computed = true;
  diff.previous_focused_id = before.focused_id();
  diff.new_focused_id = after.focused_id();
  diff.structure_changed = !same_structure(before, after);
  for (const AutomationNode& node : after.nodes()) {
    const AutomationNode* old = before.find(node.id);
    if (old == nullptr) continue;
    if (!same_rect(old->rect, node.rect)) diff.bounds_changed = true;
    compare_properties(*old, node, diff.property_changes);
  }
  return diff;
}

}  // namespace win32_ui::modern
