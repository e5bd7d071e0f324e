// Image is the toolkit's decoded picture: 32-bit BGRA pixels with the colour
// premultiplied by alpha, rows top-down. The pixels live in an immutable
// Image::Data that copies of an Image share; it is freed with the last copy.
//
// Images come from encoded bytes in memory (the product's PNG resources),
// from an image file the user picked, from scaling or tinting another
// image, or from raw pixels. Decoding and scaling use the Windows Imaging Component, so the
// calling thread must have COM initialised. Images may be shared between
// threads; producers run on the calling thread.
//
// Every producer clears its output first, returns an HRESULT and fills the
// output only on success. Bad input gives E_INVALIDARG (or
// WINCODEC_ERR_IMAGESIZEOUTOFRANGE for a decoded size out of range) and an
// allocation that fails gives E_OUTOFMEMORY; no producer throws.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ui/views/graphics/color.h"

namespace win32_ui::ui::graphics {

class Image {
 public:
  struct Data {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t stride = 0;          // bytes per row, at least 4 x width
    std::vector<uint8_t> pixels;  // height x stride bytes
  };

  // Neither side may exceed this many pixels: larger pictures are refused
  // before anything of their size is allocated (a few bytes of PNG can
  // declare gigabytes of pixels), and nothing the toolkit draws needs more.
  static constexpr uint32_t kMaxSide = 16384;

  Image() = default;

  // Copies height x stride bytes of premultiplied BGRA pixels.
  static HRESULT from_pixels(uint32_t width, uint32_t height, uint32_t stride,
                             std::span<const uint8_t> bytes, Image& out);
  // Decodes the first frame of an encoded image held in memory (any format
  // the Imaging Component decodes).
  static HRESULT decode(std::span<const uint8_t> bytes, Image& out);
  // Decodes the first frame of an image file.
  static HRESULT decode_file(const std::wstring& path, Image& out);

  // This image scaled to exactly width x height; the same size shares the
  // pixels. `out` may be this image.
  HRESULT resized(uint32_t width, uint32_t height, Image& out) const;
  // This image's shape in one colour: each pixel keeps its alpha and takes
  // `color` (premultiplied by that alpha), so a picture can be drawn as
  // plain ink. Needs no COM. `out` may be this image.
  HRESULT tinted(Color color, Image& out) const;

  bool valid() const { return data_ && !data_->pixels.empty(); }
  uint32_t width() const { return data_ ? data_->width : 0; }
  uint32_t height() const { return data_ ? data_->height : 0; }
  uint32_t stride() const { return data_ ? data_->stride : 0; }
  std::span<const uint8_t> pixels() const {
    return data_ ? std::span<const uint8_t>(data_->pixels) : std::span<const uint8_t>();
  }
  // The shared pixels, for caches that must keep them alive while they hold
  // a device copy.
  const std::shared_ptr<const Data>& data() const { return data_; }

 private:
  // Validates the geometry and takes the buffer without copying it.
  static HRESULT adopt(uint32_t width, uint32_t height, uint32_t stride,
                       std::vector<uint8_t>&& pixels, Image& out);

  std::shared_ptr<const Data> data_;
};

}  // namespace win32_ui::ui::graphics
