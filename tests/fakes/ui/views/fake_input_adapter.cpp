#include "tests/fakes/ui/views/fake_input_adapter.h"

namespace quorvel::test {

bool FakeInputAdapter::capture_pointer(unsigned pointer_id) {
  calls.push_back("capture " + std::to_string(pointer_id));
  return grant_capture;
}

void FakeInputAdapter::release_pointer(unsigned pointer_id) {
  calls.push_back("release " + std::to_string(pointer_id));
}

}  // namespace quorvel::test
