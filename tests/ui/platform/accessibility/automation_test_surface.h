// What the automation tests share: a Surface on a real popup window of the
// test display whose automation host is the real SemanticsAutomationHost on
// a FakeAutomationCore (or a core the test passes), with an overlay panel as
// content where views are placed at fixed DIP rectangles; and a view whose
// accessible description and action answer the test chooses.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "tests/fakes/ui/platform/fake_automation_core.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/platform/accessibility/semantics_automation_host.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/surface.h"
#include "ui/views/view.h"

namespace win32_ui::modern::testing {

// Describes itself with `info` (the enabled flag included) and answers
// actions with `accepts`, recording each one with the thread it ran on.
class DescribedView : public View {
 public:
  explicit DescribedView(ElementInfo described) : info(std::move(described)) {}

  void describe(ElementInfo& out) const override { out = info; }
  bool perform_action(const ElementAction& action) override {
    actions.push_back(action);
    threads.push_back(GetCurrentThreadId());
    return accepts;
  }
  // Changes the description and tells the surface.
  void redescribe(ElementInfo described) {
    info = std::move(described);
    notify_semantics_changed();
  }

  ElementInfo info;
  bool accepts = true;
  std::vector<ElementAction> actions;
  std::vector<DWORD> threads;
};

// An exposed element of the role with the action flags, enabled.
ElementInfo element(ElementRole role, std::int32_t flags = 0, std::wstring name = {});

class AutomationTestSurface {
  // Set while the surface is constructed, so declared before it.
  SemanticsAutomationHost* host_ = nullptr;

 public:
  static constexpr int kX = 60;
  static constexpr int kY = 50;

  // A window of width x height client pixels with an empty overlay panel
  // as content, not yet attached.
  explicit AutomationTestSurface(
      int width = 320, int height = 240, std::shared_ptr<AutomationCore> core = nullptr,
      std::uint32_t action_timeout_ms = ProviderState::kDefaultActionTimeoutMs);
  ~AutomationTestSurface();
  AutomationTestSurface(const AutomationTestSurface&) = delete;
  AutomationTestSurface& operator=(const AutomationTestSurface&) = delete;

  bool attach();
  HWND hwnd() const { return window.hwnd(); }
  // The surface's view root; null while detached.
  ViewRoot* view_root() const;
  // Places the view at (x, y) with the size, in DIP, inside the panel.
  template <typename V>
  V* add(std::unique_ptr<V> view, float x, float y, float width, float height) {
    V* raw = view.get();
    place(std::move(view), x, y, width, height);
    return raw;
  }
  // Lays the tree out again and publishes what changed.
  void settle();
  SemanticsAutomationHost& host() const { return *host_; }
  ProviderState& state() const { return *host_->state(); }
  Microsoft::WRL::ComPtr<IRawElementProviderSimple> provider(std::uint64_t id) const;
  // The pattern interface of the element's provider.
  template <typename Pattern>
  Microsoft::WRL::ComPtr<Pattern> pattern(std::uint64_t id) const {
    Microsoft::WRL::ComPtr<Pattern> result;
    if (const auto simple = provider(id)) simple.As(&result);
    return result;
  }

  std::shared_ptr<FakeAutomationCore> fake = std::make_shared<FakeAutomationCore>();
  ui::graphics::test::PopupWindow window;
  Surface surface;
  OverlayPanel* panel = nullptr;

 private:
  void place(std::unique_ptr<View> view, float x, float y, float width, float height);
};

// Pumps the thread's messages until `done` is signalled; false after ten
// seconds without it.
bool pump_until(HANDLE done);

}  // namespace win32_ui::modern::testing
