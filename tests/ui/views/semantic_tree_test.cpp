#include "ui/views/semantic_tree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/views/logging_views.h"
#include "tests/ui/views/test_views.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using testing::add_placed;
using testing::lay_out;

View* exposed(View& view, const wchar_t* name) {
  view.set_accessibility_exposed(true);
  view.set_accessible_name(name);
  return &view;
}

// The names of a list's entries, children in brackets.
std::string shape(const std::vector<SemanticEntry>& list) {
  std::string out;
  for (const SemanticEntry& entry : list) {
    if (!out.empty()) out += " ";
    for (const wchar_t c : entry.info.name) out += static_cast<char>(c);
    if (!entry.children.empty()) out += "[" + shape(entry.children) + "]";
  }
  return out;
}

TEST(SemanticTreeTest, ExposedViewsNestAndUnexposedGroupsLiftTheirChildren) {
  OverlayPanel root;  // not exposed
  exposed(*add_placed<View>(root, 0, 0, 10, 10), L"a");
  auto* dialog = add_placed<OverlayPanel>(root, 0, 0, 100, 100);
  exposed(*dialog, L"dialog");
  auto* plain_group = add_placed<OverlayPanel>(*dialog, 0, 0, 50, 50);  // not exposed
  exposed(*add_placed<View>(*plain_group, 0, 0, 10, 10), L"b");
  exposed(*add_placed<View>(*plain_group, 10, 0, 10, 10), L"c");
  add_placed<View>(*dialog, 0, 0, 5, 5);  // neither exposed nor a group

  SemanticTree tree;
  tree.rebuild(&root, 7);

  EXPECT_EQ(shape(tree.entries()), "a dialog[b c]");
  EXPECT_EQ(tree.generation(), 7u);
  EXPECT_EQ(tree.size(), 4u);
}

TEST(SemanticTreeTest, CollapsedSubtreeIsAbsentAndHiddenStays) {
  OverlayPanel root;
  auto* collapsed = add_placed<OverlayPanel>(root, 0, 0, 10, 10);
  exposed(*collapsed, L"collapsed");
  exposed(*add_placed<View>(*collapsed, 0, 0, 10, 10), L"inside");
  layout::LayoutParams params = collapsed->layout_params();
  params.visibility = layout::kCollapsed;
  collapsed->set_layout_params(params);
  View* hidden = exposed(*add_placed<View>(root, 0, 0, 10, 10), L"hidden");
  params = hidden->layout_params();
  params.visibility = layout::kHidden;
  hidden->set_layout_params(params);

  SemanticTree tree;
  tree.rebuild(&root, 1);

  EXPECT_EQ(shape(tree.entries()), "hidden");
}

// Exposes itself and says it hides its children.
class SealedGroup : public OverlayPanel {
 public:
  void describe(ElementInfo& info) const override {
    info.exposed = true;
    info.hides_children = true;
    info.name = L"sealed";
  }
};

TEST(SemanticTreeTest, HidesChildrenStopsTheCapture) {
  OverlayPanel root;
  auto* sealed = add_placed<SealedGroup>(root, 0, 0, 10, 10);
  exposed(*add_placed<View>(*sealed, 0, 0, 10, 10), L"inner");

  SemanticTree tree;
  tree.rebuild(&root, 1);

  EXPECT_EQ(shape(tree.entries()), "sealed");
}

TEST(SemanticTreeTest, EntriesCarryIdViewBoundsAndRecordAndFindSearchesEveryLevel) {
  OverlayPanel root;
  exposed(root, L"root");
  auto* group = add_placed<OverlayPanel>(root, 10, 20, 100, 50);
  exposed(*group, L"group");
  View* leaf = exposed(*add_placed<View>(*group, 5, 5, 30, 10), L"leaf");
  leaf->set_focusable(true);
  lay_out(root, 0, 0, 300, 200);

  SemanticTree tree;
  tree.rebuild(&root, 3);

  const SemanticEntry* found = tree.find(leaf->id());
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->view, leaf);
  EXPECT_EQ(found->view_id, leaf->id());
  EXPECT_EQ(found->bounds, (layout::LayoutRect{15, 25, 30, 10}));
  EXPECT_EQ(found->info.name, L"leaf");
  EXPECT_TRUE(found->info.focusable);
  ASSERT_NE(tree.find(root.id()), nullptr);
  EXPECT_EQ(tree.find(root.id())->children.size(), 1u);
  EXPECT_EQ(tree.find(999999), nullptr);

  tree.rebuild(nullptr, 4);
  EXPECT_TRUE(tree.entries().empty());
  EXPECT_EQ(tree.find(leaf->id()), nullptr);
}

}  // namespace
}  // namespace win32_ui::modern
