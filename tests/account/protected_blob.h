// The tests' own reading and planting of the account client's protected
// files, written from their layout (one DPAPI blob of the current user
// under a given entropy) rather than through the store under test.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace halvarin::sdk::test {

struct DecryptedBlob {
  bool ok = false;
  std::string plaintext;
  // The data description stored inside the blob.
  std::wstring description;
};

// Decrypts the file at `path` under `entropy`; `ok` is false when the file
// cannot be read or DPAPI refuses it.
DecryptedBlob decrypt_file(const std::filesystem::path& path, std::string_view entropy);

// Writes `plaintext` encrypted under `entropy` with `description` to
// `path`, creating its folders. Throws when any step fails.
void plant_file(const std::filesystem::path& path, std::string_view plaintext,
                std::string_view entropy, const std::wstring& description);

// The raw bytes of a file; throws when it cannot be read.
std::string read_bytes(const std::filesystem::path& path);

// Writes raw bytes to a file, creating its folders; throws on failure.
void write_bytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace halvarin::sdk::test
