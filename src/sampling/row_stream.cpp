#include "sampling/row_stream.h"

#include <charconv>

namespace qoru::sampling {

void StreamRows(
    checks::BookDatabase& db, std::string_view table, const std::vector<std::string>& expressions,
    const std::function<void(std::int64_t, std::int64_t, const std::string_view*)>& each) {
  // The rowid first, then the expressions, read ahead by the tables' scan.
  std::vector<std::string> selected{"rowid"};
  selected.insert(selected.end(), expressions.begin(), expressions.end());
  std::vector<std::string_view> values(expressions.size());
  db.ScanAhead(table, selected, [&](std::int64_t row, const checks::ScanRow& r) {
    const std::string_view id = r.Text(0);
    std::int64_t rowid = 0;
    std::from_chars(id.data(), id.data() + id.size(), rowid);
    for (std::size_t c = 0; c < values.size(); ++c) values[c] = r.Text(static_cast<int>(c + 1));
    each(row, rowid, values.data());
  });
}

}  // namespace qoru::sampling
