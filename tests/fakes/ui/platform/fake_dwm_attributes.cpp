#include "tests/fakes/ui/platform/fake_dwm_attributes.h"

#include <cstring>

namespace quorvel::test {

long long FakeDwmAttributes::accepted_value(DWORD attribute) const {
  long long found = -1;
  for (const Call& call : calls) {
    if (call.attribute == attribute && call.accepted) found = call.value;
  }
  return found;
}

HRESULT FakeDwmAttributes::set_window_attribute(HWND window, DWORD attribute, const void* value,
                                                DWORD size) {
  Call call{window, attribute, 0, size, refused.count(attribute) == 0};
  if (value && size == sizeof(DWORD)) std::memcpy(&call.value, value, sizeof(DWORD));
  calls.push_back(call);
  return call.accepted ? S_OK : E_INVALIDARG;
}

HRESULT FakeDwmAttributes::get_window_attribute(HWND, DWORD attribute, void* value, DWORD size) {
  const long long stored = accepted_value(attribute);
  if (stored < 0 || !value || size != sizeof(DWORD)) return E_NOTIMPL;
  const DWORD copy = static_cast<DWORD>(stored);
  std::memcpy(value, &copy, sizeof(copy));
  return S_OK;
}

HRESULT FakeDwmAttributes::flush() {
  ++flushes;
  return S_OK;
}

}  // namespace quorvel::test
