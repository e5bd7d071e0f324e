#include "bench/endurance/platform_costs.h"

#include <windows.h>
#include <d2d1.h>
#include <dwrite.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/endurance/heap_census.h"
#include "bench/endurance/process_figures.h"
#include "engine/shader_sources.h"
#include "tests/engine/gpu_test_support.h"

namespace quorvel::bench {
namespace {

using Microsoft::WRL::ComPtr;

constexpr int kSide = 64;
constexpr int kWarmUpPaints = 100;
constexpr int kWarmUpCalls = 5;
constexpr int kPaintsPerCall = 20;

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

struct Kind {
  const char* name;
  const char* unit;
  // One unit of work; false when it failed.
  std::function<bool()> run;
};

// Runs `kind` `warm_up` times, then `count` times between two readings of
// the process, and prints what stayed per unit.
bool run_times(const Kind& kind, int times) {
  for (int i = 0; i < times; ++i) {
    if (!kind.run()) {
      std::fprintf(stderr, "endurance: a %s failed\n", kind.name);
      return false;
    }
  }
  return true;
}

bool measure(const Kind& kind, int warm_up, int count) {
  if (!run_times(kind, warm_up)) return false;
  const ProcessFigures before = read_process_figures();
  const std::size_t resources_before = heap_census::gpu_resources_made();
  if (!run_times(kind, count)) return false;
  const ProcessFigures after = read_process_figures();
  const std::size_t resources = heap_census::gpu_resources_made() - resources_before;
  std::printf("%s_heap_bytes_per_%s %.1f bytes\n", kind.name, kind.unit,
              (double(after.heap_busy_bytes) - double(before.heap_busy_bytes)) / count);
  std::printf("%s_private_bytes_per_%s %.1f bytes\n", kind.name, kind.unit,
              (double(after.private_bytes) - double(before.private_bytes)) / count);
  if (heap_census::recording()) {
    std::printf("%s_gpu_resources_per_%s %.2f resources\n", kind.name, kind.unit,
                double(resources) / count);
  }
  return true;
}

bool compile_snapshot_shader() {
  const windows::EmbeddedShader& shader = windows::snapshot_shader();
  for (const windows::ShaderEntryPoint& stage : windows::kVertexPixelEntryPoints) {
    ComPtr<ID3DBlob> code;
    if (FAILED(windows::compile_embedded_shader(shader, stage.entry, stage.target, &code))) {
      return false;
    }
  }
  return true;
}

bool make_and_release_device() {
  ComPtr<ID3D11Device> device;
  ComPtr<ID3D11DeviceContext> context;
  return windows::test::make_device(device, context);
}

}  // namespace

bool run_platform_costs(int count) {
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
  // One paint of `draw`, as the toolkit paints a window: the render target
  // is bound to the paint's device context each time.
  auto paint = [&](std::function<void()> draw) {
    return [&target, &dc, &area, draw] {
      if (FAILED(target->BindDC(dc.get(), &area))) return false;
      target->BeginDraw();
      draw();
      return SUCCEEDED(target->EndDraw());
    };
  };
  const Kind paints[] = {
      {"direct2d_bitmap", "paint", paint([&] { target->DrawBitmap(bitmap.Get(), box); })},
      {"direct2d_round_rect", "paint",
       paint([&] {
         target->FillRoundedRectangle(D2D1::RoundedRect(box, 4, 4), brush.Get());
         target->DrawRoundedRectangle(D2D1::RoundedRect(box, 4, 4), brush.Get(), 1.0f);
       })},
      {"direct2d_text", "paint",
       paint([&] {
         target->DrawText(text, UINT32(std::size(text) - 1), format.Get(), box, brush.Get());
       })},
  };
  for (const Kind& kind : paints) {
    if (!measure(kind, kWarmUpPaints, count)) return false;
  }
  const int calls = std::max(10, count / kPaintsPerCall);
  return measure({"shader", "compile", compile_snapshot_shader}, kWarmUpCalls, calls) &&
         measure({"direct3d_device", "device", make_and_release_device}, kWarmUpCalls, calls);
}

}  // namespace quorvel::bench
