// A frozen monitor image for the overlay's painting tests: a 32-bit top-down
// DIB section in a memory DC whose every pixel the test can compute -
// blue = x mod 251, green = y mod 241, red = (7x + 13y) mod 256 - so no
// neighbouring pixels are alike and none is all zero by accident.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/overlay/overlay_painting.h"
#include "tests/ui/views/graphics/paint_target.h"

namespace quorvel::windows::test {

class PatternedSnapshot {
 public:
  PatternedSnapshot(int width, int height);
  ~PatternedSnapshot();
  PatternedSnapshot(const PatternedSnapshot&) = delete;
  PatternedSnapshot& operator=(const PatternedSnapshot&) = delete;

  SnapshotPixels pixels() const { return {dc_, bits_, width_, height_}; }
  HDC dc() const { return dc_; }

  // The pattern's colour of pixel (x, y).
  static win32_ui::ui::graphics::test::Rgb expected(int x, int y);

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  uint8_t* bits_ = nullptr;
};

}  // namespace quorvel::windows::test
