// The diff between two automation snapshots: focus, structure, rectangles
// and the property changes in their fixed order with old and new values.
#include "ui/platform/accessibility/snapshot_diff.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <limits>

#include "ui/platform/accessibility/automation_ids.h"
#include "ui/platform/accessibility/automation_snapshot.h"

namespace win32_ui::modern {
namespace {

namespace ids = automation;

AutomationNode node(std::uint64_t id, std::uint64_t parent = 0) {
  AutomationNode result;
  result.id = id;
  result.parent_id = parent;
  result.rect = {0, 0, 10, 10};
  result.enabled = true;
  result.exposed = true;
  result.name = L"n" + std::to_wstring(id);
  return result;
}

// Top-level 1 and 2; 3 under 1.
AutomationSnapshot three_nodes() {
  AutomationSnapshot snapshot;
  AutomationNode first = node(1);
  first.child_ids = {3};
  snapshot.insert(first);
  snapshot.insert(node(3, 1));
  snapshot.insert(node(2));
  snapshot.set_top_level_ids({1, 2});
  return snapshot;
}

// Replaces the node with a changed copy.
template <typename Change>
void change(AutomationSnapshot& snapshot, std::uint64_t id, Change&& apply) {
  AutomationNode copy = *snapshot.find(id);
  apply(copy);
  snapshot.insert(std::move(copy));
}

TEST(SnapshotDiffTest, EqualSnapshotsChangeNothing) {
  const SnapshotDiff diff = diff_snapshots(three_nodes(), three_nodes());
  EXPECT_TRUE(diff.computed);
  EXPECT_FALSE(diff.structure_changed);
  EXPECT_FALSE(diff.bounds_changed);
  EXPECT_TRUE(diff.property_changes.empty());
}

TEST(SnapshotDiffTest, RenameGivesOneNameChangeWithOldAndNewText) {
  AutomationSnapshot after = three_nodes();
  change(after, 3, [](AutomationNode& n) { n.name = L"Renamed"; });
  const SnapshotDiff diff = diff_snapshots(three_nodes(), after);
  ASSERT_EQ(diff.property_changes.size(), 1u);
  const PropertyChange& change = diff.property_changes[0];
  EXPECT_EQ(change.element_id, 3u);
  EXPECT_EQ(change.property_id, ids::kNameProperty);
  EXPECT_EQ(change.old_value, AutomationValue::of_string(L"n3"));
  EXPECT_EQ(change.new_value, AutomationValue::of_string(L"Renamed"));
  EXPECT_FALSE(diff.structure_changed);
}

TEST(SnapshotDiffTest, StructureChangesWithNodesParentsAndChildren) {
  struct Case {
    const char* name;
    void (*change)(AutomationSnapshot&);
  };
  const Case cases[] = {
      {"removed", [](AutomationSnapshot& s) {
         AutomationSnapshot smaller;
         smaller.insert(*s.find(1));
         smaller.insert(*s.find(3));
         smaller.set_top_level_ids({1});
         s = smaller;
       }},
      {"reordered top level", [](AutomationSnapshot& s) { s.set_top_level_ids({2, 1}); }},
      {"child list", [](AutomationSnapshot& s) { change(s, 1, [](AutomationNode& n) { n.child_ids = {}; }); }},
      {"parent", [](AutomationSnapshot& s) { change(s, 3, [](AutomationNode& n) { n.parent_id = 2; }); }},
      {"added", [](AutomationSnapshot& s) { s.insert(node(9)); }},
  };
  for (const Case& c : cases) {
    AutomationSnapshot after = three_nodes();
    c.change(after);
    const SnapshotDiff diff = diff_snapshots(three_nodes(), after);
    EXPECT_TRUE(diff.structure_changed) << c.name;
    EXPECT_TRUE(diff.property_changes.empty()) << c.name;
  }
}

TEST(SnapshotDiffTest, BoundsChangeOnAnyFloatOrNaN) {
  AutomationSnapshot moved = three_nodes();
  change(moved, 2, [](AutomationNode& n) { n.rect.height = 11; });
  EXPECT_TRUE(diff_snapshots(three_nodes(), moved).bounds_changed);
  AutomationSnapshot unordered = three_nodes();
  change(unordered, 2, [](AutomationNode& n) { n.rect.x = std::numeric_limits<float>::quiet_NaN(); });
  EXPECT_TRUE(diff_snapshots(unordered, unordered).bounds_changed);
}

TEST(SnapshotDiffTest, FocusIsTheFirstFocusedNodeInOrder) {
  AutomationSnapshot before = three_nodes();
  change(before, 2, [](AutomationNode& n) { n.focused = true; });
  AutomationSnapshot after = three_nodes();
  change(after, 3, [](AutomationNode& n) { n.focused = true; });
  change(after, 2, [](AutomationNode& n) { n.focused = true; });
  const SnapshotDiff diff = diff_snapshots(before, after);
  EXPECT_EQ(diff.previous_focused_id, 2u);
  EXPECT_EQ(diff.new_focused_id, 3u);
}

TEST(SnapshotDiffTest, PropertiesComeInTheirFixedOrder) {
  AutomationSnapshot after = three_nodes();
  change(after, 2, [](AutomationNode& changed) {
    changed.name = L"x";
    changed.help_text = L"help";
    changed.enabled = false;
    changed.focusable = true;
    changed.focused = true;
    changed.role = ElementRole::kButton;
    changed.toggle_state = true;
    changed.expanded_state = false;
    changed.has_range = true;
    changed.range_value = 0.25;
    changed.value_text = L"v";
  });
  const SnapshotDiff diff = diff_snapshots(three_nodes(), after);
  const std::vector<int> expected = {ids::kNameProperty,
                                     ids::kHelpTextProperty,
                                     ids::kIsEnabledProperty,
                                     ids::kIsKeyboardFocusableProperty,
                                     ids::kHasKeyboardFocusProperty,
                                     ids::kControlTypeProperty,
                                     ids::kClassNameProperty,
                                     ids::kToggleStateProperty,
                                     ids::kExpandCollapseStateProperty,
                                     ids::kRangeValueValueProperty,
                                     ids::kValueValueProperty};
  std::vector<int> got;
  for (const PropertyChange& change : diff.property_changes) got.push_back(change.property_id);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(diff.property_changes[5].old_value, AutomationValue::of_int(50025));
  EXPECT_EQ(diff.property_changes[5].new_value, AutomationValue::of_int(50000));
  EXPECT_EQ(diff.property_changes[7].old_value, AutomationValue::of_int(ids::kToggleIndeterminate));
  EXPECT_EQ(diff.property_changes[7].new_value, AutomationValue::of_int(ids::kToggleOn));
  EXPECT_EQ(diff.property_changes[8].old_value, AutomationValue::of_int(ids::kLeafNode));
  EXPECT_EQ(diff.property_changes[8].new_value, AutomationValue::of_int(ids::kCollapsed));
  EXPECT_EQ(diff.property_changes[9].old_value, AutomationValue::of_double(0.0));
  EXPECT_EQ(diff.property_changes[9].new_value, AutomationValue::of_double(0.25));
}

TEST(SnapshotDiffTest, ReadOnlyChangeUsesTheRangePropertyForARange) {
  // A range without the set-range action reads as read-only.
  AutomationSnapshot before = three_nodes();
  change(before, 2, [](AutomationNode& n) { n.action_flags = ElementAction::kSetValueText; });
  AutomationSnapshot text_after = before;
  change(text_after, 2, [](AutomationNode& n) { n.read_only = true; });
  const SnapshotDiff text_diff = diff_snapshots(before, text_after);
  ASSERT_EQ(text_diff.property_changes.size(), 1u);
  EXPECT_EQ(text_diff.property_changes[0].property_id, ids::kValueIsReadOnlyProperty);
  EXPECT_EQ(text_diff.property_changes[0].new_value, AutomationValue::of_bool(true));

  AutomationSnapshot range_before = three_nodes();
  change(range_before, 2, [](AutomationNode& range) {
    range.has_range = true;
    range.action_flags = ElementAction::kSetRangeValue;
  });
  AutomationSnapshot range_after = range_before;
  change(range_after, 2, [](AutomationNode& n) { n.read_only = true; });
  const SnapshotDiff range_diff = diff_snapshots(range_before, range_after);
  ASSERT_EQ(range_diff.property_changes.size(), 1u);
  EXPECT_EQ(range_diff.property_changes[0].property_id, ids::kRangeValueIsReadOnlyProperty);
}

TEST(AutomationValueTest, BecomesTheMatchingVariant) {
  VARIANT value;
  ASSERT_EQ(AutomationValue::of_bool(true).to_variant(&value), S_OK);
  EXPECT_EQ(value.vt, VT_BOOL);
  EXPECT_EQ(value.boolVal, VARIANT_TRUE);
  ASSERT_EQ(AutomationValue::of_int(-7).to_variant(&value), S_OK);
  EXPECT_EQ(value.vt, VT_I4);
  EXPECT_EQ(value.lVal, -7);
  ASSERT_EQ(AutomationValue::of_double(0.5).to_variant(&value), S_OK);
  EXPECT_EQ(value.vt, VT_R8);
  EXPECT_EQ(value.dblVal, 0.5);
  ASSERT_EQ(AutomationValue::of_string(L"abc").to_variant(&value), S_OK);
  ASSERT_EQ(value.vt, VT_BSTR);
  EXPECT_EQ(std::wstring(value.bstrVal), L"abc");
  VariantClear(&value);
}

}  // namespace
}  // namespace win32_ui::modern
