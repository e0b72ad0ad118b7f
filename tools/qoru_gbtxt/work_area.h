// What the command-line host checks and prepares before it calls the library: the
// source directory must be a readable book set (a directory holding GSSM.txt), and
// the work directory gets what the library expects there (DataBase/empty.mdb, an
// empty template, and the folder TemplateTemp/); TemplateTemp is emptied of what an
// earlier conversion left there unless the user keeps it (or it cannot be written: the
// run then meets that itself and says so).
// Each check returns an empty text when all is well, else one Chinese line for the
// user that names the path and the reason.
#pragma once

#include <string>

namespace qoru::host {

// `source` without a trailing "/".
std::string CheckSource(const std::string& source);

// `work` ends with "/".
std::string PrepareWorkArea(const std::string& work, bool keep_work);

}  // namespace qoru::host
