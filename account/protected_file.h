// The protected-file primitives of the account client's local store: one
// DPAPI blob (current-user scope) per file, bound to an optional entropy,
// replaced whole through a temporary file so that a reader sees either the
// old or the new blob. No state; safe on any thread, no handle outlives a
// call.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "account/error.h"

namespace halvarin::sdk {

// Ciphertext sizes accepted on read: 1 to 65536 bytes.
inline constexpr size_t kMaxProtectedFileBytes = 65536;

// An Error of kind 10 (storage) carrying `message`, with empty code and
// request id.
Error make_storage_error(std::string message);

// Encrypts `plaintext` under `entropy` (may be empty) with `description` as
// the blob's data description, creates the missing folders of `path`,
// writes the blob to `path` + ".tmp" and moves it onto `path`. Every
// failure leaves the previous file at `path` intact.
Error write_protected_file(const std::wstring& path, std::string_view plaintext,
                           std::string_view entropy, const std::wstring& description);

// Decrypts the whole file at `path` under `entropy` into `plaintext`
// (cleared first).
Error read_protected_file(const std::wstring& path, std::string_view entropy,
                          std::string& plaintext);

// True when a directory entry named `path` exists (a file, a folder or a
// link, which is not followed). Only an answer of "not found" counts as
// absent: an entry the query cannot see for another reason counts as
// present, so that the read that follows reports the real failure.
bool directory_entry_exists(const std::wstring& path);

}  // namespace halvarin::sdk
