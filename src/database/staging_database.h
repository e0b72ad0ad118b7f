// The staging database of a run: the copy of the empty template to
// TemplateTemp/GBA.mdb, and the import of every table text file of the table map into
// it over the text directory connection, after which the connection is left open on
// the staging database.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "database/import/text_import.h"
#include "text/string_list.h"

namespace qoru::db {

class Connection;
class StatementRunner;

// Copies WorkDir + "DataBase/empty.mdb" to WorkDir + "TemplateTemp/GBA.mdb", keeping
// an existing staging database, and returns the staging database's path, the run's
// result path. The copy goes to a temporary name and is renamed into place, so it is
// never seen half-written. Raises FileError, copying nothing, when GBA.mdb or one of
// its journal names in TemplateTemp is a symbolic link, or when the template is neither
// empty nor an SQLite database; and FileError with the reason when the copy of an
// existing template fails (it cannot be read, the disk is full). A missing template
// copies nothing and is not reported here: the connection to GBA.mdb then fails.
std::string CreateStagingDatabase(const std::string& work_dir);

// Table name of a table map entry: the value after the first "=" without its last four
// characters; empty when that leaves nothing.
std::string ImportTableName(std::string_view entry);

// "select * into "T" in '<path>' from "T#txt"": the table's name quoted (QuoteName),
// whatever it holds, so that no text of the book set becomes a part of the statement.
std::string ImportStatement(std::string_view table, std::string_view result_path);

// A table map entry whose import the run carries out later than the import stage, on
// the connection to the staging database.
struct HeldImport {
  std::string statement;       // GBK: the import statement, as the import stage runs it
  TextImport import;           // what the statement stands for
  mutable bool tried = false;  // ImportHeld has run for it, whatever came of it
};

// Connects to the text directory, runs one import statement per table map entry (a
// failed import is skipped; an import into any other database than `result_path` is
// refused by the connection), then connects to the staging database. Engine errors of
// the connects pass to the caller. An entry whose table name `hold` accepts is not
// imported: it is returned, for ImportHeld.
std::vector<HeldImport> ImportTables(
    StatementRunner& runner, const std::string& work_dir, const std::string& result_path,
    const StringList& table_map,
    const std::function<bool(const std::string& table_gbk)>& hold = nullptr);

// Carries out a held import on the runner's connection to the staging database, with
// `widening` if given, as the import statement would have done it: reported to a host
// that follows statements, a rejection as a rejected statement (false), the characters
// that were not valid GBK noted on the connection. An EngineIoError passes on.
bool ImportHeld(StatementRunner& runner, const HeldImport& held,
                ImportWidening* widening = nullptr);

}  // namespace qoru::db
