// The two connection strings that the run builds, taken apart:
//   "Provider=...;Data Source=<dir>/;Extended Properties=text"  -- a text directory;
//   "Provider=...;Data Source='<path>';"                          -- a database file,
//       its path in SQL quotes with inner quotes doubled.
// Keys are found without regard to ASCII case. A string without "Data Source=", or
// with a quoted source that is never closed, is an EngineError that quotes it.
#pragma once

#include <string>

namespace qoru::db {

struct ConnectionTarget {
  bool text_directory = false;  // "Extended Properties=...text..." follows the source
  std::string source;           // GBK path: the text directory or the database file
};

ConnectionTarget ParseConnectionString(const std::string& text_gbk);

}  // namespace qoru::db
