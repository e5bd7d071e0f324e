// Base64url (the URL- and file-name-safe alphabet) without padding, the form
// of every token, key and signature the account client makes or reads.
// Pure byte functions: no Windows calls, safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halvarin::sdk {

// Four characters per three bytes; a last one or two bytes give two or
// three characters. No "=" is written; zero bytes give an empty text.
std::string base64url_encode(const uint8_t* data, size_t size);

// The bytes of `text`; empty when any character is outside the alphabet
// ("=", "+", "/" and white space included). Leftover bits of a last partial
// byte are dropped, so a single character decodes to nothing.
std::vector<uint8_t> base64url_decode(std::string_view text);

}  // namespace halvarin::sdk
