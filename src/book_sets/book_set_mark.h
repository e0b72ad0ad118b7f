// The mark of the book set converted in a work area (WORK/.qoru-book-set): each source
// text file's name, size and a hash of its first 64 KB (regular files only), written before every
// conversion. `--keep-work` converts over an existing GBA.mdb only when the source is
// the one it was made from: over another book set the tables it holds would not be
// imported again, and the database would mix two book sets, silently.
#pragma once

#include <string>

namespace qoru::book_sets {

// The mark of the book set in `source` (no trailing "/").
std::string BookSetMark(const std::string& source);

// Why converting `source` over what the work area `work` (ending with "/") holds would
// mix two book sets; empty when it would not (no GBA.mdb there, or the same book set).
// A GBA.mdb without a mark cannot be told apart: empty, and `*unknown` set.
std::string KeepWorkProblem(const std::string& source, const std::string& work, bool* unknown);

// Writes the mark of `source` into `work`; the reason when it cannot.
std::string WriteBookSetMark(const std::string& source, const std::string& work);

}  // namespace qoru::book_sets
