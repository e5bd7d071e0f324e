#include "ui/views/commands/command_table.h"

#include <cstdint>
#include <type_traits>
#include <utility>

namespace win32_ui::modern {
namespace {

template <typename Word>
struct Fnv1a;

template <>
struct Fnv1a<std::uint64_t> {
  static constexpr std::uint64_t kOffset = 14695981039346656037ull;
  static constexpr std::uint64_t kPrime = 1099511628211ull;
};

template <>
struct Fnv1a<std::uint32_t> {
  static constexpr std::uint32_t kOffset = 2166136261u;
  static constexpr std::uint32_t kPrime = 16777619u;
};

using HashWord = std::conditional_t<sizeof(std::size_t) == 8, std::uint64_t, std::uint32_t>;

}  // namespace

std::size_t CommandIdHash::operator()(unsigned id) const noexcept {
  const std::uint32_t value = id;
  HashWord hash = Fnv1a<HashWord>::kOffset;
  for (int byte = 0; byte < 4; ++byte) {
    hash ^= static_cast<HashWord>((value >> (8 * byte)) & 0xFFu);
    hash *= Fnv1a<HashWord>::kPrime;
  }
  return static_cast<std::size_t>(hash);
}

CommandTable::CommandTable(std::size_t bucket_count) : commands_(bucket_count) {
  commands_.max_load_factor(1.0f);
}

bool CommandTable::add(Command command) {
  if (!command.action) return false;
  const unsigned id = command.id;
  return commands_.try_emplace(id, std::move(command)).second;
}

Command* CommandTable::find(unsigned id) {
  const auto found = commands_.find(id);
  return found != commands_.end() ? &found->second : nullptr;
}

const Command* CommandTable::find(unsigned id) const {
  const auto found = commands_.find(id);
  return found != commands_.end() ? &found->second : nullptr;
}

bool CommandTable::can_execute(unsigned id) const {
  const Command* command = find(id);
  if (!command) return false;
  return !command->can_execute || command->can_execute(id);
}

int CommandTable::execute(unsigned id) {
  if (!find(id)) return kUnknown;
  if (!can_execute(id)) return kRefused;
  // A copy: the action may replace or clear the table.
  const std::function<void()> action = find(id)->action;
  action();
  return kExecuted;
}

int CommandTable::handle_command(unsigned id, HWND source) {
  if (source != nullptr && id > 0xFFFFu) return kUnknown;
  return execute(id & 0xFFFFu);
}

void CommandTable::clear() { commands_.clear(); }

}  // namespace win32_ui::modern
