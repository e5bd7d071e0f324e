#include "bench/endurance/direct2d_draws.h"

#include <windows.h>
#include <d2d1.h>
#include <dwrite.h>
#include <wrl/client.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "bench/endurance/heap_census.h"
#include "bench/endurance/process_figures.h"

namespace quorvel::bench {
namespace {

using Microsoft::WRL::ComPtr;

constexpr int kSide = 64;
constexpr int kWarmUpDraws = 100;

// A memory device context with a 32-bit DIB selected, for the render target.
class MemoryDc {
 public:
  MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kSide;
    info.bmiHeader.biHeight = -kSide;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc_ != nullptr && bitmap_ != nullptr) previous_ = SelectObject(dc_, bitmap_);
  }
  ~MemoryDc() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC get() const { return previous_ != nullptr ? dc_ : nullptr; }

 private:
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace

bool run_direct2d_draws(int count) {
  ComPtr<ID2D1Factory> factory;
  ComPtr<IDWriteFactory> text_factory;
  if (FAILED(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, factory.GetAddressOf())) ||
      FAILED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                 reinterpret_cast<IUnknown**>(text_factory.GetAddressOf())))) {
    std::fprintf(stderr, "endurance: no Direct2D or DirectWrite factory\n");
    return false;
  }
  const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
      D2D1_RENDER_TARGET_TYPE_DEFAULT,
      D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED));
  ComPtr<ID2D1DCRenderTarget> target;
  MemoryDc dc;
  const RECT area{0, 0, kSide, kSide};
  ComPtr<ID2D1SolidColorBrush> brush;
  ComPtr<ID2D1Bitmap> bitmap;
  ComPtr<IDWriteTextFormat> format;
  const std::vector<uint32_t> pixels(size_t(kSide) * kSide, 0xFF336699);
  const D2D1_BITMAP_PROPERTIES bitmap_properties = {
      {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, 96.0f, 96.0f};
  if (dc.get() == nullptr || FAILED(factory->CreateDCRenderTarget(&properties, &target)) ||
      FAILED(target->BindDC(dc.get(), &area)) ||
      FAILED(target->CreateSolidColorBrush(D2D1::ColorF(0.2f, 0.4f, 0.6f), &brush)) ||
      FAILED(target->CreateBitmap(D2D1::SizeU(kSide, kSide), pixels.data(), kSide * 4,
                                  &bitmap_properties, &bitmap)) ||
      FAILED(text_factory->CreateTextFormat(L"Segoe UI", nullptr, DWRITE_FONT_WEIGHT_NORMAL,
                                            DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL,
                                            12.0f, L"en-US", &format))) {
    std::fprintf(stderr, "endurance: no Direct2D render target\n");
    return false;
  }
  const D2D1_RECT_F box = D2D1::RectF(4, 4, kSide - 4.0f, kSide - 4.0f);
  const wchar_t text[] = L"00:00:03";
  struct Kind {
    const char* name;
    std::function<void()> draw;
  };
  const Kind kinds[] = {
      {"bitmap", [&] { target->DrawBitmap(bitmap.Get(), box); }},
      {"round_rect",
       [&] {
         target->FillRoundedRectangle(D2D1::RoundedRect(box, 4, 4), brush.Get());
         target->DrawRoundedRectangle(D2D1::RoundedRect(box, 4, 4), brush.Get(), 1.0f);
       }},
      {"text",
       [&] {
         target->DrawText(text, UINT32(std::size(text) - 1), format.Get(), box, brush.Get());
       }},
  };
  auto paint = [&](const Kind& kind, int draws) {
    for (int i = 0; i < draws; ++i) {
      target->BeginDraw();
      kind.draw();
      if (FAILED(target->EndDraw())) return false;
    }
    return true;
  };
  for (const Kind& kind : kinds) {
    if (!paint(kind, kWarmUpDraws)) {
      std::fprintf(stderr, "endurance: a %s draw failed\n", kind.name);
      return false;
    }
    const ProcessFigures before = read_process_figures();
    const std::size_t resources_before = heap_census::gpu_resources_made();
    if (!paint(kind, count)) {
      std::fprintf(stderr, "endurance: a %s draw failed\n", kind.name);
      return false;
    }
    const ProcessFigures after = read_process_figures();
    const std::size_t resources = heap_census::gpu_resources_made() - resources_before;
    std::printf("direct2d_%s_heap_bytes_per_draw %.1f bytes\n", kind.name,
                (double(after.heap_busy_bytes) - double(before.heap_busy_bytes)) / count);
    std::printf("direct2d_%s_private_bytes_per_draw %.1f bytes\n", kind.name,
                (double(after.private_bytes) - double(before.private_bytes)) / count);
    if (heap_census::recording()) {
      std::printf("direct2d_%s_gpu_resources_per_draw %.2f resources\n", kind.name,
                  double(resources) / count);
    }
  }
  return true;
}

}  // namespace quorvel::bench
