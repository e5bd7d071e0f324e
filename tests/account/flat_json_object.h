// The fake account service's reading of the client's request bodies: a
// strict parser of one JSON object whose members are all strings, written
// from the JSON grammar (RFC 8259) and independent of the client's own
// readers. White space between tokens is allowed, as any server allows it;
// duplicate names, other value types and trailing text are refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace halvarin::sdk::test {

// The members in the order they appear, values unescaped to UTF-8.
using FlatJsonObject = std::vector<std::pair<std::string, std::string>>;

std::optional<FlatJsonObject> parse_flat_json_object(std::string_view text);

// The value of `name`; nothing when the object has no such member.
std::optional<std::string> member(const FlatJsonObject& object, std::string_view name);

// The member names in order.
std::vector<std::string> member_names(const FlatJsonObject& object);

}  // namespace halvarin::sdk::test
