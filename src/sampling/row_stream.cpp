#include "sampling/row_stream.h"

namespace qoru::sampling {

void StreamRows(
    checks::BookDatabase& db, std::string_view table, const std::vector<std::string>& expressions,
    const std::function<void(std::int64_t, std::int64_t, const std::string_view*)>& each) {
  // Read ahead by the tables' scan, which has each row's rowid at hand.
  std::vector<std::string_view> values(expressions.size());
  db.ScanAhead(table, expressions, [&](std::int64_t row, const checks::ScanRow& r) {
    for (std::size_t c = 0; c < values.size(); ++c) values[c] = r.Text(static_cast<int>(c));
    each(row, r.Rowid(), values.data());
  });
}

}  // namespace qoru::sampling
