// The command line: options, the plug-ins to load, and the session (statements,
// scripts or the interactive prompt).
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "line_reader.hpp"
#include "mexhost/mexhost.hpp"
#include "runtime/error.hpp"

namespace mh {
namespace {

namespace fs = std::filesystem;

// A word ending in ".m" names a script (a missing one is reported when it runs).
bool isScriptPath(const std::string& arg) {
  return arg.size() > 2 && arg.ends_with(".m") &&
         arg.find_first_of(" \t()=;,'") == std::string::npos;
}

// Checks a --formats list: png, svg, pdf, json, html or all, comma-separated.
bool validFormats(const std::string& list, std::string& bad) {
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(',', start), list.size());
    std::string item = list.substr(start, end - start);
    for (char& c : item) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (item != "png" && item != "svg" && item != "pdf" && item != "json" && item != "html" &&
        item != "csv" && item != "all") {
      bad = item;
      return false;
    }
    start = end + 1;
  }
  return true;
}

// Where plug-ins are looked for by name: the current folder, then the program's.
std::vector<fs::path> pluginFolders() {
  std::vector<fs::path> folders;
  std::error_code ec;
  folders.push_back(fs::current_path(ec));
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) folders.push_back(exe.parent_path());
  return folders;
}

// vextrab.so and vextral.so in the current folder or next to the program; a copy
// in the current folder wins, so a user's own build is preferred to the installed one.
std::vector<std::string> defaultPlugins() {
  const std::vector<fs::path> folders = pluginFolders();
  std::error_code ec;
  std::vector<std::string> found;
  std::vector<fs::path> seen;
  for (const char* file : {"vextrab.so", "vextral.so"}) {
    for (const fs::path& folder : folders) {
      const fs::path candidate = folder / file;
      if (!fs::is_regular_file(candidate, ec)) continue;
      const fs::path canonical = fs::weakly_canonical(candidate, ec);
      if (std::find(seen.begin(), seen.end(), canonical) != seen.end()) continue;
      seen.push_back(canonical);
      found.push_back(candidate.string());
      break;  // the one in the current folder wins
    }
  }
  return found;
}

}  // namespace

std::string usageText() {
  return "Usage: mexhost [options] [STATEMENT ...]\n"
         "       mexhost [options] SCRIPT.m\n"
         "       mexhost --info PLUGIN\n"
         "       mexhost --version\n"
         "\n"
         "Runs statements as typed at the prompt of the host language, with plug-ins\n"
         "(shared libraries exporting _mexLibrary or mexFunction) loaded. Each STATEMENT\n"
         "argument runs as one line; without statements or scripts an interactive prompt\n"
         "reads standard input: on a terminal with line editing and a history kept in\n"
         "~/.mexhost_history. `help` at the prompt lists the functions, `help vextrab`\n"
         "describes the program's arguments.\n"
         "\n"
         "Options:\n"
         "  -f FILE              run a script file (as if its lines were typed)\n"
         "  --plugin PATH        load a plug-in (repeatable); without it, vextrab.so and\n"
         "                       vextral.so in the current folder or next to the program\n"
         "                       are loaded when they exist\n"
         "  --no-default-plugins do not look for vextrab.so and vextral.so\n"
         "  --expose-local       make library plug-ins' local functions callable at the prompt\n"
         "  --out DIR            folder for figure files (default ./figures)\n"
         "  --formats LIST       figure formats, comma-separated: png,svg,pdf,json,html,csv;\n"
         "                       all (the default) is png,svg,pdf,json; html writes an\n"
         "                       interactive page per figure (zoom, pan, data cursor),\n"
         "                       csv the line data (a column per line, named by its legend)\n"
         "  --quiet              do not report the figure files written\n"
         "  --snapshots          drawnow also writes every changed figure as it is then,\n"
         "                       as figure<N>-drawnow.<ext> (without it drawnow writes\n"
         "                       nothing)\n"
         "  --no-pause           pause(t) does not wait\n"
         "  --info PLUGIN        describe a plug-in (kind, entries, counts, resources) and exit;\n"
         "                       PLUGIN is a file or a name such as vextrab, found as a call\n"
         "                       finds it (NAME.so in the current folder or beside mexhost)\n"
         "  --version            show the version and exit\n"
         "  -h, --help           show this text\n"
         "\n"
         "After each statement that wrote figures, one line on standard error names the\n"
         "files. Errors are reported on standard error as \"error: <message>\"; the exit\n"
         "status is 1 when a statement failed that was given on the command line, in a\n"
         "script or on standard input other than a terminal (the rest still runs).\n";
}

std::optional<int> parseCommandLine(int argc, const char* const* argv, CliOptions& options,
                                    std::ostream& out, std::ostream& err) {
  bool onlyItems = false;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    auto value = [&](const std::string& option) -> std::optional<std::string> {
      const std::string prefix = option + "=";
      if (arg.rfind(prefix, 0) == 0) return arg.substr(prefix.size());
      if (k + 1 >= argc) {
        err << "mexhost: " << option << " needs a value\n";
        return std::nullopt;
      }
      return std::string(argv[++k]);
    };
    auto is = [&](const std::string& option) {
      return arg == option || arg.rfind(option + "=", 0) == 0;
    };
    if (onlyItems || arg.empty() || arg[0] != '-' || arg == "-") {
      options.items.push_back({isScriptPath(arg), arg});
      continue;
    }
    if (arg == "--") {
      onlyItems = true;
    } else if (arg == "-h" || arg == "--help") {
      out << usageText();
      return 0;
    } else if (arg == "--version") {
      out << "mexhost " MEXHOST_VERSION "\n";
      return 0;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--snapshots") {
      options.snapshots = true;
    } else if (arg == "-f" || is("--file")) {
      const auto v = arg == "-f"
                         ? (k + 1 < argc ? std::optional<std::string>(argv[++k]) : std::nullopt)
                         : value("--file");
      if (!v) {
        if (arg == "-f") err << "mexhost: -f needs a file\n";
        return 2;
      }
      options.items.push_back({true, *v});
    } else if (is("--plugin")) {
      const auto v = value("--plugin");
      if (!v) return 2;
      options.plugins.push_back(*v);
    } else if (is("--out")) {
      const auto v = value("--out");
      if (!v) return 2;
      options.outDir = *v;
    } else if (is("--formats")) {
      const auto v = value("--formats");
      if (!v) return 2;
      std::string bad;
      if (!validFormats(*v, bad)) {
        err << "mexhost: unknown figure format '" << bad
            << "' (use png, svg, pdf, json, html, csv or all)\n";
        return 2;
      }
      options.formats = *v;
    } else if (is("--info")) {
      const auto v = value("--info");
      if (!v) return 2;
      options.infoPlugin = *v;
    } else if (arg == "--expose-local") {
      options.exposeLocal = true;
    } else if (arg == "--no-pause") {
      options.noPause = true;
    } else if (arg == "--no-default-plugins") {
      options.defaultPlugins = false;
    } else if (arg.size() > 1 &&
               (std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.')) {
      options.items.push_back({false, arg});  // a statement such as -1+2
    } else {
      err << "mexhost: unknown option '" << arg << "' (see mexhost --help)\n";
      return 2;
    }
  }
  return std::nullopt;
}

std::string outputFolderProblem(const std::string& folder) {
  std::error_code ec;
  const fs::path target = folder.empty() ? fs::path(".") : fs::path(folder);
  if (fs::exists(target, ec)) {
    if (!fs::is_directory(target, ec)) return "it exists and is not a folder";
    if (access(target.c_str(), W_OK | X_OK) != 0) return "the folder is not writable";
    return "";
  }
  // The first missing folder on the way: making the whole path (and removing what
  // was made) is the one sure test that the figures can be written there later.
  fs::path missing = target;
  while (missing.has_parent_path() && missing.parent_path() != missing &&
         !fs::exists(missing.parent_path(), ec)) {
    missing = missing.parent_path();
  }
  fs::create_directories(target, ec);
  if (ec) {
    const fs::path above = missing.has_parent_path() ? missing.parent_path() : fs::path(".");
    if (fs::exists(above) && !fs::is_directory(above)) {
      return "'" + above.string() + "' exists and is not a folder";
    }
    return ec.message();
  }
  fs::remove_all(missing, ec);
  return "";
}

HostOptions hostOptions(const CliOptions& options) {
  HostOptions h;
  h.exposeLocal = options.exposeLocal;
  h.noPause = options.noPause;
  return h;
}

std::string findPlugin(const std::string& nameOrPath) {
  std::error_code ec;
  // A path (with a folder) is the loader's to open or to report.
  if (fs::is_regular_file(nameOrPath, ec) || nameOrPath.find('/') != std::string::npos) {
    return nameOrPath;
  }
  const std::string file = nameOrPath.ends_with(".so") ? nameOrPath : nameOrPath + ".so";
  std::string looked;
  for (const fs::path& folder : pluginFolders()) {
    const fs::path candidate = folder / file;
    if (fs::is_regular_file(candidate, ec)) return candidate.string();
    looked += (looked.empty() ? "" : ", ") + folder.string();
  }
  rt::raise("mexhost:load",
            "No plug-in named '" + nameOrPath + "': " + file + " is not in " + looked + ".");
}

int printPluginInfo(const std::string& nameOrPath, std::ostream& out, std::ostream& err) {
  try {
    out << describePluginText(describePlugin(findPlugin(nameOrPath)));
    out.flush();
    return 0;
  } catch (const std::exception& e) {
    out.flush();
    err << "error: " << e.what() << "\n";
    return 1;
  }
}

std::string figuresWrittenLine(const std::vector<std::string>& stems,
                               const std::vector<std::string>& formats) {
  std::string line = "figures written: ";
  for (std::size_t k = 0; k < stems.size(); ++k) line += (k ? ", " : "") + stems[k];
  line += " (";
  for (std::size_t k = 0; k < formats.size(); ++k) line += (k ? ", " : "") + formats[k];
  return line + ")";
}

int runSession(Interpreter& interpreter, const CliOptions& options, std::istream& in,
               bool interactiveTerminal) {
  bool failed = false;
  std::vector<std::string> plugins = options.plugins;
  const bool explicitPlugins = !plugins.empty();
  if (!explicitPlugins && options.defaultPlugins) plugins = defaultPlugins();
  for (const std::string& path : plugins) {
    try {
      interpreter.loadPlugin(path);
    } catch (const std::exception& e) {
      interpreter.reportError(e.what());
      if (explicitPlugins) return 1;
    }
  }

  if (!options.items.empty()) {
    for (const CliOptions::Item& item : options.items) {
      const bool ok =
          item.script ? interpreter.executeFile(item.text) : interpreter.execute(item.text);
      failed = failed || !ok;
      if (interpreter.exitRequested()) break;
    }
  } else {
    const std::unique_ptr<LineReader> reader =
        interactiveTerminal ? makeTerminalReader(interpreter.out(), defaultHistoryFile())
                            : makeStreamReader(in);
    // At a terminal a failure is seen at once and the session goes on; from a
    // pipe or a file it makes the exit status non-zero, for scripts and CI.
    auto run = [&](const std::string& text) {
      const bool ok = interpreter.execute(text);
      if (!interactiveTerminal) failed = failed || !ok;
    };
    std::string chunk;
    while (!interpreter.exitRequested()) {
      const std::optional<std::string> line = reader->read(chunk.empty() ? ">> " : "");
      if (!line) break;
      chunk += *line;
      chunk += '\n';
      if (!interpreter.isComplete(chunk)) continue;
      run(chunk);
      chunk.clear();
    }
    if (!chunk.empty() && !interpreter.exitRequested()) run(chunk);
    if (interactiveTerminal && !interpreter.exitRequested()) interpreter.out() << "\n";
  }
  interpreter.out().flush();
  if (interpreter.exitRequested()) return interpreter.exitStatus();
  return failed ? 1 : 0;
}

}  // namespace mh
