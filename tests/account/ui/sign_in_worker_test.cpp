// The sign-in worker on its own: what it stores, when it closes the
// dialog's window, and how a worker is started from a shown dialog,
// including a thread that cannot be created.
#include "account/ui/sign_in_worker.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "ui/platform/scaffold/application.h"
#include "ui/platform/scaffold/dialog.h"
#include "ui/views/widgets/text.h"

namespace halvarin::sdk::ui {
namespace {

namespace scaffold = win32_ui::scaffold;

AuthResult signed_in_as(std::string email) {
  AuthResult result;
  result.email = std::move(email);
  result.subject = "subject-1";
  return result;
}

// A plain window that stands for the dialog's.
class PlainWindow {
 public:
  PlainWindow()
      : hwnd_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr)) {}
  ~PlainWindow() { destroy(); }
  void destroy() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  }
  HWND hwnd() const { return hwnd_; }
  bool close_posted() const {
    MSG message{};
    return PeekMessageW(&message, hwnd_, WM_CLOSE, WM_CLOSE, PM_REMOVE) != FALSE;
  }

 private:
  HWND hwnd_;
};

struct WorkerRun {
  std::mutex mutex;
  std::optional<AuthResult> slot;
  bool saw_stop_token = false;
  SignInOperation sign_in;

  void run_on_a_thread(HWND window) {
    const SignInWorkerContext context{window, &sign_in, &mutex, &slot};
    std::jthread worker(run_sign_in_worker, context);
  }
};

TEST(SignInWorkerTest, StoresTheOperationsResultAndPostsCloseToTheDialog) {
  PlainWindow window;
  WorkerRun run;
  run.sign_in = [&](std::stop_token stop) {
    run.saw_stop_token = stop.stop_possible();
    return signed_in_as("ada@example.com");
  };

  run.run_on_a_thread(window.hwnd());

  ASSERT_TRUE(run.slot.has_value());
  EXPECT_EQ(run.slot->email, "ada@example.com");
  EXPECT_EQ(run.slot->error.kind, kErrorNone);
  EXPECT_TRUE(run.saw_stop_token);
  EXPECT_TRUE(window.close_posted());
}

TEST(SignInWorkerTest, AFailingOperationStillFillsTheSlotAndClosesTheDialog) {
  PlainWindow window;
  WorkerRun run;
  run.sign_in = [](std::stop_token) {
    AuthResult failed;
    failed.error.kind = kErrorConfigurationInvalid;
    failed.error.message = "The client identifier is missing.";
    return failed;
  };

  run.run_on_a_thread(window.hwnd());

  ASSERT_TRUE(run.slot.has_value());
  EXPECT_EQ(run.slot->error.kind, kErrorConfigurationInvalid);
  EXPECT_EQ(run.slot->error.message, "The client identifier is missing.");
  EXPECT_TRUE(window.close_posted());
}

TEST(SignInWorkerTest, ReplacesAResultAlreadyInTheSlot) {
  PlainWindow window;
  WorkerRun run;
  run.slot = signed_in_as("old@example.com");
  run.sign_in = [](std::stop_token) { return signed_in_as("new@example.com"); };

  run.run_on_a_thread(window.hwnd());

  ASSERT_TRUE(run.slot.has_value());
  EXPECT_EQ(run.slot->email, "new@example.com");
}

TEST(SignInWorkerTest, AWindowAlreadyGoneIsLeftAlone) {
  PlainWindow window;
  const HWND gone = window.hwnd();
  window.destroy();
  WorkerRun run;
  run.sign_in = [](std::stop_token) { return signed_in_as("ada@example.com"); };

  run.run_on_a_thread(gone);

  ASSERT_TRUE(run.slot.has_value());
  EXPECT_EQ(run.slot->email, "ada@example.com");
}

class StartSignInWorkerTest : public ::testing::Test {
 protected:
  // Shows a dialog whose on-shown callback starts the worker with `launch`.
  scaffold::DialogResult show_and_start(const SignInWorkerLauncher& launch) {
    scaffold::Dialog dialog(app_);
    const SignInWorkerState state{&worker_, &sign_in_, &mutex_, &slot_};
    dialog.on_shown([&](scaffold::Dialog& shown) { start_sign_in_worker(shown, state, launch); });
    std::vector<scaffold::DialogAction> actions{
        {scaffold::kDialogResultCancel, win32_ui::modern::LocalizedText::from_text(L"Cancel"),
         true}};
    auto body = std::make_unique<win32_ui::modern::Text>(std::wstring(L"Waiting"), 2,
                                                         win32_ui::layout::Size{0.0f, 32.0f});
    scaffold::DialogOptions options;
    options.close_result = 7;
    return dialog.show_modal(options, std::move(body), std::move(actions));
  }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  scaffold::Application app_{win32_ui::kThemeModeSystem, win32_ui::kDefaultAccent, system_};
  std::mutex mutex_;
  std::optional<AuthResult> slot_;
  SignInOperation sign_in_;
  std::jthread worker_;
};

TEST_F(StartSignInWorkerTest, TheWorkerClosesTheDialogWhenTheSignInReturns) {
  sign_in_ = [](std::stop_token) { return signed_in_as("ada@example.com"); };

  EXPECT_EQ(show_and_start(launch_sign_in_worker), 7);

  ASSERT_TRUE(worker_.joinable());
  worker_.join();
  ASSERT_TRUE(slot_.has_value());
  EXPECT_EQ(slot_->email, "ada@example.com");
}

TEST_F(StartSignInWorkerTest, AThreadThatCannotStartClosesTheDialogWithKind14) {
  bool called = false;
  sign_in_ = [&](std::stop_token) {
    called = true;
    return signed_in_as("ada@example.com");
  };
  const SignInWorkerLauncher refuse = [](SignInWorkerContext) -> std::jthread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };

  scaffold::DialogResult result = 0;
  EXPECT_NO_THROW(result = show_and_start(refuse));

  EXPECT_EQ(result, scaffold::kDialogResultCancel);
  EXPECT_FALSE(worker_.joinable());
  EXPECT_FALSE(called);
  ASSERT_TRUE(slot_.has_value());
  EXPECT_EQ(slot_->error.kind, kErrorInternal);
  EXPECT_EQ(slot_->error.message, "Unable to initialize browser sign-in.");
}

TEST_F(StartSignInWorkerTest, APreviousWorkerIsStoppedAndJoinedFirst) {
  bool previous_stopped = false;
  worker_ = std::jthread([&](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait(lock, stop, [] { return false; });
    previous_stopped = stop.stop_requested();
  });
  sign_in_ = [](std::stop_token) { return signed_in_as("ada@example.com"); };

  show_and_start(launch_sign_in_worker);

  EXPECT_TRUE(previous_stopped);
  worker_.join();
  ASSERT_TRUE(slot_.has_value());
}

}  // namespace
}  // namespace halvarin::sdk::ui
