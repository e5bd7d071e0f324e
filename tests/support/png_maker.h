// Builds PNG files for the image tests with the Imaging Component's own
// encoder, so every picture a test decodes is made from pixels it knows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace win32_ui::ui::graphics::test {

// A straight (not premultiplied) BGRA pixel.
struct Bgra {
  uint8_t b, g, r, a;
};

// Encodes width x height pixels, rows top-down, as a 32-bit BGRA PNG. The
// calling thread must have COM initialised; failures fail the current test.
std::vector<uint8_t> encode_png(uint32_t width, uint32_t height, const std::vector<Bgra>& pixels);

// Rewrites the size in the IHDR chunk of a PNG and its CRC, leaving the
// image data as it was: a few bytes that declare a much larger picture.
void set_declared_size(std::vector<uint8_t>& png, uint32_t width, uint32_t height);

}  // namespace win32_ui::ui::graphics::test
