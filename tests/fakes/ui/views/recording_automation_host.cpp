#include "tests/fakes/ui/views/recording_automation_host.h"

#include <algorithm>

namespace quorvel::test {

std::size_t AutomationLog::count(const std::string& call) const {
  return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
}

void RecordingAutomationHost::attach(HWND window, win32_ui::modern::ViewRoot*) {
  log_->calls.push_back("attach");
  log_->attached_window = window;
}

void RecordingAutomationHost::detach() {
  log_->calls.push_back("detach");
  log_->attached_window = nullptr;
}

void RecordingAutomationHost::update_scale(std::uint32_t dpi, float zoom, float scroll_offset) {
  log_->calls.push_back("update_scale");
  log_->scales.push_back({dpi, zoom, scroll_offset});
}

void RecordingAutomationHost::sync() { log_->calls.push_back("sync"); }

void RecordingAutomationHost::raise_invoked(const win32_ui::modern::Event& event) {
  log_->calls.push_back("raise_invoked");
  log_->events.push_back(event);
}

bool RecordingAutomationHost::handle_message(UINT message, WPARAM, LPARAM, LRESULT* result) {
  if (log_->consumed_message == 0 || message != log_->consumed_message) return false;
  *result = log_->answer;
  return true;
}

}  // namespace quorvel::test
