// What a workpaper records of its own making, so that a reviewer can show it belongs to
// the data it was made from: every file read with its size and SHA-256, the encoding
// they were read in, the program and its version, the options as the user gave them,
// the start and end of the run, and who prepared it. Written on a workpaper's cover
// (WriteProvenance) and into its JSON (ProvenanceJson); the same block for every
// workpaper the command line writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "workbook/workbook.h"

namespace qoru::provenance {

struct FileRecord {
  std::string role;  // what the file is to the run: "格式说明", "表文件", "数据库"
  std::string path;  // as text for a reader (UTF-8)
  std::uint64_t size = 0;
  std::string sha256;  // 64 hexadecimal digits
};

// The size and SHA-256 of the file at `path` (GBK bytes), read in blocks of 1 MiB.
// Raises FileError naming the file when it cannot be opened or read.
FileRecord RecordFile(const std::string& path, std::string role);

// The records of `paths`, hashed on up to `threads` threads at once, in the order
// given; raises the first FileError.
std::vector<FileRecord> RecordFiles(const std::vector<std::pair<std::string, std::string>>& paths,
                                    unsigned threads);

struct Provenance {
  std::vector<FileRecord> files;
  std::string encoding;  // of the files read, as the run read them; empty when not known
  std::string program = "qoru-gbtxt";
  std::string version;
  std::string command;  // the subcommand: "screen", "check"
  // The options as the user gave them, one word each ("--materiality=50万").
  std::vector<std::string> arguments;
  std::string started, ended;  // local time, "2026-12-08 22:40:00"
  std::string preparer;        // 编制人, or empty
};

nlohmann::ordered_json ProvenanceJson(const Provenance& p);

// Writes the block on `sheet` from row `row` (`title`, then key and value in columns A
// and B, then the files as a table: role, path, size, SHA-256) and returns the next free
// row.
std::size_t WriteProvenance(workbook::Workbook& book, lxw_worksheet* sheet, std::size_t row,
                            const Provenance& p, std::string_view title);

}  // namespace qoru::provenance
