// Imports a comma-separated text file into a new table of a database file, the way
// the text driver reads a staging text file:
//   - the first line names the columns by CSV rules; an empty name becomes F1, F2 ...
//     after its position; a duplicate name (ASCII case ignored) fails the import;
//   - every column is TEXT (compared without ASCII case);
//   - every further line is a row, in file order: fields split at commas; a field that
//     starts with a double quote runs to its closing quote, a doubled quote inside
//     standing for one; an empty field is NULL; values are kept exactly, never trimmed;
//     a short row gets NULL for its missing fields; extra fields are dropped; an empty
//     line yields no row;
//   - text is converted from GBK to UTF-8;
//   - the import is atomic and fails when the table exists.
// Failures are EngineErrors that name the file, the table or the column.
//
// The rows are read and decoded on a thread of their own while the calling thread
// inserts them with one INSERT ... SELECT (row_batch_queue.h, queued_rows_table.h);
// memory stays at a few batches of rows whatever the size of the file.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace qoru::db {

struct TextImport {
  std::string directory;      // GBK path of the text directory
  std::string file_name;      // GBK name of the text file; found ignoring ASCII case
  std::string database_path;  // GBK path of the target database file (must exist)
  std::string table;          // UTF-8 name of the table to create
  // Runs the import on this already-open connection instead of opening database_path
  // (the caller commits before; the import then does BEGIN IMMEDIATE ... COMMIT on it).
  sqlite3* database = nullptr;
};

struct TextImportResult {
  std::uint64_t rows = 0;
  std::uint64_t replaced_characters = 0;  // bytes that were not valid GBK
  std::uint64_t first_replaced_line = 0;  // line of the first of them (from 1); 0: none
};

TextImportResult ImportTextFile(const TextImport& import);

}  // namespace qoru::db
