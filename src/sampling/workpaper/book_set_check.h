// Whether the book set a sample was drawn from is still the one its workpaper records:
// each file of the cover's provenance looked at again, its size first (a file of
// another size has changed, and is not read), then its SHA-256, the files hashed on
// threads of their own. An evaluation of a sample from a changed book set is refused;
// a file no longer at its path is only reported.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "provenance/provenance.h"

namespace qoru::sampling {

struct BookSetCheck {
  std::vector<std::string> changed;          // the recorded paths whose size or digest differ
  std::vector<std::string> missing;          // the recorded paths where no file is now
  std::vector<provenance::FileRecord> read;  // the files read through, as they are now
};

// Checks the `recorded` files; `path_of` turns a recorded path (text) into the path to
// open. Raises FileError when a file that is there cannot be read.
BookSetCheck CheckBookSet(const std::vector<provenance::FileRecord>& recorded,
                          const std::function<std::string(const std::string&)>& path_of,
                          unsigned threads);

// Why an evaluation of `check`'s book set is refused (files changed since the sample was
// drawn); empty when none has.
std::string ChangedBookSetProblem(const BookSetCheck& check);
// The note for each recorded file that is no longer there.
std::vector<std::string> MissingFileNotes(const BookSetCheck& check);

}  // namespace qoru::sampling
