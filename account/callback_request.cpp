#include "account/callback_request.h"

namespace halvarin::sdk {
namespace {

constexpr std::string_view kHeadEnd = "\r\n\r\n";
constexpr std::string_view kGet = "GET ";

}  // namespace

bool callback_request_complete(std::string_view buffered) {
  return buffered.size() >= kMaxCallbackRequestBytes ||
         buffered.find(kHeadEnd) != std::string_view::npos;
}

std::optional<std::string_view> callback_request_target(std::string_view request) {
  if (!request.starts_with(kGet)) return std::nullopt;
  // Only the request line counts: a space in a later header line must not
  // pull header bytes into the target.
  const std::string_view line = request.substr(0, request.find_first_of("\r\n"));
  const size_t second_space = line.find(' ', kGet.size());
  if (second_space == std::string_view::npos) return std::nullopt;
  return line.substr(kGet.size(), second_space - kGet.size());
}

}  // namespace halvarin::sdk
