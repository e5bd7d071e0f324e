// The names under which a file left behind by an earlier run (a crash, a
// power cut) is kept instead of being overwritten: "<stem>.recovered-N<ext>"
// beside it, N counting from 1. Free functions; any thread.
#pragma once

#include <filesystem>
#include <functional>

namespace quorvel::windows {

// How many recovered names one file may take in the product.
inline constexpr int kMaxRecoveredNames = 9999;

// What a status query says about a name: nothing stands there, something
// does (a file, a folder, even a dangling link), or the query itself failed.
enum class NameStatus { kFree, kTaken, kUnknown };

// The file-system query behind the naming; tests pass one that fails on the
// names they choose.
using NameStatusQuery = std::function<NameStatus(const std::filesystem::path&)>;

// The real query: the name's own status, not following a link.
NameStatus query_name_status(const std::filesystem::path& path);

// What a candidate whose query failed counts as.
enum class UnqueryableName {
  kUse,     // chosen: the rename that follows succeeds or fails on its own
  kGiveUp,  // no name is chosen at all
};

// The first "<stem>.recovered-N<ext>" beside `path` (N from 1 to `limit`)
// that names nothing, or whose query failed when `unqueryable` is kUse.
// Empty when all are taken, or on a failed query with kGiveUp. An empty
// `query` means the real one.
std::filesystem::path first_free_recovered_name(
    const std::filesystem::path& path, int limit = kMaxRecoveredNames,
    UnqueryableName unqueryable = UnqueryableName::kGiveUp, const NameStatusQuery& query = {});

}  // namespace quorvel::windows
