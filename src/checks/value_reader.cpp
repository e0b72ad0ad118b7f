#include "checks/value_reader.h"

#include "checks/values/book_words.h"

namespace qoru::checks {

void ValueReader::Record(std::int64_t row, const std::string& column, std::string_view value,
                         std::string why) {
  bad_.Record([&] {
    Finding f;
    f.check = CheckId::kBadValue;
    f.table = table_;
    f.row = row;
    f.message = column + "的值“" + std::string(value) + "”" + why;
    f.fields = {{"table", table_}, {"row", row}, {"column", column}, {"value", value}};
    return f;
  });
}

Amount ValueReader::ReadAmount(const ScanRow& values, int i, std::int64_t row,
                               const std::string& column) {
  Amount amount;
  const std::string_view text = values.Text(i);
  switch (ParseAmount(text, &amount)) {
    case AmountText::kValue:
    case AmountText::kEmpty:
      break;
    case AmountText::kInvalid:
      Record(row, column, text, "不是金额，按 0 计");
      break;
    case AmountText::kOutOfRange:
      Record(row, column, text, "超出可精确计算的范围（至多 36 位有效数字、18 位小数），按 0 计");
      break;
  }
  return amount;
}

std::optional<CalendarDate> ValueReader::ReadDate(const ScanRow& values, int i, std::int64_t row,
                                                  const std::string& column) {
  const std::string_view text = values.Text(i);
  std::optional<CalendarDate> date = ParseCalendarDate(text);
  if (!date) Record(row, column, text, "不是有效日期（应为 yyyy-mm-dd、yyyy/mm/dd 或 yyyymmdd）");
  return date;
}

std::optional<int> ValueReader::ReadMonth(const ScanRow& values, int i, std::int64_t row,
                                          const std::string& column) {
  const std::string_view text = values.Text(i);
  std::optional<int> month = ParseMonth(text);
  if (!month) Record(row, column, text, "不是月份（应为 1 至 12）");
  return month;
}

}  // namespace qoru::checks
