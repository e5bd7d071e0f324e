// A SemanticsAutomationHost for surface tests: writes every call into a log
// the test owns (the surface owns the host), and consumes one chosen message
// with a chosen answer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/platform/accessibility/semantics_automation_host.h"
#include "ui/views/event.h"

namespace quorvel::test {

struct AutomationLog {
  struct Scale {
    std::uint32_t dpi = 0;
    float zoom = 0.0f;
    float scroll_offset = 0.0f;
  };

  // "attach", "detach", "update_scale", "sync", "raise_invoked" in order.
  std::vector<std::string> calls;
  std::vector<Scale> scales;
  std::vector<win32_ui::modern::Event> events;
  HWND attached_window = nullptr;
  // The message the host consumes (0: none) and its answer.
  UINT consumed_message = 0;
  LRESULT answer = 0;

  std::size_t count(const std::string& call) const;
};

class RecordingAutomationHost final : public win32_ui::modern::SemanticsAutomationHost {
 public:
  explicit RecordingAutomationHost(std::shared_ptr<AutomationLog> log) : log_(std::move(log)) {}

  void attach(HWND window, win32_ui::modern::ViewRoot* root) override;
  void detach() override;
  void update_scale(std::uint32_t dpi, float zoom, float scroll_offset) override;
  void sync() override;
  void raise_invoked(const win32_ui::modern::Event& event) override;
  bool handle_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  std::shared_ptr<AutomationLog> log_;
};

}  // namespace quorvel::test
