// A test fixture for the local store: LOCALAPPDATA points at a fresh
// temporary folder, the configuration is the application's own (the
// built-in service root, client id "quorvel.desktop", application id
// "quorvel"), and the file paths, entropies and descriptions are written
// out from the store's layout for the tests to read and plant files with.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "account/client_configuration.h"
#include "account/error.h"
#include "account/service_address.h"
#include "engine/unique_handle.h"
#include "tests/account/protected_blob.h"
#include "tests/account/scoped_local_app_data.h"

namespace halvarin::sdk::test {

inline constexpr char kSessionEntropy[] = "quorvel.desktop";
inline constexpr char kPlatformEntropyText[] = "tessaly.workstation.cipher";
inline constexpr char kInstallationEntropyText[] = "tessaly.workstation.cipher.quorvel";
inline constexpr wchar_t kSessionDescription[] = L"Halvarin refresh token";
inline constexpr wchar_t kPlatformDescription[] = L"Halvarin platform installation identity";
inline constexpr wchar_t kInstallationDescription[] =
    L"Halvarin application installation credential";

inline void expect_error(const Error& error, int32_t kind, const std::string& message) {
  EXPECT_EQ(error.kind, kind);
  EXPECT_EQ(error.message, message);
  EXPECT_TRUE(error.code.empty());
  EXPECT_TRUE(error.request_id.empty());
  EXPECT_EQ(error.http_status, 0);
}

// A handle that lets others read the file but neither rename nor delete it.
inline quorvel::windows::UniqueFile hold_open(const std::filesystem::path& path) {
  return quorvel::windows::UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                  nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

class StoreTest : public ::testing::Test {
 protected:
  StoreTest() {
    configuration_.base_url = std::string(kServiceRoot);
    configuration_.client_id = "quorvel.desktop";
    configuration_.application_id = "quorvel";
  }

  std::filesystem::path data() const { return local_.folder() / L"Halvarin"; }
  std::filesystem::path session_file() const {
    return data() / L"quorvel.desktop" / L"session.dat";
  }
  std::filesystem::path platform_file() const { return data() / L"identity" / L"platform.dat"; }
  std::filesystem::path installation_file() const {
    return data() / L"identity" / L"quorvel" / L"installation.dat";
  }
  std::string root() const { return configuration_.base_url; }

  void plant_platform(std::string_view credential) const {
    plant_file(platform_file(), root() + "\n" + std::string(credential), kPlatformEntropyText,
               kPlatformDescription);
  }
  void plant_installation(std::string_view plaintext) const {
    plant_file(installation_file(), plaintext, kInstallationEntropyText,
               kInstallationDescription);
  }

  ScopedLocalAppData local_;
  ClientConfiguration configuration_;
};

}  // namespace halvarin::sdk::test
