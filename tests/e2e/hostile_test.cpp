// Hostile input at the prompt: one mexhost session per row of hostile_inputs.txt
// (the statement, then vextrab(0.1, 'm', 'm')). Each row must end as written
// there (the exact message, the kind of error, or the result with its warnings)
// without taking the session down, and the call after it must draw exactly the
// figures of a session that ran nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "session.hpp"

namespace e2e {
namespace {

const char* const kRecovery = "vextrab(0.1, 'm', 'm')";

struct Row {
  int line = 0;
  std::string where;
  std::string expectation;
  std::string statement;
};

std::string trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// {{TEXT*N}}: N copies of TEXT.
std::string expanded(std::string s) {
  for (std::size_t open = s.find("{{"); open != std::string::npos; open = s.find("{{", open)) {
    const std::size_t close = s.find("}}", open);
    const std::size_t star = s.rfind('*', close);
    if (close == std::string::npos || star == std::string::npos || star < open) break;
    const std::string text = s.substr(open + 2, star - open - 2);
    const int count = std::stoi(s.substr(star + 1, close - star - 1));
    std::string copies;
    for (int k = 0; k < count; ++k) copies += text;
    s.replace(open, close + 2 - open, copies);
    open += copies.size();
  }
  return s;
}

std::vector<Row> readRows() {
  std::vector<Row> rows;
  std::ifstream in(XT_HOSTILE_INPUTS);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (trimmed(line).empty() || trimmed(line)[0] == '#') continue;
    const std::size_t first = line.find(" | ");
    const std::size_t second = first == std::string::npos ? first : line.find(" | ", first + 3);
    if (second == std::string::npos) {
      rows.push_back({number, "malformed", "", line});
      continue;
    }
    Row r{number, trimmed(line.substr(0, first)),
          trimmed(line.substr(first + 3, second - first - 3)),
          expanded(trimmed(line.substr(second + 3)))};
    if (r.where == "both" || r.where == "mexhost") rows.push_back(std::move(r));
  }
  return rows;
}

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;) {
    parts.push_back(trimmed(text.substr(start, at - start)));
    start = at + separator.size();
  }
  parts.push_back(trimmed(text.substr(start)));
  return parts;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

bool startsWith(const std::string& s, const std::string& prefix) {
  return s.rfind(prefix, 0) == 0;
}

// Whether one line of standard error is what a clause of the expectation says.
bool matches(const std::string& clause, const std::string& line) {
  for (const std::string kind : {"error", "warning"}) {
    if (startsWith(clause, kind + ": ")) return line == clause;
    if (startsWith(clause, kind + "~ ")) {
      return startsWith(line, kind + ": ") &&
             line.find(clause.substr(kind.size() + 2), kind.size() + 2) != std::string::npos;
    }
    if (clause == kind) return startsWith(line, kind + ": ");
  }
  return false;
}

// The figure without the handles that tie its objects together: they number
// every object ever made in the session, so they differ after a row that drew.
json withoutHandles(json value) {
  static const std::set<std::string> handles = {"handle",      "lines",  "Children",
                                                "CurrentAxes", "Parent", "Legend",
                                                "Title",       "XLabel", "YLabel"};
  if (value.is_object()) {
    json out = json::object();
    for (auto it = value.begin(); it != value.end(); ++it) {
      if (handles.count(it.key()) == 0) out[it.key()] = withoutHandles(it.value());
    }
    return out;
  }
  if (value.is_array()) {
    for (json& element : value) element = withoutHandles(element);
  }
  return value;
}

void PrintTo(const Row& row, std::ostream* os) {
  *os << row.statement.substr(0, 80);
}

class HostileInput : public ::testing::TestWithParam<Row> {};

TEST_P(HostileInput, EndsAsExpectedAndTheNextCallDrawsAsInACleanSession) {
  const Row& row = GetParam();
  ASSERT_NE(row.where, "malformed") << "line " << row.line << " has no three fields";
  SCOPED_TRACE("hostile_inputs.txt:" + std::to_string(row.line) + ": " + row.statement);
  static const std::unique_ptr<Session> clean = run({kRecovery}, "--expose-local", Feed::Arguments);
  const std::unique_ptr<Session> s =
      run({row.statement, kRecovery}, "--expose-local", Feed::Arguments);
  // 0 or 1 (a statement failed); a signal shows as 128 + its number.
  ASSERT_TRUE(s->status() == 0 || s->status() == 1)
      << "mexhost did not exit normally (status " << s->status() << ")\n"
      << s->err();

  std::vector<std::string> clauses;
  std::vector<std::string> printed;
  bool anError = false;
  for (const std::string& clause : split(row.expectation, " ; ")) {
    if (clause == "ok") continue;
    if (startsWith(clause, "out: ")) {
      printed.push_back(clause.substr(5));
    } else {
      clauses.push_back(clause);
      anError = anError || startsWith(clause, "error");
    }
  }
  // Each clause takes one line; a clause ending in " +" takes one or more.
  const std::vector<std::string> written = lines(s->err());
  std::size_t next = 0;
  for (const std::string& clause : clauses) {
    const bool repeated = clause.size() > 2 && clause.compare(clause.size() - 2, 2, " +") == 0;
    const std::string single = repeated ? clause.substr(0, clause.size() - 2) : clause;
    const std::string got = next < written.size() ? written[next] : "<nothing more>";
    if (!matches(single, got)) {
      ADD_FAILURE() << "standard error line " << (next + 1) << "\n  wanted: " << clause
                    << "\n  got:    " << got << "\nall of it:\n"
                    << s->err();
      break;
    }
    ++next;
    while (repeated && next < written.size() && matches(single, written[next])) ++next;
  }
  EXPECT_LE(written.size(), next) << "more on standard error than expected:\n" << s->err();
  const std::vector<std::string> out = lines(s->out());
  for (const std::string& text : printed) {
    EXPECT_NE(std::find(out.begin(), out.end(), text), out.end())
        << "printed no line \"" << text << "\"; standard output:\n"
        << s->out();
  }
  EXPECT_EQ(s->status(), anError ? 1 : 0);

  // A row that made no graphics object leaves the handles as a clean session has
  // them, and the files are then the same to the byte; only the others are parsed.
  static const json cleanFigures[] = {withoutHandles(clean->figure(1)),
                                      withoutHandles(clean->figure(2))};
  for (int n : {1, 2}) {
    ASSERT_TRUE(s->hasFigure(n)) << "the call after the row drew no figure " << n;
    if (s->figureText(n) == clean->figureText(n)) continue;
    EXPECT_EQ(withoutHandles(s->figure(n)), cleanFigures[n - 1])
        << "figure " << n << " differs from a clean session's";
  }
}

std::string rowName(const ::testing::TestParamInfo<Row>& info) {
  std::string name = "line" + std::to_string(info.param.line) + "_";
  for (char c : info.param.statement) {
    if (name.size() > 40) break;
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileInput, ::testing::ValuesIn(readRows()), rowName);

}  // namespace
}  // namespace e2e
