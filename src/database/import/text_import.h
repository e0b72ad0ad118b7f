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
//
// A caller may widen the table while it is imported (ImportWidening): it adds columns
// to the empty table, and fills them row by row on the reading thread, so that each row
// is written once, whole.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qoru::db {

struct RowBatch;

// What a caller adds to an import: columns after the file's own, with their values.
class ImportWidening {
 public:
  virtual ~ImportWidening() = default;
  // Calling thread, inside the import's transaction, once the table has been created
  // with the file's columns and before any row: may add columns to the table (`table`
  // is its name as created). Returns the position of a column that numbers the rows
  // 1, 2, 3 ... (an integer) where Fill leaves it null, or -1.
  virtual int Widen(sqlite3* db, const std::string& table) = 0;
  // Reading thread: row `number` (from 1) holds its values for the file's columns in
  // `batch`, from value `first` on. Appends one value for each added column, and may
  // point values (own or added) at other stretches of the batch's text. Must not throw.
  virtual void Fill(std::uint64_t number, RowBatch& batch, std::size_t first) = 0;
  // Calling thread: row `number` has been inserted. May throw; the import then fails.
  virtual void Inserted(std::uint64_t number) = 0;
};

struct TextImport {
  std::string directory;      // GBK path of the text directory
  std::string file_name;      // GBK name of the text file; found ignoring ASCII case
  std::string database_path;  // GBK path of the target database file (must exist)
  std::string table;          // UTF-8 name of the table to create
  // When set, the import runs on this open connection to the database (which must have
  // no transaction open) instead of opening database_path.
  sqlite3* database = nullptr;
  ImportWidening* widening = nullptr;  // optional; see ImportWidening
};

struct TextImportResult {
  std::uint64_t rows = 0;
  std::uint64_t replaced_characters = 0;  // bytes that were not valid GBK
  std::uint64_t first_replaced_line = 0;  // line of the first of them (from 1); 0: none
};

TextImportResult ImportTextFile(const TextImport& import);

// The column names that the import of `file_name` in `directory` would give its table
// (UTF-8), read from the file's first line. Raises the EngineError that the import
// would raise for the file: not found, unreadable, empty, or a duplicate name.
std::vector<std::string> ImportColumnNames(const std::string& directory,
                                           const std::string& file_name);

// A row of a text file as the import inserts it: its values decoded (null: nullopt),
// and the line of the file where its record starts.
struct ImportRow {
  std::uint64_t line = 0;
  std::vector<std::optional<std::string>> values;
};

// The rows that the import of `file_name` in `directory` inserts, read and decoded by
// its own rules, given to `each` in file order, without a database; returns their
// number. Raises the EngineError that the import would raise for the file.
std::uint64_t ReadImportRows(const std::string& directory, const std::string& file_name,
                             const std::function<void(const ImportRow&)>& each);

// The path of the file that the import of `file_name` in `directory` reads; the
// EngineError of the import when there is none.
std::string ImportFilePath(const std::string& directory, const std::string& file_name);

}  // namespace qoru::db
