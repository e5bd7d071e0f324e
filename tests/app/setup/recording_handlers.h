// A handler record whose every member logs its name and arguments, for the
// setup builders' tests: "frame_rate(60)", "toggle3(true)", ...
#pragma once

#include <string>
#include <vector>

#include "app/setup/preview_handlers.h"

namespace quorvel::windows::test {

class RecordingHandlers {
 public:
  // Every callback set, logging into this object; pending texts, stream
  // target and locale as given afterwards on the result.
  PreviewHandlers make(const std::wstring& locale);

  std::vector<std::string> calls;
};

}  // namespace quorvel::windows::test
