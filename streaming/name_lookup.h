// Name resolution for the connection: the system's asynchronous lookup,
// waited for in 50 ms steps so that an abort or a deadline ends the wait.
//
// A lookup writes into its OVERLAPPED and its result pointer until it
// completes, which a slow name server can put off indefinitely. That memory
// therefore lives on the heap, shared by the waiter and the lookup's
// completion routine: whichever lets go last frees it. A stopped wait
// cancels the lookup and returns at once; nothing is freed under a lookup
// that is still running.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quorvel::windows {

// The three system calls of a lookup; tests pass their own to control when
// and how a lookup completes. `start` is GetAddrInfoExW for the DNS name
// space without a time-out.
struct NameLookupCalls {
  using Start = std::function<int(PCWSTR host, PCWSTR service, const ADDRINFOEXW* hints,
                                  PADDRINFOEXW* result, LPOVERLAPPED overlapped,
                                  LPLOOKUPSERVICE_COMPLETION_ROUTINE completion,
                                  LPHANDLE cancel)>;
  using Cancel = std::function<int(LPHANDLE cancel)>;
  using Free = std::function<void(PADDRINFOEXW addresses)>;

  Start start;
  Cancel cancel;
  Free free;
};

// GetAddrInfoExW, GetAddrInfoExCancel and FreeAddrInfoExW.
NameLookupCalls system_name_lookup();

struct AddressListReleaser {
  NameLookupCalls::Free free;
  void operator()(ADDRINFOEXW* addresses) const {
    if (addresses != nullptr && free) free(addresses);
  }
};
using AddressList = std::unique_ptr<ADDRINFOEXW, AddressListReleaser>;

// The TCP addresses of `host` at `port`, in the resolver's order. `stop` is
// asked every 50 ms while the lookup runs; once it answers true the lookup
// is cancelled and the result is null. A failed lookup, or one that found
// nothing, is code 1 (network); so is a failure to set the wait up.
AddressList lookup_addresses(const std::wstring& host, uint16_t port,
                             const std::function<bool()>& stop,
                             const NameLookupCalls& calls = system_name_lookup());

}  // namespace quorvel::windows
