// mexhost: the embedded host's API.
//
// An Interpreter runs statements as typed at the host language's prompt, keeps
// the workspace, shows values in the command window's style, owns the function
// table of builtins and the plug-ins it loaded, and is the host that libmx
// forwards mexCallMATLAB, mexEvalString, mexPrintf, ... to (one Interpreter at a
// time).
//
// Name resolution, for a call by name from the prompt or from a plug-in: the
// local function table that is current (only while a library plug-in's function
// runs), then the loaded plug-ins' functions, then the builtins.
//
// Errors: every failure inside is an rt::Error. At the prompt a failed statement
// is reported on the error stream as one line "error: <message>" (the message
// exactly as raised, by a builtin, by error(), or by a plug-in through
// mexErrMsgIdAndTxt), the rest of the line is skipped, and the next line runs.
// Warnings are reported as "warning: <message>". Normal output goes to the output
// stream, which is flushed before anything is written to the error stream.
//
// Ownership: the Interpreter owns the loaded plug-ins; its destructor runs their
// mexAtExit handlers and finalisers and unloads them. Whatever registers builtins
// that refer to other objects (the graphics module) must keep those objects alive
// as long as the Interpreter.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mexhost/builtins.hpp"
#include "runtime/array.hpp"

namespace mh {

// ---- display ---------------------------------------------------------------------
enum class NumberFormat { Short, Long, ShortG, LongG, ShortE, LongE };

struct DisplayFormat {
  NumberFormat number = NumberFormat::Short;
  bool compact = false;  // no blank lines around matrices
};

// ---- plug-ins --------------------------------------------------------------------
// A function as a plug-in declares it. Counts are -1 when not declared (mexFunction).
struct PluginEntry {
  std::string name;
  long long inputs = -1;
  long long outputs = -1;
  std::vector<PluginEntry> locals;  // the entry's local function table
  bool hasLocalTable = false;
};

// What the loader finds in a plug-in file, without running any of its code other
// than `_mexLibrary` (no initialiser runs).
struct PluginDescription {
  std::string path;
  bool library = false;  // exports _mexLibrary; otherwise mexFunction
  long long version = 0;
  std::vector<PluginEntry> entries;
  long long initTermPairs = 0;
  std::vector<std::pair<int, std::string>> strings;  // mexStringResources, in order
};

// Raises rt::Error (mexhost:load) when the file cannot be loaded or is no plug-in.
PluginDescription describePlugin(const std::string& path);
// The report of `mexhost --info`.
std::string describePluginText(const PluginDescription& description);

// ---- the interpreter -------------------------------------------------------------
struct HostOptions {
  bool exposeLocal = false;  // register library plug-ins' local functions at the prompt
  bool noPause = false;      // pause(t) returns at once
  double pauseCap = 2.0;     // the longest wait of pause(t), in seconds
};

class Interpreter {
 public:
  Interpreter(std::ostream& out, std::ostream& err, HostOptions options = {});
  ~Interpreter();
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // The host's function table. The graphics module registers into it with
  // registerGraphicsBuiltins(interpreter.builtins(), graphics).
  BuiltinTable& builtins();
  const HostOptions& options() const;

  // Loads a plug-in (runs its initialisers) and registers its functions; returns
  // their names. Raises rt::Error (mexhost:load) when it cannot.
  std::vector<std::string> loadPlugin(const std::string& path);
  // Runs every loaded plug-in's mexAtExit handlers (newest first) and finalisers,
  // and unloads it. A later call of one of its functions loads it again.
  void unloadPlugins();

  // Runs text as typed at the prompt, line by line (a line that leaves a bracket,
  // a block or a `...` continuation open takes the following lines with it). A
  // failed statement is reported and ends its line; the next line runs. Returns
  // false if any statement failed.
  bool execute(std::string_view text);
  // Runs a script file the same way. A file that cannot be read is reported.
  bool executeFile(const std::string& path);
  // False while `text` leaves a bracket, a block or a continuation open.
  bool isComplete(std::string_view text) const;

  // Calls a function by name with `nargout` results asked for (0: a statement).
  // Returns what the function returned (with nargout 0 possibly one value).
  std::vector<rt::Array> call(const std::string& name, const std::vector<rt::Array>& args,
                              int nargout);

  // The workspace.
  const rt::Array* variable(const std::string& name) const;
  void setVariable(const std::string& name, rt::Array value);
  bool clearVariable(const std::string& name);
  void clearVariables();
  std::vector<std::string> variableNames() const;

  // The command window.
  DisplayFormat& displayFormat();
  // Shows `name = value` as for an assignment without semicolon.
  void display(std::string_view name, const rt::Array& value);
  std::ostream& out();
  std::ostream& err();
  void reportError(std::string_view message);
  void reportWarning(std::string_view identifier, std::string_view message);
  // The message of the last error reported (lasterr).
  const std::string& lastError() const;

  // Called after every statement typed at the prompt (a whole if/for block is one
  // statement), whether it succeeded or failed; not for statements that a
  // plug-in runs through mexEvalString. The graphics module writes the figures
  // that changed here.
  std::function<void()> onStatementEnd;

  // Called when pause(t) starts to wait; its time counts towards the wait (which
  // then lasts as long as the hook, if that is longer). The host prepares here
  // what it will need when it writes the figures, such as the fonts.
  std::function<void()> onPause;

  // exit/quit: the session ends after the current statement.
  void requestExit(int status);
  bool exitRequested() const;
  int exitStatus() const;

 private:
  friend struct InterpreterAccess;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// ---- the command line ------------------------------------------------------------
struct CliOptions {
  // What to run, in order: statements (each one line) and script files.
  struct Item {
    bool script = false;
    std::string text;  // the statement, or the script's path
  };
  std::vector<Item> items;
  std::vector<std::string> plugins;          // --plugin, in order
  bool defaultPlugins = true;                // look for vextrab.so / vextral.so when no --plugin
  std::string outDir = "figures";            // --out: where figures are written
  std::string formats = "png,svg,pdf,json";  // --formats, as given (validated)
  std::string infoPlugin;                    // --info
  bool exposeLocal = false;
  bool noPause = false;
  bool quiet = false;      // --quiet: no report of the figure files written
  bool snapshots = false;  // --snapshots: drawnow writes figure<N>-drawnow.<ext>
};

std::string usageText();

// Parses the command line. Returns an exit status when the program should stop
// at once (--help: 0; a bad option: 2, after a message on `err`).
std::optional<int> parseCommandLine(int argc, const char* const* argv, CliOptions& options,
                                    std::ostream& out, std::ostream& err);

// Why figures cannot be written to `folder` (a regular file is in the way, a
// folder on the way is not writable), or "" when they can: the folder exists and
// is writable, or the nearest existing folder above it is, so it can be made.
std::string outputFolderProblem(const std::string& folder);

// Ctrl-C (SIGINT) stops the running statement with an error and the session goes
// on; at an idle prompt it does nothing; a second one before the first is seen
// ends the program. Installed once by the program.
void catchInterrupts();

HostOptions hostOptions(const CliOptions& options);

// The plug-in file that `nameOrPath` stands for: an existing file or a path
// with a folder as it is, otherwise a name such as `vextrab`, looked for as
// NAME.so (or the name as given when it ends in .so) where a call finds
// plug-ins, in the current folder and then beside the program. Raises rt::Error
// (mexhost:load) naming where it looked when there is none.
std::string findPlugin(const std::string& nameOrPath);

// `mexhost --info PLUGIN`: prints the description of findPlugin(PLUGIN); 0, or 1
// after an error message.
int printPluginInfo(const std::string& nameOrPath, std::ostream& out, std::ostream& err);

// The line on standard error after a statement that wrote figures: the stems
// written and their formats, e.g.
//   "figures written: figures/figure1, figures/figure2 (png, svg, pdf, json)".
std::string figuresWrittenLine(const std::vector<std::string>& stems,
                               const std::vector<std::string>& formats);

// Loads the plug-ins and runs the statements and scripts, or, when there are
// none, the session on `in`. On a terminal (`interactiveTerminal`, standard
// input) that is the prompt ">> " with line editing and a history kept in
// ~/.mexhost_history; a line that leaves a [ ] or { } bracket, a block or a
// `...` continuation open is continued on the next line. Otherwise the lines
// of `in` run as they come, without a prompt. Returns the exit status: non-zero
// if a plug-in given with --plugin could not be loaded, or a statement failed
// that was given on the command line, in a script or on `in` when it is not a
// terminal (the session still runs to the end); or the status given to exit.
int runSession(Interpreter& interpreter, const CliOptions& options, std::istream& in,
               bool interactiveTerminal);

}  // namespace mh
