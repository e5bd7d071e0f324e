#include "ui/views/commands/command_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace win32_ui::modern {
namespace {

Command command(unsigned id, int* runs, std::function<bool(unsigned)> can_execute = {}) {
  Command made;
  made.id = id;
  made.text = L"command";
  made.action = [runs] { ++*runs; };
  made.can_execute = std::move(can_execute);
  return made;
}

// FNV-1a worked out byte by byte from its published constants.
std::uint64_t reference_fnv1a64(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (std::uint8_t byte : bytes) {
    hash ^= byte;
    hash *= 0x100000001B3ull;
  }
  return hash;
}

TEST(CommandTableTest, HashIsFnv1aOverTheIdsFourBytesLowByteFirst) {
  static_assert(sizeof(std::size_t) == 8, "the program is 64-bit");
  const CommandIdHash hash;
  const struct {
    unsigned id;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {0u, {0, 0, 0, 0}},
      {26u, {26, 0, 0, 0}},
      {0x12345678u, {0x78, 0x56, 0x34, 0x12}},
      {0xFFFFFFFFu, {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hash(c.id), reference_fnv1a64(c.bytes)) << "id " << c.id;
  }
  // The empty input is the offset basis; four zero bytes are known to give
  // this value.
  EXPECT_EQ(hash(0u), 0x4D25767F9DCE13F5ull);
}

TEST(CommandTableTest, AddRefusesAMissingActionAndATakenId) {
  CommandTable table;
  int first_runs = 0;
  int second_runs = 0;
  Command without_action;
  without_action.id = 3;
  EXPECT_FALSE(table.add(without_action));
  EXPECT_EQ(table.find(3), nullptr);

  Command first = command(7, &first_runs);
  first.text = L"first";
  EXPECT_TRUE(table.add(first));
  Command second = command(7, &second_runs);
  second.text = L"second";
  EXPECT_FALSE(table.add(second));

  ASSERT_NE(table.find(7), nullptr);
  EXPECT_EQ(table.find(7)->text, L"first");
  EXPECT_EQ(table.execute(7), CommandTable::kExecuted);
  EXPECT_EQ(first_runs, 1);
  EXPECT_EQ(second_runs, 0);
}

TEST(CommandTableTest, CanExecuteAsksThePredicateWithTheId) {
  CommandTable table;
  int runs = 0;
  std::vector<unsigned> asked;
  table.add(command(1, &runs));
  table.add(command(2, &runs, [&asked](unsigned id) {
    asked.push_back(id);
    return false;
  }));
  table.add(command(3, &runs, [&asked](unsigned id) {
    asked.push_back(id);
    return true;
  }));

  EXPECT_TRUE(table.can_execute(1));
  EXPECT_FALSE(table.can_execute(2));
  EXPECT_TRUE(table.can_execute(3));
  EXPECT_FALSE(table.can_execute(4));
  EXPECT_EQ(asked, (std::vector<unsigned>{2, 3}));
}

TEST(CommandTableTest, ExecuteReportsUnknownRefusedOrRun) {
  CommandTable table;
  int allowed_runs = 0;
  int refused_runs = 0;
  table.add(command(10, &allowed_runs, [](unsigned) { return true; }));
  table.add(command(11, &refused_runs, [](unsigned) { return false; }));

  EXPECT_EQ(table.execute(10), CommandTable::kExecuted);
  EXPECT_EQ(table.execute(11), CommandTable::kRefused);
  EXPECT_EQ(table.execute(12), CommandTable::kUnknown);
  EXPECT_EQ(allowed_runs, 1);
  EXPECT_EQ(refused_runs, 0);
}

TEST(CommandTableTest, HandleCommandIgnoresNotificationsAndTruncatesIds) {
  CommandTable table;
  int runs = 0;
  table.add(command(1, &runs));
  HWND some_control = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));

  const struct {
    unsigned id;
    HWND source;
    int result;
    int runs_after;
  } cases[] = {
      {0x10001u, some_control, CommandTable::kUnknown, 0},
      {0x10001u, nullptr, CommandTable::kExecuted, 1},
      {1u, some_control, CommandTable::kExecuted, 2},
      {0xFFFFu, some_control, CommandTable::kUnknown, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(table.handle_command(c.id, c.source), c.result) << "id " << c.id;
    EXPECT_EQ(runs, c.runs_after) << "id " << c.id;
  }
}

TEST(CommandTableTest, ClearRemovesEveryCommand) {
  CommandTable table;
  int runs = 0;
  table.add(command(1, &runs));
  table.add(command(2, &runs));
  table.clear();
  EXPECT_EQ(table.size(), 0u);
  EXPECT_EQ(table.execute(1), CommandTable::kUnknown);
  EXPECT_TRUE(table.add(command(1, &runs)));
}

TEST(CommandTableTest, AnActionMayClearItsOwnTable) {
  CommandTable table;
  int runs = 0;
  Command clearing;
  clearing.id = 5;
  clearing.action = [&table, &runs] {
    table.clear();
    ++runs;
  };
  table.add(clearing);
  EXPECT_EQ(table.execute(5), CommandTable::kExecuted);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(table.find(5), nullptr);
}

TEST(CommandTableTest, ThirdCallbackIsCopiedAndNeverCalled) {
  CommandTable table;
  int runs = 0;
  int third_calls = 0;
  Command with_third = command(9, &runs);
  with_third.third_callback = [&third_calls] { ++third_calls; };
  table.add(with_third);
  table.execute(9);
  ASSERT_NE(table.find(9), nullptr);
  EXPECT_TRUE(static_cast<bool>(table.find(9)->third_callback));
  EXPECT_EQ(third_calls, 0);
}

}  // namespace
}  // namespace win32_ui::modern
