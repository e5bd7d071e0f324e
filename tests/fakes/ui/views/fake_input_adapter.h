// An InputAdapter for tests: records every capture and release, in order,
// and grants or refuses captures as the test says.
#pragma once

#include <string>
#include <vector>

#include "ui/views/input_adapter.h"

namespace quorvel::test {

class FakeInputAdapter final : public win32_ui::platform::InputAdapter {
 public:
  // What capture_pointer answers.
  bool grant_capture = true;
  // "capture 1", "release 1" ...
  std::vector<std::string> calls;

  bool capture_pointer(unsigned pointer_id) override;
  void release_pointer(unsigned pointer_id) override;
};

}  // namespace quorvel::test
