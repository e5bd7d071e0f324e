// The names under which a file left behind by an earlier run (a crash, a
// power cut) is kept instead of being overwritten: "<stem>.recovered-N<ext>"
// beside it, N counting from 1. Free function; any thread.
#pragma once

#include <filesystem>

namespace quorvel::windows {

// How many recovered names one file may take in the product.
inline constexpr int kMaxRecoveredNames = 9999;

// The first "<stem>.recovered-N<ext>" beside `path` (N from 1 to `limit`)
// that names nothing, not even a dangling link. Empty when all are taken or
// the folder cannot be queried.
std::filesystem::path first_free_recovered_name(const std::filesystem::path& path,
                                                int limit = kMaxRecoveredNames);

}  // namespace quorvel::windows
