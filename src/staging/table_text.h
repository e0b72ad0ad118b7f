// Table text preparation: every table file named in HeaderMap is rewritten in place
// as comma-separated text under a header line of its column names.
//   - the header line is the HeaderMap value without its enclosing single quotes;
//   - each row line is split at its tabs; a value holding a comma or a double quote is
//     written in double quotes with inner double quotes doubled, every other value as
//     it stands; the values are joined by ",";
//   - line ends follow the text line rules (CR LF; a text holding a NUL byte refused);
//   - a file that HeaderMap names a second time (two sections sharing one file) was
//     rewritten already: its lines stay as they are and only the later header line
//     goes on top, so the file holds both header lines, the later one first.
// Files are streamed through a temporary file beside them, so memory stays bounded by
// the longest line, whatever the size of the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/string_list.h"

namespace qoru {

// One row line of a table file in its comma-separated form.
std::string RewriteRow(std::string_view line);
// Appends the comma-separated form of `line` to `out`.
void AppendRewrittenRow(std::string_view line, std::string& out);

// The header line of a HeaderMap entry: its value without the enclosing quotes.
std::string HeaderLineOf(std::string_view entry);

// The header lines that table text preparation puts on top of `file`: one for each entry
// of `header_map` that names it (ASCII case ignored).
std::uint64_t HeaderLinesOf(std::string_view file, const StringList& header_map);

// What the preparation says of a table file `file` (GBK) that it cannot find: the
// sections of `table_map` that name it and `expected`, the path where it should be.
std::string MissingTableFileMessage(const std::string& file, const StringList& table_map,
                                    const std::string& expected);

// Rewrites every file of `header_map` in WorkDir + "TemplateTemp/". `table_map` only
// serves the messages (which description section named a missing file). Raises
// UnsafeNameError before touching any file when a name is not a bare file name, and
// FileError (naming the file) when a file cannot be read or written; files rewritten
// before the failure stay rewritten. A missing file is named in `source_dir` (the
// folder staging copied from) when it is given.
void PrepareTableTexts(const std::string& work_dir, const StringList& header_map,
                       const StringList& table_map, const std::string& source_dir = {});

}  // namespace qoru
