#include "account/protected_store.h"

#include <windows.h>

#include "account/protected_file.h"
#include "account/store_paths.h"

namespace halvarin::sdk {
namespace {

constexpr wchar_t kSessionDescription[] = L"Halvarin refresh token";
constexpr wchar_t kPlatformDescription[] = L"Halvarin platform installation identity";
constexpr wchar_t kInstallationDescription[] = L"Halvarin application installation credential";

constexpr char kUnavailable[] = "LOCALAPPDATA is unavailable.";

// Splits "<first line>\n<rest>" when the first line is `base_url`; false
// when there is no line feed or the file belongs to another server.
bool split_at_root(std::string_view text, std::string_view base_url, std::string_view& rest) {
  const size_t line_feed = text.find('\n');
  if (line_feed == std::string_view::npos || text.substr(0, line_feed) != base_url) return false;
  rest = text.substr(line_feed + 1);
  return true;
}

}  // namespace

std::string installation_entropy(std::string_view application_id) {
  std::string entropy(kPlatformEntropy);
  entropy += '.';
  entropy += application_id;
  return entropy;
}

Error save_session(const ClientConfiguration& configuration, std::string_view token) {
  const std::wstring path = session_file_path(configuration, L"session.dat");
  if (path.empty()) return make_storage_error(kUnavailable);
  std::string plaintext = configuration.base_url;
  plaintext += '\n';
  plaintext += token;
  return write_protected_file(path, plaintext, configuration.client_id, kSessionDescription);
}

Error load_session(const ClientConfiguration& configuration, std::string& token) {
  token.clear();
  // An empty path fails to open like a missing file.
  const std::wstring path = session_file_path(configuration, L"session.dat");
  std::string plaintext;
  if (Error read = read_protected_file(path, configuration.client_id, plaintext); read.kind != 0) {
    return read;
  }
  std::string_view rest;
  if (!split_at_root(plaintext, configuration.base_url, rest) || rest.empty()) {
    return make_storage_error("The saved session belongs to another server.");
  }
  token.assign(rest);
  return {};
}

Error remove_session(const ClientConfiguration& configuration) {
  const std::wstring path = session_file_path(configuration, L"session.dat");
  if (path.empty() || DeleteFileW(path.c_str())) return {};
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
  return make_storage_error("The saved session could not be removed.");
}

Error save_platform_identity(const ClientConfiguration& configuration,
                             std::string_view credential) {
  if (credential.size() < kMinimumCredentialLength) {
    Error error;
    error.kind = kErrorInvalidArgument;
    error.message = "The platform identity credential is invalid.";
    return error;
  }
  const std::wstring path = platform_file_path(configuration);
  if (path.empty()) return make_storage_error(kUnavailable);
  std::string plaintext = configuration.base_url;
  plaintext += '\n';
  plaintext += credential;
  return write_protected_file(path, plaintext, kPlatformEntropy, kPlatformDescription);
}

Error load_platform_identity(const ClientConfiguration& configuration, std::string& credential) {
  credential.clear();
  const std::wstring path = platform_file_path(configuration);
  if (path.empty()) return make_storage_error(kUnavailable);
  std::string plaintext;
  if (Error read = read_protected_file(path, kPlatformEntropy, plaintext); read.kind != 0) {
    return read;
  }
  std::string_view rest;
  if (!split_at_root(plaintext, configuration.base_url, rest)) {
    return make_storage_error("The platform identity is invalid.");
  }
  if (rest.size() < kMinimumCredentialLength) {
    return make_storage_error("The platform identity credential is incomplete.");
  }
  credential.assign(rest);
  return {};
}

Error save_installation_identity(const ClientConfiguration& configuration,
                                 const InstallationIdentity& identity) {
  if (identity.installation_id.empty() ||
      (identity.claimed && identity.credential.size() < kMinimumCredentialLength)) {
    Error error;
    error.kind = kErrorInvalidArgument;
    error.message = "The installation credential is invalid.";
    return error;
  }
  const std::wstring path = identity_file_path(configuration, L"installation.dat");
  if (path.empty()) return make_storage_error(kUnavailable);
  std::string plaintext = configuration.base_url;
  plaintext += '\n';
  plaintext += identity.installation_id;
  plaintext += identity.claimed ? "\n1\n" : "\n0\n";
  if (identity.claimed) plaintext += identity.credential;
  return write_protected_file(path, plaintext, installation_entropy(configuration.application_id),
                              kInstallationDescription);
}

bool installation_file_exists(const ClientConfiguration& configuration) {
  const std::wstring path = identity_file_path(configuration, L"installation.dat");
  return !path.empty() && directory_entry_exists(path);
}

}  // namespace halvarin::sdk
