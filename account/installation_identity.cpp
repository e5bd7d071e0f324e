#include "account/installation_identity.h"

#include <windows.h>

#include <string_view>

#include "account/protected_file.h"
#include "account/protected_store.h"
#include "account/random_token.h"
#include "account/store_paths.h"

namespace halvarin::sdk {
namespace {

constexpr char kUnavailable[] = "LOCALAPPDATA is unavailable.";
constexpr size_t kInstallationIdBytes = 24;
constexpr size_t kPlatformCredentialBytes = 32;

struct InstallationText {
  std::string_view installation_id;
  std::string_view flag;
  std::string_view rest;
};

// "<base_url>\n<id>\n<flag>\n<rest>". Each line feed is looked for after
// the one before, so a text that ends right after a line feed has too few.
bool parse_installation_text(std::string_view text, std::string_view base_url,
                             InstallationText& out) {
  size_t line_feeds[3] = {};
  size_t from = 0;
  for (size_t& line_feed : line_feeds) {
    line_feed = text.find('\n', from);
    if (line_feed == std::string_view::npos) return false;
    from = line_feed + 1;
  }
  if (text.substr(0, line_feeds[0]) != base_url) return false;
  out.installation_id = text.substr(line_feeds[0] + 1, line_feeds[1] - line_feeds[0] - 1);
  out.flag = text.substr(line_feeds[1] + 1, line_feeds[2] - line_feeds[1] - 1);
  out.rest = text.substr(line_feeds[2] + 1);
  return true;
}

// An unclaimed file of an older layout carries the platform credential
// inline; it moves into platform.dat and the installation file is
// rewritten without it.
Error migrate_inline_credential(const ClientConfiguration& configuration, std::string_view rest,
                                InstallationIdentity& identity) {
  if (rest.size() < kMinimumCredentialLength) {
    return make_storage_error("The platform identity is unavailable.");
  }
  identity.credential.assign(rest);
  if (Error saved = save_platform_identity(configuration, rest); saved.kind != 0) return saved;
  return save_installation_identity(configuration, identity);
}

Error fill_credential(const ClientConfiguration& configuration, std::string_view rest,
                      InstallationIdentity& identity) {
  if (identity.claimed) {
    identity.credential.assign(rest);
    return {};
  }
  if (directory_entry_exists(platform_file_path(configuration))) {
    return load_platform_identity(configuration, identity.credential);
  }
  return migrate_inline_credential(configuration, rest, identity);
}

Error load_into(const ClientConfiguration& configuration, InstallationIdentity& identity) {
  std::string text;
  if (Error read = read_protected_file(identity_file_path(configuration, L"installation.dat"),
                                       installation_entropy(configuration.application_id), text);
      read.kind != 0) {
    return read;
  }
  InstallationText parts;
  if (!parse_installation_text(text, configuration.base_url, parts)) {
    return make_storage_error("The saved installation identity is invalid.");
  }
  const Error incomplete = make_storage_error("The saved installation identity is incomplete.");
  // Checked before any credential work: a file without an id must not
  // write a platform identity on its way to failing.
  if (parts.installation_id.empty()) return incomplete;
  identity.installation_id.assign(parts.installation_id);
  identity.claimed = parts.flag == "1";
  if (Error filled = fill_credential(configuration, parts.rest, identity); filled.kind != 0) {
    return filled;
  }
  if (identity.credential.size() < kMinimumCredentialLength) return incomplete;
  return {};
}

// A stored file that is there but unusable: it cannot be opened,
// decrypted or understood, or the data it leads to cannot be saved.
bool is_unusable_file_failure(const Error& error) {
  return error.kind == kErrorStorage && error.message != kUnavailable;
}

// Renames an unusable file to "<path>.unreadable", replacing an older one,
// so that it is kept for a later look but no longer read.
bool move_aside(const std::wstring& path) {
  const std::wstring aside = path + L".unreadable";
  return MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

Error random_failure() {
  Error error;
  error.kind = kErrorInternal;
  error.message = "The operating system random number generator failed.";
  return error;
}

// The existing platform credential, or a new one saved to platform.dat when
// there is none. An existing file is read with the checks every later load
// applies, so that a new installation never rests on a platform identity
// that its own next load would refuse; such a file is moved aside.
Error obtain_platform_credential(const ClientConfiguration& configuration,
                                 std::string& credential) {
  const std::wstring path = platform_file_path(configuration);
  if (directory_entry_exists(path)) {
    const Error loaded = load_platform_identity(configuration, credential);
    if (!is_unusable_file_failure(loaded) || !move_aside(path)) return loaded;
  }
  credential = random_token(kPlatformCredentialBytes);
  if (credential.empty()) return random_failure();
  return save_platform_identity(configuration, credential);
}

Error create_installation_identity(const ClientConfiguration& configuration,
                                   InstallationIdentity& identity) {
  std::string credential;
  if (Error platform = obtain_platform_credential(configuration, credential); platform.kind != 0) {
    return platform;
  }
  identity.installation_id = random_token(kInstallationIdBytes);
  identity.credential = std::move(credential);
  identity.claimed = false;
  if (identity.installation_id.empty()) return random_failure();
  return save_installation_identity(configuration, identity);
}

}  // namespace

Error load_installation_identity(const ClientConfiguration& configuration,
                                 InstallationIdentity& identity) {
  identity = {};
  Error error = load_into(configuration, identity);
  if (error.kind != 0) identity = {};
  return error;
}

Error ensure_installation_identity(const ClientConfiguration& configuration,
                                   InstallationIdentity& identity) {
  identity = {};
  const std::wstring installation_path = identity_file_path(configuration, L"installation.dat");
  if (installation_path.empty() || platform_file_path(configuration).empty()) {
    return make_storage_error(kUnavailable);
  }
  if (directory_entry_exists(installation_path)) {
    const Error loaded = load_installation_identity(configuration, identity);
    if (!is_unusable_file_failure(loaded) || !move_aside(installation_path)) return loaded;
  }
  return create_installation_identity(configuration, identity);
}

}  // namespace halvarin::sdk
