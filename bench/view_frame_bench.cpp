// What one frame of a full window costs: a visible 1280 x 800 Surface
// window holding about 300 views shaped like a settings window (cards with
// grids of texts, check boxes, toggles, sliders and buttons, and a menu),
// painted through GDI and through Direct2D. Per back end, after warm-up
// frames, it times full frames (every measure runs, whole paint), cached
// frames (an unchanged relayout, whole paint) and hover frames (the hover
// moves from one button to the next, dirty-rectangle paint), and replays one
// full frame's recorded canvas calls onto the same back end without the view
// layer.
// Prints one "name value unit" line per figure. Run under the tests' Wine
// and Xvfb by hand.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/recorded_canvas.h"
#include "engine/com_apartment.h"
#include "tests/fakes/ui/views/fake_canvas.h"
#include "tests/ui/views/placed_layout.h"
#include "ui/views/graphics/canvas_backend.h"
#include "ui/views/grid_panel.h"
#include "ui/views/menus/menu_view.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/surface.h"
#include "ui/views/surface_impl.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/card.h"
#include "ui/views/widgets/check_box.h"
#include "ui/views/widgets/slider.h"
#include "ui/views/widgets/text.h"
#include "ui/views/widgets/toggle.h"

namespace {

using namespace win32_ui;
using namespace win32_ui::modern;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kWarmUp = 20;
constexpr int kFrames = 300;
constexpr int kRowsPerCard = 8;
constexpr int kCards = 7;
// The hover frames move the pointer between the buttons of rows 0 and 1 of
// card 0: one button leaves the hover and one enters it, and their grid
// stays hovered. (Moving to empty space would leave the root view, whose
// repaint is the whole window.)
constexpr int kHoverX = 10 + 16 + 4 * 74 + 30;
constexpr int kHoverY = 10 + 16 + 14;
constexpr int kNextRowY = kHoverY + 28;

// A card of rows, each: label, check box, toggle, slider, button.
std::unique_ptr<View> settings_card(int index) {
  auto box = std::make_unique<OverlayPanel>();
  box->set_layout_params(testing::placed(10.0f + static_cast<float>(index % 3) * 420.0f,
                            10.0f + static_cast<float>(index / 3) * 260.0f, 400.0f, 250.0f));
  box->add_child(std::make_unique<Card>());
  std::vector<layout::GridLength> columns(5, layout::GridLength::star(1.0f));
  std::vector<layout::GridLength> rows(kRowsPerCard, layout::GridLength::star(1.0f));
  auto grid = std::make_unique<GridPanel>(columns, rows, 4.0f, 2.0f,
                                          layout::Thickness{16, 16, 16, 16});
  for (int row = 0; row < kRowsPerCard; ++row) {
    const auto r = static_cast<std::uint64_t>(row);
    const int id = index * 100 + row * 10;
    grid->add_child(std::make_unique<Text>(L"Option " + std::to_wstring(row), 2, layout::Size{}),
                    layout::GridCell{0, r, 1, 1});
    grid->add_child(std::make_unique<CheckBox>(id + 1, L"On", row % 2 == 0),
                    layout::GridCell{1, r, 1, 1});
    grid->add_child(std::make_unique<Toggle>(id + 2, L"", row % 3 == 0),
                    layout::GridCell{2, r, 1, 1});
    grid->add_child(std::make_unique<Slider>(id + 3, 0.1f * static_cast<float>(row)),
                    layout::GridCell{3, r, 1, 1});
    grid->add_child(std::make_unique<Button>(id + 4, L"Set", 0), layout::GridCell{4, r, 1, 1});
  }
  box->add_child(std::move(grid));
  return box;
}

std::unique_ptr<View> settings_window() {
  auto root = std::make_unique<OverlayPanel>();
  for (int i = 0; i < kCards; ++i) root->add_child(settings_card(i));
  std::vector<MenuEntry> entries;
  for (int i = 0; i < 10; ++i) {
    MenuEntry entry;
    entry.command_id = 900 + i;
    entry.text = L"Menu item " + std::to_wstring(i);
    entry.mark = i < 3 ? MenuEntry::kMarkCheck : MenuEntry::kMarkNone;
    entry.checked = i == 1;
    entry.shortcut = i == 4 ? L"Ctrl+R" : L"";
    entries.push_back(entry);
  }
  auto menu = std::make_unique<MenuView>(std::move(entries), [](unsigned) {},
                                         MenuLayout{240, 22, 12, 6});
  menu->set_layout_params(testing::placed(10.0f + 420.0f * 2, 10.0f + 260.0f * 2, 240, 244));
  root->add_child(std::move(menu));
  return root;
}

struct Figures {
  std::vector<double> frame_ms;
  std::vector<double> layout_ms;
  std::vector<double> draw_ms;
};

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void print(const std::string& name, double value, const char* unit) {
  std::printf("%s %.4f %s\n", name.c_str(), value, unit);
}

HWND make_window() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"QuorvelViewFrameBench";
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                kWidth, kHeight, nullptr, nullptr, window_class.hInstance, nullptr);
  return window;
}

class Bench {
 public:
  Bench(HWND window, Surface& surface) : window_(window), surface_(surface) {
    impl_ = Surface::Impl::from_window(window);
    impl_->view_root.set_statistics_enabled(true);
  }

  // Runs `prepare` then `paint` once per frame and keeps the times; the
  // preparation counts in the frame only when `timed_prepare`.
  Figures run(int frames, const std::function<void(int)>& prepare,
              const std::function<void()>& paint, bool timed_prepare = true) {
    Figures figures;
    for (int i = 0; i < frames; ++i) {
      if (!timed_prepare) prepare(i);
      const auto layout_before = impl_->view_root.layout_statistics().total;
      const auto draw_before = impl_->view_root.draw_statistics().total;
      const Clock::time_point start = Clock::now();
      if (timed_prepare) prepare(i);
      paint();
      figures.frame_ms.push_back(ms_since(start));
      figures.layout_ms.push_back(
          static_cast<double>(impl_->view_root.layout_statistics().total - layout_before) / 1e6);
      figures.draw_ms.push_back(
          static_cast<double>(impl_->view_root.draw_statistics().total - draw_before) / 1e6);
    }
    return figures;
  }

  void invalidate_every_measure() {
    impl_->view_root.for_each_view([](View& view) { view.invalidate_layout(); });
  }
  void relayout() { impl_->relayout(); }
  void paint_whole() {
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  void paint_invalid() { RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW); }
  void hover(bool on) {
    SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(kHoverX, on ? kHoverY : kNextRowY));
  }

  // One full frame's canvas calls, counted by the tests' FakeCanvas and
  // kept as a display list.
  std::size_t count_calls() {
    quorvel::test::FakeCanvas counter;
    impl_->draw_tree(counter);
    return counter.calls.size();
  }
  std::unique_ptr<quorvel::bench::RecordedCanvas> record(bool gdi) {
    auto recorded = std::make_unique<quorvel::bench::RecordedCanvas>(
        gdi ? ui::graphics::Canvas::kGdi : ui::graphics::Canvas::kDirect2d, gdi ? 0x3C : 0xFF);
    impl_->draw_tree(*recorded);
    return recorded;
  }
  // Replays the calls straight onto the window with the chosen back end.
  bool replay(const quorvel::bench::RecordedCanvas& recorded, bool gdi) {
    HDC dc = GetDC(window_);
    RECT client{};
    GetClientRect(window_, &client);
    bool ok = false;
    if (auto canvas = detail::make_canvas(dc, client, surface_.fonts(), gdi)) {
      canvas->clear(ui::graphics::Color::from_colorref(
          surface_.theme().color(ThemeColor::window_background)));
      recorded.replay(*canvas);
      ok = canvas->flush();
    }
    ReleaseDC(window_, dc);
    return ok;
  }

 private:
  HWND window_;
  Surface& surface_;
  Surface::Impl* impl_ = nullptr;
};

void report(const std::string& prefix, const Figures& figures) {
  const double median = percentile(figures.frame_ms, 0.5);
  print(prefix + "_layout_ms", percentile(figures.layout_ms, 0.5), "ms");
  print(prefix + "_draw_ms", percentile(figures.draw_ms, 0.5), "ms");
  print(prefix + "_frame_median_ms", median, "ms");
  print(prefix + "_frame_p95_ms", percentile(figures.frame_ms, 0.95), "ms");
  print(prefix + "_frame_of_60hz", median / 16.667, "fraction");
}

void run_backend(HWND window, Surface& surface, int preference) {
  const bool gdi = preference == 2;
  const std::string name = gdi ? "gdi" : "direct2d";
  surface.set_backend_preference(preference);
  Bench bench(window, surface);
  bench.paint_whole();
  if (!gdi) print("direct2d_confirmed", surface.last_paint().used_gdi ? 0 : 1, "bool");

  const auto full_prepare = [&](int) { bench.invalidate_every_measure(); };
  const auto cached_prepare = [&](int) { bench.relayout(); };
  const auto hover_prepare = [&](int i) { bench.hover(i % 2 == 0); };
  const auto whole = [&] { bench.paint_whole(); };
  const auto invalid = [&] { bench.paint_invalid(); };

  // Marking every view for measure is the benchmark's doing, not the
  // frame's: it stays outside the timed part.
  bench.run(kWarmUp, full_prepare, whole, false);
  const Figures full = bench.run(kFrames, full_prepare, whole, false);
  bench.run(kWarmUp, cached_prepare, whole);
  const Figures cached = bench.run(kFrames, cached_prepare, whole);
  bench.run(kWarmUp, hover_prepare, invalid);
  const Figures hovered = bench.run(kFrames, hover_prepare, invalid);

  report(name + "_full", full);
  report(name + "_cached", cached);
  report(name + "_hover", hovered);

  const auto recorded = bench.record(gdi);
  for (int i = 0; i < kWarmUp; ++i) bench.replay(*recorded, gdi);
  std::vector<double> replay_ms;
  for (int i = 0; i < kFrames; ++i) {
    const Clock::time_point start = Clock::now();
    bench.replay(*recorded, gdi);
    replay_ms.push_back(ms_since(start));
  }
  const double replay = percentile(replay_ms, 0.5);
  print(name + "_replay_median_ms", replay, "ms");
  print(name + "_full_overhead_ms", percentile(full.frame_ms, 0.5) - replay, "ms");
  print(name + "_cached_overhead_ms", percentile(cached.frame_ms, 0.5) - replay, "ms");
}

}  // namespace

int main() {
  const quorvel::windows::ComApartment apartment(COINIT_APARTMENTTHREADED);
  HWND window = make_window();
  if (window == nullptr) return 1;
  SurfaceServices services;
  // Hover changes land at once: no animation frames between the figures.
  services.read_client_area_animation = [](BOOL* enabled) {
    *enabled = FALSE;
    return TRUE;
  };
  Surface surface(std::move(services));
  surface.set_content(settings_window());
  if (!surface.attach(window, Theme::light(kDefaultAccent))) return 1;
  std::size_t views = 0;
  Surface::Impl::from_window(window)->view_root.for_each_view([&views](View&) { ++views; });
  print("views", static_cast<double>(views), "count");
  {
    Bench bench(window, surface);
    bench.paint_whole();
    print("canvas_calls_per_full_frame", static_cast<double>(bench.count_calls()), "count");
    // A paint that leaves the dirty region set makes every later frame a
    // whole-window paint.
    print("dirty_after_whole_paint",
          Surface::Impl::from_window(window)->view_root.needs_paint() ? 1 : 0, "bool");
  }
  run_backend(window, surface, 2);
  run_backend(window, surface, 0);
  surface.detach();
  DestroyWindow(window);
  return 0;
}
