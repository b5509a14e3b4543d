// PNG and PDF canvases (cairo), and text measurement for every canvas.
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <numbers>
#include <string>

#include "messages.hpp"
#include "mexhost/graphics_canvas.hpp"

namespace mh::gfx {

std::unique_ptr<Canvas> makeSvgCanvas(int width, int height, const std::filesystem::path& file);

namespace {

constexpr const char* kFontFamily = "DejaVu Sans";
// PDF pages are in points: 72 per inch against the figure's 96 pixels per inch.
constexpr double kPdfPointsPerPixel = 72.0 / 96.0;

void selectFont(cairo_t* cr, const Font& font) {
  cairo_select_font_face(cr, kFontFamily, CAIRO_FONT_SLANT_NORMAL,
                         font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, font.size);
}

// A 1x1 image context used only to measure text. It lives until the process
// ends; every canvas makes sure it exists first, so that it is destroyed last.
class Measurer {
 public:
  Measurer()
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1)),
        cr_(cairo_create(surface_)) {}
  ~Measurer() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
    // The process is ending and nothing draws any more: hand back the font
    // caches of cairo and fontconfig, so that leak checkers see a clean exit.
    cairo_debug_reset_static_data();
    FcFini();
  }
  Measurer(const Measurer&) = delete;
  Measurer& operator=(const Measurer&) = delete;
  cairo_t* context() { return cr_; }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

cairo_t* measuringContext() {
  static Measurer measurer;
  return measurer.context();
}

double advance(cairo_t* cr, const std::string& text) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

class CairoCanvas final : public Canvas {
 public:
  CairoCanvas(CanvasKind kind, int width, int height, std::filesystem::path file)
      : kind_(kind), file_(std::move(file)) {
    measuringContext();
    if (kind == CanvasKind::Png) {
      surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    } else {
      surface_ = cairo_pdf_surface_create(file_.c_str(), width * kPdfPointsPerPixel,
                                          height * kPdfPointsPerPixel);
    }
    cr_ = cairo_create(surface_);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS ||
        cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
      const std::string why = cairo_status_to_string(cairo_surface_status(surface_));
      release();
      msg::writeFailed(file_.string(), why);
    }
    if (kind == CanvasKind::Pdf) cairo_scale(cr_, kPdfPointsPerPixel, kPdfPointsPerPixel);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  }
  ~CairoCanvas() override { release(); }
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  void path(const std::vector<Point>& points, bool closed, const std::optional<Rgb>& fill,
            const std::optional<Stroke>& stroke) override {
    if (points.empty()) return;
    cairo_new_path(cr_);
    cairo_move_to(cr_, points[0].x, points[0].y);
    for (std::size_t k = 1; k < points.size(); ++k) cairo_line_to(cr_, points[k].x, points[k].y);
    if (closed) cairo_close_path(cr_);
    paint(fill, stroke);
  }

  void rectangle(const Rect& r, const std::optional<Rgb>& fill,
                 const std::optional<Stroke>& stroke) override {
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.x, r.y, r.w, r.h);
    paint(fill, stroke);
  }

  void text(Point at, std::string_view utf8, const Font& font, Rgb color, HAlign align,
            double rotation) override {
    const std::string text(utf8);
    cairo_save(cr_);
    selectFont(cr_, font);
    const double width = advance(cr_, text);
    const double shift = align == HAlign::Left ? 0 : align == HAlign::Center ? width / 2 : width;
    cairo_translate(cr_, at.x, at.y);
    cairo_rotate(cr_, -rotation * std::numbers::pi / 180.0);
    cairo_set_source_rgb(cr_, color.r, color.g, color.b);
    cairo_move_to(cr_, -shift, 0);
    cairo_show_text(cr_, text.c_str());
    cairo_new_path(cr_);
    cairo_restore(cr_);
  }

  void pushClip(const Rect& r) override {
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.x, r.y, r.w, r.h);
    cairo_clip(cr_);
  }

  void popClip() override { cairo_restore(cr_); }

  void finish() override {
    cairo_status_t status = cairo_status(cr_);
    if (status == CAIRO_STATUS_SUCCESS) {
      if (kind_ == CanvasKind::Png) {
        cairo_surface_flush(surface_);
        status = cairo_surface_write_to_png(surface_, file_.c_str());
      } else {
        cairo_surface_finish(surface_);
        status = cairo_surface_status(surface_);
      }
    }
    release();
    if (status != CAIRO_STATUS_SUCCESS)
      msg::writeFailed(file_.string(), cairo_status_to_string(status));
  }

 private:
  void paint(const std::optional<Rgb>& fill, const std::optional<Stroke>& stroke) {
    if (fill) {
      cairo_set_source_rgb(cr_, fill->r, fill->g, fill->b);
      if (stroke) {
        cairo_fill_preserve(cr_);
      } else {
        cairo_fill(cr_);
      }
    }
    if (stroke) {
      cairo_set_source_rgb(cr_, stroke->color.r, stroke->color.g, stroke->color.b);
      cairo_set_line_width(cr_, stroke->width);
      cairo_set_dash(cr_, stroke->dashes.empty() ? nullptr : stroke->dashes.data(),
                     static_cast<int>(stroke->dashes.size()), 0);
      cairo_stroke(cr_);
    }
    cairo_new_path(cr_);
  }

  void release() {
    if (cr_ != nullptr) cairo_destroy(cr_);
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
    cr_ = nullptr;
    surface_ = nullptr;
  }

  CanvasKind kind_;
  std::filesystem::path file_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

}  // namespace

double textWidth(std::string_view utf8, const Font& font) {
  cairo_t* cr = measuringContext();
  selectFont(cr, font);
  return advance(cr, std::string(utf8));
}

FontMetrics fontMetrics(const Font& font) {
  cairo_t* cr = measuringContext();
  selectFont(cr, font);
  cairo_font_extents_t extents;
  cairo_font_extents(cr, &extents);
  return {extents.ascent, extents.descent};
}

std::unique_ptr<Canvas> makeCanvas(CanvasKind kind, int width, int height,
                                   const std::filesystem::path& file) {
  if (width < 1 || height < 1 || width > 10000 || height > 10000) {
    msg::writeFailed(file.string(), "the figure size must be 1 to 10000 pixels each way");
  }
  if (kind == CanvasKind::Svg) return makeSvgCanvas(width, height, file);
  return std::make_unique<CairoCanvas>(kind, width, height, file);
}

}  // namespace mh::gfx
