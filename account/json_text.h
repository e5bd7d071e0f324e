// Reading values out of the account service's JSON answers and escaping
// values for the request bodies, without building a tree. Each reader looks
// for the first occurrence of the quoted key anywhere in the text (at any
// depth, or a string value equal to the key) and reads the value behind the
// colon that follows it. Keys match byte for byte.
//
// Pure byte functions: no Windows calls, no state, safe on any thread. A
// malformed or hostile text never fails loudly: each reader returns its
// empty value (empty string, 0, empty vector).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halvarin::sdk {

// `text` escaped for use between the quotes of a JSON string (the quotes are
// not added). Bytes of 0x7F and above pass unchanged.
std::string json_escape(std::string_view text);

// The unescaped string value of `key`; empty when the key is missing, its
// value is not a string (null, a number, a boolean, an object, an array) or
// the string is malformed. \u escapes become UTF-8; each half of a surrogate
// pair is encoded on its own.
std::string json_get_string(std::string_view json, std::string_view key);

// The integer value of `key`, read up to the first non-digit (12.9 gives
// 12); 0 when missing, not a number, quoted or outside the int64 range.
int64_t json_get_int64(std::string_view json, std::string_view key);

// The full text of each object in the array value of `key`, braces
// included. Empty when the value is not an array, holds anything but
// objects or ends inside an object; an array cut off between elements gives
// the objects read so far.
std::vector<std::string> json_get_string_list(std::string_view json, std::string_view key);

}  // namespace halvarin::sdk
