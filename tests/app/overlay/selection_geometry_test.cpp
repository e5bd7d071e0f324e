#include "app/overlay/selection_geometry.h"

#include <gtest/gtest.h>

#include <string>

#include "app/overlay/overlay_colors.h"
#include "app/overlay/selection_mode.h"
#include "tests/app/overlay/rect_printing.h"

namespace quorvel::windows {
namespace {

constexpr SIZE kFullHd{1920, 1080};

struct FitCase {
  const char* name;
  RECT region;
  SIZE monitor;
  RECT fitted;
};

TEST(FitRegion, ClampsIntoTheMonitorAndEvensEachSide) {
  const FitCase cases[] = {
      {"even region kept", {100, 100, 300, 200}, kFullHd, {100, 100, 300, 200}},
      {"odd width grows right", {100, 100, 201, 200}, kFullHd, {100, 100, 202, 200}},
      {"odd width at the right edge grows left", {1819, 100, 1920, 200}, kFullHd,
       {1818, 100, 1920, 200}},
      {"odd height grows down", {10, 10, 80, 75}, kFullHd, {10, 10, 80, 76}},
      {"odd height at the bottom edge grows up", {0, 979, 200, 1080}, kFullHd,
       {0, 978, 200, 1080}},
      {"odd full width stays odd", {0, 0, 1367, 768}, {1367, 768}, {0, 0, 1367, 768}},
      {"beyond the top-left corner", {-20, -10, 100, 100}, kFullHd, {0, 0, 100, 100}},
      {"beyond the bottom-right corner", {1850, 1000, 2500, 1500}, kFullHd,
       {1850, 1000, 1920, 1080}},
      {"wholly outside keeps two pixels", {1950, 1100, 2000, 1200}, kFullHd,
       {1918, 1078, 1920, 1080}},
      {"inverted corners", {500, 400, 300, 200}, kFullHd, {500, 400, 502, 402}},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fit_region(c.region, c.monitor), c.fitted);
  }
}

struct CheckCase {
  const char* name;
  RECT selection;
  SIZE monitor;
  RegionVerdict verdict;
  RECT fitted;  // looked at when accepted
};

TEST(CheckRegion, RefusesSmallAndOddRegionsWithTheirMessages) {
  const CheckCase cases[] = {
      {"drag (10, 10) to (73, 73)", free_rect({10, 10}, {73, 73}), kFullHd,
       RegionVerdict::accepted, {10, 10, 74, 74}},
      {"drag (10, 10) to (72, 72)", free_rect({10, 10}, {72, 72}), kFullHd,
       RegionVerdict::too_small, {}},
      {"63 high only", {0, 0, 500, 63}, kFullHd, RegionVerdict::too_small, {}},
      {"101 x 100 away from the edge", {300, 300, 401, 400}, kFullHd, RegionVerdict::accepted,
       {300, 300, 402, 400}},
      {"101 x 100 at the right edge", {1819, 300, 1920, 400}, kFullHd, RegionVerdict::accepted,
       {1818, 300, 1920, 400}},
      {"full width of a 1367 wide monitor", {0, 0, 1367, 768}, {1367, 768},
       RegionVerdict::odd_at_edge, {}},
      {"full height of a 769 high monitor", {0, 0, 1366, 769}, {1366, 769},
       RegionVerdict::odd_at_edge, {}},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.name);
    const RegionCheck check = check_region(c.selection, c.monitor);
    EXPECT_EQ(check.verdict, c.verdict);
    if (c.verdict == RegionVerdict::accepted) {
      EXPECT_EQ(check.fitted, c.fitted);
    }
  }
}

TEST(CheckRegion, NamesTheBannerMessageOfEachRefusal) {
  EXPECT_EQ(region_verdict_key(RegionVerdict::accepted), nullptr);
  EXPECT_EQ(std::wstring(region_verdict_key(RegionVerdict::too_small)),
            L"message.small_region_retry");
  EXPECT_EQ(std::wstring(region_verdict_key(RegionVerdict::odd_at_edge)),
            L"message.edge_even_size");
}

struct InitialCase {
  const char* name;
  POINT pointer;
  SIZE setup;
  CaptureBounds monitor;
  RECT expected;
};

TEST(InitialSelection, CentresTheSetupSizeOnThePointerInsideTheMonitor) {
  const CaptureBounds full_hd{0, 0, 1920, 1080};
  const InitialCase cases[] = {
      {"640 x 480 at (100, 100)", {100, 100}, {640, 480}, full_hd, {0, 0, 640, 480}},
      {"640 x 480 in the middle", {960, 540}, {640, 480}, full_hd, {640, 300, 1280, 780}},
      {"640 x 480 near the far corner", {1900, 1000}, {640, 480}, full_hd,
       {1280, 600, 1920, 1080}},
      {"the monitor's own size", {5, 5}, {1920, 1080}, full_hd, {0, 0, 1920, 1080}},
      {"1920 x 1080 on a 1366 x 768 monitor", {100, 100}, {1920, 1080},
       {1920, 0, 3286, 768}, {0, 0, 1366, 768}},
      {"one pixel too wide", {100, 100}, {1921, 500}, full_hd, {0, 0, 1920, 1080}},
      {"below 64 wide", {100, 100}, {63, 500}, full_hd, {0, 0, 1920, 1080}},
      {"below 64 high", {100, 100}, {500, 63}, full_hd, {0, 0, 1920, 1080}},
  };
  for (const InitialCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(initial_selection(c.pointer, c.setup, c.monitor), c.expected);
  }
}

TEST(OverlayPoint, ReadsSignedHalvesClampedToTheClientArea) {
  const auto lparam = [](int x, int y) {
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
  };
  EXPECT_EQ(overlay_point(lparam(15, 20), kFullHd), (POINT{15, 20}));
  EXPECT_EQ(overlay_point(lparam(-5, -300), kFullHd), (POINT{0, 0}));
  EXPECT_EQ(overlay_point(lparam(1920, 5000), kFullHd), (POINT{1919, 1079}));
  EXPECT_EQ(overlay_point(lparam(15, 20), SIZE{0, 0}), (POINT{0, 0}));
}

TEST(DragThreshold, IsHalfTheSystemDragDistanceAndAtLeastTwo) {
  EXPECT_EQ(drag_threshold(4), 2);
  EXPECT_EQ(drag_threshold(2), 2);
  EXPECT_EQ(drag_threshold(0), 2);
  EXPECT_EQ(drag_threshold(11), 5);
}

TEST(DragThreshold, PassesWhenEitherAxisMovesFarEnough) {
  struct Case {
    POINT pointer;
    SIZE metrics;
    bool passed;
  };
  const POINT anchor{100, 100};
  const Case cases[] = {
      {{101, 101}, {4, 4}, false}, {{102, 100}, {4, 4}, true}, {{98, 100}, {4, 4}, true},
      {{100, 102}, {4, 4}, true},  {{100, 98}, {4, 4}, true},  {{104, 100}, {10, 4}, false},
      {{105, 100}, {10, 4}, true}, {{100, 100}, {4, 4}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.pointer));
    EXPECT_EQ(drag_threshold_passed(anchor, c.pointer, c.metrics), c.passed);
  }
}

TEST(FreeRect, HoldsBothEndPixelsWhicheverWayTheDragGoes) {
  EXPECT_EQ(free_rect({10, 10}, {73, 73}), (RECT{10, 10, 74, 74}));
  EXPECT_EQ(free_rect({73, 73}, {10, 10}), (RECT{10, 10, 74, 74}));
  EXPECT_EQ(free_rect({73, 10}, {10, 40}), (RECT{10, 10, 74, 41}));
  EXPECT_EQ(free_rect({5, 5}, {5, 5}), (RECT{5, 5, 6, 6}));
}

TEST(HintRect, IsCentredAtMost760DipWide) {
  EXPECT_EQ(hint_rect(1920, 96), (RECT{580, 16, 1340, 48}));
  EXPECT_EQ(hint_rect(600, 96), (RECT{16, 16, 584, 48}));
  EXPECT_EQ(hint_rect(1921, 96), (RECT{580, 16, 1340, 48}));
  EXPECT_EQ(hint_rect(2880, 144), (RECT{870, 24, 2010, 72}));
}

TEST(LoupePanel, Is248By298AtEightPixelCellsAnd96Dpi) {
  EXPECT_EQ(loupe_panel_size({8, 8}, 96), (SIZE{248, 298}));
  EXPECT_EQ(loupe_panel_size({11, 12}, 144), (SIZE{29 * 11 + 24, 29 * 12 + 24 + 75}));
}

struct LoupeCase {
  const char* name;
  POINT pointer;
  LoupePlacement placement;
  RECT expected;
};

LoupePlacement on_full_hd(std::optional<RECT> selection = std::nullopt, bool drag = false,
                          POINT anchor = {}) {
  LoupePlacement placement;
  placement.client = kFullHd;
  placement.selection = selection;
  placement.drag_started = drag;
  placement.anchor = anchor;
  return placement;
}

TEST(LoupeRect, PicksTheFirstSpotThatFits) {
  const RECT selection{100, 100, 900, 800};
  LoupePlacement small_client = on_full_hd();
  small_client.client = {300, 300};
  const LoupeCase cases[] = {
      {"right below the pointer", {100, 100}, on_full_hd(), {118, 118, 366, 416}},
      {"left above near the far corner", {1900, 1000}, on_full_hd(), {1634, 684, 1882, 982}},
      {"at the origin", {0, 0}, on_full_hd(), {18, 18, 266, 316}},
      {"clear of the banner beside the pointer", {200, 20}, on_full_hd(), {218, 38, 466, 336}},
      {"over the banner when nothing else fits", {700, 20}, on_full_hd(), {718, 38, 966, 336}},
      {"pushed into a small client area", {100, 100}, small_client, {42, 10, 290, 308}},
      {"inside the selection, away from its centre", {850, 700}, on_full_hd(selection),
       {584, 384, 832, 682}},
      {"inside the selection at its top", {850, 1000}, on_full_hd(selection),
       {584, 118, 832, 416}},
      {"inside the selection at its left", {1000, 500}, on_full_hd(selection),
       {118, 184, 366, 482}},
      {"inside the dragged selection, away from the anchor", {600, 500},
       on_full_hd(RECT{100, 100, 601, 501}, true, {100, 100}), {334, 184, 582, 482}},
      {"beside the pointer when the selection is too small", {73, 73},
       on_full_hd(RECT{10, 10, 74, 74}, true, {10, 10}), {91, 91, 339, 389}},
  };
  for (const LoupeCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(loupe_rect(c.pointer, c.placement), c.expected);
  }
}

TEST(LoupeRect, GrowsByThreeDipForRepainting) {
  EXPECT_EQ(loupe_invalidation_rect({118, 118, 366, 416}, 96), (RECT{115, 115, 369, 419}));
  EXPECT_EQ(loupe_invalidation_rect({118, 118, 366, 416}, 192), (RECT{112, 112, 372, 422}));
}

TEST(LoupeCrosshair, MarksTheFrameLineNextToThePointer) {
  struct Case {
    const char* name;
    POINT pointer;
    bool drag;
    POINT anchor;
    std::optional<RECT> selection;
    CrosshairOffsets expected;
  };
  const RECT selection{100, 100, 300, 200};
  const Case cases[] = {
      {"no selection", {150, 150}, false, {}, std::nullopt, {0, 0}},
      {"inside", {150, 150}, false, {}, selection, {0, 0}},
      {"on the left and top edge", {100, 100}, false, {}, selection, {-1, -1}},
      {"beyond the left and top", {40, 20}, false, {}, selection, {-1, -1}},
      {"on the last column and row", {299, 199}, false, {}, selection, {1, 1}},
      {"one inside the last column", {298, 198}, false, {}, selection, {0, 0}},
      {"beyond the right, inside vertically", {500, 150}, false, {}, selection, {1, 0}},
      {"dragging right and down", {73, 73}, true, {10, 10}, RECT{10, 10, 74, 74}, {1, 1}},
      {"dragging left and up", {5, 8}, true, {10, 10}, RECT{5, 8, 11, 11}, {-1, -1}},
      {"dragging, level with the anchor", {10, 10}, true, {10, 10}, RECT{10, 10, 11, 11}, {1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(loupe_crosshair(c.pointer, c.drag, c.anchor, c.selection), c.expected);
  }
}

TEST(SelectionEdgeBands, CoverTheFrameLineSixDipEitherSide) {
  const auto bands = selection_edge_bands({100, 100, 300, 200}, 96);
  EXPECT_EQ(bands[0], (RECT{93, 93, 306, 105}));
  EXPECT_EQ(bands[1], (RECT{93, 194, 306, 206}));
  EXPECT_EQ(bands[2], (RECT{93, 93, 105, 206}));
  EXPECT_EQ(bands[3], (RECT{294, 93, 306, 206}));
  // The inside of a large selection is never repainted by a change of it.
  RECT common{};
  const RECT middle{110, 110, 290, 190};
  for (const RECT& band : bands) EXPECT_FALSE(IntersectRect(&common, &band, &middle));
}

struct HitCase {
  POINT point;
  LRESULT code;
};

TEST(OverlayHitTest, GivesResizeCodesInTenDipBandsAndCaptionInside) {
  const RECT window{100, 100, 400, 300};
  const HitCase cases[] = {
      {{100, 100}, HTTOPLEFT},    {{109, 109}, HTTOPLEFT},     {{399, 100}, HTTOPRIGHT},
      {{390, 109}, HTTOPRIGHT},   {{100, 299}, HTBOTTOMLEFT},  {{399, 299}, HTBOTTOMRIGHT},
      {{390, 290}, HTBOTTOMRIGHT}, {{100, 200}, HTLEFT},       {{109, 200}, HTLEFT},
      {{110, 200}, HTCAPTION},    {{389, 200}, HTCAPTION},     {{390, 200}, HTRIGHT},
      {{250, 109}, HTTOP},        {{250, 110}, HTCAPTION},     {{250, 290}, HTBOTTOM},
      {{250, 289}, HTCAPTION},    {{250, 200}, HTCAPTION},
  };
  for (const HitCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.point));
    EXPECT_EQ(overlay_hit_test(false, true, c.point, window, 96), c.code);
  }
  EXPECT_EQ(HTTOPLEFT, 13);
  EXPECT_EQ(HTTOPRIGHT, 14);
  EXPECT_EQ(HTBOTTOMLEFT, 16);
  EXPECT_EQ(HTBOTTOMRIGHT, 17);
  EXPECT_EQ(HTLEFT, 10);
  EXPECT_EQ(HTRIGHT, 11);
  EXPECT_EQ(HTTOP, 12);
  EXPECT_EQ(HTBOTTOM, 15);
  EXPECT_EQ(HTCAPTION, 2);
}

TEST(OverlayHitTest, BandsScaleWithDpi) {
  const RECT window{100, 100, 400, 300};
  EXPECT_EQ(overlay_hit_test(false, true, {114, 200}, window, 144), HTLEFT);
  EXPECT_EQ(overlay_hit_test(false, true, {115, 200}, window, 144), HTCAPTION);
}

TEST(OverlayHitTest, IsClientWhileSelectingAndTransparentWhenClickThrough) {
  const RECT window{0, 0, 1920, 1080};
  EXPECT_EQ(overlay_hit_test(true, false, {0, 0}, window, 96), HTCLIENT);
  EXPECT_EQ(overlay_hit_test(true, true, {500, 500}, window, 96), HTCLIENT);
  EXPECT_EQ(overlay_hit_test(false, false, {0, 0}, window, 96), HTTRANSPARENT);
  EXPECT_EQ(overlay_hit_test(false, false, {500, 500}, window, 96), -1);
}

struct SizingCase {
  const char* name;
  WPARAM edge;
  RECT proposed;
  RECT expected;
};

TEST(ClampSizing, StopsAt64By64AndAtTheMonitorEdges) {
  const RECT monitor{0, 0, 1920, 1080};
  const SizingCase cases[] = {
      {"left below 64", WMSZ_LEFT, {350, 100, 400, 300}, {336, 100, 400, 300}},
      {"left past the edge", WMSZ_LEFT, {-50, 100, 400, 300}, {0, 100, 400, 300}},
      {"left within", WMSZ_LEFT, {50, 100, 400, 300}, {50, 100, 400, 300}},
      {"right past the edge", WMSZ_RIGHT, {100, 100, 2000, 300}, {100, 100, 1920, 300}},
      {"right below 64", WMSZ_RIGHT, {100, 100, 130, 300}, {100, 100, 164, 300}},
      {"top below 64", WMSZ_TOP, {100, 280, 400, 300}, {100, 236, 400, 300}},
      {"top past the edge", WMSZ_TOP, {100, -10, 400, 300}, {100, 0, 400, 300}},
      {"bottom past the edge", WMSZ_BOTTOM, {100, 100, 400, 1200}, {100, 100, 400, 1080}},
      {"bottom below 64", WMSZ_BOTTOM, {100, 100, 400, 120}, {100, 100, 400, 164}},
      {"top-left corner both ways", WMSZ_TOPLEFT, {-5, 290, 400, 300}, {0, 236, 400, 300}},
      {"bottom-right corner both ways", WMSZ_BOTTOMRIGHT, {100, 100, 2100, 110},
       {100, 100, 1920, 164}},
      {"top-right corner", WMSZ_TOPRIGHT, {100, -3, 120, 300}, {100, 0, 164, 300}},
      {"bottom-left corner", WMSZ_BOTTOMLEFT, {-9, 100, 400, 1081}, {0, 100, 400, 1080}},
      {"the top edge leaves the sides alone", WMSZ_TOP, {-5, 50, 2000, 300},
       {-5, 50, 2000, 300}},
  };
  for (const SizingCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(clamp_sizing(c.proposed, c.edge, monitor), c.expected);
  }
}

TEST(ClampSizing, UsesTheMonitorsOwnEdges) {
  const RECT second{1920, -200, 3200, 824};
  EXPECT_EQ(clamp_sizing({1900, -300, 2300, 300}, WMSZ_TOPLEFT, second),
            (RECT{1920, -200, 2300, 300}));
  EXPECT_EQ(clamp_sizing({2000, 0, 3300, 900}, WMSZ_BOTTOMRIGHT, second),
            (RECT{2000, 0, 3200, 824}));
}

TEST(ClampMoving, KeepsTheFrameInsideTheMonitorAtItsSize) {
  const RECT monitor{0, 0, 1920, 1080};
  EXPECT_EQ(clamp_moving({-20, 50, 280, 250}, monitor), (RECT{0, 50, 300, 250}));
  EXPECT_EQ(clamp_moving({1800, 1000, 2100, 1200}, monitor), (RECT{1620, 880, 1920, 1080}));
  EXPECT_EQ(clamp_moving({100, -70, 400, 130}, monitor), (RECT{100, 0, 400, 200}));
  EXPECT_EQ(clamp_moving({500, 500, 800, 700}, monitor), (RECT{500, 500, 800, 700}));
  // Wider than the monitor: left as proposed.
  EXPECT_EQ(clamp_moving({-100, 10, 1900, 300}, monitor), (RECT{-100, 10, 1900, 300}));
}

TEST(SelectionMode, NamesItsBannerText) {
  EXPECT_EQ(std::wstring(selection_banner_key(SelectionMode::current_size)),
            L"overlay.current_spec");
  EXPECT_EQ(std::wstring(selection_banner_key(SelectionMode::window)), L"overlay.window_region");
  EXPECT_EQ(std::wstring(selection_banner_key(SelectionMode::entire_screen)),
            L"overlay.entire_screen");
  EXPECT_EQ(std::wstring(selection_banner_key(SelectionMode::free_region)),
            L"overlay.free_region");
  EXPECT_EQ(static_cast<int>(SelectionMode::free_region), 3);
}

TEST(OverlayColors, FrameColourFollowsSizeAndInteraction) {
  EXPECT_EQ(selection_frame_color({0, 0, 64, 64}), RGB(0, 120, 215));
  EXPECT_EQ(selection_frame_color({0, 0, 63, 64}), RGB(210, 45, 45));
  EXPECT_EQ(selection_frame_color({0, 0, 64, 63}), RGB(210, 45, 45));
  EXPECT_EQ(capture_frame_color(true), RGB(0, 120, 215));
  EXPECT_EQ(capture_frame_color(false), RGB(0, 190, 255));
  EXPECT_EQ(kOverlayColorKey, 0x030201u);
  EXPECT_EQ(kOverlayAccent, 0xD77800u);
  EXPECT_EQ(kOverlayWarning, 0x2D2DD2u);
  EXPECT_EQ(kOverlayCyan, 0xFFBE00u);
}

}  // namespace
}  // namespace quorvel::windows
