// Completes the chart of accounts KJKM: every account whose parent (its code without
// the last two characters) is missing gets that parent, named "系统生成", with the
// child's balance direction. Passes run from the longest code length down by two;
// each leaves its scratch table tmp<N> in the database. Progress: 4 parts.
//
// The passes are as many as half the longest code's length: a hostile chart with a
// code of a million characters would run for hours. A code longer than the width that
// the description declares for 科目编号, and in any case longer than the widest text
// column (255 characters), so ends the completion before its first pass, naming the
// chart file and the code's line. Codes that fit complete as they always have.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "errors/errors.h"

namespace qoru {
class StageHost;
}

namespace qoru::db {

class StatementRunner;

// The statement that collects the missing parents of the codes of length n into tmp<n>.
std::string ParentAccountStatement(int n);
// The statement that appends tmp<n> to the chart.
std::string InsertParentsStatement(int n);
// The statement that reads the longest code length of the chart table.
std::string LongestCodeStatement(const std::string& chart_table);

inline constexpr std::size_t kWidestTextColumn = 255;

// What bounds the codes of the chart.
struct ChartCodeRule {
  std::size_t declared_width = 0;  // the description's width for 科目编号; 0: none
  std::size_t declared_at = 0;     // its line in GSSM.txt
  std::string chart_text;          // GBK path of the staged chart text, to find the code
  std::size_t header_lines = 1;    // header lines on top of it (one per section naming it)

  // The longest code allowed, in characters.
  std::size_t Limit() const;
};

// A code of the chart longer than the rule allows.
class ChartCodeTooLongError : public Failure {
 public:
  ChartCodeTooLongError(const std::string& message, std::string file, std::uint64_t line)
      : Failure(message), file_(std::move(file)), line_(line) {}
  const std::string& file() const { return file_; }  // GBK name of the chart file
  std::uint64_t line() const { return line_; }       // the code's line there; 0: not found

 private:
  std::string file_;
  std::uint64_t line_;
};

// Raises QueryClosedError when the length query could not be opened, and
// ChartCodeTooLongError, before any pass, when the longest code is longer than
// `rule` allows.
void CompleteChartOfAccounts(StatementRunner& runner, StageHost& host,
                             const std::string& accounts_file, const ChartCodeRule& rule = {});

}  // namespace qoru::db
