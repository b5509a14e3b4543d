// mexhost: the command-line program.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "mexhost/graphics.hpp"
#include "mexhost/mexhost.hpp"
#include "runtime/error.hpp"

int main(int argc, char** argv) {
  mh::CliOptions options;
  if (const auto status = mh::parseCommandLine(argc, argv, options, std::cout, std::cerr)) {
    return *status;
  }
  if (!options.infoPlugin.empty())
    return mh::printPluginInfo(options.infoPlugin, std::cout, std::cerr);

  // The graphics model outlives the interpreter, whose builtins refer to it.
  mh::Graphics graphics;
  mh::gfx::Formats formats;
  try {
    formats = mh::gfx::Formats::parse(options.formats);
  } catch (const rt::Error& e) {
    std::cerr << "mexhost: " << e.message() << '\n';
    return 2;
  }
  if (const std::string problem = mh::outputFolderProblem(options.outDir); !problem.empty()) {
    std::cerr << "mexhost: cannot write figures to '" << options.outDir << "': " << problem << '\n';
    return 2;
  }
  mh::Interpreter interpreter(std::cout, std::cerr, mh::hostOptions(options));
  mh::catchInterrupts();
  mh::registerGraphicsBuiltins(interpreter.builtins(), graphics);
  // Every figure that changed is written when a statement ends. With --snapshots,
  // drawnow also leaves a snapshot of the changed figures as
  // figure<N>-drawnow.<ext>, so that what was on screen during a long computation
  // (the banner) can be seen.
  interpreter.onStatementEnd = [&] {
    const auto written = mh::gfx::writeChangedFigures(graphics, options.outDir, formats);
    if (written.empty() || options.quiet) return;
    std::vector<std::string> stems;
    for (const auto& stem : written) stems.push_back(stem.string());
    interpreter.out().flush();
    interpreter.err() << mh::figuresWrittenLine(stems, formats.extensions()) << '\n';
  };
  interpreter.onPause = [&] { mh::gfx::prepareDrawing(formats); };
  if (options.snapshots) {
    graphics.setDrawnowHook([&] {
      std::filesystem::create_directories(options.outDir);
      for (double figure : graphics.changedFigures()) {
        const auto stem = std::filesystem::path(options.outDir) /
                          ("figure" + std::to_string(static_cast<long>(figure)) + "-drawnow");
        mh::gfx::writeFigure(graphics, figure, stem, formats);
      }
    });
  }
  return mh::runSession(interpreter, options, std::cin, isatty(STDIN_FILENO) != 0);
}
