// A screenshot editor for App tests: open or not as the test says, with a
// log of what the App asked, shared with the test (the App owns the fake).
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "app/editor_port.h"

namespace quorvel::test {

struct FakeEditorLog {
  bool open = true;
  int brought_to_front = 0;
  std::vector<win32_ui::Theme> themes;
};

class FakeEditor final : public quorvel::windows::EditorPort {
 public:
  explicit FakeEditor(std::shared_ptr<FakeEditorLog> log) : log_(std::move(log)) {}

  bool open(const RECT&, CaptureCallback) override { return log_->open = true; }
  bool is_open() const override { return log_->open; }
  void bring_to_front() override { ++log_->brought_to_front; }
  void set_theme(const win32_ui::Theme& theme) override { log_->themes.push_back(theme); }

 private:
  std::shared_ptr<FakeEditorLog> log_;
};

}  // namespace quorvel::test
