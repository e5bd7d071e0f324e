#include "ui/platform/hosting/child_key_record.h"

namespace win32_ui::modern {
namespace {

// One per thread: a same-thread send runs the parent's window procedure on
// this thread, so only a genuine send from here finds its record here.
thread_local ChildKeyRecord* t_in_flight = nullptr;

// Marks the record for the length of one send; a nested send (a handler
// that makes a control forward another key) restores the outer one.
class InFlightScope {
 public:
  explicit InFlightScope(ChildKeyRecord* record) : saved_(t_in_flight) { t_in_flight = record; }
  ~InFlightScope() { t_in_flight = saved_; }
  InFlightScope(const InFlightScope&) = delete;
  InFlightScope& operator=(const InFlightScope&) = delete;

 private:
  ChildKeyRecord* saved_;
};

}  // namespace

LRESULT send_child_key_record(HWND parent, ChildKeyRecord& record) {
  const InFlightScope scope(&record);
  return SendMessageW(parent, kChildKeyMessage, 0, reinterpret_cast<LPARAM>(&record));
}

ChildKeyRecord* child_key_record_in_flight(LPARAM lparam) {
  if (lparam == 0 || t_in_flight == nullptr) return nullptr;
  return reinterpret_cast<ChildKeyRecord*>(lparam) == t_in_flight ? t_in_flight : nullptr;
}

}  // namespace win32_ui::modern
