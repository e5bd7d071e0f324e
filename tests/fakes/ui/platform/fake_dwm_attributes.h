// A DwmAttributes for tests: records every attribute set (id and 4-byte
// value, in order), refuses the attribute ids it is told to refuse, answers
// reads with the last accepted value (E_NOTIMPL for others, as Wine does)
// and counts flushes.
#pragma once

#include <windows.h>

#include <set>
#include <vector>

#include "ui/platform/theme/dwm_attributes.h"

namespace quorvel::test {

class FakeDwmAttributes final : public win32_ui::DwmAttributes {
 public:
  struct Call {
    HWND window = nullptr;
    DWORD attribute = 0;
    DWORD value = 0;
    DWORD size = 0;
    bool accepted = false;
  };

  // Attribute ids whose set fails with E_INVALIDARG.
  std::set<DWORD> refused;
  std::vector<Call> calls;
  int flushes = 0;

  // The value of the last accepted set of the attribute, or -1 when none.
  long long accepted_value(DWORD attribute) const;

  HRESULT set_window_attribute(HWND window, DWORD attribute, const void* value,
                               DWORD size) override;
  HRESULT get_window_attribute(HWND window, DWORD attribute, void* value, DWORD size) override;
  HRESULT flush() override;
};

}  // namespace quorvel::test
