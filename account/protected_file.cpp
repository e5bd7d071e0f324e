#include "account/protected_file.h"

#include <windows.h>
#include <dpapi.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "engine/unique_handle.h"

namespace halvarin::sdk {
namespace {

using quorvel::windows::UniqueFile;

// DPAPI hands its output over in a LocalAlloc buffer.
struct LocalFreeDeleter {
  void operator()(BYTE* buffer) const noexcept { LocalFree(buffer); }
};
using LocalBuffer = std::unique_ptr<BYTE, LocalFreeDeleter>;

struct ProtectedBytes {
  LocalBuffer data;
  DWORD size = 0;
};

// DPAPI takes its input through non-const blobs but never writes to them.
DATA_BLOB blob_of(std::string_view bytes) {
  return DATA_BLOB{static_cast<DWORD>(bytes.size()),
                   reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()))};
}

bool protect(std::string_view plaintext, std::string_view entropy, const std::wstring& description,
             ProtectedBytes& out) {
  if (plaintext.size() > ULONG_MAX || entropy.size() > ULONG_MAX) return false;
  DATA_BLOB input = blob_of(plaintext);
  DATA_BLOB entropy_blob = blob_of(entropy);
  DATA_BLOB output{};
  if (!CryptProtectData(&input, description.c_str(), entropy.empty() ? nullptr : &entropy_blob,
                        nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &output)) {
    return false;
  }
  out.data.reset(output.pbData);
  out.size = output.cbData;
  return true;
}

bool unprotect(std::string_view ciphertext, std::string_view entropy, std::string& plaintext) {
  DATA_BLOB input = blob_of(ciphertext);
  DATA_BLOB entropy_blob = blob_of(entropy);
  DATA_BLOB output{};
  if (!CryptUnprotectData(&input, nullptr, entropy.empty() ? nullptr : &entropy_blob, nullptr,
                          nullptr, CRYPTPROTECT_UI_FORBIDDEN, &output)) {
    return false;
  }
  const LocalBuffer owner(output.pbData);
  plaintext.assign(reinterpret_cast<const char*>(owner.get()), output.cbData);
  return true;
}

bool create_parent_directories(const std::wstring& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (parent.empty()) return true;
  std::error_code error;
  std::filesystem::create_directories(parent, error);
  if (error) return false;
  return std::filesystem::is_directory(parent, error);
}

// Writes the whole blob to `path`, truncating whatever lay there (a
// leftover temporary file of an earlier failed commit included), and
// flushes it so that the move never commits a file the disk has not got.
bool write_whole_file(const std::wstring& path, const ProtectedBytes& bytes) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD done = 0;
  while (done < bytes.size) {
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data.get() + done, bytes.size - done, &written, nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return FlushFileBuffers(file.get()) != FALSE;
}

// Moves the temporary file onto the target. The target is never deleted
// first: if the move cannot be made, the previous file stays readable and
// the new blob waits in the temporary file for the next write to truncate.
// A read-only target is the one refusal worth a second move (Windows will
// not replace it; its attribute comes back when that move fails too).
bool commit(const std::wstring& temporary, const std::wstring& target) {
  constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED;
  if (MoveFileExW(temporary.c_str(), target.c_str(), kFlags)) return true;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !(attributes & FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  const DWORD writable = attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
  if (!SetFileAttributesW(target.c_str(), writable == 0 ? FILE_ATTRIBUTE_NORMAL : writable)) {
    return false;
  }
  if (MoveFileExW(temporary.c_str(), target.c_str(), kFlags)) return true;
  SetFileAttributesW(target.c_str(), attributes);
  return false;
}

// The whole file when it holds 1 to kMaxProtectedFileBytes bytes.
bool read_bounded(HANDLE file, std::string& bytes) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 ||
      size.QuadPart > static_cast<LONGLONG>(kMaxProtectedFileBytes)) {
    return false;
  }
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size()) - done, &read,
                  nullptr) ||
        read == 0) {
      return false;
    }
    done += read;
  }
  return true;
}

}  // namespace

Error make_storage_error(std::string message) {
  Error error;
  error.kind = kErrorStorage;
  error.message = std::move(message);
  return error;
}

Error write_protected_file(const std::wstring& path, std::string_view plaintext,
                           std::string_view entropy, const std::wstring& description) {
  ProtectedBytes blob;
  if (!protect(plaintext, entropy, description, blob)) {
    return make_storage_error("DPAPI could not protect local Halvarin data.");
  }
  if (!create_parent_directories(path)) {
    return make_storage_error("The Halvarin data directory could not be created.");
  }
  const std::wstring temporary = path + L".tmp";
  if (!write_whole_file(temporary, blob)) {
    return make_storage_error("Protected Halvarin data could not be written.");
  }
  if (!commit(temporary, path)) {
    return make_storage_error("Protected Halvarin data could not be committed.");
  }
  return {};
}

Error read_protected_file(const std::wstring& path, std::string_view entropy,
                          std::string& plaintext) {
  plaintext.clear();
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return make_storage_error("No saved Halvarin data was found.");
  std::string ciphertext;
  if (!read_bounded(file.get(), ciphertext)) {
    return make_storage_error("Saved Halvarin data is invalid.");
  }
  if (!unprotect(ciphertext, entropy, plaintext)) {
    return make_storage_error("DPAPI could not unlock saved Halvarin data.");
  }
  return {};
}

bool directory_entry_exists(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

}  // namespace halvarin::sdk
