#include "account/connectivity_hint.h"

#include <windows.h>

#include "engine/unique_handle.h"

namespace halvarin::sdk {
namespace {

// The IP Helper declarations of Windows 10 2004, which the MinGW headers
// lack. Kept in this file's own namespace so that a header that does declare
// them cannot clash.
enum NL_NETWORK_CONNECTIVITY_LEVEL_HINT : int32_t {
  NetworkConnectivityLevelHintUnknown = 0,
  NetworkConnectivityLevelHintNone = 1,
  NetworkConnectivityLevelHintLocalAccess = 2,
  NetworkConnectivityLevelHintInternetAccess = 3,
  NetworkConnectivityLevelHintConstrainedInternetAccess = 4,
  NetworkConnectivityLevelHintHidden = 5,
};

enum NL_NETWORK_CONNECTIVITY_COST_HINT : int32_t {
  NetworkConnectivityCostHintUnknown = 0,
  NetworkConnectivityCostHintUnrestricted = 1,
  NetworkConnectivityCostHintFixed = 2,
  NetworkConnectivityCostHintVariable = 3,
};

struct NL_NETWORK_CONNECTIVITY_HINT {
  NL_NETWORK_CONNECTIVITY_LEVEL_HINT ConnectivityLevel;
  NL_NETWORK_CONNECTIVITY_COST_HINT ConnectivityCost;
  BOOLEAN ApproachingDataLimit;
  BOOLEAN OverDataLimit;
  BOOLEAN Roaming;
};

// Returns NO_ERROR on success, a Win32 error code otherwise.
using GetNetworkConnectivityHintFunction = DWORD(WINAPI*)(NL_NETWORK_CONNECTIVITY_HINT*);

struct LibraryTraits {
  using Handle = HMODULE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { FreeLibrary(handle); }
};

}  // namespace

int connectivity_level_of_hint(int32_t level_hint) {
  switch (level_hint) {
    case NetworkConnectivityLevelHintNone: return kConnectivityNone;
    case NetworkConnectivityLevelHintLocalAccess: return kConnectivityLocalNetwork;
    case NetworkConnectivityLevelHintInternetAccess:
    case NetworkConnectivityLevelHintConstrainedInternetAccess: return kConnectivityInternet;
    default: return kConnectivityUnknown;
  }
}

int connectivity_hint() {
  // A static import would keep the program from loading where the function
  // is missing (or, under Wine, abort it at the call).
  const quorvel::windows::UniqueHandle<LibraryTraits> library(
      LoadLibraryExW(L"iphlpapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library) return kConnectivityUnknown;
  const auto get_hint = reinterpret_cast<GetNetworkConnectivityHintFunction>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "GetNetworkConnectivityHint")));
  if (get_hint == nullptr) return kConnectivityUnknown;
  NL_NETWORK_CONNECTIVITY_HINT hint{};
  if (get_hint(&hint) != NO_ERROR) return kConnectivityUnknown;
  return connectivity_level_of_hint(hint.ConnectivityLevel);
}

}  // namespace halvarin::sdk
