// The host-independent plug-in loader (mexhost/loader) that mexhost's loader and
// the Octave bridge load library plug-ins with: descriptor checks, lookup,
// initialisers and finalisers, files that cannot be opened.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "mexlibrary_loader.hpp"
#include "runtime/error.hpp"

namespace {

std::vector<std::string> events;

void noCall(int, void*[], int, void*[]) {}
void initA() {
  events.push_back("init A");
}
void initB() {
  throw std::runtime_error("boom");
}
void initC() {
  events.push_back("init C");
}
void termA() {
  events.push_back("term A");
}
void termB() {
  throw std::runtime_error("stuck");
}
void termC() {
  events.push_back("term C");
}

std::string loadFailure(const mexLibraryDescriptor* d) {
  try {
    mh::lib::checkDescriptor("lib.so", d);
  } catch (const rt::Error& e) {
    EXPECT_EQ(e.identifier(), "mexhost:load");
    return e.message();
  }
  return "";
}

const mexFunctionEntry kRows[2] = {{"one", noCall, 1, 1, nullptr}, {"two", noCall, 2, 0, nullptr}};
const mexLocalFunctionTable kLocal = {2, kRows};
const mexFunctionEntry kTop[1] = {{"top", noCall, 3, 0, &kLocal}};

TEST(DescriptorCheck, AcceptsAWellFormedDescriptorAndFindsItsFunctions) {
  const mexLibraryDescriptor d = {1, 1, kTop, {0, 0, 0, 0}, 0, nullptr};
  EXPECT_EQ(loadFailure(&d), "");
  EXPECT_EQ(mh::lib::findFunction(d, "top"), &kTop[0]);
  EXPECT_EQ(mh::lib::findFunction(d, "one"), nullptr);
  EXPECT_EQ(mh::lib::findLocal(kTop[0].local, "two"), &kRows[1]);
  EXPECT_EQ(mh::lib::findLocal(nullptr, "two"), nullptr);
}

TEST(DescriptorCheck, LocalLookupSkipsRowsThatCannotBeCalled) {
  // A table a plug-in makes current itself is not checked: a row without a name
  // or an entry is passed over, and a later row of the same name is found.
  const mexFunctionEntry rows[3] = {{nullptr, noCall, 0, 0, nullptr},
                                    {"one", nullptr, 0, 0, nullptr},
                                    {"one", noCall, 1, 0, nullptr}};
  const mexLocalFunctionTable table = {3, rows};
  EXPECT_EQ(mh::lib::findLocal(&table, "one"), &rows[2]);
  EXPECT_EQ(mh::lib::findLocal(&table, "two"), nullptr);
}

TEST(DescriptorCheck, RejectsWhatWouldMakeTheHostReadWildMemory) {
  const std::string prefix = "Cannot load plug-in 'lib.so': ";
  EXPECT_EQ(loadFailure(nullptr), prefix + "_mexLibrary returned no descriptor");
  const mexLibraryDescriptor negative = {1, -1, kTop, {}, 0, nullptr};
  EXPECT_EQ(loadFailure(&negative), prefix + "the descriptor's function table is malformed");
  const mexLibraryDescriptor noTable = {1, 1, nullptr, {}, 0, nullptr};
  EXPECT_EQ(loadFailure(&noTable), prefix + "the descriptor's function table is malformed");
  const mexLibraryDescriptor noPairs = {1, 1, kTop, {}, 1, nullptr};
  EXPECT_EQ(loadFailure(&noPairs),
            prefix + "the descriptor's initialiser/finaliser table is malformed");
  const mexFunctionEntry unnamed[1] = {{nullptr, noCall, 0, 0, nullptr}};
  const mexLibraryDescriptor noName = {1, 1, unnamed, {}, 0, nullptr};
  EXPECT_EQ(loadFailure(&noName), prefix + "function 1 of the descriptor has no name or no entry");
  const mexFunctionEntry badRows[2] = {{"one", noCall, 1, 1, nullptr},
                                       {"two", nullptr, 0, 0, nullptr}};
  const mexLocalFunctionTable badLocal = {2, badRows};
  const mexFunctionEntry withBadLocal[1] = {{"top", noCall, 3, 0, &badLocal}};
  const mexLibraryDescriptor badRow = {1, 1, withBadLocal, {}, 0, nullptr};
  EXPECT_EQ(loadFailure(&badRow),
            prefix + "row 2 of the local function table of 'top' has no name or no entry");
}

TEST(Lifecycle, AFailedInitialiserUndoesTheOnesBeforeItAndStops) {
  events.clear();
  const mexInitTermPair pairs[3] = {{initA, termA}, {initB, termB}, {initC, termC}};
  const mexLibraryDescriptor d = {1, 1, kTop, {}, 3, pairs};
  try {
    mh::lib::runInitialisers("lib.so", d);
    FAIL() << "no error";
  } catch (const rt::Error& e) {
    EXPECT_EQ(e.message(), "Cannot load plug-in 'lib.so': initialiser 2 failed: boom");
  }
  EXPECT_EQ(events, (std::vector<std::string>{"init A", "term A"}));
}

TEST(Lifecycle, FinalisersRunLastFirstAndAFailureDoesNotStopTheRest) {
  events.clear();
  const mexInitTermPair pairs[3] = {{initA, termA}, {initA, termB}, {initC, termC}};
  const mexLibraryDescriptor d = {1, 1, kTop, {}, 3, pairs};
  std::vector<std::string> reports;
  mh::lib::runFinalisers("lib.so", d, [&](const std::string& m) { reports.push_back(m); });
  EXPECT_EQ(events, (std::vector<std::string>{"term C", "term A"}));
  EXPECT_EQ(reports, (std::vector<std::string>{"Finaliser 2 of 'lib.so' failed: stuck"}));
}

TEST(Lifecycle, AFileThatCannotBeOpenedIsReported) {
  try {
    mh::lib::LoadedLibrary library("/nonexistent/lib.so", nullptr);
    FAIL() << "no error";
  } catch (const rt::Error& e) {
    EXPECT_EQ(e.message().rfind("Cannot load plug-in '/nonexistent/lib.so': ", 0), 0u);
  }
}

}  // namespace
