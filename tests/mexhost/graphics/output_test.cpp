// Writing figures: PNG, SVG, PDF and JSON files, and which figures get written.
#include <cairo.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>

#include "mexhost/graphics_canvas.hpp"
#include "support.hpp"

namespace mh::gfx {
namespace {

using nlohmann::json;
using testing::errorOf;
using testing::HostTest;
using testing::S;

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class Files : public HostTest {
 protected:
  std::filesystem::path writeAll() {
    const auto stem = folder_.path() / "figure1";
    writeFigure(g, 1, stem, Formats::all());
    return stem;
  }
  static std::filesystem::path with(std::filesystem::path stem, const char* ext) {
    stem += ext;
    return stem;
  }
  testing::ScratchFolder folder_;
};

TEST_F(Files, PngHasTheSignatureAndTheFigureSize) {
  call("plot", {rt::row({0, 25}), rt::row({0, 1})});
  call("set", {1.0, S("Position"), rt::row({0, 0, 640, 480})});
  const std::string png = readFile(with(writeAll(), ".png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  const auto be32 = [&](std::size_t at) {
    return (static_cast<unsigned char>(png[at]) << 24) |
           (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  EXPECT_EQ(be32(16), 640u);  // IHDR width and height
  EXPECT_EQ(be32(20), 480u);
}

// What a PNG file holds once decoded: its header (IHDR: size, bit depth, colour
// type, compression, filter, interlace) and its pixels in the file's own format.
struct PngContent {
  std::string header;
  std::vector<unsigned char> pixels;
};

PngContent decodePng(const std::filesystem::path& file) {
  PngContent c;
  const std::string bytes = readFile(file);
  if (bytes.size() < 29 || bytes.compare(12, 4, "IHDR") != 0) {
    ADD_FAILURE() << file << " has no PNG header";
    return c;
  }
  c.header = bytes.substr(16, 13);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
    ADD_FAILURE() << file << ": " << image.message;
    return c;
  }
  c.pixels.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, c.pixels.data(), 0, nullptr) == 0) {
    ADD_FAILURE() << file << ": " << image.message;
  }
  return c;
}

TEST_F(Files, PngHoldsWhatCairosOwnPngHolds) {
  // The host's fonts first: they hand cairo's and fontconfig's caches back when the
  // process ends, also those of the text drawn here (leak checkers see a clean exit).
  textWidth("", Font{});
  // A figure's page: opaque, antialiased lines and text (written as RGB).
  const auto page = [](cairo_t* cr) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_line_width(cr, 1.5);
    for (int k = 0; k < 6; ++k) {
      cairo_set_source_rgb(cr, k / 5.0, 0.3, 1 - k / 5.0);
      cairo_move_to(cr, 5, 10 + 13 * k);
      cairo_line_to(cr, 150, 80 - 9 * k);
      cairo_stroke(cr);
    }
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 14);
    cairo_move_to(cr, 10, 60);
    cairo_show_text(cr, "Spänning 0.5");
  };
  // Every alpha from clear to opaque, and clear pixels left (written as RGBA,
  // the colours un-premultiplied).
  const auto translucent = [](cairo_t* cr) {
    const double width = cairo_image_surface_get_width(cairo_get_target(cr));
    const double height = cairo_image_surface_get_height(cairo_get_target(cr));
    cairo_pattern_t* ramp = cairo_pattern_create_linear(0, 0, width, 0);
    cairo_pattern_add_color_stop_rgba(ramp, 0, 1, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(ramp, 1, 0.2, 0.4, 1, 1);
    cairo_set_source(cr, ramp);
    cairo_rectangle(cr, 0, 0, width, height / 2);
    cairo_fill(cr);
    cairo_pattern_destroy(ramp);
    cairo_set_source_rgba(cr, 0, 0.6, 0.2, 0.37);
    cairo_set_line_width(cr, 7);
    cairo_move_to(cr, 0, height);
    cairo_line_to(cr, width / 2, 0);
    cairo_stroke(cr);
  };
  struct Row {
    const char* what;
    int width;
    int height;
    int padding;  // bytes after each row's pixels
    void (*draw)(cairo_t*);
  };
  const Row rows[] = {
      {"opaque", 160, 90, 0, page},
      {"translucent", 256, 40, 0, translucent},
      {"rows with padding after the pixels", 37, 11, 20, translucent},
  };
  const auto ours = folder_.path() / "ours.png";
  const auto cairos = folder_.path() / "cairo.png";
  for (const Row& row : rows) {
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, row.width) + row.padding;
    std::vector<unsigned char> data(static_cast<std::size_t>(stride * row.height));
    cairo_surface_t* surface = cairo_image_surface_create_for_data(data.data(), CAIRO_FORMAT_ARGB32,
                                                                   row.width, row.height, stride);
    cairo_t* cr = cairo_create(surface);
    row.draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    writePng(data.data(), row.width, row.height, stride, ours);
    EXPECT_EQ(cairo_surface_write_to_png(surface, cairos.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
    const PngContent mine = decodePng(ours);
    const PngContent theirs = decodePng(cairos);
    EXPECT_EQ(mine.header, theirs.header) << row.what;
    EXPECT_FALSE(mine.pixels.empty()) << row.what;
    EXPECT_TRUE(mine.pixels == theirs.pixels) << row.what;
  }
  // A device that takes nothing: reported as a failure, not as a short file.
  if (std::filesystem::exists("/dev/full")) {
    std::vector<unsigned char> data(4 * 64 * 64, 0xff);
    const rt::Error e = errorOf([&] { writePng(data.data(), 64, 64, 4 * 64, "/dev/full"); });
    EXPECT_EQ(e.identifier(), "mexhost:graphics:writeFailed");
  }
}

TEST_F(Files, PdfIsAPdf) {
  call("plot", {rt::row({0, 25}), rt::row({0, 1})});
  call("title", {S("Spänning på ledare 2")});
  const std::string pdf = readFile(with(writeAll(), ".pdf"));
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
}

// The host makes drawing ready while pause waits: that changes no byte of what is
// written afterwards (the PDF's creation date aside) and writes nothing itself.
TEST_F(Files, PreparingToDrawChangesNoFile) {
  call("plot", {rt::row({0, 25}), rt::row({0, 1}), rt::row({0, 25}), rt::row({1, 0})});
  call("title", {S("Spänning på ledare 2")});
  call("legend", {S("Spänning i laständan"), S("Spänning i källändan")});
  const auto before = writeAll();
  prepareDrawing(Formats::all());
  prepareDrawing(Formats::all());  // once is enough
  const auto after = folder_.path() / "again";
  writeFigure(g, 1, after, Formats::all());
  const auto undated = [](std::string text) {
    const std::size_t at = text.find("/CreationDate (");
    if (at != std::string::npos) text.erase(at, text.find(')', at) - at);
    return text;
  };
  for (const char* ext : {".png", ".svg", ".pdf", ".json"}) {
    EXPECT_EQ(undated(readFile(with(before, ext))), undated(readFile(with(after, ext)))) << ext;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 8);
}

TEST_F(Files, SvgKeepsTheTextsAsUtf8Text) {
  call("plot", {rt::row({0, 25}), rt::row({0, 1}), rt::row({0, 25}), rt::row({1, 0})});
  call("title", {S("Spänning på ledare 2")});
  call("xlabel", {S("Tid [ns] <&>")});
  call("legend", {S("Spänning i laständan"), S("Spänning i källändan")});
  const std::string svg = readFile(with(writeAll(), ".svg"));
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find(">Spänning på ledare 2</text>"), std::string::npos);
  EXPECT_NE(svg.find(">Spänning i källändan</text>"), std::string::npos);
  EXPECT_NE(svg.find(">Tid [ns] &lt;&amp;&gt;</text>"), std::string::npos);
  EXPECT_EQ(count(svg, "<svg"), 1u);
  EXPECT_EQ(count(svg, "</svg>"), 1u);
  EXPECT_EQ(count(svg, "<g "), count(svg, "</g>"));
  EXPECT_EQ(count(svg, "<text"), count(svg, "</text>"));
  EXPECT_EQ(count(svg, "<"), count(svg, ">"));
}

TEST_F(Files, JsonRoundTripsLineDataExactly) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<double> x{0, 1.0 / 3, 0.1 + 0.2, 1e-300, 5e-324, -0.0, 2.5e-08, 1e308};
  const std::vector<double> y{nan, inf, -inf, 6.105006105006105e-12, -1.0 / 7, 3, 4, 5};
  const double h =
      value("plot", {rt::Array::fromData({1, x.size()}, x), rt::Array::fromData({1, y.size()}, y)})
          .scalar();
  call("title", {S("Spänning på ledare 2")});
  call("ylabel", {S("\"quoted\"\t\\ \x01")});
  call("legend", {S("a")});
  const std::string text = readFile(with(writeAll(), ".json"));
  const json doc = json::parse(text);
  // The text is written without the library's document tree, and must be what the
  // library itself writes for the same document.
  EXPECT_EQ(doc.dump(2) + "\n", text);

  EXPECT_EQ(doc["type"], "figure");
  EXPECT_EQ(doc["handle"], 1);
  const json& axes = doc["children"][0];
  EXPECT_EQ(axes["type"], "axes");
  const json& line = axes["children"][0];
  EXPECT_EQ(line["handle"].get<double>(), h);
  const json& xs = line["properties"]["XData"];
  const json& ys = line["properties"]["YData"];
  ASSERT_EQ(xs.size(), x.size());
  for (std::size_t k = 0; k < x.size(); ++k) {
    const double back = xs[k].get<double>();
    EXPECT_EQ(std::memcmp(&back, &x[k], sizeof back), 0) << k;  // -0.0 included
  }
  EXPECT_EQ(ys[0], "NaN");
  EXPECT_EQ(ys[1], "Inf");
  EXPECT_EQ(ys[2], "-Inf");
  EXPECT_EQ(ys[3].get<double>(), y[3]);
  EXPECT_EQ(ys[4].get<double>(), y[4]);
  EXPECT_EQ(axes["title"]["properties"]["String"], "Spänning på ledare 2");
  EXPECT_EQ(line["properties"]["Color"], json::array({0, 0, 1}));
  EXPECT_EQ(axes["properties"]["XLimMode"], "auto");
}

TEST_F(Files, JsonHoldsTheEffectiveLimitsAndEveryProperty) {
  call("plot", {rt::row({0, 25}), rt::row({0, 1})});
  call("set", {gca(), S("xlim"), rt::row({0, 20})});
  call("legend", {S("a")});
  const json doc = json::parse(readFile(with(writeAll(), ".json")));
  const json& axes = doc["children"][0];
  EXPECT_EQ(axes["layout"]["XLim"], json::array({0, 20}));
  EXPECT_EQ(axes["layout"]["YLim"], json::array({0, 1}));
  EXPECT_EQ(axes["properties"]["XLim"], json::array({0, 20}));
  EXPECT_EQ(axes["layout"]["XTick"].size(), 11u);
  for (const auto& name : Graphics::propertyNames(ObjectType::Axes)) {
    EXPECT_TRUE(axes["properties"].contains(name)) << name;
  }
  const json& legend = doc["children"][1];
  EXPECT_EQ(legend["type"], "legend");
  EXPECT_EQ(legend["properties"]["String"], json::array({"a"}));
  EXPECT_EQ(legend["lines"][0], axes["children"][0]["handle"]);
}

// The page's data: the JSON inside <script id="figure-data">, and its line
// data decoded from base64 of little-endian doubles.
json pageData(const std::string& page) {
  const std::string open = "<script id=\"figure-data\" type=\"application/json\">";
  const std::size_t start = page.find(open);
  if (start == std::string::npos) return nullptr;
  const std::size_t end = page.find("</script>", start);
  return json::parse(page.substr(start + open.size(), end - start - open.size()));
}

std::vector<double> decodeDoubles(const std::string& text) {
  const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<unsigned char> bytes;
  std::uint32_t chunk = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    chunk = (chunk << 6) | static_cast<std::uint32_t>(digits.find(c));
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<unsigned char>(chunk >> bits));
    }
  }
  std::vector<double> out(bytes.size() / 8);
  for (std::size_t k = 0; k < out.size(); ++k) {
    std::uint64_t word = 0;
    for (int b = 7; b >= 0; --b) word = (word << 8) | bytes[8 * k + static_cast<std::size_t>(b)];
    std::memcpy(&out[k], &word, sizeof word);
  }
  return out;
}

TEST_F(Files, HtmlPageHoldsTheFigureExactlyAndFetchesNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<double> x{0, 1.0 / 3, 0.1 + 0.2, 5e-324, -0.0, 2.5e-08, 25};
  const std::vector<double> y{nan, inf, -inf, 6.105006105006105e-12, -1.0 / 7, 3, 4};
  const rt::Array xs = rt::Array::fromData({1, x.size()}, x);
  call("plot", {xs, rt::Array::fromData({1, y.size()}, y), xs, rt::row({1, 2, 3, 4, 5, 6, 7})});
  call("title", {S("Spänning på ledare 2 </script><script>alert(1)</script>")});
  call("legend", {S("Spänning i laständan"), S("Spänning i källändan")});
  call("text", {5.0, 2.0, S("Beräkning pågår!"), S("FontSize"), 18.0});
  call("set", {1.0, S("Name"), S("<b>&")});
  const auto stem = folder_.path() / "figure1";
  writeFigure(g, 1, stem, Formats::parse("html"));
  EXPECT_FALSE(std::filesystem::exists(with(stem, ".png")));
  const std::string page = readFile(with(stem, ".html"));

  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(page.find("<title>Figure 1: &lt;b&gt;&amp;</title>"), std::string::npos);
  for (const char* fetching : {"http:", "https:", "src=", "<link", "import(", "fetch("}) {
    EXPECT_EQ(page.find(fetching), std::string::npos) << fetching;
  }
  EXPECT_EQ(count(page, "</script>"), 2u);  // the title's stays inside its string

  const json doc = pageData(page);
  ASSERT_TRUE(doc.is_object());
  ASSERT_EQ(doc["axes"].size(), 1u);
  const json& axes = doc["axes"][0];
  EXPECT_EQ(axes["title"]["lines"][0], "Spänning på ledare 2 </script><script>alert(1)</script>");
  EXPECT_EQ(axes["texts"][0]["lines"][0], "Beräkning pågår!");
  EXPECT_EQ(axes["texts"][0]["at"], json::array({5, 2}));
  EXPECT_EQ(doc["legends"][0]["entries"][1]["text"], "Spänning i källändan");
  ASSERT_EQ(axes["lines"].size(), 2u);
  EXPECT_EQ(axes["lines"][1]["name"], "Spänning i källändan");
  EXPECT_EQ(axes["lines"][0]["x"], axes["lines"][1]["x"]);  // shared x data stored once
  EXPECT_EQ(doc["data"].size(), 3u);

  const auto back = decodeDoubles(doc["data"][axes["lines"][0]["x"].get<std::size_t>()]);
  ASSERT_EQ(back.size(), x.size());
  EXPECT_EQ(std::memcmp(back.data(), x.data(), x.size() * sizeof(double)), 0);  // -0.0 included
  const auto ys = decodeDoubles(doc["data"][axes["lines"][0]["y"].get<std::size_t>()]);
  ASSERT_EQ(ys.size(), y.size());
  EXPECT_TRUE(std::isnan(ys[0]));
  EXPECT_EQ(std::vector<double>(ys.begin() + 1, ys.end()),
            std::vector<double>(y.begin() + 1, y.end()));

  const AxesLayout l = g.layout(gca());
  EXPECT_EQ(axes["xlim"], json::array({l.xlim[0], l.xlim[1]}));
  EXPECT_EQ(axes["ylim"], json::array({l.ylim[0], l.ylim[1]}));
  EXPECT_EQ(axes["xticks"], json(l.xticks));
  EXPECT_EQ(axes["plotBox"], json::array({l.plotBox.x, l.plotBox.y, l.plotBox.w, l.plotBox.h}));
}

TEST_F(Files, OnlyChangedFiguresAreWritten) {
  call("figure", {1.0});
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  call("figure", {2.0});
  call("plot", {rt::row({0, 1}), rt::row({1, 0})});
  const auto folder = folder_.path() / "out";
  Formats formats = Formats::none();
  formats.png = formats.json = true;
  EXPECT_EQ(writeChangedFigures(g, folder, formats).size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(folder / "figure1.png"));
  EXPECT_TRUE(std::filesystem::exists(folder / "figure2.json"));
  EXPECT_FALSE(std::filesystem::exists(folder / "figure1.svg"));
  EXPECT_TRUE(writeChangedFigures(g, folder, formats).empty());
  call("figure", {1.0});  // selecting changes nothing
  EXPECT_TRUE(writeChangedFigures(g, folder, formats).empty());
  call("xlabel", {S("Tid [ns]")});
  const auto written = writeChangedFigures(g, folder, formats);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], folder / "figure1");

  // All figures are written side by side; when one fails, its error is raised, the
  // figures before it count as written and it and those after it stay changed.
  call("figure", {3.0});
  call("plot", {rt::row({0, 1}), rt::row({1, 1})});
  for (double figure : {1.0, 2.0}) {
    call("figure", {figure});
    call("ylabel", {S("Spänning [mV]")});
  }
  std::filesystem::remove(folder / "figure2.png");
  std::filesystem::create_directory(folder / "figure2.png");
  const rt::Error e = errorOf([&] { writeChangedFigures(g, folder, formats); });
  EXPECT_EQ(e.identifier(), "mexhost:graphics:writeFailed");
  EXPECT_NE(e.message().find("figure2.png"), std::string::npos) << e.message();
  std::filesystem::remove(folder / "figure2.png");
  const auto rest = writeChangedFigures(g, folder, formats);
  EXPECT_EQ(rest, (std::vector<std::filesystem::path>{folder / "figure2", folder / "figure3"}));
}

TEST_F(Files, UnwritablePlacesAndMissingFiguresAreErrors) {
  call("plot", {rt::row({0, 1}), rt::row({0, 1})});
  const auto nowhere = folder_.path() / "missing" / "figure1";
  for (const auto* ext : {"png", "svg", "pdf", "json", "html", "csv"}) {
    const rt::Error e = errorOf([&] { writeFigure(g, 1, nowhere, Formats::parse(ext)); });
    EXPECT_EQ(e.identifier(), "mexhost:graphics:writeFailed") << ext;
  }
  // The formats are written side by side; the error is the first format's.
  const rt::Error first = errorOf([&] { writeFigure(g, 1, nowhere, Formats::all()); });
  EXPECT_NE(first.message().find("figure1.png"), std::string::npos) << first.message();
  EXPECT_EQ(errorOf([&] { writeFigure(g, 4, folder_.path() / "f", Formats::all()); }).identifier(),
            "mexhost:graphics:invalidHandle");
  EXPECT_EQ(errorOf([&] { figureJson(g, gca()); }).identifier(), "mexhost:graphics:invalidHandle");
}

TEST_F(Files, CsvNamesEachLineByItsLegendAndKeepsEveryDigit) {
  const double third = 1.0 / 3;
  call("plot", {rt::row({0, 0.1}), rt::row({third, -2.5e-08}), rt::row({0, 0.1}), rt::row({1, 2})});
  call("legend", {S("Spänning i laständan"), S("near, \"end\"")});
  call("xlabel", {S("Tid [ns]")});
  writeFigure(g, 1, folder_.path() / "figure1", Formats::parse("csv"));
  const std::string shared = readFile(folder_.path() / "figure1.csv");
  EXPECT_EQ(shared,
            "Tid [ns],Spänning i laständan,\"near, \"\"end\"\"\"\n"
            "0,0.33333333333333331,1\n"
            "0.10000000000000001,-2.4999999999999999e-08,2\n");
  EXPECT_EQ(std::stod("0.33333333333333331"), third);  // 17 digits read back exactly

  // Lines on different x: two columns each, the shorter one's cells left empty.
  call("figure", {2.0});
  call("plot", {rt::row({1, 2, 3}), rt::row({4, 5, 6}), rt::row({7}), rt::row({8})});
  EXPECT_EQ(figureCsv(g, 2), "line1 x,line1 y,line2 x,line2 y\n1,4,7,8\n2,5,,\n3,6,,\n");
}

TEST_F(Files, PrintAndSaveasWriteTheNamedFileInTheFormatAsked) {
  const double line = value("plot", {rt::row({0, 1}), rt::row({0, 1})}).scalar();
  const auto at = [&](const char* name) { return S((folder_.path() / name).c_str()); };
  struct Row {
    const char* what;
    const char* function;
    std::vector<rt::Array> args;
    const char* file;
    std::string start;
  };
  const Row rows[] = {
      {"figure, device, name", "print", {1.0, S("-dpng"), at("a.png")}, "a.png", "\x89PNG"},
      {"-f and a name without extension", "print", {S("-f1"), S("-dsvg"), at("b")}, "b.svg", "<"},
      {"the format from the extension", "print", {at("c.pdf")}, "c.pdf", "%PDF"},
      {"another extension keeps it", "print", {S("-dpdf"), at("c.txt")}, "c.txt.pdf", "%PDF"},
      {"a line's figure", "saveas", {line, at("d.csv")}, "d.csv", "x,line1"},
      {"format as third argument", "saveas", {1.0, at("e"), S("JSON")}, "e.json", "{"},
      {"no extension: png", "saveas", {1.0, at("F")}, "F.png", "\x89PNG"},
  };
  for (const Row& row : rows) {
    call(row.function, row.args);
    const std::string text = readFile(folder_.path() / row.file);
    EXPECT_EQ(text.substr(0, row.start.size()), row.start) << row.what;
  }
  const std::pair<const char*, std::vector<rt::Array>> refused[] = {
      {"print", {1.0, S("-dgif"), at("x.gif")}},
      {"print", {1.0, S("-dpng")}},
      {"print", {S("-f7"), at("x.png")}},
      {"saveas", {1.0, at("x.gif")}},
      {"saveas", {at("x.png")}},
  };
  for (const auto& row : refused) {
    const rt::Error e = errorOf([&] { call(row.first, row.second); });
    EXPECT_NE(e.identifier(), "") << row.first;
  }
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "x.gif"));
}

TEST_F(Files, AbsurdButValidSizesStillWrite) {
  call("plot",
       {rt::row({0, 1}), rt::row({0, 1}), S("o-"), S("LineWidth"), 1e300, S("MarkerSize"), 1e300});
  call("text", {0.5, 0.5, S("x"), S("FontSize"), 1e300, S("Rotation"), 1e300});
  call("set", {gca(), S("Position"), rt::row({-100, -100, 100, 100})});
  writeAll();
  EXPECT_TRUE(std::filesystem::exists(folder_.path() / "figure1.pdf"));
}

TEST(FormatList, ParsesNamesAndRefusesUnknownOnes) {
  const Formats f = Formats::parse("png,JSON");
  EXPECT_TRUE(f.png);
  EXPECT_TRUE(f.json);
  EXPECT_FALSE(f.svg);
  EXPECT_FALSE(f.pdf);
  EXPECT_TRUE(Formats::parse("all").pdf);
  EXPECT_FALSE(Formats::parse("all").html);  // the page only when asked for
  EXPECT_FALSE(Formats::all().html);
  const Formats page = Formats::parse("HTML");
  EXPECT_TRUE(page.html);
  EXPECT_FALSE(page.png || page.svg || page.pdf || page.json);
  EXPECT_TRUE(Formats::parse("html,all").html);
  EXPECT_FALSE(Formats::parse("all").csv);  // the line data only when asked for
  EXPECT_TRUE(Formats::parse("csv,all").csv);
  EXPECT_EQ(Formats::parse("csv,all").extensions(),
            (std::vector<std::string>{"png", "svg", "pdf", "json", "csv"}));
  const rt::Error e = errorOf([] { Formats::parse("png,gif"); });
  EXPECT_NE(e.message().find("gif"), std::string::npos);
}

}  // namespace
}  // namespace mh::gfx
