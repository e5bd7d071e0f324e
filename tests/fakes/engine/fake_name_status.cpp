#include "tests/fakes/engine/fake_name_status.h"

namespace quorvel::windows::test {

void FakeNameStatus::fail_on(const std::filesystem::path& name) {
  std::lock_guard lock(state_->mutex);
  state_->failing.insert(name);
}

NameStatusQuery FakeNameStatus::query() const {
  return [state = state_](const std::filesystem::path& name) {
    {
      std::lock_guard lock(state->mutex);
      state->asked.push_back(name);
      if (state->failing.count(name) != 0) return NameStatus::kUnknown;
    }
    return query_name_status(name);
  };
}

std::vector<std::filesystem::path> FakeNameStatus::asked() const {
  std::lock_guard lock(state_->mutex);
  return state_->asked;
}

}  // namespace quorvel::windows::test
