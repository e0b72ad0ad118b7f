// The input of a command that reads one book set (check, screen, sample): a converted
// database (--db) with its format description (--gssm, else GSSM.txt beside it), or a
// book set's folder (--source) converted for the purpose into a scratch area of the
// command's own (scratch_area.h), removed with everything in it however the run ends.
// Two steps, so that the run's record is made from the options as they stand checked.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "book_sets/run_record.h"
#include "book_sets/scratch_area.h"

namespace qoru::book_sets {

// Converts the book set `source` into the prepared work area `work` (ending in "/");
// when it does not succeed, false with the reason in `why` and in `stages` the stages
// it went through, the last the one it stopped in.
using Converter = std::function<bool(const std::string& work, const std::string& source,
                                     std::string* why, std::vector<std::string>* stages)>;

struct CommandInput {
  std::string database;     // --db
  std::string description;  // --gssm; CheckInput puts the one beside the database here
  std::string source;       // --source; CheckInput takes its trailing "/" off
};

// The book set of an input, to be read.
struct InputBookSet {
  std::string database;
  std::string description;
  std::string name;                    // as the report names it: the path given, as text
  std::string failure;                 // why the conversion stopped short, or empty
  std::vector<std::string> stages;     // the stages of that conversion
  std::optional<ScratchArea> scratch;  // where --source is converted
};

// Why an input cannot be read (empty when it can); `description`: its format description
// is the trouble.
struct InputProblem {
  std::string message;
  bool description = false;
};

// `words` (the options of a run as given, one word each) with --db, --gssm and --source
// of `input` where given, every word as text: for the record of the run.
std::vector<std::string> RecordedWords(std::vector<std::string> words, const CommandInput& input);

// The first step: the database a file, its format description there and readable
// (`reader`, what the command does with the book set: "检查"); or the source a book set
// and a scratch area made for `command`; `book_set` filled in.
InputProblem CheckInput(CommandInput& input, const char* command, std::string_view reader,
                        InputBookSet& book_set);

// The second step, once the run's record is made: its files added to `record` when
// `recorded` (a source's hashed from now on, while it converts), and a source converted.
// A conversion that stopped but left a database is read when `partial` allows it (its
// reason in `failure`). The reason for the user when the book set cannot be read, else
// empty.
std::string ReadInput(InputBookSet& book_set, const CommandInput& input, const Converter& convert,
                      RunRecord& record, bool recorded, bool partial);

}  // namespace qoru::book_sets
