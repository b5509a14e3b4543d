// Time to write one figure like the simulation's figure 1 (two lines of 4096
// samples, title, labels, legend, x-limits [0 20]) in each format, the
// interactive page among them; the PNG is the peer the others compare with.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "mexhost/builtins.hpp"
#include "mexhost/graphics.hpp"
#include "runtime/runtime.hpp"

namespace {

struct Figure {
  mh::BuiltinTable table;
  mh::Graphics graphics;
  Figure() {
    mh::registerGraphicsBuiltins(table, graphics);
    std::vector<double> t(4096), far(4096), near(4096);
    for (std::size_t k = 0; k < t.size(); ++k) {
      t[k] = 25.0 * static_cast<double>(k) / 4095.0;
      far[k] =
          0.35 / (1 + std::exp(-(t[k] - 0.6) * 20)) - 0.35 / (1 + std::exp(-(t[k] - 10.6) * 20));
      near[k] = far[k] + 0.1 * std::exp(-t[k]) * std::sin(3 * t[k]);
    }
    const auto row = [](const std::vector<double>& v) {
      return rt::Array::fromData({1, v.size()}, v);
    };
    call("plot", {row(t), row(far), row(t), row(near)});
    call("xlabel", {rt::Array::str("Tid [ns]")});
    call("ylabel", {rt::Array::str("Amplitud [V]")});
    call("title", {rt::Array::str("Spänning i laständan på ledare 1")});
    call("legend",
         {rt::Array::str("Spänning i laständan"), rt::Array::str("Spänning i källändan")});
    call("set", {graphics.gca(), rt::Array::str("XLim"), rt::row({0, 20})});
  }
  void call(const std::string& name, const std::vector<rt::Array>& args) {
    (*table.find(name))(args, 0);
  }
};

void BM_WriteFigure(benchmark::State& state, const char* format) {
  Figure figure;
  const auto stem = std::filesystem::temp_directory_path() / "figure_writers_bench";
  const mh::gfx::Formats formats = mh::gfx::Formats::parse(format);
  for (auto _ : state) mh::gfx::writeFigure(figure.graphics, 1, stem, formats);
  for (const char* ext : {".png", ".svg", ".pdf", ".json", ".html"}) {
    std::filesystem::remove(std::filesystem::path(stem).concat(ext));
  }
}

BENCHMARK_CAPTURE(BM_WriteFigure, png, "png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFigure, svg, "svg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFigure, pdf, "pdf")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFigure, json, "json")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteFigure, html, "html")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
