// A settings store on a registry key of the test's own, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "tests/support/test_registry_key.h"

namespace quorvel::windows {

class SettingsStoreTest : public testing::Test {
 protected:
  quorvel::test::TestRegistryKey key_;
  SettingsStore store_{key_.path()};
};

}  // namespace quorvel::windows
