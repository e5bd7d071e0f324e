// An App on a settings key of the test's own, with fakes of the main
// window, the editor and the account service and a message function that
// records what the App would show. Pumps the App's own loop body.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "tests/app/app_test_access.h"
#include "tests/fakes/app/fake_account.h"
#include "tests/fakes/app/fake_editor.h"
#include "tests/fakes/app/fake_main_window.h"
#include "tests/support/test_registry_key.h"

namespace quorvel::windows {

struct ShownMessage {
  HWND owner = nullptr;
  std::wstring key;
  unsigned flags = 0;
  std::vector<std::wstring> arguments;
  // A composed text with its caption; the key is empty then.
  std::wstring text;
  std::wstring caption;
};

class AppTest : public testing::Test {
 protected:
  AppTest();

  // A platform whose seams all lead to the fixture's fakes and records.
  AppPlatform make_platform();
  // Makes the App and runs its start-up.
  App& start(int show_command = 0);
  // Runs the loop body for every queued message; the quit code once the
  // quit message came.
  std::optional<int> pump();
  // The next of answers_, or IDOK.
  int next_answer();
  LRESULT send_to_host(UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
  // A platform whose settings writes all fail: a key component over 255
  // characters is refused by every write.
  AppPlatform failing_store_platform();
  // The catalogue keys of the messages shown so far, in order.
  std::vector<std::wstring> message_keys() const;

  quorvel::test::TestRegistryKey key_;
  std::shared_ptr<quorvel::test::FakeMainWindowLog> main_log_ =
      std::make_shared<quorvel::test::FakeMainWindowLog>();
  std::shared_ptr<quorvel::test::FakeEditorLog> editor_log_ =
      std::make_shared<quorvel::test::FakeEditorLog>();
  std::vector<ShownMessage> messages_;
  // What the next messages answer, in order; IDOK once none are left.
  std::deque<int> answers_;
  // The account service the App owns, once made.
  quorvel::test::FakeAccount* account_ = nullptr;
  // Stands in for the account dialog; empty: a dialog that does nothing.
  AppPlatform::AccountDialog account_dialog_;
  std::vector<std::pair<HWND, DWORD>> capture_exclusions_;
  std::unique_ptr<App> app_;
};

}  // namespace quorvel::windows
