// The loader with the two test plug-ins: what it reads from a plug-in, the
// order of initialiser, calls, exit handlers and finalisers, the local function
// table, errors raised through the host, and arrays released on every path.
#include <gtest/gtest.h>

#include <sstream>

#include "mexhost/mexhost.hpp"
#include "mexhost/mxhost.hpp"
#include "runtime/error.hpp"
#include "runtime/ops.hpp"

namespace mh {
namespace {

using rt::Array;

const std::string kLib = std::string(MEXHOST_TEST_PLUGINS) + "/testlib.so";
const std::string kMex = std::string(MEXHOST_TEST_PLUGINS) + "/testmex.so";

rt::Error errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const rt::Error& e) {
    return e;
  }
  ADD_FAILURE() << "expected an rt::Error";
  return rt::Error("", "");
}

TEST(PluginDescription, LibraryDescriptorAndStringResources) {
  const PluginDescription d = describePlugin(kLib);
  EXPECT_TRUE(d.library);
  EXPECT_EQ(d.version, 1);
  ASSERT_EQ(d.entries.size(), 1u);
  EXPECT_EQ(d.entries[0].name, "testlib");
  EXPECT_EQ(d.entries[0].inputs, 2);
  EXPECT_EQ(d.entries[0].outputs, 1);
  ASSERT_EQ(d.entries[0].locals.size(), 2u);
  EXPECT_EQ(d.entries[0].locals[0].name, "tl_double");
  EXPECT_EQ(d.entries[0].locals[1].inputs, 0);
  EXPECT_EQ(d.initTermPairs, 1);
  ASSERT_EQ(d.strings.size(), 2u);
  EXPECT_EQ(d.strings[1], (std::pair<int, std::string>{101, "Ålder på biblioteket"}));
}

TEST(PluginDescription, ClassicPluginIsNamedAfterItsFile) {
  const PluginDescription d = describePlugin(kMex);
  EXPECT_FALSE(d.library);
  ASSERT_EQ(d.entries.size(), 1u);
  EXPECT_EQ(d.entries[0].name, "testmex");
  EXPECT_EQ(d.entries[0].inputs, -1);
  EXPECT_TRUE(d.strings.empty());
}

TEST(PluginDescription, FilesThatAreNoPlugins) {
  EXPECT_NE(
      errorOf([] { describePlugin("/nonexistent/x.so"); }).message().find("/nonexistent/x.so"),
      std::string::npos);
  // libmx itself is a shared library without either entry.
  EXPECT_NE(errorOf([&] { describePlugin(MEXHOST_LIBMX); }).message().find("exports neither"),
            std::string::npos);
}

class Loaded : public ::testing::Test {
 protected:
  explicit Loaded(bool expose = false) : host(out, err, HostOptions{expose, true, 2.0}) {}
  void SetUp() override {
    baseline = liveArrayCount();
    host.loadPlugin(kLib);
    host.loadPlugin(kMex);
  }
  std::vector<Array> call(const std::string& name, std::vector<Array> args, int nargout = 1) {
    return host.call(name, args, nargout);
  }
  std::ostringstream out;
  std::ostringstream err;
  Interpreter host;
  std::size_t baseline = 0;
};

TEST_F(Loaded, TheInitialiserRunsOnceBeforeTheFirstEntry) {
  EXPECT_EQ(out.str(), "testlib: initialiser\n");
  EXPECT_EQ(call("testlib", {Array::str("const")})[0].scalar(), 42);
  call("testlib", {Array::str("const")});
  EXPECT_EQ(out.str(), "testlib: initialiser\n");
}

TEST_F(Loaded, LoadingTheSameFileAgainDoesNothing) {
  EXPECT_EQ(host.loadPlugin(kLib), std::vector<std::string>{"testlib"});
  EXPECT_EQ(out.str(), "testlib: initialiser\n");
}

TEST_F(Loaded, ExitHandlersNewestFirstThenTheFinaliserAtUnload) {
  call("testlib", {Array::str("atexit")}, 0);
  call("testmex", {Array::str("atexit")}, 0);
  out.str("");
  host.unloadPlugins();
  EXPECT_EQ(out.str(), "testmex: exit handler\ntestlib: exit handler\ntestlib: finaliser\n");
  // A call after unloading loads the plug-in again.
  out.str("");
  EXPECT_EQ(call("testlib", {Array::str("const")})[0].scalar(), 42);
  EXPECT_EQ(out.str(), "testlib: initialiser\n");
}

TEST_F(Loaded, LocalFunctionsAreFoundByNameOnlyWhileTheLibraryRuns) {
  EXPECT_EQ(call("testlib", {Array::str("local"), rt::row({1, 2})})[0].re(),
            (std::vector<double>{2, 4}));
  EXPECT_TRUE(rt::isTrue(call("testlib", {Array::str("table")})[0]));
  EXPECT_EQ(currentLocalFunctionTable(), nullptr);
  EXPECT_EQ(errorOf([&] { call("tl_double", {Array(1.0)}); }).message(),
            "Undefined function or variable 'tl_double'.");
  // Another plug-in does not see them either.
  EXPECT_EQ(errorOf([&] {
              call("testmex", {Array::str("call"), Array::str("tl_double"), Array(3.0)});
            }).message(),
            "Undefined function or variable 'tl_double'.");
  EXPECT_EQ(
      call("testmex", {Array::str("call"), Array::str("sum"), rt::row({1, 2, 3})})[0].scalar(), 6);
}

TEST_F(Loaded, ErrorsRaisedThroughTheHostKeepTheirTextAndIdentifier) {
  const rt::Error e = errorOf([&] { call("testlib", {Array::str("error")}, 0); });
  EXPECT_EQ(e.identifier(), "testlib:failed");
  EXPECT_EQ(e.message(), "Fel i testlib: 7 (åäö)");
  EXPECT_EQ(currentLocalFunctionTable(), nullptr);
  EXPECT_EQ(call("testlib", {Array::str("const")})[0].scalar(), 42);  // the next call works
  EXPECT_EQ(errorOf([&] { call("testlib", {Array::str("hosterror")}, 0); }).message(),
            "Värdfel från testlib");
  EXPECT_EQ(errorOf([&] { call("testmex", {Array::str("errorid")}, 0); }).identifier(),
            "testmex:tooLarge");
  EXPECT_EQ(call("testlib", {Array::str("trap")})[0].utf8(), "fångat fel");
}

TEST_F(Loaded, NoArrayOutlivesACallOrAFailedCall) {
  const std::size_t loaded = liveArrayCount();
  EXPECT_EQ(loaded, baseline + 1);  // the plug-in's constant
  call("testlib", {Array::str("local"), rt::row({1, 2})});
  call("testmex", {Array::str("cell")});
  call("testmex", {Array::str("two")}, 2);
  EXPECT_EQ(liveArrayCount(), loaded);
  errorOf([&] { call("testlib", {Array::str("error")}, 0); });
  errorOf([&] { call("testlib", {Array::str("hosterror")}, 0); });
  errorOf([&] { call("testmex", {Array::str("struct")}); });
  errorOf([&] { call("testmex", {Array::str("noout")}); });
  EXPECT_EQ(liveArrayCount(), loaded);
  host.unloadPlugins();
  EXPECT_EQ(liveArrayCount(), baseline);
}

TEST_F(Loaded, OutputSlots) {
  // Slot 1 filled with no output asked for: the statement's ans.
  EXPECT_EQ(call("testmex", {Array::str("two")}, 0).size(), 1u);
  EXPECT_EQ(call("testmex", {Array::str("two")}, 2)[1].scalar(), 2);
  EXPECT_TRUE(call("testmex", {Array::str("noout")}, 0).empty());
  EXPECT_EQ(errorOf([&] { call("testmex", {Array::str("noout")}); }).message(),
            "One or more output arguments not assigned during call to 'testmex'.");
  EXPECT_EQ(
      errorOf([&] { call("testlib", {Array::str("const")}, 2); }).message(),
      "The function \"testlib\" was called with more than the declared number of outputs (1).");
}

TEST_F(Loaded, ArraysCrossTheBoundaryUnchanged) {
  EXPECT_EQ(call("testmex", {Array::str("reverse"), Array::str("åäö")})[0].utf8(), "öäå");
  const Array z = call("testmex", {Array::str("conj"), Array(rt::Complex(1, 2))})[0];
  EXPECT_EQ(z.at(0), rt::Complex(1, -2));
  const Array c = call("testmex", {Array::str("cell")})[0];
  ASSERT_TRUE(c.isCell());
  EXPECT_EQ(c.cells()[1].utf8(), "två");
  EXPECT_EQ(call("testmex", {Array::str("classes"), Array(1.0), Array::str("a"),
                             Array::logicalScalar(true), Array::cell({1, 1})})[0]
                .utf8(),
            "double,char,logical,cell");
  const Array echoed = call("testlib", {Array::str("echo"), rt::zeros({2, 1, 3})})[0];
  EXPECT_EQ(echoed.dims(), (rt::Dims{2, 1, 3}));
}

TEST_F(Loaded, PluginsReachTheHostServices) {
  out.str("");
  call("testlib", {Array::str("print"), Array::str("hej")}, 0);
  EXPECT_EQ(out.str(), "utskrift: hej\n");
  EXPECT_EQ(call("testlib", {Array::str("name")})[0].utf8(), "testlib");
  EXPECT_EQ(call("testmex", {Array::str("name")})[0].utf8(), "testmex");
  call("testlib", {Array::str("warn")}, 0);
  EXPECT_EQ(err.str(), "warning: varning 3\n");
  out.str("");
  EXPECT_EQ(call("testlib", {Array::str("eval"), Array::str("y = 5")})[0].scalar(), 0);
  EXPECT_EQ(out.str(), "y = 5\n");
  EXPECT_EQ(host.variable("y")->scalar(), 5);
  EXPECT_EQ(call("testlib", {Array::str("eval"), Array::str("nope")})[0].scalar(), 1);
}

TEST_F(Loaded, UnloadingWhileAPluginRunsIsRefused) {
  EXPECT_EQ(call("testlib", {Array::str("eval"), Array::str("clear mex")})[0].scalar(), 1);
  EXPECT_NE(err.str().find("while one of them is running"), std::string::npos);
  EXPECT_EQ(call("testlib", {Array::str("const")})[0].scalar(), 42);
}

class LoadedExposed : public Loaded {
 protected:
  LoadedExposed() : Loaded(true) {}
};

TEST_F(LoadedExposed, LocalFunctionsAreCallableAtThePrompt) {
  EXPECT_EQ(call("tl_double", {Array(21.0)})[0].scalar(), 42);
  // The library's table is current while its local function runs.
  EXPECT_TRUE(rt::isTrue(call("tl_table", {})[0]));
  EXPECT_EQ(currentLocalFunctionTable(), nullptr);
}

}  // namespace
}  // namespace mh
