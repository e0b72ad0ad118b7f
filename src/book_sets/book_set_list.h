// The book sets of a command run over many (check, screen): from several --db or
// --source, or the subfolders of --each, each with the name its report goes under; and
// the columns of the summary table that ends such a run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "book_sets/book_set_runs.h"

namespace qoru::book_sets {

// The book sets in the order given (databases, sources, then --each's subfolders by
// name, leaving out the folder `not_one` when it is among them: the workpapers' folder);
// nullopt with the reason in `error` when --each cannot be read or holds none.
std::optional<std::vector<BookSetInput>> ListBookSets(const std::vector<std::string>& databases,
                                                      const std::vector<std::string>& sources,
                                                      const std::string& each, std::string* error,
                                                      const std::string& not_one = {});

// --xlsx over many book sets names a folder (made when missing) with one workpaper per book
// set: sets each input's `xlsx` to FOLDER/NAME.xlsx, NAME the book set's name (for a
// database its path with the separators made "_"), the characters a file name cannot
// hold made "_", numbered where two would meet (on Windows, whose file names ignore case,
// "ABC" and "abc" meet), that book set's `xlsx_note` then saying so. The reason when the
// folder cannot serve or a workpaper cannot be written there: one that exists (unless
// `overwrite`) or is read-only, every target checked before any run.
std::string AssignWorkpapers(const std::string& folder, std::vector<BookSetInput>& inputs,
                             bool overwrite);

// The last component of a path ("a/b/" -> "b").
std::string LastComponent(std::string path);

// `text` padded with blanks to `columns` display columns, on the right or the left.
std::string PaddedColumn(const std::string& text, int columns);
std::string RightColumn(const std::string& text, int columns);

// --jobs: the runs at a time, 0 meaning one per core.
unsigned JobCount(unsigned jobs);

}  // namespace qoru::book_sets
