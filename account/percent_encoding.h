// URL percent-encoding of the values the account client puts into query
// strings and form bodies. Pure byte function: no Windows calls.
#pragma once

#include <string>
#include <string_view>

namespace halvarin::sdk {

// ASCII letters, digits and "-", ".", "_", "~" are kept; every other byte
// becomes "%" and two upper-case hexadecimal digits (a blank gives %20).
std::string percent_encode(std::string_view text);

}  // namespace halvarin::sdk
