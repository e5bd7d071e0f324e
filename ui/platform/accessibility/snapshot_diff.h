// What changed between two automation snapshots, as UI Automation's events
// need it: whether the structure or any rectangle changed, where the focus
// was and went, and each property change with its old and new value in the
// order they are raised. A plain value, made on the UI thread and published
// from any thread.
#pragma once

#include <oaidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace win32_ui::modern {

class AutomationSnapshot;

struct AutomationValue {
  static constexpr std::int32_t kBool = 0;
  static constexpr std::int32_t kInt = 1;
  static constexpr std::int32_t kDouble = 2;
  static constexpr std::int32_t kString = 3;

  std::int32_t kind = kBool;
  bool bool_value = false;
  std::int32_t int_value = 0;
  double double_value = 0.0;
  std::wstring string_value;

  static AutomationValue of_bool(bool value);
  static AutomationValue of_int(std::int32_t value);
  static AutomationValue of_double(double value);
  static AutomationValue of_string(std::wstring value);

  // VT_BOOL, VT_I4, VT_R8 or VT_BSTR; the caller clears it. E_OUTOFMEMORY
  // when a string cannot be allocated (the variant is then empty).
  [[nodiscard]] HRESULT to_variant(VARIANT* out) const;

  friend bool operator==(const AutomationValue&, const AutomationValue&) = default;
};

struct PropertyChange {
  std::uint64_t element_id = 0;
  std::int32_t property_id = 0;
  AutomationValue old_value;
  AutomationValue new_value;
};

struct SnapshotDiff {
  // False when there was nothing to compare against: nothing is raised.
  bool computed = false;
  bool structure_changed = false;
  bool bounds_changed = false;
  std::uint64_t previous_focused_id = 0;
  std::uint64_t new_focused_id = 0;
  std::vector<PropertyChange> property_changes;
};

// The changes from `before` to `after`, computed.
SnapshotDiff diff_snapshots(const AutomationSnapshot& before, const AutomationSnapshot& after);

}  // namespace win32_ui::modern
