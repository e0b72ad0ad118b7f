// Reading an .xlsx workbook back, as Excel, LibreOffice or libxlsxwriter saved it: its
// sheets by name and the cells of a sheet, each a number (its text as stored, which
// keeps every digit the file holds), a text (shared, inline or a formula's result), a
// truth value or an error. Formulas are never evaluated: their stored results are read.
// The XML goes through expat with no DTD allowed, so no entity of the file is expanded;
// a damaged or hostile file raises WorkbookError naming it.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "workbook/workbook.h"

namespace qoru::workbook {

struct Cell {
  enum class Kind { kEmpty, kNumber, kText, kBool, kError };
  Kind kind = Kind::kEmpty;
  std::string text;  // a number's stored text ("1234.5599999999999"), a text, "1"/"0", "#N/A"
};

// A sheet's cells, sparse: rows and columns count from 0.
class SheetCells {
 public:
  const Cell& At(std::size_t row, std::size_t col) const;
  // The last row that holds a cell, plus one.
  std::size_t RowCount() const { return rows_.empty() ? 0 : rows_.rbegin()->first + 1; }
  void Set(std::size_t row, std::size_t col, Cell cell);

 private:
  std::map<std::size_t, std::map<std::size_t, Cell>> rows_;
};

class XlsxReader {
 public:
  // Opens the workbook at `path` (`shown` names it in messages). Raises WorkbookError.
  XlsxReader(const std::string& path, const std::string& shown);
  ~XlsxReader();
  XlsxReader(const XlsxReader&) = delete;
  XlsxReader& operator=(const XlsxReader&) = delete;

  // The sheets' names in the workbook's order.
  std::vector<std::string> SheetNames() const;
  bool HasSheet(const std::string& name) const;
  // The cells of the sheet `name`; raises WorkbookError when it has none of that name.
  SheetCells Sheet(const std::string& name) const;

 private:
  struct State;
  State* state_;
};

// The date of an Excel serial day number (the 1900 system, from 1900-03-01 on) as
// yyyymmdd; 0 when it is not one.
int SerialDate(double serial);

}  // namespace qoru::workbook
