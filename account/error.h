// Error is the outcome record of every account-client operation: kind 0 is
// success, any other kind names what failed. Operations return it instead of
// throwing for service, network or storage failures. A plain value; copy it
// freely between threads.
#pragma once

#include <cstdint>
#include <string>

namespace halvarin::sdk {

// The kinds an Error carries. The kind stays a plain int32 in the record so
// that it can be logged and compared without a cast.
inline constexpr int32_t kErrorNone = 0;
// An argument of the caller is unusable (sign-in options, a credential to
// save, a disconnection without an access token).
inline constexpr int32_t kErrorInvalidArgument = 1;
inline constexpr int32_t kErrorConfigurationInvalid = 2;
inline constexpr int32_t kErrorCancelled = 3;
// The network is down, WinHTTP could not start or the server is unreachable
// while the machine has no internet access.
inline constexpr int32_t kErrorNetwork = 4;
inline constexpr int32_t kErrorTimeout = 5;
inline constexpr int32_t kErrorSecureChannel = 6;
// The browser or a web page could not be opened.
inline constexpr int32_t kErrorBrowser = 7;
// The loopback callback of the browser sign-in failed.
inline constexpr int32_t kErrorCallback = 8;
inline constexpr int32_t kErrorIdTokenRejected = 9;
// A locally saved record is missing or unusable.
inline constexpr int32_t kErrorStorage = 10;
// A response could not be read, is too large or is incomplete.
inline constexpr int32_t kErrorResponseInvalid = 11;
// The service rejected the request (status below 500) or the authorization
// was denied.
inline constexpr int32_t kErrorRejected = 12;
// The service failed (status 500 or more) or could not be reached although
// the machine has internet access.
inline constexpr int32_t kErrorServiceUnavailable = 13;
// An internal step failed: random numbers, hashing, COM start, a loop that
// should not end.
inline constexpr int32_t kErrorInternal = 14;

struct Error {
  int32_t kind = kErrorNone;
  // English text for the user or the log.
  std::string message;
  // The service's error code, such as "AUTH_INSTALLATION_CLAIMED"; empty for
  // local failures.
  std::string code;
  // The service's identifier of a rejected request; empty otherwise.
  std::string request_id;
  // The HTTP status of a request the service rejected; 0 otherwise.
  int32_t http_status = 0;
};

// Kinds after which the client tries its start again on the next call:
// network, time-out, secure channel and service failures.
constexpr bool is_transient_kind(int32_t kind) {
  return kind == kErrorNetwork || kind == kErrorTimeout || kind == kErrorSecureChannel ||
         kind == kErrorServiceUnavailable;
}

}  // namespace halvarin::sdk
