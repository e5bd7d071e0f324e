// A test fixture for the installation flows against the fake service's
// installation model behind the TLS front: LOCALAPPDATA points at a fresh
// temporary folder, the configuration names the front, and the three
// protected files are read back with the tests' own DPAPI reader from their
// layout ("<root>\n<token>", "<root>\n<credential>",
// "<root>\n<id>\n<flag>\n<credential>"). Skips without the front.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "account/client_configuration.h"
#include "account/connectivity_hint.h"
#include "account/platform_hooks.h"
#include "account/store_paths.h"
#include "tests/account/fake_installation_model.h"
#include "tests/account/protected_blob.h"
#include "tests/account/scoped_local_app_data.h"
#include "tests/account/service_fixture.h"

namespace halvarin::sdk::test {

inline constexpr char kInstallationEntropy[] = "tessaly.workstation.cipher.quorvel";
inline constexpr char kPlatformEntropy[] = "tessaly.workstation.cipher";
inline constexpr char kBase64UrlAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

inline bool is_token_of_length(const std::string& text, size_t length) {
  return text.size() == length && text.find_first_not_of(kBase64UrlAlphabet) == std::string::npos;
}

class InstallationFlowTest : public FrontTest {
 protected:
  void SetUp() override {
    FrontTest::SetUp();
    if (IsSkipped()) return;
    model_.emplace(account_service());
    configuration_ = test_configuration(front_root("valid"));
    // Without a connectivity answer a failed exchange is a network failure
    // (kind 4) on every machine.
    hooks_.connectivity_level = [] { return kConnectivityUnknown; };
  }

  FakeInstallationModel& model() { return *model_; }
  std::string root() const { return configuration_.base_url; }

  std::filesystem::path installation_file() const {
    return identity_file_path(configuration_, L"installation.dat");
  }
  std::filesystem::path platform_file() const { return platform_file_path(configuration_); }
  std::filesystem::path session_file() const {
    return session_file_path(configuration_, L"session.dat");
  }

  // The plaintext of a protected file; nothing when it is absent or does
  // not decrypt.
  static std::optional<std::string> plaintext(const std::filesystem::path& path,
                                              std::string_view entropy) {
    const DecryptedBlob blob = decrypt_file(path, entropy);
    if (!blob.ok) return std::nullopt;
    return blob.plaintext;
  }
  std::optional<std::string> installation_text() const {
    return plaintext(installation_file(), kInstallationEntropy);
  }
  std::optional<std::string> session_text() const {
    return plaintext(session_file(), configuration_.client_id);
  }
  // The platform credential that platform.dat holds.
  std::string platform_credential() const {
    const std::optional<std::string> text = plaintext(platform_file(), kPlatformEntropy);
    if (!text || !text->starts_with(root() + "\n")) return {};
    return text->substr(root().size() + 1);
  }

  std::string unclaimed_text(const std::string& installation_id) const {
    return root() + "\n" + installation_id + "\n0\n";
  }
  std::string claimed_text(const std::string& installation_id,
                           const std::string& credential) const {
    return root() + "\n" + installation_id + "\n1\n" + credential;
  }
  std::string session_text_of(const std::string& refresh_token) const {
    return root() + "\n" + refresh_token;
  }

  // The requests the fake received after the first `count`, oldest first.
  static std::vector<FakeRequest> requests_after(size_t count) {
    std::vector<FakeRequest> requests = account_service().requests();
    requests.erase(requests.begin(), requests.begin() + std::min(count, requests.size()));
    return requests;
  }

  ScopedLocalAppData local_;
  ClientConfiguration configuration_;
  PlatformHooks hooks_;

 private:
  std::optional<FakeInstallationModel> model_;
};

}  // namespace halvarin::sdk::test
