// Where a sample was drawn from, as its workpaper records it: each file read, with its
// size and SHA-256, so that a reviewer can show the workpaper belongs to the data and an
// evaluation can tell that the book set has not changed since. Kept apart from the rest
// of the workpaper: the files of a --db run are the database and its format
// description, those of a --source run the text files of the book set's folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qoru::sampling {

struct SourceFile {
  std::string path;  // as text (UTF-8), as the user gave it
  long long size = 0;
  std::string sha256;  // 64 hexadecimal digits
};

// The files of a converted book set: the database and, when there is one, its
// description.
std::vector<std::string> DatabaseFiles(const std::string& database, const std::string& description);
// The files of a book set's folder: its *.txt files (ASCII case ignored), by name.
std::vector<std::string> FolderFiles(const std::string& folder);

// Reads each file through and describes it; raises FileError when one cannot be read.
std::vector<SourceFile> DescribeFiles(const std::vector<std::string>& paths);

// The size and digest of one file; false when it cannot be read.
bool DigestFile(const std::string& path, long long* size, std::string* sha256);

// What has changed of the files recorded: one line per file that differs ("改变"), and
// apart the files that can no longer be found at their paths. `path_of` turns a recorded
// path (text) into the path to open.
struct ProvenanceCheck {
  std::vector<std::string> changed;
  std::vector<std::string> missing;
};
ProvenanceCheck CheckFiles(const std::vector<SourceFile>& recorded,
                           const std::function<std::string(const std::string&)>& path_of);

}  // namespace qoru::sampling
