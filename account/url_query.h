// Reading the query of the browser's callback request: percent-decoding and
// looking up one parameter. Pure byte functions with no Windows calls, so
// they can be fed any bytes a local process sends.
#pragma once

#include <string>
#include <string_view>

namespace halvarin::sdk {

// The percent-decoded text: "%" and two hexadecimal digits become that byte
// (%00 a zero byte), "+" a space; anything else, an incomplete escape
// included, is kept as it stands. Decoded bytes are not checked further.
std::string url_decode(std::string_view text);

// The decoded value of the first parameter of the target's query whose
// decoded name equals `name`; empty when there is no query or no such
// parameter. Segments without "=" are skipped.
std::string query_parameter(std::string_view target, std::string_view name);

}  // namespace halvarin::sdk
