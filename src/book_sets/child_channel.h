// How a run over many book sets (book_set_runs.h) tells each of its children what it
// wants of it. Not by options, which a user could type and would find among the
// suggestions for a mistyped one, but by two environment variables that the parent
// sets for the child it starts: the file for the child's text report (its JSON goes to
// its standard output, which the parent has it write to a file of its own), and whether
// the JSON may leave out the items (screen, whose parent needs only the counts).
#pragma once

#include <string>

namespace qoru::book_sets {

inline constexpr const char* kChildTextVariable = "QORU_CHILD_TEXT_REPORT";
inline constexpr const char* kChildSummaryVariable = "QORU_CHILD_SUMMARY_JSON";

struct ChildChannel {
  std::string text_report;    // where the text report goes; empty: not a child
  bool summary_json = false;  // the JSON without its items

  bool child() const { return !text_report.empty(); }
};

// What the parent asked of this process (nothing when it is none's child).
ChildChannel ChildChannelOfThisProcess();

// Writes `text` as the child's text report; the reason (UTF-8, naming the file) when it
// cannot, else empty.
std::string WriteChildText(const ChildChannel& channel, const std::string& text);

}  // namespace qoru::book_sets
