// The COM provider of a surface's elements and of the surface itself,
// called directly as UI Automation would: interfaces, runtime ids, roles,
// properties, options, navigation, hit testing, the patterns' data, hosted
// edit windows and the argument checks.
#include "ui/platform/accessibility/provider.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <functional>
#include <string>

#include "tests/ui/platform/accessibility/automation_test_surface.h"
#include "tests/ui/platform/accessibility/test_edit_host.h"
#include "ui/platform/accessibility/automation_ids.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/slider.h"
#include "tests/ui/views/placed_layout.h"

namespace win32_ui::modern {
namespace {

namespace ids = automation;
using Microsoft::WRL::ComPtr;
using testing::AutomationTestSurface;
using testing::DescribedView;
using testing::element;
using testing::element_id_of;
using testing::TestEditHost;

// Owns the VARIANT a property read fills.
struct Property {
  Property() { VariantInit(&value); }
  ~Property() { VariantClear(&value); }
  Property(const Property&) = delete;
  Property& operator=(const Property&) = delete;
  VARIANT value;
};

HRESULT read(IRawElementProviderSimple* provider, int property, Property& out) {
  return provider->GetPropertyValue(property, &out.value);
}

std::wstring text_of(const Property& property) {
  return property.value.vt == VT_BSTR && property.value.bstrVal != nullptr
             ? std::wstring(property.value.bstrVal, SysStringLen(property.value.bstrVal))
             : std::wstring(L"<not a string>");
}

ComPtr<IRawElementProviderFragment> fragment_of(const ComPtr<IRawElementProviderSimple>& simple) {
  ComPtr<IRawElementProviderFragment> fragment;
  if (simple) simple.As(&fragment);
  return fragment;
}

bool is_root(IUnknown* provider) {
  ComPtr<IRawElementProviderFragmentRoot> root;
  return provider != nullptr && SUCCEEDED(provider->QueryInterface(IID_PPV_ARGS(&root)));
}

std::uint64_t id_of(const ComPtr<IRawElementProviderFragment>& fragment) {
  ComPtr<IRawElementProviderSimple> simple;
  if (!fragment || FAILED(fragment.As(&simple))) return ~0ull;
  return element_id_of(simple.Get());
}

class ProviderTest : public ::testing::Test {
 protected:
  AutomationTestSurface surface;
};

TEST_F(ProviderTest, RootOnlyInterfacesAnswerOnlyOnTheRoot) {
  auto* view = surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 10, 10,
                           50, 20);
  ASSERT_TRUE(surface.attach());
  const auto element_provider = surface.provider(view->id());
  const auto root = surface.provider(0);
  ASSERT_NE(element_provider, nullptr);
  ASSERT_NE(root, nullptr);
  const IID root_only[] = {__uuidof(IRawElementProviderFragmentRoot),
                           __uuidof(IRawElementProviderHwndOverride)};
  for (const IID& iid : root_only) {
    ComPtr<IUnknown> out;
    EXPECT_EQ(element_provider->QueryInterface(iid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(root->QueryInterface(iid, &out), S_OK);
    EXPECT_NE(out, nullptr);
  }
  const IID everywhere[] = {__uuidof(IUnknown),          __uuidof(IRawElementProviderSimple),
                            __uuidof(IRawElementProviderFragment), __uuidof(IInvokeProvider),
                            __uuidof(IToggleProvider),   __uuidof(IExpandCollapseProvider),
                            __uuidof(IRangeValueProvider), __uuidof(IValueProvider)};
  for (const IID& iid : everywhere) {
    ComPtr<IUnknown> out;
    EXPECT_EQ(element_provider->QueryInterface(iid, &out), S_OK);
  }
  ComPtr<IUnknown> dispatch;
  EXPECT_EQ(root->QueryInterface(__uuidof(IDispatch), &dispatch), E_NOINTERFACE);
}

TEST_F(ProviderTest, ANewProviderHoldsOnlyTheCallersReference) {
  auto* view = surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 10, 10,
                           50, 20);
  ASSERT_TRUE(surface.attach());
  // Every request of a screen reader makes a provider; one reference too
  // many would keep each of them, and its state, for the process's life.
  for (const std::uint64_t id : {view->id(), std::uint64_t{0}}) {
    const auto provider = surface.provider(id);
    ASSERT_NE(provider, nullptr);
    provider->AddRef();
    EXPECT_EQ(provider->Release(), 1u) << "element " << id;
  }
}

TEST_F(ProviderTest, RuntimeIdIsAppendThenLowThenHighHalf) {
  surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 10, 10, 50, 20);
  ASSERT_TRUE(surface.attach());
  constexpr std::uint64_t kChosen = 0x0000000100000002ull;
  AutomationSnapshot chosen;
  AutomationNode node;
  node.id = kChosen;
  node.exposed = true;
  chosen.insert(node);
  chosen.set_top_level_ids({kChosen});
  surface.state().install_snapshot(chosen);

  SAFEARRAY* runtime_id = nullptr;
  ASSERT_EQ(fragment_of(surface.provider(kChosen))->GetRuntimeId(&runtime_id), S_OK);
  ASSERT_NE(runtime_id, nullptr);
  EXPECT_EQ(SafeArrayGetDim(runtime_id), 1u);
  LONG upper = -1;
  SafeArrayGetUBound(runtime_id, 1, &upper);
  ASSERT_EQ(upper, 2);
  std::vector<LONG> parts;
  for (LONG index = 0; index <= upper; ++index) {
    LONG value = 0;
    SafeArrayGetElement(runtime_id, &index, &value);
    parts.push_back(value);
  }
  SafeArrayDestroy(runtime_id);
  EXPECT_EQ(parts, (std::vector<LONG>{3, 2, 1}));

  SAFEARRAY* root_id = reinterpret_cast<SAFEARRAY*>(1);
  EXPECT_EQ(fragment_of(surface.provider(0))->GetRuntimeId(&root_id), S_OK);
  EXPECT_EQ(root_id, nullptr);
}

TEST_F(ProviderTest, RolesGiveTheirClassNamesAndControlTypes) {
  surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 10, 10, 50, 20);
  ASSERT_TRUE(surface.attach());
  struct Row {
    int role;
    const wchar_t* class_name;
    int control_type;
  };
  const Row rows[] = {
      {0, L"win32_ui.View", 50025},          {1, L"win32_ui.Group", 50026},
      {2, L"win32_ui.Text", 50020},          {3, L"win32_ui.Image", 50006},
      {4, L"win32_ui.Button", 50000},        {5, L"win32_ui.Switch", 50000},
      {6, L"win32_ui.CheckBox", 50002},      {7, L"win32_ui.RadioButton", 50013},
      {8, L"win32_ui.Slider", 50015},        {9, L"win32_ui.Edit", 50004},
      {10, L"win32_ui.ComboBox", 50003},     {11, L"win32_ui.Status", 50020},
      {12, L"win32_ui.LoadingIndicator", 50012}, {13, L"win32_ui.Separator", 50038},
      {14, L"win32_ui.Table", 50025},        {15, L"win32_ui.TableRow", 50025},
      {16, L"win32_ui.TableColumnHeader", 50035}, {17, L"win32_ui.TableCell", 50025},
      {18, L"win32_ui.Tree", 50023},         {19, L"win32_ui.TreeItem", 50024},
      {20, L"win32_ui.NativeHost", 50025},   {99, L"win32_ui.View", 50025},
  };
  AutomationSnapshot snapshot;
  std::vector<std::uint64_t> top;
  for (const Row& row : rows) {
    AutomationNode node;
    node.id = 1000 + static_cast<std::uint64_t>(row.role);
    node.role = static_cast<ElementRole>(row.role);
    snapshot.insert(node);
    top.push_back(node.id);
  }
  snapshot.set_top_level_ids(top);
  surface.state().install_snapshot(snapshot);
  for (const Row& row : rows) {
    const auto provider = surface.provider(1000 + static_cast<std::uint64_t>(row.role));
    ASSERT_NE(provider, nullptr) << row.role;
    Property type;
    Property name;
    ASSERT_EQ(read(provider.Get(), ids::kControlTypeProperty, type), S_OK);
    ASSERT_EQ(read(provider.Get(), ids::kClassNameProperty, name), S_OK);
    EXPECT_EQ(type.value.vt, VT_I4);
    EXPECT_EQ(type.value.lVal, row.control_type) << "role " << row.role;
    EXPECT_EQ(text_of(name), row.class_name) << "role " << row.role;
  }
}

TEST_F(ProviderTest, RootPropertiesDescribeTheSurfaceWindow) {
  surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 10, 10, 50, 20);
  SetWindowTextW(surface.hwnd(), L"Quorvel \u5f55\u5c4f");
  ASSERT_TRUE(surface.attach());
  const auto root = surface.provider(0);
  Property type, class_name, name, framework, enabled, offscreen, control, other;
  ASSERT_EQ(read(root.Get(), ids::kControlTypeProperty, type), S_OK);
  EXPECT_EQ(type.value.lVal, ids::kPaneControlType);
  ASSERT_EQ(read(root.Get(), ids::kClassNameProperty, class_name), S_OK);
  EXPECT_EQ(text_of(class_name), L"win32_ui.Surface");
  ASSERT_EQ(read(root.Get(), ids::kNameProperty, name), S_OK);
  EXPECT_EQ(text_of(name), L"Quorvel \u5f55\u5c4f");
  ASSERT_EQ(read(root.Get(), ids::kFrameworkIdProperty, framework), S_OK);
  EXPECT_EQ(text_of(framework), L"win32-ui");
  ASSERT_EQ(read(root.Get(), ids::kIsEnabledProperty, enabled), S_OK);
  EXPECT_EQ(enabled.value.vt, VT_BOOL);
  EXPECT_EQ(enabled.value.boolVal, VARIANT_TRUE);
  ASSERT_EQ(read(root.Get(), ids::kIsOffscreenProperty, offscreen), S_OK);
  EXPECT_EQ(offscreen.value.boolVal, VARIANT_FALSE);
  ASSERT_EQ(read(root.Get(), ids::kIsControlElementProperty, control), S_OK);
  EXPECT_EQ(control.value.boolVal, VARIANT_TRUE);
  ASSERT_EQ(read(root.Get(), ids::kAutomationIdProperty, other), S_OK);
  EXPECT_EQ(other.value.vt, VT_EMPTY);
}

TEST_F(ProviderTest, ElementPropertiesComeFromTheSnapshot) {
  ElementInfo described = element(ElementRole::kButton, ElementAction::kInvoke, L"Record");
  described.help_text = L"Starts recording";
  described.focusable = true;
  auto* inside = surface.add(std::make_unique<DescribedView>(described), 10, 10, 100, 30);
  auto* outside = surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 400,
                              300, 50, 20);
  ASSERT_TRUE(surface.attach());
  const auto provider = surface.provider(inside->id());
  Property automation_id, name, help, type, focusable, enabled, offscreen, framework, unknown;
  ASSERT_EQ(read(provider.Get(), ids::kAutomationIdProperty, automation_id), S_OK);
  EXPECT_EQ(text_of(automation_id), L"semantics-" + std::to_wstring(inside->id()));
  ASSERT_EQ(read(provider.Get(), ids::kNameProperty, name), S_OK);
  EXPECT_EQ(text_of(name), L"Record");
  ASSERT_EQ(read(provider.Get(), ids::kHelpTextProperty, help), S_OK);
  EXPECT_EQ(text_of(help), L"Starts recording");
  ASSERT_EQ(read(provider.Get(), ids::kControlTypeProperty, type), S_OK);
  EXPECT_EQ(type.value.lVal, 50000);
  ASSERT_EQ(read(provider.Get(), ids::kIsKeyboardFocusableProperty, focusable), S_OK);
  EXPECT_EQ(focusable.value.boolVal, VARIANT_TRUE);
  ASSERT_EQ(read(provider.Get(), ids::kIsEnabledProperty, enabled), S_OK);
  EXPECT_EQ(enabled.value.boolVal, VARIANT_TRUE);
  ASSERT_EQ(read(provider.Get(), ids::kIsOffscreenProperty, offscreen), S_OK);
  EXPECT_EQ(offscreen.value.vt, VT_BOOL);
  EXPECT_EQ(offscreen.value.boolVal, VARIANT_FALSE);
  ASSERT_EQ(read(provider.Get(), ids::kFrameworkIdProperty, framework), S_OK);
  EXPECT_EQ(text_of(framework), L"win32-ui");
  ASSERT_EQ(read(provider.Get(), 30001, unknown), S_OK);
  EXPECT_EQ(unknown.value.vt, VT_EMPTY);

  Property far_offscreen;
  ASSERT_EQ(read(surface.provider(outside->id()).Get(), ids::kIsOffscreenProperty, far_offscreen),
            S_OK);
  EXPECT_EQ(far_offscreen.value.boolVal, VARIANT_TRUE);
}

TEST_F(ProviderTest, ProviderOptionsAddOverrideForANativeWindow) {
  auto* plain = surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 10, 10,
                            50, 20);
  auto* edit = surface.add(std::make_unique<TestEditHost>(7, L"text", false), 10, 40, 120, 28);
  ASSERT_TRUE(surface.attach());
  surface.settle();
  ASSERT_NE(edit->native_handle(), nullptr);
  enum ProviderOptions options = static_cast<enum ProviderOptions>(0);
  ASSERT_EQ(surface.provider(plain->id())->get_ProviderOptions(&options), S_OK);
  EXPECT_EQ(static_cast<int>(options), 0x22);
  ASSERT_EQ(surface.provider(edit->id())->get_ProviderOptions(&options), S_OK);
  EXPECT_EQ(static_cast<int>(options), 0x2A);
  ASSERT_EQ(surface.provider(0)->get_ProviderOptions(&options), S_OK);
  EXPECT_EQ(static_cast<int>(options), 0x22);
}

class ExposedPanel : public OverlayPanel {
 public:
  void describe(ElementInfo& info) const override {
    info.role = ElementRole::kGroup;
    info.exposed = true;
  }
};

class ProviderTreeTest : public ProviderTest {
 protected:
  // first (0,0,40,20); group (0,40,200,100) holding a (10,10,60,60) and
  // b (30,30,60,60), overlapping; last (250,0,40,20).
  void SetUp() override {
    first = surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 0, 0, 40,
                        20);
    auto box = std::make_unique<ExposedPanel>();
    a = place_in(*box, 10, 10);
    b = place_in(*box, 30, 30);
    group = surface.add(std::move(box), 0, 40, 200, 100);
    last = surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 250, 0, 40,
                       20);
    ASSERT_TRUE(surface.attach());
    surface.settle();
  }

  static View* place_in(OverlayPanel& box, float x, float y) {
    auto view = std::make_unique<DescribedView>(element(ElementRole::kButton));
    view->set_layout_params(testing::placed(x, y, 60, 60));
    return box.add_child(std::move(view));
  }

  ComPtr<IRawElementProviderFragment> navigate(std::uint64_t from, NavigateDirection direction,
                                               HRESULT expected = S_OK) {
    ComPtr<IRawElementProviderFragment> out;
    EXPECT_EQ(fragment_of(surface.provider(from))->Navigate(direction, &out), expected);
    return out;
  }

  ComPtr<IRawElementProviderFragment> from_point(double x, double y) {
    ComPtr<IRawElementProviderFragmentRoot> root;
    EXPECT_EQ(surface.provider(0).As(&root), S_OK);
    ComPtr<IRawElementProviderFragment> out;
    EXPECT_EQ(root->ElementProviderFromPoint(AutomationTestSurface::kX + x,
                                             AutomationTestSurface::kY + y, &out),
              S_OK);
    return out;
  }

  View* first = nullptr;
  View* a = nullptr;
  View* b = nullptr;
  View* group = nullptr;
  View* last = nullptr;
};

TEST_F(ProviderTreeTest, NavigatesParentsSiblingsAndChildren) {
  EXPECT_TRUE(is_root(navigate(first->id(), NavigateDirection_Parent).Get()));
  EXPECT_EQ(id_of(navigate(a->id(), NavigateDirection_Parent)), group->id());
  EXPECT_EQ(navigate(a->id(), NavigateDirection_PreviousSibling), nullptr);
  EXPECT_EQ(id_of(navigate(a->id(), NavigateDirection_NextSibling)), b->id());
  EXPECT_EQ(navigate(b->id(), NavigateDirection_NextSibling), nullptr);
  EXPECT_EQ(id_of(navigate(first->id(), NavigateDirection_NextSibling)), group->id());
  EXPECT_EQ(navigate(first->id(), NavigateDirection_PreviousSibling), nullptr);
  EXPECT_EQ(id_of(navigate(group->id(), NavigateDirection_FirstChild)), a->id());
  EXPECT_EQ(id_of(navigate(group->id(), NavigateDirection_LastChild)), b->id());
  EXPECT_EQ(navigate(first->id(), NavigateDirection_FirstChild), nullptr);
  EXPECT_EQ(id_of(navigate(0, NavigateDirection_FirstChild)), first->id());
  EXPECT_EQ(id_of(navigate(0, NavigateDirection_LastChild)), last->id());
  EXPECT_EQ(navigate(0, NavigateDirection_Parent), nullptr);
  EXPECT_EQ(navigate(0, NavigateDirection_NextSibling), nullptr);
}

TEST_F(ProviderTreeTest, PointFindsTheDeepestElementLastChildFirst) {
  struct Case {
    double x;
    double y;
    std::uint64_t expected;  // ~0: none
  };
  const Case cases[] = {
      {5, 5, first->id()},           // a top-level element
      {50, 90, b->id()},             // inside a and b: the later child wins
      {15, 55, a->id()},             // inside a only
      {150, 120, group->id()},       // inside the group, outside its children
      {150, 10, 0},                  // inside the window, no element
  };
  for (const Case& c : cases) {
    const auto hit = from_point(c.x, c.y);
    ASSERT_NE(hit, nullptr) << c.x << "," << c.y;
    if (c.expected == 0) {
      EXPECT_TRUE(is_root(hit.Get())) << c.x << "," << c.y;
    } else {
      EXPECT_EQ(id_of(hit), c.expected) << c.x << "," << c.y;
    }
  }
  EXPECT_EQ(from_point(-5, -5), nullptr);
  EXPECT_EQ(from_point(1000, 10), nullptr);
}

TEST_F(ProviderTreeTest, BoundingRectanglesAreScreenPixels) {
  UiaRect rect{};
  ASSERT_EQ(fragment_of(surface.provider(a->id()))->get_BoundingRectangle(&rect), S_OK);
  EXPECT_EQ(rect.left, AutomationTestSurface::kX + 10);
  EXPECT_EQ(rect.top, AutomationTestSurface::kY + 50);
  EXPECT_EQ(rect.width, 60);
  EXPECT_EQ(rect.height, 60);
  ASSERT_EQ(fragment_of(surface.provider(0))->get_BoundingRectangle(&rect), S_OK);
  EXPECT_EQ(rect.left, AutomationTestSurface::kX);
  EXPECT_EQ(rect.top, AutomationTestSurface::kY);
  EXPECT_EQ(rect.width, 320);
  EXPECT_EQ(rect.height, 240);
}

TEST_F(ProviderTest, RangePatternOfASliderReportsItsSteps) {
  ElementInfo range = element(ElementRole::kSlider, ElementAction::kSetRangeValue);
  range.has_range = true;
  range.range_minimum = 0.0;
  range.range_maximum = 1.0;
  range.range_value = 0.25;
  range.range_step = 0.05;
  auto* described = surface.add(std::make_unique<DescribedView>(range), 10, 10, 100, 20);
  auto* slider = surface.add(std::make_unique<Slider>(3, 0.5f), 10, 40, 100, 20);
  ASSERT_TRUE(surface.attach());

  const auto pattern = surface.pattern<IRangeValueProvider>(described->id());
  double value = -1;
  ASSERT_EQ(pattern->get_LargeChange(&value), S_OK);
  EXPECT_DOUBLE_EQ(value, 0.5);
  ASSERT_EQ(pattern->get_SmallChange(&value), S_OK);
  EXPECT_DOUBLE_EQ(value, 0.05);
  ASSERT_EQ(pattern->get_Value(&value), S_OK);
  EXPECT_DOUBLE_EQ(value, 0.25);
  ASSERT_EQ(pattern->get_Maximum(&value), S_OK);
  EXPECT_DOUBLE_EQ(value, 1.0);
  BOOL read_only = TRUE;
  ASSERT_EQ(pattern->get_IsReadOnly(&read_only), S_OK);
  EXPECT_FALSE(read_only);

  const auto real = surface.pattern<IRangeValueProvider>(slider->id());
  ASSERT_EQ(real->get_LargeChange(&value), S_OK);
  EXPECT_NEAR(value, 0.5, 1e-6);
  ASSERT_EQ(real->get_SmallChange(&value), S_OK);
  EXPECT_NEAR(value, 0.05, 1e-7);

  ComPtr<IUnknown> offered;
  ASSERT_EQ(surface.provider(slider->id())->GetPatternProvider(ids::kRangeValuePattern, &offered),
            S_OK);
  EXPECT_NE(offered, nullptr);
  ASSERT_EQ(surface.provider(slider->id())->GetPatternProvider(ids::kInvokePattern, &offered),
            S_OK);
  EXPECT_EQ(offered, nullptr);
}

TEST_F(ProviderTest, RangeMinimumAndMaximumReadBackAsTheirOwnValues) {
  // Every bound differs from the value and from the other bound, so a bound
  // read from the wrong field cannot pass.
  ElementInfo range = element(ElementRole::kSlider, ElementAction::kSetRangeValue);
  range.has_range = true;
  range.range_minimum = -20.0;
  range.range_maximum = 80.0;
  range.range_value = 30.0;
  range.range_step = 5.0;
  auto* described = surface.add(std::make_unique<DescribedView>(range), 10, 10, 100, 20);
  auto* slider = surface.add(std::make_unique<Slider>(3, 0.3f), 10, 40, 100, 20);
  ASSERT_TRUE(surface.attach());

  struct RangeCase {
    const char* name;
    decltype(described->id()) id;
    double minimum;
    double maximum;
    double value;
  };
  const RangeCase cases[] = {{"range element", described->id(), -20.0, 80.0, 30.0},
                             {"slider", slider->id(), 0.0, 1.0, 0.3}};
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto pattern = surface.pattern<IRangeValueProvider>(c.id);
    double minimum = 123.0;
    double maximum = 123.0;
    double value = 123.0;
    ASSERT_EQ(pattern->get_Minimum(&minimum), S_OK);
    ASSERT_EQ(pattern->get_Maximum(&maximum), S_OK);
    ASSERT_EQ(pattern->get_Value(&value), S_OK);
    EXPECT_DOUBLE_EQ(minimum, c.minimum);
    EXPECT_DOUBLE_EQ(maximum, c.maximum);
    EXPECT_NEAR(value, c.value, 1e-6);
  }
}

TEST_F(ProviderTest, PatternDataMissingIsAnInvalidOperation) {
  auto* text = surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 10, 10,
                           50, 20);
  ASSERT_TRUE(surface.attach());
  double value = 0;
  enum ToggleState toggle = ToggleState_On;
  enum ExpandCollapseState expanded = ExpandCollapseState_Expanded;
  EXPECT_EQ(surface.pattern<IRangeValueProvider>(text->id())->get_Value(&value),
            ids::kInvalidOperation);
  EXPECT_EQ(surface.pattern<IToggleProvider>(text->id())->get_ToggleState(&toggle),
            ids::kInvalidOperation);
  EXPECT_EQ(
      surface.pattern<IExpandCollapseProvider>(text->id())->get_ExpandCollapseState(&expanded),
      ids::kInvalidOperation);
}

TEST_F(ProviderTest, HostedEditShowsItsTextAndRefusesTextWhenReadOnly) {
  auto* writable = surface.add(std::make_unique<TestEditHost>(7, L"draft", false), 10, 10, 120,
                               28);
  auto* locked = surface.add(std::make_unique<TestEditHost>(8, L"fixed", true), 10, 50, 120, 28);
  ASSERT_TRUE(surface.attach());
  surface.settle();
  ASSERT_NE(writable->native_handle(), nullptr);
  SetWindowTextW(writable->native_handle(), L"typed by the user");
  surface.settle();

  const auto value = surface.pattern<IValueProvider>(writable->id());
  BSTR text = nullptr;
  ASSERT_EQ(value->get_Value(&text), S_OK);
  EXPECT_EQ(std::wstring(text), L"typed by the user");
  SysFreeString(text);
  BOOL read_only = TRUE;
  ASSERT_EQ(value->get_IsReadOnly(&read_only), S_OK);
  EXPECT_FALSE(read_only);
  EXPECT_EQ(value->SetValue(L"set by a client"), S_OK);
  wchar_t buffer[64] = {};
  GetWindowTextW(writable->native_handle(), buffer, 64);
  EXPECT_STREQ(buffer, L"set by a client");

  const auto locked_value = surface.pattern<IValueProvider>(locked->id());
  ASSERT_EQ(locked_value->get_IsReadOnly(&read_only), S_OK);
  EXPECT_TRUE(read_only);
  EXPECT_EQ(locked_value->SetValue(L"nope"), ids::kInvalidOperation);
  GetWindowTextW(locked->native_handle(), buffer, 64);
  EXPECT_STREQ(buffer, L"fixed");
}

TEST_F(ProviderTest, OverrideForAnEditWindowIsItsElementsProvider) {
  auto* edit = surface.add(std::make_unique<TestEditHost>(7, L"draft", false), 10, 10, 120, 28);
  auto* other = surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 10, 50,
                            50, 20);
  ASSERT_TRUE(surface.attach());
  surface.settle();
  ComPtr<IRawElementProviderHwndOverride> root_override;
  ASSERT_EQ(surface.provider(0).As(&root_override), S_OK);
  ComPtr<IRawElementProviderSimple> found;
  ASSERT_EQ(root_override->GetOverrideProviderForHwnd(edit->native_handle(), &found), S_OK);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(element_id_of(found.Get()), edit->id());
  Property type;
  ASSERT_EQ(read(found.Get(), ids::kControlTypeProperty, type), S_OK);
  EXPECT_EQ(type.value.lVal, 50004);
  Property handle;
  ASSERT_EQ(read(found.Get(), ids::kNativeWindowHandleProperty, handle), S_OK);
  EXPECT_EQ(handle.value.vt, VT_I4);
  EXPECT_EQ(handle.value.lVal,
            static_cast<LONG>(reinterpret_cast<std::intptr_t>(edit->native_handle())));

  ComPtr<IRawElementProviderSimple> none;
  ASSERT_EQ(root_override->GetOverrideProviderForHwnd(surface.hwnd(), &none), S_OK);
  EXPECT_EQ(none, nullptr);

  // Only the root offers the override.
  ComPtr<IRawElementProviderHwndOverride> refused;
  EXPECT_EQ(surface.provider(other->id()).As(&refused), E_NOINTERFACE);
}

TEST_F(ProviderTest, HostProviderComesFromTheSurfaceOrTheHostedWindow) {
  auto* plain = surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 10, 10,
                            50, 20);
  auto* edit = surface.add(std::make_unique<TestEditHost>(7, L"draft", false), 10, 40, 120, 28);
  ASSERT_TRUE(surface.attach());
  surface.settle();
  surface.fake->clear();
  ComPtr<IRawElementProviderSimple> host;
  EXPECT_EQ(surface.provider(plain->id())->get_HostRawElementProvider(&host), S_OK);
  EXPECT_EQ(host, nullptr);
  EXPECT_TRUE(surface.fake->host_provider_windows().empty());
  EXPECT_EQ(surface.provider(0)->get_HostRawElementProvider(&host), S_OK);
  EXPECT_EQ(surface.provider(edit->id())->get_HostRawElementProvider(&host), S_OK);
  EXPECT_EQ(surface.fake->host_provider_windows(),
            (std::vector<HWND>{surface.hwnd(), edit->native_handle()}));
}

TEST_F(ProviderTest, NullArgumentsAreRefused) {
  auto* view = surface.add(std::make_unique<DescribedView>(element(
                               ElementRole::kEdit, ElementAction::kSetValueText)),
                           10, 10, 50, 20);
  ASSERT_TRUE(surface.attach());
  const auto simple = surface.provider(view->id());
  const auto root = surface.provider(0);
  const auto fragment = fragment_of(simple);
  ComPtr<IRawElementProviderFragmentRoot> fragment_root;
  ASSERT_EQ(root.As(&fragment_root), S_OK);
  const auto range = surface.pattern<IRangeValueProvider>(view->id());
  const auto value = surface.pattern<IValueProvider>(view->id());
  const auto toggle = surface.pattern<IToggleProvider>(view->id());
  const auto expand = surface.pattern<IExpandCollapseProvider>(view->id());
  const std::pair<const char*, std::function<HRESULT()>> calls[] = {
      {"QueryInterface", [&] { return simple->QueryInterface(__uuidof(IUnknown), nullptr); }},
      {"get_ProviderOptions", [&] { return simple->get_ProviderOptions(nullptr); }},
      {"GetPatternProvider", [&] { return simple->GetPatternProvider(10000, nullptr); }},
      {"GetPropertyValue", [&] { return simple->GetPropertyValue(30005, nullptr); }},
      {"get_HostRawElementProvider", [&] { return simple->get_HostRawElementProvider(nullptr); }},
      {"Navigate", [&] { return fragment->Navigate(NavigateDirection_Parent, nullptr); }},
      {"GetRuntimeId", [&] { return fragment->GetRuntimeId(nullptr); }},
      {"get_BoundingRectangle", [&] { return fragment->get_BoundingRectangle(nullptr); }},
      {"GetEmbeddedFragmentRoots", [&] { return fragment->GetEmbeddedFragmentRoots(nullptr); }},
      {"get_FragmentRoot", [&] { return fragment->get_FragmentRoot(nullptr); }},
      {"ElementProviderFromPoint",
       [&] { return fragment_root->ElementProviderFromPoint(0, 0, nullptr); }},
      {"GetFocus", [&] { return fragment_root->GetFocus(nullptr); }},
      {"get_ToggleState", [&] { return toggle->get_ToggleState(nullptr); }},
      {"get_ExpandCollapseState", [&] { return expand->get_ExpandCollapseState(nullptr); }},
      {"range get_Value", [&] { return range->get_Value(static_cast<double*>(nullptr)); }},
      {"get_SmallChange", [&] { return range->get_SmallChange(nullptr); }},
      {"value get_Value", [&] { return value->get_Value(static_cast<BSTR*>(nullptr)); }},
      {"get_IsReadOnly", [&] { return value->get_IsReadOnly(nullptr); }},
      {"SetValue of a null string", [&] { return value->SetValue(static_cast<LPCWSTR>(nullptr)); }},
  };
  for (const auto& [name, call] : calls) EXPECT_EQ(call(), E_INVALIDARG) << name;
  EXPECT_TRUE(view->actions.empty());
}

}  // namespace
}  // namespace win32_ui::modern
