// One frame of an editor-like scene (60 filled and stroked shapes, 8 gradients, 6 images,
// 40 short texts), recorded, tessellated and rasterised by the vector renderer through
// the Metal renderer into an offscreen framebuffer, against the same scene drawn by cairo
// into an image surface. Sizes: 1000 x 270 points at 1x and at 2x (2000 x 540 pixels).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "graphics/mac/MVGRenderer.h"
#include "vector/VGContext.h"

namespace {

using namespace fx::gfx;

constexpr const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr double kPi = 3.14159265358979323846;
constexpr int kW = 1000, kH = 270;

// A 64 x 64 RGBA sprite (straight alpha): a shaded disc.
std::vector<unsigned char> sprite(int seed) {
  std::vector<unsigned char> px(64 * 64 * 4);
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++) {
      const double dx = x - 31.5, dy = y - 31.5, r = std::sqrt(dx * dx + dy * dy);
      unsigned char* p = &px[(y * 64 + x) * 4];
      p[0] = (unsigned char)(80 + seed * 25 + x);
      p[1] = (unsigned char)(90 + y * 2);
      p[2] = (unsigned char)(160 - seed * 10);
      p[3] = r < 30 ? 255 : (r < 31 ? (unsigned char)(255 * (31 - r)) : 0);
    }
  return px;
}

struct Shape {
  float x, y, w, h;
};

// Positions shared by both back ends.
Shape knob(int i) { return {float(40 + (i % 10) * 95), float(60 + (i / 10) * 100), 56, 56}; }

const char* kLabels[] = {"Gain", "Drive", "Attack", "Release", "Ceiling", "Link", "Look Ahead", "Saturation",
                         "OS Mode", "Meter"};

void drawVector(VGcontext* vg, int font, const int* images) {
  // Background and header: two gradients.
  vgrBeginPath(vg);
  vgrRect(vg, 0, 0, kW, kH);
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, 0, 0, kH, vgrColorFromFloatsA(0.16f, 0.17f, 0.2f, 1),
                                         vgrColorFromFloatsA(0.08f, 0.08f, 0.1f, 1)));
  vgrFill(vg);
  vgrBeginPath(vg);
  vgrRoundedRect(vg, 8, 6, kW - 16, 34, 6);
  vgrSetFillPaint(vg, vgrBoxGradient(vg, 8, 6, kW - 16, 34, 6, 10, vgrColorFromFloatsA(0.3f, 0.3f, 0.35f, 1),
                                      vgrColorFromFloatsA(0.2f, 0.2f, 0.24f, 1)));
  vgrFill(vg);
  // 20 knobs: a filled and stroked ring and a stroked needle each (60 shapes); six
  // of them get a radial gradient face.
  for (int i = 0; i < 20; i++) {
    const Shape s = knob(i);
    const float cx = s.x + s.w / 2, cy = s.y + s.h / 2, r = s.w / 2;
    vgrBeginPath(vg);
    vgrCircle(vg, cx, cy, r);
    if (i < 6)
      vgrSetFillPaint(vg, vgrRadialGradient(vg, cx - 6, cy - 6, 2, r, vgrColorFromFloatsA(0.6f, 0.6f, 0.65f, 1),
                                             vgrColorFromFloatsA(0.2f, 0.2f, 0.22f, 1)));
    else
      vgrSetFillColor(vg, vgrColorFromFloatsA(0.25f, 0.26f, 0.3f, 1));
    vgrFill(vg);
    vgrSetStrokeWidth(vg, 2.5f);
    vgrSetStrokeColor(vg, vgrColorFromFloatsA(0.9f, 0.6f, 0.1f, 1));
    vgrStroke(vg);
    vgrBeginPath(vg);
    const float a = float(-kPi * 0.75 + i * 0.07);
    vgrArc(vg, cx, cy, r + 5, float(-kPi * 1.25), a, VG_CW);
    vgrStroke(vg);
    vgrBeginPath(vg);
    vgrMoveTo(vg, cx, cy);
    vgrLineTo(vg, cx + std::cos(a) * (r - 4), cy + std::sin(a) * (r - 4));
    vgrSetLineCap(vg, VG_CAP_ROUND);
    vgrSetStrokeColor(vg, vgrColorFromFloatsA(1, 1, 1, 0.9f));
    vgrStroke(vg);
  }
  // Six sprites.
  for (int i = 0; i < 6; i++) {
    const float x = 60.0f + i * 150, y = 228;
    vgrBeginPath(vg);
    vgrRect(vg, x, y - 32, 64, 64);
    vgrSetFillPaint(vg, vgrImagePattern(vg, x, y - 32, 64, 64, 0, images[i], 1));
    vgrFill(vg);
  }
  // 40 short texts.
  vgrSetFontFaceId(vg, font);
  vgrSetFillColor(vg, vgrColorFromFloatsA(0.9f, 0.9f, 0.92f, 1));
  vgrSetTextAlign(vg, VG_ALIGN_CENTER | VG_ALIGN_BASELINE);
  char buf[48];
  for (int i = 0; i < 40; i++) {
    const Shape s = knob(i % 20);
    vgrSetFontSize(vg, i < 20 ? 12.0f : 11.0f);
    if (i < 20)
      std::snprintf(buf, sizeof(buf), "%s", kLabels[i % 10]);
    else
      std::snprintf(buf, sizeof(buf), "%.1f dB", -12.0 + i * 0.7);
    vgrDrawText(vg, s.x + s.w / 2, i < 20 ? s.y - 6 : s.y + s.h + 14, buf, nullptr);
  }
}

void drawCairo(cairo_t* cr, cairo_surface_t* const* images) {
  cairo_pattern_t* bg = cairo_pattern_create_linear(0, 0, 0, kH);
  cairo_pattern_add_color_stop_rgba(bg, 0, 0.16, 0.17, 0.2, 1);
  cairo_pattern_add_color_stop_rgba(bg, 1, 0.08, 0.08, 0.1, 1);
  cairo_rectangle(cr, 0, 0, kW, kH);
  cairo_set_source(cr, bg);
  cairo_fill(cr);
  cairo_pattern_destroy(bg);
  // Header: a rounded rectangle with a vertical gradient.
  const double hx = 8, hy = 6, hw = kW - 16, hh = 34, hr = 6;
  cairo_new_sub_path(cr);
  cairo_arc(cr, hx + hw - hr, hy + hr, hr, -kPi / 2, 0);
  cairo_arc(cr, hx + hw - hr, hy + hh - hr, hr, 0, kPi / 2);
  cairo_arc(cr, hx + hr, hy + hh - hr, hr, kPi / 2, kPi);
  cairo_arc(cr, hx + hr, hy + hr, hr, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
  cairo_pattern_t* head = cairo_pattern_create_linear(0, hy, 0, hy + hh);
  cairo_pattern_add_color_stop_rgba(head, 0, 0.3, 0.3, 0.35, 1);
  cairo_pattern_add_color_stop_rgba(head, 1, 0.2, 0.2, 0.24, 1);
  cairo_set_source(cr, head);
  cairo_fill(cr);
  cairo_pattern_destroy(head);
  for (int i = 0; i < 20; i++) {
    const Shape s = knob(i);
    const double cx = s.x + s.w / 2, cy = s.y + s.h / 2, r = s.w / 2;
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_pattern_t* face = nullptr;
    if (i < 6) {
      face = cairo_pattern_create_radial(cx - 6, cy - 6, 2, cx - 6, cy - 6, r);
      cairo_pattern_add_color_stop_rgba(face, 0, 0.6, 0.6, 0.65, 1);
      cairo_pattern_add_color_stop_rgba(face, 1, 0.2, 0.2, 0.22, 1);
      cairo_set_source(cr, face);
    } else {
      cairo_set_source_rgba(cr, 0.25, 0.26, 0.3, 1);
    }
    cairo_fill_preserve(cr);
    if (face) cairo_pattern_destroy(face);
    cairo_set_line_width(cr, 2.5);
    cairo_set_source_rgba(cr, 0.9, 0.6, 0.1, 1);
    cairo_stroke(cr);
    const double a = -kPi * 0.75 + i * 0.07;
    cairo_arc(cr, cx, cy, r + 5, -kPi * 1.25, a);
    cairo_stroke(cr);
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx + std::cos(a) * (r - 4), cy + std::sin(a) * (r - 4));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  }
  for (int i = 0; i < 6; i++) {
    const double x = 60.0 + i * 150, y = 228;
    cairo_set_source_surface(cr, images[i], x, y - 32);
    cairo_rectangle(cr, x, y - 32, 64, 64);
    cairo_fill(cr);
  }
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_source_rgba(cr, 0.9, 0.9, 0.92, 1);
  char buf[48];
  for (int i = 0; i < 40; i++) {
    const Shape s = knob(i % 20);
    cairo_set_font_size(cr, i < 20 ? 12.0 : 11.0);
    if (i < 20)
      std::snprintf(buf, sizeof(buf), "%s", kLabels[i % 10]);
    else
      std::snprintf(buf, sizeof(buf), "%.1f dB", -12.0 + i * 0.7);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, buf, &ext);
    cairo_move_to(cr, s.x + s.w / 2 - ext.x_advance / 2, i < 20 ? s.y - 6 : s.y + s.h + 14);
    cairo_show_text(cr, buf);
  }
}

void BM_MetalRendererFrame(benchmark::State& state) {
  const float ratio = float(state.range(0));
  CAMetalLayer* layer = CAMetalLayer::layer();
  VGcontext* vg = mvgrCreateContext(layer, MVG_ANTIALIAS | MVG_TRIPLE_BUFFER);
  const int font = vgrCreateFontFromFile(vg, "sans", kFont);
  int images[6];
  for (int i = 0; i < 6; i++) {
    const std::vector<unsigned char> px = sprite(i);
    images[i] = mvgrCreateRGBAImage(vg, 64, 64, 0, px.data());
  }
  MVGframebuffer* fb = mvgrCreateFramebuffer(vg, int(kW * ratio), int(kH * ratio), 0);
  mvgrBindFramebuffer(fb);
  for (auto _ : state) {
    vgrBeginFrame(vg, kW, kH, ratio);
    mvgrClearWithColor(vg, vgrColorFromFloatsA(0, 0, 0, 1));
    drawVector(vg, font, images);
    vgrEndFrame(vg);
    benchmark::DoNotOptimize(mvgrTextureForImage(vg, fb->image));  // waits for the frame
  }
  state.SetLabel(std::to_string(int(kW * ratio)) + "x" + std::to_string(int(kH * ratio)));
  mvgrBindFramebuffer(nullptr);
  mvgrDeleteFramebuffer(fb);
  mvgrDeleteContext(vg);
  layer->release();
}
BENCHMARK(BM_MetalRendererFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_CairoFrame(benchmark::State& state) {
  const double ratio = double(state.range(0));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(kW * ratio), int(kH * ratio));
  cairo_surface_t* images[6];
  for (int i = 0; i < 6; i++) {
    images[i] = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 64);
    const std::vector<unsigned char> px = sprite(i);
    unsigned char* dst = cairo_image_surface_get_data(images[i]);
    const int stride = cairo_image_surface_get_stride(images[i]);
    for (int y = 0; y < 64; y++)
      for (int x = 0; x < 64; x++) {
        const unsigned char* s = &px[(y * 64 + x) * 4];
        uint32_t a = s[3], r = s[0] * a / 255, g = s[1] * a / 255, b = s[2] * a / 255;
        *reinterpret_cast<uint32_t*>(dst + y * stride + x * 4) = a << 24 | r << 16 | g << 8 | b;
      }
    cairo_surface_mark_dirty(images[i]);
  }
  for (auto _ : state) {
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, ratio, ratio);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_paint(cr);
    drawCairo(cr, images);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  state.SetLabel(std::to_string(int(kW * ratio)) + "x" + std::to_string(int(kH * ratio)));
  for (cairo_surface_t* s : images) cairo_surface_destroy(s);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
