// What the command-line host checks and prepares before it calls the library: the
// source directory must be a readable book set (a directory holding GSSM.txt), and
// the work directory gets what the library expects there (DataBase/empty.mdb, an
// empty template, and the folder TemplateTemp/), which must be writable; TemplateTemp
// is emptied of what an earlier conversion left there unless the user keeps it.
// Each check returns an empty text when all is well, else one Chinese line for the
// user that names the path and the reason.
#pragma once

#include <string>

namespace qoru::book_sets {

// `source` without a trailing "/".
std::string CheckSource(const std::string& source);

// A converted database given by --db must be a file.
std::string CheckDatabase(const std::string& database);
// The format description of a database given without --gssm: GSSM.txt beside it.
std::string DescriptionBeside(const std::string& database);

// Creates the work directory `work` (ending with "/") where it is missing and checks
// that it can be written.
std::string MakeWorkDirectory(const std::string& work);

// The database and the staged format description that a run leaves in work area
// `work` (ending with "/").
inline std::string WorkDatabase(const std::string& work) {
  return work + "TemplateTemp/GBA.mdb";
}
inline std::string WorkDescription(const std::string& work) {
  return work + "TemplateTemp/GSSM.txt";
}

// `work` ends with "/". The caller holds the work area's lock (work_area_lock.h).
std::string PrepareWorkArea(const std::string& work, bool keep_work);

}  // namespace qoru::book_sets
