#include "ui/views/graphics/direct2d_session.h"

#include <dwrite.h>

#include <utility>

#include "ui/views/graphics/clamp_opacity.h"
#include "ui/views/graphics/direct2d_factories.h"
#include "ui/views/graphics/graphics_errors.h"
#include "ui/views/graphics/thread_direct2d_state.h"
#include "ui/views/graphics/thread_text_layout.h"

namespace win32_ui::modern::detail {
namespace {

using Microsoft::WRL::ComPtr;
using ui::graphics::Path;
using ui::graphics::PathCommand;
using ui::graphics::Point;
using ui::graphics::Rect;
using ui::graphics::Transform;

constexpr std::uint64_t kMaxTextUnits = 0xFFFFFFFFull;

D2D1_COLOR_F color_of(std::uint32_t packed, float alpha) {
  return {static_cast<float>(packed & 0xFF) / 255.0f,
          static_cast<float>((packed >> 8) & 0xFF) / 255.0f,
          static_cast<float>((packed >> 16) & 0xFF) / 255.0f, alpha};
}

D2D1_RECT_F rect_of(const Rect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }
D2D1_POINT_2F point_of(Point p) { return {p.x, p.y}; }

D2D1_MATRIX_3X2_F matrix_of(const Transform& t) {
  D2D1_MATRIX_3X2_F matrix;
  matrix._11 = t.m11;
  matrix._12 = t.m12;
  matrix._21 = t.m21;
  matrix._22 = t.m22;
  matrix._31 = t.dx;
  matrix._32 = t.dy;
  return matrix;
}

D2D1_ELLIPSE ellipse_of(const Rect& rect) {
  const float rx = (rect.right - rect.left) / 2.0f;
  const float ry = (rect.bottom - rect.top) / 2.0f;
  return {{rect.left + rx, rect.top + ry}, rx, ry};
}

// A path geometry of the path's figures: filled or hollow figures, with the
// non-zero or the alternate fill rule. Commands before the first move are
// ignored; a figure still open at the end stays open.
HRESULT build_geometry(const Path& path, bool filled, bool winding,
                       ComPtr<ID2D1PathGeometry>& out) {
  ID2D1Factory* factory = d2d_factory();
  if (!factory) return E_FAIL;
  ComPtr<ID2D1PathGeometry> geometry;
  HRESULT hr = factory->CreatePathGeometry(&geometry);
  if (FAILED(hr)) return hr;
  ComPtr<ID2D1GeometrySink> sink;
  hr = geometry->Open(&sink);
  if (FAILED(hr)) return hr;
  sink->SetFillMode(winding ? D2D1_FILL_MODE_WINDING : D2D1_FILL_MODE_ALTERNATE);
  const D2D1_FIGURE_BEGIN begin = filled ? D2D1_FIGURE_BEGIN_FILLED : D2D1_FIGURE_BEGIN_HOLLOW;
  bool open = false;
  for (const PathCommand& command : path) {
    switch (command.kind) {
      case PathCommand::kMoveTo:
        if (open) sink->EndFigure(D2D1_FIGURE_END_OPEN);
        sink->BeginFigure(point_of(command.p1), begin);
        open = true;
        break;
      case PathCommand::kLineTo:
        if (open) sink->AddLine(point_of(command.p1));
        break;
      case PathCommand::kCubicTo:
        if (open) {
          const D2D1_BEZIER_SEGMENT bezier = {point_of(command.p1), point_of(command.p2),
                                              point_of(command.p3)};
          sink->AddBezier(&bezier);
        }
        break;
      case PathCommand::kClose:
        if (open) sink->EndFigure(D2D1_FIGURE_END_CLOSED);
        open = false;
        break;
      default:
        break;
    }
  }
  if (open) sink->EndFigure(D2D1_FIGURE_END_OPEN);
  hr = sink->Close();
  if (FAILED(hr)) return hr;
  out = std::move(geometry);
  return S_OK;
}

}  // namespace

Direct2dSession::Direct2dSession(HDC dc, const RECT& bounds) { begin(dc, bounds); }

Direct2dSession::~Direct2dSession() { end_draw(); }

bool Direct2dSession::begin(HDC dc, const RECT& bounds) {
  if (!dc || bounds.right <= bounds.left || bounds.bottom <= bounds.top) return false;
  ThreadRenderTarget& thread = thread_direct2d_state().render_target;
  if (thread.in_use) return false;
  if (!thread.target) {
    ID2D1Factory* factory = d2d_factory();
    if (!factory) return false;
    const D2D1_RENDER_TARGET_PROPERTIES properties = {
        D2D1_RENDER_TARGET_TYPE_DEFAULT,
        {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE},
        96.0f,
        96.0f,
        D2D1_RENDER_TARGET_USAGE_NONE,
        D2D1_FEATURE_LEVEL_DEFAULT};
    if (FAILED(factory->CreateDCRenderTarget(&properties, &thread.target))) return false;
    ++thread.generation;
  }
  const HRESULT bound = thread.target->BindDC(dc, &bounds);
  if (FAILED(bound)) {
    if (bound == kErrorRecreateTarget) thread.drop();
    return false;
  }

  thread.in_use = true;
  ID2D1DCRenderTarget* target = thread.target.Get();
  target->SetTransform(matrix_of(Transform::identity()));
  target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  target->BeginDraw();
  const HRESULT brush = target->CreateSolidColorBrush(color_of(0, 1.0f), &brush_);
  if (FAILED(brush)) {
    const HRESULT ended = target->EndDraw();
    thread.in_use = false;
    if (brush == kErrorRecreateTarget || ended == kErrorRecreateTarget) thread.drop();
    return false;
  }
  target_ = target;
  active_ = true;
  ok_ = true;
  return true;
}

bool Direct2dSession::end_draw() {
  if (!active_) return ok_;
  active_ = false;
  brush_.Reset();
  while (!layers_.empty()) {
    target_->PopLayer();
    layers_.pop_back();
  }
  for (; clip_depth_ > 0; --clip_depth_) target_->PopAxisAlignedClip();
  saved_.clear();
  const HRESULT ended = target_->EndDraw();
  ThreadRenderTarget& thread = thread_direct2d_state().render_target;
  thread.in_use = false;
  // The target is the thread's: once dropped the borrowed pointer is gone.
  target_ = nullptr;
  if (ended == kErrorRecreateTarget || recreate_) thread.drop();
  ok_ = ok_ && SUCCEEDED(ended);
  return ok_;
}

void Direct2dSession::note_failure(HRESULT hr) {
  ok_ = false;
  if (hr == kErrorRecreateTarget) recreate_ = true;
}

bool Direct2dSession::use_color(std::uint32_t color) {
  if (!is_active()) return false;
  brush_->SetColor(color_of(color, clamp_opacity(opacity_)));
  return true;
}

void Direct2dSession::clear(std::uint32_t color) {
  if (is_active()) target_->Clear(color_of(color, 1.0f));
}

void Direct2dSession::fill_rect(const Rect& rect, std::uint32_t color) {
  if (use_color(color)) target_->FillRectangle(rect_of(rect), brush_.Get());
}

void Direct2dSession::fill_round_rect(const Rect& rect, float radius, std::uint32_t color) {
  if (use_color(color)) {
    target_->FillRoundedRectangle(D2D1_ROUNDED_RECT{rect_of(rect), radius, radius}, brush_.Get());
  }
}

void Direct2dSession::stroke_round_rect(const Rect& rect, float radius, std::uint32_t color,
                                        float width) {
  if (use_color(color)) {
    target_->DrawRoundedRectangle(D2D1_ROUNDED_RECT{rect_of(rect), radius, radius}, brush_.Get(),
                                  width, nullptr);
  }
}

void Direct2dSession::fill_ellipse(const Rect& rect, std::uint32_t color) {
  if (use_color(color)) target_->FillEllipse(ellipse_of(rect), brush_.Get());
}

void Direct2dSession::stroke_ellipse(const Rect& rect, std::uint32_t color, float width) {
  if (use_color(color)) target_->DrawEllipse(ellipse_of(rect), brush_.Get(), width, nullptr);
}

void Direct2dSession::draw_line(Point from, Point to, std::uint32_t color, float width) {
  if (use_color(color)) {
    target_->DrawLine(point_of(from), point_of(to), brush_.Get(), width, nullptr);
  }
}

void Direct2dSession::draw_polyline(std::span<const Point> points, std::uint32_t color,
                                    float width) {
  if (points.size() < 2) return;
  Path path;
  path.reserve(points.size());
  path.push_back({PathCommand::kMoveTo, points.front(), {}, {}});
  for (const Point& point : points.subspan(1)) path.push_back({PathCommand::kLineTo, point, {}, {}});
  draw_geometry(path, color, false, true, width);
}

void Direct2dSession::fill_triangle(Point a, Point b, Point c, std::uint32_t color) {
  const Path path = {{PathCommand::kMoveTo, a, {}, {}},
                     {PathCommand::kLineTo, b, {}, {}},
                     {PathCommand::kLineTo, c, {}, {}},
                     {PathCommand::kClose, {}, {}, {}}};
  draw_geometry(path, color, true, false, 0.0f);
}

void Direct2dSession::fill_path(const Path& path, std::uint32_t color, bool winding) {
  draw_geometry(path, color, true, winding, 0.0f);
}

void Direct2dSession::stroke_path(const Path& path, std::uint32_t color, float width) {
  draw_geometry(path, color, false, true, width);
}

void Direct2dSession::draw_geometry(const Path& path, std::uint32_t color, bool fill,
                                    bool winding, float width) {
  if (!is_active() || path.empty()) return;
  ComPtr<ID2D1PathGeometry> geometry;
  const HRESULT hr = build_geometry(path, fill, winding, geometry);
  if (FAILED(hr)) {
    note_failure(hr);
    return;
  }
  use_color(color);
  if (fill) {
    target_->FillGeometry(geometry.Get(), brush_.Get(), nullptr);
  } else {
    target_->DrawGeometry(geometry.Get(), brush_.Get(), width, nullptr);
  }
}

void Direct2dSession::draw_text(std::wstring_view text, const Rect& rect,
                                const SessionTextStyle& style) {
  IDWriteFactory* factory = dwrite_factory();
  if (!is_active() || !factory || text.empty()) return;
  if (text.size() > kMaxTextUnits) {
    ok_ = false;
    return;
  }
  if (!(rect.width() > 0.0f) || !(rect.height() > 0.0f)) return;

  TextParagraph paragraph;
  paragraph.font = style.font;
  paragraph.text_alignment = style.h_align == 1   ? DWRITE_TEXT_ALIGNMENT_CENTER
                             : style.h_align == 2 ? DWRITE_TEXT_ALIGNMENT_TRAILING
                                                  : DWRITE_TEXT_ALIGNMENT_LEADING;
  paragraph.paragraph_alignment = style.v_align == 0   ? DWRITE_PARAGRAPH_ALIGNMENT_NEAR
                                  : style.v_align == 2 ? DWRITE_PARAGRAPH_ALIGNMENT_FAR
                                                       : DWRITE_PARAGRAPH_ALIGNMENT_CENTER;
  paragraph.reading_direction = style.right_to_left ? DWRITE_READING_DIRECTION_RIGHT_TO_LEFT
                                                    : DWRITE_READING_DIRECTION_LEFT_TO_RIGHT;
  paragraph.word_wrapping =
      style.single_line ? DWRITE_WORD_WRAPPING_NO_WRAP : DWRITE_WORD_WRAPPING_WRAP;
  paragraph.ellipsis = style.end_ellipsis;

  ComPtr<IDWriteTextLayout> layout;
  const HRESULT hr =
      thread_text_layout(factory, paragraph, text, rect.width(), rect.height(), layout);
  if (FAILED(hr)) {
    note_failure(hr);
    return;
  }
  use_color(style.color);
  target_->DrawTextLayout({rect.left, rect.top}, layout.Get(), brush_.Get(),
                          D2D1_DRAW_TEXT_OPTIONS_CLIP);
}

void Direct2dSession::draw_image(const ui::graphics::Image& image, const Rect& rect,
                                 float opacity, bool smooth) {
  if (!is_active() || !image.valid() || rect.empty()) return;
  ThreadDirect2dState& state = thread_direct2d_state();
  ComPtr<ID2D1Bitmap> bitmap;
  const HRESULT hr = state.render_target.bitmaps.bitmap_for(
      image, target_, state.render_target.generation, state.uses, bitmap);
  if (FAILED(hr)) {
    note_failure(hr);
    return;
  }
  const D2D1_RECT_F destination = rect_of(rect);
  target_->DrawBitmap(bitmap.Get(), &destination, clamp_opacity(opacity * opacity_),
                      smooth ? D2D1_BITMAP_INTERPOLATION_MODE_LINEAR
                             : D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                      nullptr);
}

void Direct2dSession::push_clip(const Rect& rect) {
  if (!is_active()) return;
  target_->PushAxisAlignedClip(rect_of(rect), D2D1_ANTIALIAS_MODE_ALIASED);
  ++clip_depth_;
}

bool Direct2dSession::push_layer(const Rect& bounds, float opacity) {
  if (!is_active()) return false;
  ComPtr<ID2D1Layer> layer;
  const HRESULT hr = target_->CreateLayer(nullptr, &layer);
  if (FAILED(hr)) {
    note_failure(hr);
    return false;
  }
  const D2D1_LAYER_PARAMETERS parameters = {rect_of(bounds),
                                            nullptr,
                                            D2D1_ANTIALIAS_MODE_PER_PRIMITIVE,
                                            matrix_of(Transform::identity()),
                                            clamp_opacity(opacity),
                                            nullptr,
                                            D2D1_LAYER_OPTIONS_NONE};
  layers_.push_back(layer);
  target_->PushLayer(&parameters, layer.Get());
  return true;
}

void Direct2dSession::pop_layer() {
  if (!is_active() || layers_.empty()) return;
  target_->PopLayer();
  layers_.pop_back();
}

void Direct2dSession::save() {
  saved_.push_back({transform_, opacity_, clip_depth_, layers_.size()});
}

void Direct2dSession::restore() {
  if (saved_.empty()) return;
  const SavedState state = saved_.back();
  saved_.pop_back();
  if (!is_active()) return;
  while (layers_.size() > state.layer_count) {
    target_->PopLayer();
    layers_.pop_back();
  }
  while (clip_depth_ > state.clip_depth) {
    target_->PopAxisAlignedClip();
    --clip_depth_;
  }
  target_->SetTransform(matrix_of(state.transform));
  transform_ = state.transform;
  opacity_ = state.opacity;
}

void Direct2dSession::set_transform(const Transform& transform) {
  transform_ = transform;
  if (is_active()) target_->SetTransform(matrix_of(transform));
}

void Direct2dSession::set_opacity(float opacity) { opacity_ = clamp_opacity(opacity); }

}  // namespace win32_ui::modern::detail
