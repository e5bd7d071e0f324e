// A surface's automation host on a real window with a recording core: the
// first snapshot raises nothing, later syncs raise exactly what changed,
// the scale invalidates layout only after the first call, activations are
// announced once, WM_GETOBJECT gets the root provider and a detach leaves
// every provider handed out unavailable.
#include "ui/platform/accessibility/semantics_automation_host.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <functional>

#include "tests/ui/platform/accessibility/automation_test_surface.h"
#include "ui/platform/accessibility/automation_ids.h"
#include "ui/views/widgets/button.h"

namespace win32_ui::modern {
namespace {

namespace ids = automation;
using Microsoft::WRL::ComPtr;
using testing::AutomationTestSurface;
using testing::DescribedView;
using testing::element;
using testing::RecordedEvent;

// An exposed group whose children are elements of their own.
class ExposedPanel : public OverlayPanel {
 public:
  void describe(ElementInfo& info) const override {
    info.role = ElementRole::kGroup;
    info.exposed = true;
  }
};

class SemanticsAutomationHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start = surface.add(std::make_unique<Button>(1, L"Start", 0), 10, 10, 100, 30);
    stop = surface.add(std::make_unique<Button>(2, L"Stop", 0), 10, 50, 100, 30);
    start->on_invoked([this] { ++start_invocations; });
  }

  AutomationTestSurface surface;
  Button* start = nullptr;
  Button* stop = nullptr;
  int start_invocations = 0;
};

// The surface's own attach captures before its first layout; attaching the
// host again to the laid-out tree shows the first capture on its own.
TEST_F(SemanticsAutomationHostTest, FirstSyncAfterAttachRaisesNothing) {
  ASSERT_TRUE(surface.attach());
  surface.settle();
  surface.host().detach();
  surface.fake->clear();
  surface.host().attach(surface.hwnd(), surface.view_root());
  EXPECT_EQ(surface.state().snapshot().size(), 2u);
  surface.host().sync();
  EXPECT_TRUE(surface.fake->events().empty());
}

TEST_F(SemanticsAutomationHostTest, RenamedButtonRaisesOneNameChange) {
  ASSERT_TRUE(surface.attach());
  surface.settle();
  surface.fake->clear();
  start->set_text(L"Begin");
  surface.settle();
  const std::vector<RecordedEvent> events = surface.fake->events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, RecordedEvent::kProperty);
  EXPECT_EQ(events[0].id, ids::kNameProperty);
  EXPECT_EQ(events[0].element_id, start->id());
  EXPECT_EQ(events[0].old_value, AutomationValue::of_string(L"Start"));
  EXPECT_EQ(events[0].new_value, AutomationValue::of_string(L"Begin"));
}

TEST_F(SemanticsAutomationHostTest, RemovedViewRaisesOneStructureChangeOnTheRoot) {
  auto box = std::make_unique<OverlayPanel>();
  auto* removed = box->add_child(std::make_unique<DescribedView>(element(ElementRole::kText)));
  OverlayPanel* holder = surface.add(std::move(box), 0, 100, 200, 40);
  ASSERT_TRUE(surface.attach());
  surface.settle();
  const std::uint64_t removed_id = removed->id();
  ASSERT_NE(surface.state().snapshot().find(removed_id), nullptr);
  surface.fake->clear();
  holder->clear_children();
  surface.settle();
  const std::vector<RecordedEvent> events = surface.fake->events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, RecordedEvent::kStructure);
  EXPECT_EQ(events[0].id, ids::kChildrenInvalidated);
  EXPECT_EQ(events[0].element_id, 0u);
  EXPECT_FALSE(events[0].has_runtime_id);
  EXPECT_EQ(surface.state().snapshot().find(removed_id), nullptr);
}

TEST_F(SemanticsAutomationHostTest, CollapsedViewLeavesWithItsSubtree) {
  auto group = std::make_unique<ExposedPanel>();
  auto* inner = group->add_child(std::make_unique<DescribedView>(element(ElementRole::kText)));
  ExposedPanel* panel = surface.add(std::move(group), 0, 100, 200, 40);
  ASSERT_TRUE(surface.attach());
  surface.settle();
  ASSERT_NE(surface.state().snapshot().find(panel->id()), nullptr);
  ASSERT_NE(surface.state().snapshot().find(inner->id()), nullptr);
  layout::LayoutParams collapsed = panel->layout_params();
  collapsed.visibility = layout::kCollapsed;
  panel->set_layout_params(collapsed);
  surface.settle();
  const AutomationSnapshot snapshot = surface.state().snapshot();
  EXPECT_EQ(snapshot.find(panel->id()), nullptr);
  EXPECT_EQ(snapshot.find(inner->id()), nullptr);
  EXPECT_EQ(snapshot.size(), 2u);
}

TEST_F(SemanticsAutomationHostTest, FocusMoveRaisesFocusChangedOnTheNewElement) {
  ASSERT_TRUE(surface.attach());
  ASSERT_TRUE(surface.surface.request_focus(start, kFocusKeyboard));
  surface.settle();
  surface.fake->clear();
  ASSERT_TRUE(surface.surface.request_focus(stop, kFocusKeyboard));
  surface.settle();
  const auto focus_events = surface.fake->events_of(RecordedEvent::kAutomation,
                                                    ids::kFocusChangedEvent);
  ASSERT_EQ(focus_events.size(), 1u);
  EXPECT_EQ(focus_events[0].element_id, stop->id());
}

TEST_F(SemanticsAutomationHostTest, ScaleChangeInvalidatesLayoutOnlyAfterTheFirstCall) {
  ASSERT_TRUE(surface.attach());
  surface.settle();
  surface.host().attach(surface.hwnd(), surface.view_root());
  surface.fake->clear();
  surface.host().update_scale(96, 0.0f, 0.0f);
  // Stored as zoom 1: the 100 x 30 DIP button keeps its size on screen.
  const ElementRect bounds = surface.state().element_bounds(start->id());
  EXPECT_EQ(bounds.width, 100.0);
  EXPECT_EQ(bounds.height, 30.0);
  EXPECT_TRUE(surface.fake->events_of(RecordedEvent::kAutomation, ids::kLayoutInvalidatedEvent)
                  .empty());
  surface.host().update_scale(96, 1.0f, 0.0f);
  EXPECT_TRUE(surface.fake->events_of(RecordedEvent::kAutomation, ids::kLayoutInvalidatedEvent)
                  .empty());
  surface.host().update_scale(144, 1.0f, 0.0f);
  const auto layout_events = surface.fake->events_of(RecordedEvent::kAutomation,
                                                     ids::kLayoutInvalidatedEvent);
  ASSERT_EQ(layout_events.size(), 1u);
  EXPECT_EQ(layout_events[0].element_id, 0u);
}

TEST_F(SemanticsAutomationHostTest, EnterOnAFocusedButtonRaisesOneInvokedFromTheHost) {
  ASSERT_TRUE(surface.attach());
  ASSERT_TRUE(surface.surface.request_focus(start, kFocusKeyboard));
  surface.settle();
  surface.fake->clear();
  SendMessageW(surface.hwnd(), WM_KEYDOWN, VK_RETURN, 1);
  SendMessageW(surface.hwnd(), WM_KEYUP, VK_RETURN, 0xC0000001);
  EXPECT_EQ(start_invocations, 1);
  const auto invoked = surface.fake->events_of(RecordedEvent::kAutomation, ids::kInvokedEvent);
  ASSERT_EQ(invoked.size(), 1u);
  EXPECT_EQ(invoked[0].element_id, start->id());
}

TEST_F(SemanticsAutomationHostTest, InvokedEventsFromAccessibilityOrWithoutSourceAreLeftOut) {
  ASSERT_TRUE(surface.attach());
  struct Case {
    View* source;
    std::int32_t kind;
    InputOrigin origin;
    std::size_t raised;
  };
  const Case cases[] = {{start, Event::kInvoked, kInputPointer, 1},
                        {start, Event::kInvoked, kInputKeyboard, 1},
                        {start, Event::kInvoked, kInputAccessibility, 0},
                        {start, Event::kCheckedChanged, kInputPointer, 0},
                        {nullptr, Event::kInvoked, kInputPointer, 0}};
  for (const Case& c : cases) {
    surface.fake->clear();
    Event event;
    event.source = c.source;
    event.kind = c.kind;
    event.origin = c.origin;
    surface.host().raise_invoked(event);
    EXPECT_EQ(surface.fake->events_of(RecordedEvent::kAutomation, ids::kInvokedEvent).size(),
              c.raised)
        << "origin " << c.origin << " kind " << c.kind;
  }
}

TEST_F(SemanticsAutomationHostTest, NothingIsRaisedWhileNoClientListens) {
  ASSERT_TRUE(surface.attach());
  surface.fake->set_listening(false);
  surface.fake->clear();
  start->set_text(L"Begin");
  surface.settle();
  surface.host().update_scale(144, 1.0f, 0.0f);
  surface.host().raise_event(start->id(), ids::kInvokedEvent);
  EXPECT_TRUE(surface.fake->events().empty());
}

TEST_F(SemanticsAutomationHostTest, GetObjectForTheRootIsAnsweredWithTheRootProvider) {
  ASSERT_TRUE(surface.attach());
  const LRESULT answer = SendMessageW(surface.hwnd(), WM_GETOBJECT, 7,
                                      static_cast<LPARAM>(ids::kRootObjectId));
  EXPECT_EQ(answer, 0x5EED);
  const auto returns = surface.fake->returns();
  ASSERT_EQ(returns.size(), 1u);
  EXPECT_EQ(returns[0].window, surface.hwnd());
  EXPECT_EQ(returns[0].wparam, 7u);
  EXPECT_EQ(returns[0].lparam, static_cast<LPARAM>(ids::kRootObjectId));
  EXPECT_TRUE(returns[0].had_provider);

  LRESULT result = 0;
  EXPECT_FALSE(surface.host().handle_message(WM_GETOBJECT, 0, OBJID_CLIENT, &result));
}

TEST_F(SemanticsAutomationHostTest, GetObjectIsNotHandledWhileDetached) {
  LRESULT result = 0;
  EXPECT_FALSE(surface.host().handle_message(WM_GETOBJECT, 0,
                                             static_cast<LPARAM>(ids::kRootObjectId), &result));
  EXPECT_TRUE(surface.fake->returns().empty());
}

TEST_F(SemanticsAutomationHostTest, MakeProviderNeedsAKnownElement) {
  EXPECT_EQ(surface.host().make_provider(0), nullptr);
  ASSERT_TRUE(surface.attach());
  EXPECT_NE(surface.host().make_provider(0), nullptr);
  EXPECT_NE(surface.host().make_provider(start->id()), nullptr);
  EXPECT_EQ(surface.host().make_provider(0xFFFFFFFFFFFFull), nullptr);
}

TEST_F(SemanticsAutomationHostTest, DetachLeavesEveryOldProviderUnavailable) {
  ASSERT_TRUE(surface.attach());
  const ComPtr<IRawElementProviderSimple> element_provider = surface.provider(start->id());
  const ComPtr<IRawElementProviderSimple> root_provider = surface.provider(0);
  ASSERT_NE(element_provider, nullptr);
  ASSERT_NE(root_provider, nullptr);
  surface.surface.detach();

  const auto detach_returns = surface.fake->returns();
  ASSERT_EQ(detach_returns.size(), 1u);
  EXPECT_EQ(detach_returns[0].window, surface.hwnd());
  EXPECT_EQ(detach_returns[0].lparam, 0);
  EXPECT_FALSE(detach_returns[0].had_provider);

  using Call = std::function<HRESULT(IRawElementProviderSimple*)>;
  const std::pair<const char*, Call> calls[] = {
      {"GetPatternProvider",
       [](IRawElementProviderSimple* p) {
         ComPtr<IUnknown> pattern;
         return p->GetPatternProvider(ids::kInvokePattern, &pattern);
       }},
      {"GetPropertyValue",
       [](IRawElementProviderSimple* p) {
         VARIANT value;
         return p->GetPropertyValue(ids::kNameProperty, &value);
       }},
      {"get_HostRawElementProvider",
       [](IRawElementProviderSimple* p) {
         ComPtr<IRawElementProviderSimple> host;
         return p->get_HostRawElementProvider(&host);
       }},
      {"Navigate",
       [](IRawElementProviderSimple* p) {
         ComPtr<IRawElementProviderFragment> fragment;
         ComPtr<IRawElementProviderFragment> next;
         p->QueryInterface(IID_PPV_ARGS(&fragment));
         return fragment->Navigate(NavigateDirection_FirstChild, &next);
       }},
      {"GetRuntimeId",
       [](IRawElementProviderSimple* p) {
         ComPtr<IRawElementProviderFragment> fragment;
         p->QueryInterface(IID_PPV_ARGS(&fragment));
         SAFEARRAY* id = nullptr;
         return fragment->GetRuntimeId(&id);
       }},
      {"get_BoundingRectangle",
       [](IRawElementProviderSimple* p) {
         ComPtr<IRawElementProviderFragment> fragment;
         p->QueryInterface(IID_PPV_ARGS(&fragment));
         UiaRect rect;
         return fragment->get_BoundingRectangle(&rect);
       }},
      {"get_FragmentRoot",
       [](IRawElementProviderSimple* p) {
         ComPtr<IRawElementProviderFragment> fragment;
         p->QueryInterface(IID_PPV_ARGS(&fragment));
         ComPtr<IRawElementProviderFragmentRoot> root;
         return fragment->get_FragmentRoot(&root);
       }},
      {"SetFocus",
       [](IRawElementProviderSimple* p) {
         ComPtr<IRawElementProviderFragment> fragment;
         p->QueryInterface(IID_PPV_ARGS(&fragment));
         return fragment->SetFocus();
       }},
      {"Invoke",
       [](IRawElementProviderSimple* p) {
         ComPtr<IInvokeProvider> invoke;
         p->QueryInterface(IID_PPV_ARGS(&invoke));
         return invoke->Invoke();
       }},
  };
  for (IRawElementProviderSimple* provider : {element_provider.Get(), root_provider.Get()}) {
    for (const auto& [name, call] : calls) {
      EXPECT_EQ(call(provider), ids::kElementNotAvailable)
          << name << (provider == root_provider.Get() ? " on the root" : " on the element");
    }
    enum ProviderOptions options = static_cast<enum ProviderOptions>(0);
    EXPECT_EQ(provider->get_ProviderOptions(&options), ids::kElementNotAvailable);
    EXPECT_EQ(static_cast<int>(options), 0x22);
  }
  EXPECT_EQ(start_invocations, 0);
}

}  // namespace
}  // namespace win32_ui::modern
