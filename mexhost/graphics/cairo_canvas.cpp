// PNG and PDF canvases (cairo), the PNG writer, and text measurement for every
// canvas.
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

#include "messages.hpp"
#include "mexhost/graphics_canvas.hpp"

namespace mh::gfx {

std::unique_ptr<Canvas> makeSvgCanvas(int width, int height, const std::filesystem::path& file);

namespace {

constexpr const char* kFontFamily = "DejaVu Sans";
// PDF pages are in points: 72 per inch against the figure's 96 pixels per inch.
constexpr double kPdfPointsPerPixel = 72.0 / 96.0;

// The two font faces every text is drawn with, made once. A face selected by
// name is looked up again (fontconfig) whenever the previous one was let go, that
// is on nearly every text; holding these keeps the look-up done. The same faces
// as selecting by name, so the same glyphs. They live until the process ends and
// then hand back the font caches of cairo and fontconfig, so that leak checkers
// see a clean exit: every canvas and measuring context makes sure they exist
// first, so that they are destroyed last.
class FontFaces {
 public:
  FontFaces()
      : normal_(cairo_toy_font_face_create(kFontFamily, CAIRO_FONT_SLANT_NORMAL,
                                           CAIRO_FONT_WEIGHT_NORMAL)),
        bold_(cairo_toy_font_face_create(kFontFamily, CAIRO_FONT_SLANT_NORMAL,
                                         CAIRO_FONT_WEIGHT_BOLD)) {}
  ~FontFaces() {
    cairo_font_face_destroy(normal_);
    cairo_font_face_destroy(bold_);
    // The process is ending and nothing draws any more.
    cairo_debug_reset_static_data();
    FcFini();
  }
  FontFaces(const FontFaces&) = delete;
  FontFaces& operator=(const FontFaces&) = delete;
  cairo_font_face_t* face(bool bold) const { return bold ? bold_ : normal_; }

 private:
  cairo_font_face_t* normal_;
  cairo_font_face_t* bold_;
};

const FontFaces& fontFaces() {
  static const FontFaces faces;
  return faces;
}

// Held by whatever may reach the font machinery below cairo (FreeType's faces
// and glyph slots, shared by every context): measuring and drawing text, and
// finishing a PDF, which embeds the glyphs it used. Figures are written on
// several threads at once; everything else they draw runs side by side.
std::mutex& fontLock() {
  static std::mutex lock;
  return lock;
}

void selectFont(cairo_t* cr, const Font& font) {
  cairo_set_font_face(cr, fontFaces().face(font.bold));
  cairo_set_font_size(cr, font.size);
}

// A 1x1 image context used only to measure text, one per thread (a cairo
// context must not be used by two threads at once).
class Measurer {
 public:
  Measurer() {
    fontFaces();  // made first, so that they outlive every context
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cr_ = cairo_create(surface_);
  }
  ~Measurer() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  Measurer(const Measurer&) = delete;
  Measurer& operator=(const Measurer&) = delete;
  cairo_t* context() { return cr_; }

 private:
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

cairo_t* measuringContext() {
  thread_local Measurer measurer;
  return measurer.context();
}

double advance(cairo_t* cr, const std::string& text) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

// ---- PNG ------------------------------------------------------------------------------

// libpng reports errors by a long jump out of the failing call; the jump lands
// in writePngRows, whose frame holds no C++ objects that would need destroying.
struct PngJob {
  std::FILE* file = nullptr;
  const unsigned char* data = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  bool opaque = true;
  unsigned char* row = nullptr;  // room for one converted row
  char error[256] = {};
};

void pngError(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  if (job->error[0] == '\0') {
    std::snprintf(job->error, sizeof job->error, "%s",
                  message != nullptr && message[0] != '\0' ? message : "the PNG encoder failed");
  }
  std::longjmp(png_jmpbuf(png), 1);
}

void pngWarning(png_structp, png_const_charp) {}

// Why the last system call failed, as a message.
void noteSystemError(PngJob& job) {
  std::snprintf(job.error, sizeof job.error, "%s",
                errno != 0 ? std::strerror(errno) : "writing failed");
}

void pngWrite(png_structp png, png_bytep data, png_size_t size) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  errno = 0;
  if (std::fwrite(data, 1, size, job->file) != size) {
    noteSystemError(*job);
    png_error(png, nullptr);
  }
}

void pngFlush(png_structp) {}

// Cairo's pixels are premultiplied 32-bit words, alpha in the top byte. An opaque
// image is written as 8-bit RGB, any other as 8-bit RGBA with the colours
// un-premultiplied (rounded to nearest), as cairo's own PNG writer does.
void convertRow(const PngJob& job, int y) {
  const auto* in = job.data + static_cast<std::ptrdiff_t>(y) * job.stride;
  unsigned char* out = job.row;
  for (int x = 0; x < job.width; ++x) {
    std::uint32_t pixel;
    std::memcpy(&pixel, in + 4 * x, sizeof pixel);
    const std::uint32_t r = (pixel >> 16) & 0xff;
    const std::uint32_t g = (pixel >> 8) & 0xff;
    const std::uint32_t b = pixel & 0xff;
    if (job.opaque) {
      out[0] = static_cast<unsigned char>(r);
      out[1] = static_cast<unsigned char>(g);
      out[2] = static_cast<unsigned char>(b);
      out += 3;
      continue;
    }
    const std::uint32_t a = pixel >> 24;
    if (a == 0) {
      out[0] = out[1] = out[2] = out[3] = 0;
    } else {
      out[0] = static_cast<unsigned char>((r * 255 + a / 2) / a);
      out[1] = static_cast<unsigned char>((g * 255 + a / 2) / a);
      out[2] = static_cast<unsigned char>((b * 255 + a / 2) / a);
      out[3] = static_cast<unsigned char>(a);
    }
    out += 4;
  }
}

// Encodes the image into job.file; false (job.error says why) when libpng failed.
bool writePngRows(PngJob& job) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, pngError, pngWarning);
  if (png == nullptr) {
    std::snprintf(job.error, sizeof job.error, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    std::snprintf(job.error, sizeof job.error, "out of memory");
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &job, pngWrite, pngFlush);
  // Speed over size: the fastest deflate level, and the rows unfiltered (figures
  // are mostly runs of one colour, which deflate finds as they are). For a result
  // figure this takes a fifth of the time of the default level and filters, for
  // files about half as large again.
  png_set_compression_level(png, Z_BEST_SPEED);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(job.width), static_cast<png_uint_32>(job.height),
               8, job.opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color_16 white{};
  white.red = white.green = white.blue = white.gray = 0xff;
  png_set_bKGD(png, info, &white);
  png_write_info(png, info);
  for (int y = 0; y < job.height; ++y) {
    convertRow(job, y);
    png_write_row(png, job.row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool isOpaque(const unsigned char* data, int width, int height, int stride) {
  for (int y = 0; y < height; ++y) {
    const auto* row = data + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      std::uint32_t pixel;
      std::memcpy(&pixel, row + 4 * x, sizeof pixel);
      if ((pixel >> 24) != 0xff) return false;
    }
  }
  return true;
}

class CairoCanvas final : public Canvas {
 public:
  CairoCanvas(CanvasKind kind, int width, int height, std::filesystem::path file)
      : kind_(kind), file_(std::move(file)) {
    fontFaces();
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
    const std::lock_guard<std::mutex> fonts(fontLock());
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
        writePng(cairo_image_surface_get_data(surface_), cairo_image_surface_get_width(surface_),
                 cairo_image_surface_get_height(surface_), cairo_image_surface_get_stride(surface_),
                 file_);
      } else {
        const std::lock_guard<std::mutex> fonts(fontLock());
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

  // Letting a context go may let its fonts go, and a PDF not yet finished is finished.
  void release() {
    const std::lock_guard<std::mutex> fonts(fontLock());
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

void writePng(const unsigned char* data, int width, int height, int stride,
              const std::filesystem::path& file) {
  if (data == nullptr || width < 1 || height < 1 || stride < 4 * width) {
    msg::writeFailed(file.string(), "there is no image to write");
  }
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * 4);
  PngJob job;
  job.data = data;
  job.width = width;
  job.height = height;
  job.stride = stride;
  job.opaque = isOpaque(data, width, height, stride);
  job.row = row.data();
  job.file = std::fopen(file.c_str(), "wb");
  if (job.file == nullptr) msg::writeFailed(file.string(), std::strerror(errno));
  // Whole blocks to the kernel rather than libpng's small pieces.
  std::setvbuf(job.file, nullptr, _IOFBF, 1 << 16);
  bool ok = writePngRows(job);
  errno = 0;
  if (ok && std::fflush(job.file) != 0) {
    ok = false;
    noteSystemError(job);
  }
  errno = 0;
  if (std::fclose(job.file) != 0 && ok) {
    ok = false;
    noteSystemError(job);
  }
  if (!ok) {
    // Half a PNG is of no use to anyone (a device such as /dev/full stays).
    std::error_code ignored;
    if (std::filesystem::is_regular_file(file, ignored)) std::filesystem::remove(file, ignored);
    msg::writeFailed(file.string(), job.error[0] != '\0' ? job.error : "the PNG encoder failed");
  }
}

double textWidth(std::string_view utf8, const Font& font) {
  const std::lock_guard<std::mutex> fonts(fontLock());
  cairo_t* cr = measuringContext();
  selectFont(cr, font);
  return advance(cr, std::string(utf8));
}

FontMetrics fontMetrics(const Font& font) {
  const std::lock_guard<std::mutex> fonts(fontLock());
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
