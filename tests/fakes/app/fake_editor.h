// A screenshot editor for App tests: open or not as the test says, with a
// log of what the App asked, shared with the test (the App owns the fake).
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/editor_port.h"

namespace quorvel::test {

struct FakeEditorLog {
  bool open = true;
  // What the next open answers, and what it was given.
  bool open_result = true;
  int open_calls = 0;
  RECT rect{};
  quorvel::windows::EditorPort::CaptureCallback capture;
  // The close callback the App gave when it made the editor.
  std::function<void()> on_closed;
  int brought_to_front = 0;
  std::vector<win32_ui::Theme> themes;
};

class FakeEditor final : public quorvel::windows::EditorPort {
 public:
  explicit FakeEditor(std::shared_ptr<FakeEditorLog> log) : log_(std::move(log)) {}

  bool open(const RECT& rect, CaptureCallback capture) override {
    ++log_->open_calls;
    log_->rect = rect;
    log_->capture = std::move(capture);
    return log_->open = log_->open_result;
  }
  bool is_open() const override { return log_->open; }
  void bring_to_front() override { ++log_->brought_to_front; }
  void set_theme(const win32_ui::Theme& theme) override { log_->themes.push_back(theme); }

 private:
  std::shared_ptr<FakeEditorLog> log_;
};

}  // namespace quorvel::test
