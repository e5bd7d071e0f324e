// A file-system status query that fails on the names a test chooses (as a
// query does on a name it may not look at, or on a share that drops out)
// and asks the real file system for every other name. It remembers every
// name it was asked about, in order.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "engine/recovered_name.h"

namespace quorvel::windows::test {

class FakeNameStatus {
 public:
  void fail_on(const std::filesystem::path& name);

  // The query to pass in; it shares this fake's state, so it may outlive
  // the copy it came from.
  NameStatusQuery query() const;

  std::vector<std::filesystem::path> asked() const;

 private:
  struct State {
    std::mutex mutex;
    std::set<std::filesystem::path> failing;
    std::vector<std::filesystem::path> asked;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace quorvel::windows::test
