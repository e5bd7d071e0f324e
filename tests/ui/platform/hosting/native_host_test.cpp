// NativeHost as a view: it owns its peer and forwards to it, stamps the
// events it translates as its own, measures to its preferred size, asks
// for layout when its enabled state changes and describes itself as a
// native window. Also the child key record's in-flight check.
#include "ui/platform/hosting/native_host.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace win32_ui::modern {
namespace {

struct PeerLog {
  int releases = 0;
  int destroyed = 0;
  std::vector<NativePlacement> placements;
  std::vector<HWND> parents;
  // What translate_notification saw of the event.
  std::vector<Event> seen;
};

class RecordingPeer final : public NativeViewPeer {
 public:
  explicit RecordingPeer(PeerLog& log, HWND handle = nullptr, bool translates = true)
      : log_(log), handle_(handle), translates_(translates) {}
  ~RecordingPeer() override { ++log_.destroyed; }
  int capabilities() const override { return 23; }
  HWND native_handle() const override { return handle_; }
  bool attach_window(HWND parent, const NativeViewContext& context) override {
    log_.parents.push_back(parent);
    return context.theme != nullptr;
  }
  bool adopt_window(HWND, bool, const NativeViewContext&) override { return false; }
  void release_window() override { ++log_.releases; }
  void apply_context(const NativeViewContext&) override {}
  void place(const NativePlacement& placement) override { log_.placements.push_back(placement); }
  bool translate_notification(const NativeNotification& notification, Event& event) override {
    log_.seen.push_back(event);
    if (translates_) event.kind = notification.code;
    return translates_;
  }

 private:
  PeerLog& log_;
  HWND handle_;
  bool translates_;
};

HWND fake_handle(std::uintptr_t value) { return reinterpret_cast<HWND>(value); }

NativeViewContext themed(const Theme& theme) {
  NativeViewContext context;
  context.theme = &theme;
  return context;
}

TEST(NativeHostTest, WithoutPeerAnswersNothing) {
  NativeHost host(5, 120.0f, 32.0f);
  const Theme theme = Theme::light(kDefaultAccent);
  EXPECT_EQ(host.native_handle(), nullptr);
  EXPECT_EQ(host.hwnd(), nullptr);
  EXPECT_FALSE(host.attach_window(fake_handle(0x10), themed(theme)));
  Event event;
  EXPECT_FALSE(host.translate_notification({}, event));
  host.sync_peer_bounds({});
  EXPECT_TRUE(host.can_focus());
  EXPECT_EQ(host.control_id(), 5);
}

TEST(NativeHostTest, ForwardsToItsPeer) {
  PeerLog log;
  NativeHost host(5, 120.0f, 32.0f);
  host.set_peer(std::make_unique<RecordingPeer>(log, fake_handle(0x20)));
  const Theme theme = Theme::light(kDefaultAccent);
  EXPECT_EQ(host.native_handle(), fake_handle(0x20));
  EXPECT_EQ(host.hwnd(), fake_handle(0x20));
  EXPECT_TRUE(host.attach_window(fake_handle(0x10), themed(theme)));
  EXPECT_FALSE(host.attach_window(fake_handle(0x10), NativeViewContext{}));
  EXPECT_EQ(log.parents, (std::vector<HWND>{fake_handle(0x10), fake_handle(0x10)}));
  NativePlacement placement;
  placement.y = 7.0f;
  host.sync_peer_bounds(placement);
  ASSERT_EQ(log.placements.size(), 1u);
  EXPECT_FLOAT_EQ(log.placements[0].y, 7.0f);
}

TEST(NativeHostTest, ReplacedOrDestroyedPeerReleasesItsWindowFirst) {
  PeerLog first;
  PeerLog second;
  {
    NativeHost host(5, 120.0f, 32.0f);
    host.set_peer(std::make_unique<RecordingPeer>(first));
    host.set_peer(std::make_unique<RecordingPeer>(second));
    EXPECT_EQ(first.releases, 1);
    EXPECT_EQ(first.destroyed, 1);
    EXPECT_EQ(second.releases, 0);
  }
  EXPECT_EQ(second.releases, 1);
  EXPECT_EQ(second.destroyed, 1);
}

TEST(NativeHostTest, TranslatedEventIsResetAndStampedAsTheHosts) {
  for (const bool translates : {true, false}) {
    SCOPED_TRACE(translates ? "translated" : "refused");
    PeerLog log;
    NativeHost host(42, 120.0f, 32.0f);
    host.set_peer(std::make_unique<RecordingPeer>(log, fake_handle(0x20), translates));
    Event event;
    event.kind = 6;
    event.phase = Event::kPhaseBubble;
    event.text = L"stale";
    event.index = 9;
    event.value = 0.5f;
    event.checked = true;
    event.stop = true;
    event.skip_root_listener = true;
    event.current = &host;
    const NativeNotification notification{NativeNotification::kCommand, fake_handle(0x20), 3,
                                          nullptr};
    EXPECT_EQ(host.translate_notification(notification, event), translates);
    ASSERT_EQ(log.seen.size(), 1u);
    const Event& seen = log.seen[0];
    EXPECT_EQ(seen.kind, Event::kInvoked);
    EXPECT_EQ(seen.phase, Event::kPhaseTarget);
    EXPECT_TRUE(seen.text.empty());
    EXPECT_EQ(seen.index, -1);
    EXPECT_FLOAT_EQ(seen.value, 0.0f);
    EXPECT_FALSE(seen.checked);
    EXPECT_FALSE(seen.stop);
    EXPECT_FALSE(seen.skip_root_listener);
    EXPECT_EQ(seen.current, nullptr);
    EXPECT_EQ(seen.control_id, 42);
    EXPECT_EQ(seen.widget_kind, 8);
    EXPECT_EQ(seen.origin, kInputNativeControl);
    EXPECT_EQ(seen.source, &host);
  }
}

TEST(NativeHostTest, MeasuresToThePreferredSizeWithinTheConstraint) {
  NativeHost host(5, 120.0f, 32.0f);
  layout::LayoutContext context;
  EXPECT_EQ(host.measure(layout::make_unbounded_size(layout::kUnbounded, layout::kUnbounded),
                         context)
                .width,
            120.0f);
  const layout::Size narrow = host.measure(layout::make_unbounded_size(100.0f, 20.0f), context);
  EXPECT_FLOAT_EQ(narrow.width, 100.0f);
  EXPECT_FLOAT_EQ(narrow.height, 20.0f);
}

TEST(NativeHostTest, EnabledChangeAsksForLayoutOtherStatesDoNot) {
  NativeHost host(5, 120.0f, 32.0f);
  layout::LayoutContext context;
  const auto measure = [&] {
    host.measure(layout::make_unbounded_size(300.0f, 300.0f), context);
    ASSERT_TRUE(host.is_measured());
  };
  measure();
  host.set_selected(true);
  EXPECT_TRUE(host.is_measured());
  host.set_enabled(false);
  EXPECT_FALSE(host.is_measured());
  measure();
  host.set_enabled(true);
  EXPECT_FALSE(host.is_measured());
}

TEST(NativeHostTest, DescribesItselfAsAnExposedNativeWindow) {
  NativeHost host(5, 120.0f, 32.0f);
  ElementInfo info;
  host.describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kNativeHost);
  EXPECT_TRUE(info.exposed);
  EXPECT_TRUE(info.native_window);
  EXPECT_TRUE(info.focusable);
}

// ---- Child key record ----

// A message-only window that reads the in-flight record of each
// kChildKeyMessage it gets.
class RecordReader {
 public:
  RecordReader() {
    window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowSubclass(window_, &RecordReader::proc, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  ~RecordReader() {
    RemoveWindowSubclass(window_, &RecordReader::proc, 1);
    DestroyWindow(window_);
  }
  HWND hwnd() const { return window_; }
  std::vector<ChildKeyRecord*> found;
  // Sent from inside the first record's handling.
  ChildKeyRecord* nested = nullptr;

 private:
  static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                               UINT_PTR, DWORD_PTR reference) {
    if (message != kChildKeyMessage) return DefSubclassProc(window, message, wparam, lparam);
    auto* self = reinterpret_cast<RecordReader*>(reference);
    ChildKeyRecord* record = child_key_record_in_flight(lparam);
    self->found.push_back(record);
    if (record == nullptr) return 0;
    record->handled = true;
    if (ChildKeyRecord* inner = std::exchange(self->nested, nullptr)) {
      send_child_key_record(window, *inner);
      // The outer record is in flight again.
      self->found.push_back(child_key_record_in_flight(lparam));
    }
    return 1;
  }
  HWND window_ = nullptr;
};

TEST(ChildKeyRecordTest, OnlyTheRecordInFlightOnThisThreadIsFound) {
  RecordReader reader;
  ChildKeyRecord outer{WM_KEYDOWN, VK_TAB, 1, false};
  ChildKeyRecord inner{WM_CHAR, L'a', 1, false};
  reader.nested = &inner;
  EXPECT_EQ(send_child_key_record(reader.hwnd(), outer), 1);
  EXPECT_EQ(reader.found, (std::vector<ChildKeyRecord*>{&outer, &inner, &outer}));
  EXPECT_TRUE(outer.handled);
  EXPECT_TRUE(inner.handled);
  // Stale once the send returned, and never for a plain send or null.
  EXPECT_EQ(child_key_record_in_flight(reinterpret_cast<LPARAM>(&outer)), nullptr);
  ChildKeyRecord plain{WM_KEYDOWN, VK_TAB, 1, false};
  SendMessageW(reader.hwnd(), kChildKeyMessage, 0, reinterpret_cast<LPARAM>(&plain));
  EXPECT_EQ(reader.found.back(), nullptr);
  EXPECT_FALSE(plain.handled);
  EXPECT_EQ(child_key_record_in_flight(0), nullptr);
}

}  // namespace
}  // namespace win32_ui::modern
