// What a run of `check` or `screen` records for its workpaper and JSON (provenance.h):
// the files it read, hashed with SHA-256 on threads of their own while the book set is
// converted or loaded, the options as the user gave them, the start and end times, the
// preparer; and the report of the files a run wrote.
#pragma once

#include <future>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "provenance/provenance.h"

namespace qoru::book_sets {

// The local time now, "2026-12-08 22:40:00".
std::string NowText();

class RunRecord {
 public:
  // `command`: the subcommand; `arguments`: the options as given, one word each.
  RunRecord(std::string command, std::vector<std::string> arguments, std::string preparer);
  ~RunRecord();

  // The files of a run: every table file and the format description of the book set in
  // `source` (the *.txt files a conversion reads); or the database and its format
  // description; or a file of an option (keywords, a calendar).
  void AddSource(const std::string& source);
  void AddDatabase(const std::string& database, const std::string& description);
  void AddFile(const std::string& path, std::string role);
  // Starts hashing the files added, on threads of their own (once: a second call does
  // nothing).
  void Start();
  // Waits for the hashing and gives the provenance, ended now. Raises FileError when a
  // file could not be read.
  provenance::Provenance Finish(std::string encoding = {});

 private:
  provenance::Provenance provenance_;
  std::vector<std::pair<std::string, std::string>> files_;  // path, role
  std::future<std::vector<provenance::FileRecord>> hashed_;
};

// "files_written" for the JSON: the paths (as text) of the files written.
nlohmann::ordered_json FilesWrittenJson(const std::vector<std::string>& paths);

}  // namespace qoru::book_sets
