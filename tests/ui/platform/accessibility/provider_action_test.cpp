// Actions UI Automation asks of elements: carried from a client thread to
// the UI thread while it pumps messages, refused without waiting when the
// element is disabled or lacks the action, failed when the UI thread stays
// busy past the bound (and never run afterwards), and announced once.
#include "ui/platform/accessibility/provider.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "engine/unique_handle.h"
#include "tests/ui/platform/accessibility/automation_test_surface.h"
#include "ui/platform/accessibility/automation_ids.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/check_box.h"
#include "ui/views/widgets/slider.h"

namespace win32_ui::modern {
namespace {

namespace ids = automation;
using Microsoft::WRL::ComPtr;
using quorvel::windows::UniqueEvent;
using testing::AutomationTestSurface;
using testing::DescribedView;
using testing::element;
using testing::RecordedEvent;

// Runs `call` on a thread of its own, as UI Automation's thread would, and
// signals `done` when it returned.
class ClientThread {
 public:
  explicit ClientThread(std::function<HRESULT()> call)
      : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        thread_([this, call = std::move(call)] {
          result_ = call();
          SetEvent(done_.get());
        }) {}
  ~ClientThread() {
    if (thread_.joinable()) thread_.join();
  }
  ClientThread(const ClientThread&) = delete;
  ClientThread& operator=(const ClientThread&) = delete;

  HANDLE done() const { return done_.get(); }
  // Joins first.
  HRESULT result() {
    if (thread_.joinable()) thread_.join();
    return result_;
  }

 private:
  UniqueEvent done_;
  HRESULT result_ = E_PENDING;
  std::thread thread_;
};

void drain_messages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

class ProviderActionTest : public ::testing::Test {
 protected:
  explicit ProviderActionTest(std::uint32_t timeout_ms = ProviderState::kDefaultActionTimeoutMs)
      : surface(320, 240, nullptr, timeout_ms) {
    button = surface.add(std::make_unique<Button>(1, L"Record", 0), 10, 10, 100, 30);
    button->on_invoked([this] { handler_threads.push_back(GetCurrentThreadId()); });
  }

  AutomationTestSurface surface;
  Button* button = nullptr;
  std::vector<DWORD> handler_threads;
};

TEST_F(ProviderActionTest, InvokeFromAnotherThreadRunsOnTheUiThread) {
  ASSERT_TRUE(surface.attach());
  const auto invoke = surface.pattern<IInvokeProvider>(button->id());
  ASSERT_NE(invoke, nullptr);
  surface.fake->clear();
  ClientThread client([&] { return invoke->Invoke(); });
  ASSERT_TRUE(testing::pump_until(client.done()));
  EXPECT_EQ(client.result(), S_OK);
  ASSERT_EQ(handler_threads.size(), 1u);
  EXPECT_EQ(handler_threads[0], GetCurrentThreadId());
  const auto invoked = surface.fake->events_of(RecordedEvent::kAutomation, ids::kInvokedEvent);
  ASSERT_EQ(invoked.size(), 1u);
  EXPECT_EQ(invoked[0].element_id, button->id());
  EXPECT_NE(invoked[0].thread, GetCurrentThreadId()) << "announced by the provider's thread";
}

TEST_F(ProviderActionTest, InvokeOnTheUiThreadRunsDirectlyAndIsAnnouncedOnce) {
  ASSERT_TRUE(surface.attach());
  surface.fake->clear();
  EXPECT_EQ(surface.pattern<IInvokeProvider>(button->id())->Invoke(), S_OK);
  EXPECT_EQ(handler_threads.size(), 1u);
  EXPECT_EQ(surface.fake->events_of(RecordedEvent::kAutomation, ids::kInvokedEvent).size(), 1u);
}

TEST_F(ProviderActionTest, RefusedActionsNeverReachTheView) {
  auto* plain = surface.add(std::make_unique<DescribedView>(element(ElementRole::kText)), 10, 50,
                            50, 20);
  auto* refusing = surface.add(
      std::make_unique<DescribedView>(element(ElementRole::kButton, ElementAction::kInvoke)), 10,
      80, 50, 20);
  refusing->accepts = false;
  button->set_enabled(false);
  ASSERT_TRUE(surface.attach());
  surface.settle();
  struct Case {
    const char* name;
    std::uint64_t id;
    HRESULT expected;
  };
  const Case cases[] = {{"disabled button", button->id(), ids::kElementNotEnabled},
                        {"view without the invoke flag", plain->id(), ids::kInvalidOperation},
                        {"view that refuses", refusing->id(), ids::kActionFailed}};
  for (const Case& c : cases) {
    EXPECT_EQ(surface.pattern<IInvokeProvider>(c.id)->Invoke(), c.expected) << c.name;
  }
  EXPECT_TRUE(handler_threads.empty());
  EXPECT_TRUE(plain->actions.empty());
  EXPECT_EQ(refusing->actions.size(), 1u);
  EXPECT_TRUE(surface.fake->events_of(RecordedEvent::kAutomation, ids::kInvokedEvent).empty());
}

TEST_F(ProviderActionTest, ToggleAndRangeValueChangeTheViewAndPublishTheDiff) {
  auto* check = surface.add(std::make_unique<CheckBox>(2, L"Audio", false), 10, 50, 100, 24);
  auto* slider = surface.add(std::make_unique<Slider>(3, 0.25f), 10, 80, 100, 24);
  ASSERT_TRUE(surface.attach());
  surface.settle();
  surface.fake->clear();

  ASSERT_EQ(surface.pattern<IToggleProvider>(check->id())->Toggle(), S_OK);
  enum ToggleState state = ToggleState_Off;
  ASSERT_EQ(surface.pattern<IToggleProvider>(check->id())->get_ToggleState(&state), S_OK);
  EXPECT_EQ(state, ToggleState_On);
  const auto toggled = surface.fake->events_of(RecordedEvent::kProperty, ids::kToggleStateProperty);
  ASSERT_EQ(toggled.size(), 1u);
  EXPECT_EQ(toggled[0].old_value, AutomationValue::of_int(ids::kToggleOff));
  EXPECT_EQ(toggled[0].new_value, AutomationValue::of_int(ids::kToggleOn));

  const auto range = surface.pattern<IRangeValueProvider>(slider->id());
  ASSERT_EQ(range->SetValue(0.75), S_OK);
  double value = 0;
  ASSERT_EQ(range->get_Value(&value), S_OK);
  EXPECT_DOUBLE_EQ(value, 0.75);
  const auto moved = surface.fake->events_of(RecordedEvent::kProperty,
                                             ids::kRangeValueValueProperty);
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_DOUBLE_EQ(moved[0].old_value.double_value, 0.25);
  EXPECT_DOUBLE_EQ(moved[0].new_value.double_value, 0.75);
}

TEST_F(ProviderActionTest, EachPatternMethodForwardsItsActionKindValueAndText) {
  ElementInfo described = element(ElementRole::kComboBox,
                                  ElementAction::kExpand | ElementAction::kCollapse |
                                      ElementAction::kSetValueText | ElementAction::kSetRangeValue |
                                      ElementAction::kFocus);
  described.expanded_state = false;
  described.has_range = true;
  auto* view = surface.add(std::make_unique<DescribedView>(described), 10, 50, 100, 24);
  ASSERT_TRUE(surface.attach());
  const std::uint64_t id = view->id();
  struct Case {
    const char* name;
    std::function<HRESULT()> call;
    std::int32_t kind;
    double value;
    const wchar_t* text;
  };
  const Case cases[] = {
      {"Expand", [&] { return surface.pattern<IExpandCollapseProvider>(id)->Expand(); },
       ElementAction::kExpand, 0.0, L""},
      {"Collapse", [&] { return surface.pattern<IExpandCollapseProvider>(id)->Collapse(); },
       ElementAction::kCollapse, 0.0, L""},
      {"range SetValue", [&] { return surface.pattern<IRangeValueProvider>(id)->SetValue(0.4); },
       ElementAction::kSetRangeValue, 0.4, L""},
      {"value SetValue",
       [&] { return surface.pattern<IValueProvider>(id)->SetValue(L"1080p"); },
       ElementAction::kSetValueText, 0.0, L"1080p"},
      {"SetFocus",
       [&] {
         ComPtr<IRawElementProviderFragment> fragment;
         surface.provider(id).As(&fragment);
         return fragment->SetFocus();
       },
       ElementAction::kFocus, 0.0, L""},
  };
  for (const Case& c : cases) {
    view->actions.clear();
    ASSERT_EQ(c.call(), S_OK) << c.name;
    ASSERT_EQ(view->actions.size(), 1u) << c.name;
    EXPECT_EQ(view->actions[0].kind, c.kind) << c.name;
    EXPECT_EQ(view->actions[0].value, c.value) << c.name;
    EXPECT_EQ(view->actions[0].text, std::wstring(c.text)) << c.name;
  }
}

TEST_F(ProviderActionTest, RootReportsTheFocusedElement) {
  ASSERT_TRUE(surface.attach());
  ComPtr<IRawElementProviderFragmentRoot> root;
  ASSERT_EQ(surface.provider(0).As(&root), S_OK);
  ComPtr<IRawElementProviderFragment> focused;
  ASSERT_EQ(root->GetFocus(&focused), S_OK);
  EXPECT_EQ(focused, nullptr);
  ASSERT_TRUE(surface.surface.request_focus(button, kFocusKeyboard));
  surface.settle();
  ASSERT_EQ(root->GetFocus(&focused), S_OK);
  ASSERT_NE(focused, nullptr);
  ComPtr<IRawElementProviderSimple> simple;
  ASSERT_EQ(focused.As(&simple), S_OK);
  EXPECT_EQ(testing::element_id_of(simple.Get()), button->id());
}

class ProviderActionTimeoutTest : public ProviderActionTest {
 protected:
  ProviderActionTimeoutTest() : ProviderActionTest(150) {}
};

TEST_F(ProviderActionTimeoutTest, BusyUiThreadFailsTheActionAndNeverRunsItLater) {
  ASSERT_TRUE(surface.attach());
  const auto invoke = surface.pattern<IInvokeProvider>(button->id());
  surface.fake->clear();
  ClientThread client([&] { return invoke->Invoke(); });
  // Busy: waits without pumping, so the action message cannot be delivered
  // before the client gives up.
  ASSERT_EQ(WaitForSingleObject(client.done(), 10000), WAIT_OBJECT_0);
  EXPECT_EQ(client.result(), ids::kActionFailed);
  // The late message now finds no pending call.
  drain_messages();
  EXPECT_TRUE(handler_threads.empty());
  EXPECT_TRUE(surface.fake->events_of(RecordedEvent::kAutomation, ids::kInvokedEvent).empty());
}

TEST_F(ProviderActionTest, ActionsFailWithoutAWindow) {
  ASSERT_TRUE(surface.attach());
  ActionCall call;
  call.element_id = button->id();
  call.action.kind = ElementAction::kInvoke;
  surface.surface.detach();
  EXPECT_FALSE(surface.state().run_action(call));
  EXPECT_TRUE(handler_threads.empty());
}

}  // namespace
}  // namespace win32_ui::modern
