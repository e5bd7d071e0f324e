#include "account/store_paths.h"

#include <windows.h>

#include "account/service_address.h"
#include "account/sha256.h"

namespace halvarin::sdk {
namespace {

// Hex digits of the root's digest that name its environment folder.
constexpr size_t kEnvironmentNameLength = 32;

// An unset or empty variable gives an empty text: an empty value would
// otherwise root the files in the current drive's top folder.
std::wstring local_app_data() {
  const DWORD size = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
  if (size <= 1) return {};
  std::wstring value(size, L'\0');
  const DWORD written = GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), size);
  if (written == 0 || written >= size) return {};
  value.resize(written);
  return value;
}

// Identifiers and hex digits are plain ASCII: each byte becomes one UTF-16
// unit of the same value.
std::wstring widen_ascii(std::string_view text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (const char c : text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return wide;
}

std::wstring joined(std::wstring head, std::wstring_view tail) {
  if (head.empty()) return {};
  head += L'\\';
  head += tail;
  return head;
}

}  // namespace

std::wstring data_directory(const ClientConfiguration& configuration) {
  const std::wstring base = local_app_data();
  if (base.empty()) return {};
  std::wstring root = joined(base, L"Halvarin");
  if (configuration.base_url == kServiceRoot) return root;
  const std::string digest = sha256_hex(configuration.base_url);
  if (digest.size() < kEnvironmentNameLength) return {};
  return joined(joined(std::move(root), L"environments"),
                widen_ascii(std::string_view(digest).substr(0, kEnvironmentNameLength)));
}

std::wstring session_file_path(const ClientConfiguration& configuration,
                               std::wstring_view file_name) {
  return joined(joined(data_directory(configuration), widen_ascii(configuration.client_id)),
                file_name);
}

std::wstring identity_file_path(const ClientConfiguration& configuration,
                                std::wstring_view file_name) {
  return joined(joined(joined(data_directory(configuration), L"identity"),
                       widen_ascii(configuration.application_id)),
                file_name);
}

std::wstring platform_file_path(const ClientConfiguration& configuration) {
  return joined(joined(data_directory(configuration), L"identity"), L"platform.dat");
}

}  // namespace halvarin::sdk
