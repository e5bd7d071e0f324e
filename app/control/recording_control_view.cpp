#include "app/control/recording_control_view.h"

#include <windowsx.h>

#include <utility>
#include <vector>

#include "app/control/control_button.h"
#include "app/control/control_button_icons.h"
#include "ui/platform/layout/grid_tracks.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/grid_panel.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/widgets/card.h"

namespace quorvel::windows {

namespace {

using win32_ui::layout::GridLength;
using win32_ui::layout::Thickness;
using win32_ui::modern::Button;
using win32_ui::modern::GridPanel;
using win32_ui::modern::Text;
using win32_ui::modern::View;

constexpr float kHeaderHeight = 28.0f;
constexpr float kButtonRowHeight = 44.0f;
constexpr float kLiveRowHeight = 126.0f;
constexpr float kButtonSide = 42.0f;
constexpr float kGroupGap = 10.0f;
constexpr float kSidePadding = 12.0f;
constexpr float kHeaderColumnGap = 8.0f;
constexpr int kStatusTextStyle = 5;
constexpr int kNoteTextStyle = 3;
constexpr int kDetailsTextStyle = 3;

// The drag strip is 34.2 DIP tall, in tenths so that MulDiv rounds it.
constexpr int kDragStripTenthsOfDip = 342;

// The icon each command button shows when not paused, in command order.
constexpr std::array<int, kControlCommandCount> kCommandIcons = {
    kControlIconTopLeft, kControlIconTopRight, kControlIconBottomRight,
    kControlIconBottomLeft, kControlIconZoomIn, kControlIconZoomOut,
    kControlIconHide, kControlIconPause, kControlIconStop};

constexpr std::size_t kPauseButton = 7;

const ControlIconPair& icon_pair(int index) {
  return control_button_icons()[static_cast<std::size_t>(index)];
}

void set_icon_pair(Button& button, int index) {
  const ControlIconPair& icons = icon_pair(index);
  button.set_icon_images(icons.first, icons.second);
}

void set_name_and_tooltip(Button* button, const std::wstring& text) {
  if (button == nullptr) return;
  button->set_accessible_name(text);
  button->set_tooltip(text);
}

}  // namespace

RecordingControlView::RecordingControlView(std::array<int, kControlCommandCount> command_ids,
                                           std::function<void(int)> callback,
                                           RecordingControlTexts texts)
    : command_ids_(command_ids), callback_(std::move(callback)), texts_(std::move(texts)) {}

RecordingControlView::~RecordingControlView() { release(); }

bool RecordingControlView::initialize(HWND window, const win32_ui::Theme& theme) {
  release();
  host_.set_chrome_mode(2);
  host_.set_zoom(kZoom);
  if (!host_.attach(window, theme)) return false;
  if (!win32_ui::install_window_subclass(window, &RecordingControlView::subclass_proc,
                                         win32_ui::kControlBarSubclass, 0)) {
    host_.detach();
    return false;
  }
  window_ = window;
  const float width = texts_.live ? kLiveWidth : kWidth;
  const float height = texts_.live ? kLiveHeight : kHeight;
  host_.set_preferred_size(width, height);
  host_.set_minimum_size(width, height);
  host_.set_content(build_tree());
  for (std::size_t i = 0; i < kControlCommandCount; ++i) update_command_button(i);
  update_dock_buttons();
  update_live_buttons();
  return true;
}

void RecordingControlView::release() {
  if (window_ != nullptr && IsWindow(window_)) {
    win32_ui::remove_window_subclass(window_, &RecordingControlView::subclass_proc,
                                     win32_ui::kControlBarSubclass);
  }
  window_ = nullptr;
  host_.detach();
  clear_view_pointers();
}

void RecordingControlView::clear_view_pointers() {
  status_text_ = nullptr;
  note_text_ = nullptr;
  live_details_text_ = nullptr;
  buttons_.fill(nullptr);
}

bool RecordingControlView::place_window() { return host_.place_on_monitor(nullptr, false); }

void RecordingControlView::refresh() {
  if (host_.is_attached()) host_.surface().refresh();
}

void RecordingControlView::apply_theme(const win32_ui::Theme& theme) { host_.apply_theme(theme); }

// ---- The tree ----

std::unique_ptr<View> RecordingControlView::build_tree() {
  std::vector<GridLength> rows{GridLength::fixed(kHeaderHeight),
                               GridLength::fixed(kButtonRowHeight)};
  if (texts_.live) rows.push_back(GridLength::fixed(kLiveRowHeight));
  auto content = std::make_unique<GridPanel>(std::vector<GridLength>{GridLength::star(1.0f)},
                                             std::move(rows), 0.0f, 4.0f,
                                             Thickness{kSidePadding, 10.0f, kSidePadding, 10.0f});
  content->add_child(build_header(), {0, 0, 1, 1});
  content->add_child(build_button_row(), {0, 1, 1, 1});
  if (texts_.live) {
    auto details = std::make_unique<Text>(texts_.live_details, kDetailsTextStyle,
                                          win32_ui::layout::Size{0.0f, 0.0f});
    live_details_text_ = details.get();
    content->add_child(std::move(details), {0, 2, 1, 1});
  }

  auto root = std::make_unique<win32_ui::modern::OverlayPanel>();
  root->add_child(std::make_unique<win32_ui::modern::Card>());
  root->add_child(std::move(content));
  return root;
}

std::unique_ptr<View> RecordingControlView::build_header() {
  // The status and the note share the header equally, except that the
  // status column widens to the width its text needs: the status ends in
  // the session's clock, and the longest (a file-and-live status while the
  // stream connects) is wider than half the bar. The note is a hint; it
  // gives way and may end in an ellipsis.
  const float header_width = (texts_.live ? kLiveWidth : kWidth) - 2.0f * kSidePadding;
  const float half = (header_width - kHeaderColumnGap) / 2.0f;
  auto header = std::make_unique<GridPanel>(
      std::vector<GridLength>{GridLength::automatic(half), GridLength::star(1.0f)},
      std::vector<GridLength>{GridLength::fixed(kHeaderHeight)}, kHeaderColumnGap, 0.0f);
  auto status = std::make_unique<Text>(std::wstring(), kStatusTextStyle,
                                       win32_ui::layout::Size{0.0f, kHeaderHeight});
  status_text_ = status.get();
  header->add_child(std::move(status), {0, 0, 1, 1});

  auto note = std::make_unique<Text>(texts_.placement_note, kNoteTextStyle,
                                     win32_ui::layout::Size{0.0f, 0.0f});
  win32_ui::layout::LayoutParams params = note->layout_params();
  params.horizontal_alignment = win32_ui::layout::kAlignEnd;
  params.vertical_alignment = win32_ui::layout::kAlignCenter;
  note->set_layout_params(params);
  note_text_ = note.get();
  header->add_child(std::move(note), {1, 0, 1, 1});
  return header;
}

std::unique_ptr<View> RecordingControlView::build_button_row() {
  // Each entry is a button slot, or -1 for the gap between two groups.
  std::vector<int> slots{0, 1, 2, 3, static_cast<int>(kDockTopButton),
                         static_cast<int>(kDockBottomButton), -1, 4, 5, -1, 6, -1, 7, 8};
  if (texts_.live) {
    slots.insert(slots.end(), {-1, static_cast<int>(kLiveCoverButton),
                               static_cast<int>(kLiveMuteButton)});
  }
  std::vector<GridLength> columns;
  for (int slot : slots) columns.push_back(GridLength::fixed(slot < 0 ? kGroupGap : kButtonSide));
  auto row = std::make_unique<GridPanel>(std::move(columns),
                                         std::vector<GridLength>{GridLength::fixed(kButtonSide)},
                                         4.0f, 0.0f);
  for (std::size_t column = 0; column < slots.size(); ++column) {
    if (slots[column] < 0) continue;
    const auto slot = static_cast<std::size_t>(slots[column]);
    int id = 0;
    int icon = 0;
    if (slot < kControlCommandCount) {
      id = command_ids_[slot];
      icon = kCommandIcons[slot];
    } else if (slot == kDockTopButton) {
      id = kControlDockTop;
      icon = kControlIconDockTop;
    } else if (slot == kDockBottomButton) {
      id = kControlDockBottom;
      icon = kControlIconDockBottom;
    } else if (slot == kLiveCoverButton) {
      id = kControlLiveCover;
      icon = kControlIconLiveCover;
    } else {
      id = kControlLiveMute;
      icon = kControlIconUnmuted;
    }
    row->add_child(make_slot_button(slot, id, icon), {column, 0, 1, 1});
  }
  return row;
}

std::unique_ptr<Button> RecordingControlView::make_slot_button(std::size_t slot, int id,
                                                               int icon_index) {
  auto button = make_control_button(id, icon_index, [this, id] {
    if (callback_) callback_(id);
  });
  buttons_[slot] = button.get();
  return button;
}

// ---- Setters ----

Button* RecordingControlView::button(std::size_t index) const {
  return index < kButtonCount ? buttons_[index] : nullptr;
}

void RecordingControlView::set_texts(RecordingControlTexts texts) {
  texts_ = std::move(texts);
  if (note_text_ != nullptr) note_text_->set_text(texts_.placement_note);
  if (live_details_text_ != nullptr) live_details_text_->set_text(texts_.live_details);
  for (std::size_t i = 0; i < kControlCommandCount; ++i) update_command_button(i);
  update_dock_buttons();
  update_live_buttons();
}

void RecordingControlView::set_status_text(const std::wstring& text) {
  // Set four times a second with a clock that moves once: the same text
  // would only lay out and redraw the bar again.
  if (status_text_ != nullptr && status_text_->text() != text) status_text_->set_text(text);
}

void RecordingControlView::set_pause_state(std::wstring label, bool paused) {
  texts_.button_labels[kPauseButton] = std::move(label);
  paused_ = paused;
  update_command_button(kPauseButton);
}

void RecordingControlView::set_zoom_enabled(bool enabled) {
  for (std::size_t i : {std::size_t{4}, std::size_t{5}}) {
    if (buttons_[i] != nullptr) buttons_[i]->set_enabled(enabled);
  }
}

void RecordingControlView::set_pause_enabled(bool enabled) {
  if (buttons_[kPauseButton] != nullptr) buttons_[kPauseButton]->set_enabled(enabled);
}

void RecordingControlView::set_stop_enabled(bool enabled) {
  if (buttons_[8] != nullptr) buttons_[8]->set_enabled(enabled);
}

void RecordingControlView::set_live_state(std::wstring cover_action, std::wstring mute_action,
                                          std::wstring details, bool enabled, bool cover_on,
                                          bool muted) {
  if (!texts_.live) return;
  texts_.cover_action_text = std::move(cover_action);
  texts_.mute_action_text = std::move(mute_action);
  texts_.live_details = std::move(details);
  cover_on_ = cover_on;
  muted_ = muted;
  if (live_details_text_ != nullptr) live_details_text_->set_text(texts_.live_details);
  for (std::size_t i : {kLiveCoverButton, kLiveMuteButton}) {
    if (buttons_[i] != nullptr) buttons_[i]->set_enabled(enabled);
  }
  update_live_buttons();
}

void RecordingControlView::update_command_button(std::size_t index) {
  if (index >= kControlCommandCount || buttons_[index] == nullptr) return;
  Button& button = *buttons_[index];
  const std::wstring& label = texts_.button_labels[index];
  const std::wstring& hotkey = texts_.hotkey_texts[index];
  button.set_accessible_name(label);
  button.set_accessible_help(hotkey);
  button.set_tooltip(join_tooltip(label, hotkey));
  if (index == kPauseButton) {
    set_icon_pair(button, paused_ ? kControlIconResume : kControlIconPause);
  }
}

void RecordingControlView::update_dock_buttons() {
  set_name_and_tooltip(buttons_[kDockTopButton], texts_.dock_top_text);
  set_name_and_tooltip(buttons_[kDockBottomButton], texts_.dock_bottom_text);
}

void RecordingControlView::update_live_buttons() {
  Button* cover = buttons_[kLiveCoverButton];
  Button* mute = buttons_[kLiveMuteButton];
  if (!texts_.live || cover == nullptr || mute == nullptr) return;
  set_name_and_tooltip(cover, texts_.cover_action_text);
  cover->set_selected(cover_on_);
  set_name_and_tooltip(mute, texts_.mute_action_text);
  mute->set_selected(muted_);
  set_icon_pair(*mute, muted_ ? kControlIconMuted : kControlIconUnmuted);
}

// ---- The window subclass ----

LRESULT CALLBACK RecordingControlView::subclass_proc(HWND window, UINT message, WPARAM wparam,
                                                     LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (message == WM_NCDESTROY) {
    win32_ui::remove_window_subclass(window, &RecordingControlView::subclass_proc,
                                     win32_ui::kControlBarSubclass);
    return win32_ui::default_subclass_proc(window, message, wparam, lparam);
  }
  if (message != WM_NCHITTEST) {
    return win32_ui::default_subclass_proc(window, message, wparam, lparam);
  }
  const LRESULT hit = win32_ui::default_subclass_proc(window, message, wparam, lparam);
  if (hit != HTCLIENT) return hit;
  // The header strip above the buttons drags the bar; the buttons below it
  // stay clickable.
  POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  ScreenToClient(window, &point);
  int dpi = static_cast<int>(GetDpiForWindow(window));
  if (dpi <= 0) dpi = USER_DEFAULT_SCREEN_DPI;
  return point.y < MulDiv(kDragStripTenthsOfDip, dpi, 960) ? HTCAPTION : HTCLIENT;
}

}  // namespace quorvel::windows
