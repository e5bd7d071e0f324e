#include "streaming/name_lookup.h"

#include <atomic>
#include <utility>

#include "engine/unique_handle.h"
#include "streaming/failure.h"

#ifdef __MINGW32__
// The import library exports this, but the MinGW headers do not declare it.
extern "C" {
WINSOCK_API_LINKAGE int WSAAPI GetAddrInfoExCancel(LPHANDLE lpHandle);
}
#endif

namespace quorvel::windows {
namespace {

constexpr DWORD kWaitStepMs = 50;

// What a running lookup writes into. Two holders: the waiter and the
// completion routine; the last to let go frees it, and with it any result
// the lookup delivered after the waiter had left.
struct PendingLookup {
  explicit PendingLookup(NameLookupCalls::Free free_addresses) : free(std::move(free_addresses)) {}
  ~PendingLookup() {
    if (result != nullptr && free) free(result);
  }
  PendingLookup(const PendingLookup&) = delete;
  PendingLookup& operator=(const PendingLookup&) = delete;

  OVERLAPPED overlapped{};
  ADDRINFOEXW* result = nullptr;
  HANDLE cancel = nullptr;
  UniqueEvent done;
  std::atomic<int> status{WSAEINPROGRESS};
  std::atomic<int> holders{2};
  const NameLookupCalls::Free free;
};

void let_go(PendingLookup* lookup) {
  if (lookup->holders.fetch_sub(1) == 1) delete lookup;
}

// Called by the system once the lookup has finished writing, whether the
// waiter is still there or not.
void CALLBACK lookup_completed(DWORD error, DWORD, LPWSAOVERLAPPED overlapped) {
  PendingLookup* lookup = CONTAINING_RECORD(overlapped, PendingLookup, overlapped);
  lookup->status.store(static_cast<int>(error));
  SetEvent(lookup->done.get());
  let_go(lookup);
}

// The waiter's hold on a lookup, given up on every way out of the wait.
struct WaiterHold {
  PendingLookup* lookup;
  ~WaiterHold() { let_go(lookup); }
};

}  // namespace

NameLookupCalls system_name_lookup() {
  NameLookupCalls calls;
  calls.start = [](PCWSTR host, PCWSTR service, const ADDRINFOEXW* hints, PADDRINFOEXW* result,
                   LPOVERLAPPED overlapped, LPLOOKUPSERVICE_COMPLETION_ROUTINE completion,
                   LPHANDLE cancel) {
    return GetAddrInfoExW(host, service, NS_DNS, nullptr, hints, result, nullptr, overlapped,
                          completion, cancel);
  };
  calls.cancel = [](LPHANDLE cancel) { return GetAddrInfoExCancel(cancel); };
  calls.free = [](PADDRINFOEXW addresses) { FreeAddrInfoExW(addresses); };
  return calls;
}

AddressList lookup_addresses(const std::wstring& host, uint16_t port,
                             const std::function<bool()>& stop, const NameLookupCalls& calls) {
  const std::wstring service = std::to_wstring(port);
  ADDRINFOEXW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;

  auto* lookup = new PendingLookup(calls.free);
  WaiterHold hold{lookup};
  lookup->done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!lookup->done) {
    lookup->holders.fetch_sub(1);  // no lookup, no completion
    throw Failure(kFailureNetwork, "CreateEvent");
  }
  // The completion routine tells the waiter itself: the OVERLAPPED's event
  // stays unset, so nothing signals a handle the routine may have closed.
  int started = 0;
  try {
    started =
        calls.start(host.c_str(), service.c_str(), &hints, &lookup->result, &lookup->overlapped,
                    reinterpret_cast<LPLOOKUPSERVICE_COMPLETION_ROUTINE>(&lookup_completed),
                    &lookup->cancel);
  } catch (...) {
    lookup->holders.fetch_sub(1);  // never started: no completion will come
    throw;
  }
  if (started != WSA_IO_PENDING) {
    // Finished (or refused) at once: the completion routine is not called.
    lookup->holders.fetch_sub(1);
    lookup->status.store(started);
  } else {
    for (;;) {
      const DWORD waited = WaitForSingleObject(lookup->done.get(), kWaitStepMs);
      if (waited == WAIT_OBJECT_0) break;
      const bool stopped = waited == WAIT_TIMEOUT && stop();
      if (!stopped && waited == WAIT_TIMEOUT) continue;
      // The lookup goes on writing into `lookup` until its completion
      // routine runs, which also frees it; the wait ends now.
      calls.cancel(&lookup->cancel);
      if (!stopped) throw Failure(kFailureNetwork, "name resolution wait");
      return AddressList(nullptr, AddressListReleaser{calls.free});
    }
  }
  if (lookup->status.load() != 0 || lookup->result == nullptr) {
    throw Failure(kFailureNetwork, "name resolution");
  }
  return AddressList(std::exchange(lookup->result, nullptr), AddressListReleaser{calls.free});
}

}  // namespace quorvel::windows
