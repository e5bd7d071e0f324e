// What the account dialog tests share: an STA UI thread with the toolkit's
// application in English, a watcher that drives the dialogs, scripted
// sign-in operations and a look at a dialog's pixels.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <string>

#include "account/auth_result.h"
#include "engine/com_apartment.h"
#include "tests/account/ui/dialog_watcher.h"
#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "ui/platform/scaffold/application.h"

namespace halvarin::sdk::ui::test {

class AccountUiTest : public ::testing::Test {
 protected:
  AccountUiTest() { app_.set_language(L"en-US"); }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  win32_ui::scaffold::Application app_{win32_ui::kThemeModeSystem, win32_ui::kDefaultAccent,
                                       system_};
  DialogWatcher watcher_;
};

inline AuthResult signed_in_as(std::string email, std::string name = "Ada") {
  AuthResult result;
  result.access_token = "access-1";
  result.subject = "subject-1";
  result.email = std::move(email);
  result.name = std::move(name);
  return result;
}

inline AuthResult failed_with(int32_t kind, std::string message) {
  AuthResult result;
  result.error.kind = kind;
  result.error.message = std::move(message);
  return result;
}

// What the account client returns when its sign-in sees the stop.
inline AuthResult client_cancelled() {
  return failed_with(kErrorCancelled, "The browser sign-in was cancelled.");
}

// Blocks until its stop token is triggered, as the client's sign-in waits
// for the browser, and says whether it saw the stop.
inline AuthResult wait_for_stop(std::stop_token stop, bool& saw_stop) {
  std::mutex mutex;
  std::condition_variable_any wake;
  std::unique_lock<std::mutex> lock(mutex);
  wake.wait(lock, stop, [] { return false; });
  saw_stop = stop.stop_requested();
  return client_cancelled();
}

// Repaints `window` and writes its client area as a PNG when
// QUORVEL_CANVAS_PNG_DIR names a folder; true when something was drawn.
bool save_window_picture(HWND window, const std::string& name);

}  // namespace halvarin::sdk::ui::test
