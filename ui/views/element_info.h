// The accessibility description of one view: what View::describe_element
// fills and what the semantic tree and the UI Automation provider read, the
// roles an element can take and the actions a client may ask for. Plain
// values, made and read on the UI thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace win32_ui::modern {

enum class ElementRole : std::int32_t {
  kView = 0,
  kGroup = 1,
  kText = 2,
  kImage = 3,
  kButton = 4,
  kSwitch = 5,
  kCheckBox = 6,
  kRadioButton = 7,
  kSlider = 8,
  kEdit = 9,
  kComboBox = 10,
  kStatus = 11,
  kLoadingIndicator = 12,
  kSeparator = 13,
  kTable = 14,
  kTableRow = 15,
  kTableColumnHeader = 16,
  kTableCell = 17,
  kTree = 18,
  kTreeItem = 19,
  kNativeHost = 20,
};

// One request of an accessibility client. The kinds are single bits, so the
// same values serve as the accepted-action flags of ElementInfo.
struct ElementAction {
  static constexpr std::int32_t kInvoke = 1;
  static constexpr std::int32_t kToggle = 2;
  static constexpr std::int32_t kSetRangeValue = 4;
  static constexpr std::int32_t kSetValueText = 8;
  static constexpr std::int32_t kFocus = 16;
  static constexpr std::int32_t kSelect = 32;
  static constexpr std::int32_t kExpand = 64;
  static constexpr std::int32_t kCollapse = 128;

  std::int32_t kind = 0;
  double value = 0.0;
  std::wstring text;
};

struct ElementInfo {
  ElementRole role = ElementRole::kView;
  std::wstring name;
  std::wstring help_text;
  std::wstring value_text;
  std::optional<bool> toggle_state;
  std::optional<bool> expanded_state;
  double range_minimum = 0.0;
  double range_maximum = 0.0;
  double range_value = 0.0;
  double range_step = 0.0;
  bool has_range = false;
  std::int32_t action_flags = 0;
  // The element is shown to accessibility clients.
  bool exposed = false;
  // Clients see this element but none of its descendants.
  bool hides_children = false;
  bool enabled = false;
  bool focusable = false;
  bool focused = false;
  bool selected = false;
  bool read_only = false;
  // The element is a hosted native window that describes itself.
  bool native_window = false;

  void add_flags(std::int32_t flags) { action_flags |= flags; }
  // True when every bit of `flags` is accepted; 0 is never accepted.
  bool has_flag(std::int32_t flags) const {
    return flags != 0 && (action_flags & flags) == flags;
  }
};

}  // namespace win32_ui::modern
