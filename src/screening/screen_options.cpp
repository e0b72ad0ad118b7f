#include "screening/screen_options.h"

#include <string_view>

#include "checks/values/amount.h"
#include "checks/values/book_text.h"
#include "checks/values/written_amount.h"
#include "files/file_system.h"
#include "files/path_text.h"
#include "screening/calendar/calendar_file.h"
#include "screening/screen_text.h"

namespace qoru::screening {
namespace {

// A non-negative amount as an auditor writes it (1,000,000, 50万); nullopt with the
// reason in `error`.
std::optional<checks::Amount> NonNegativeAmount(const std::string& option, const std::string& value,
                                                bool zero_allowed, std::string* error) {
  const std::optional<checks::Amount> read = checks::AmountOption(option, value, error);
  if (!read) return std::nullopt;
  const checks::Amount a = *read;
  if (a.units() < 0 || (!zero_allowed && a.IsZero())) {
    *error = option + " 的值 " + value + (zero_allowed ? " 不能为负数" : " 必须大于 0");
    return std::nullopt;
  }
  return a;
}

// An integer at least `minimum`; nullopt with the reason in `error`.
std::optional<int> CountOption(const std::string& option, const std::string& value, int minimum,
                               std::string* error) {
  const std::string_view t = checks::TrimBlanks(value);
  bool digits = !t.empty() && t.size() <= 9;
  for (std::size_t i = (t.size() > 1 && t[0] == '-') ? 1 : 0; digits && i < t.size(); ++i)
    digits = t[i] >= '0' && t[i] <= '9';
  if (!digits || t == "-") {
    *error = option + " 的值 " + value + " 不是整数";
    return std::nullopt;
  }
  const int n = std::stoi(std::string(t));
  if (n < minimum) {
    *error = option + " 的值 " + value + (minimum > 0 ? " 必须大于 0" : " 不能为负数");
    return std::nullopt;
  }
  return n;
}

// The keywords of a file (UTF-8, one a line, blank lines skipped).
std::optional<std::vector<std::string>> KeywordFile(const std::string& path, std::string* error) {
  if (!IsRegularFile(path)) {
    *error = "--keywords 的文件 " + PathText(path) + (PathExists(path) ? " 不是文件" : " 不存在");
    return std::nullopt;
  }
  std::string text;
  if (!ReadWholeFile(path, &text)) {
    *error = "--keywords 的文件 " + PathText(path) + " 无法读取";
    return std::nullopt;
  }
  std::vector<std::string> words;
  switch (ReadKeywords(text, &words)) {
    case KeywordText::kWords:
      return words;
    case KeywordText::kNotUtf8:
      *error = "--keywords 的文件 " + PathText(path) + " 不是 UTF-8 文本";
      return std::nullopt;
    case KeywordText::kNoWords:
      break;
  }
  *error = "--keywords 的文件 " + PathText(path) + " 没有关键词";
  return std::nullopt;
}

}  // namespace

std::optional<ScreenOptions> ParseScreenOptions(const ScreenOptionTexts& o, std::string* error) {
  ScreenOptions c;
  ScreenParameters& p = c.parameters;
  for (const std::string& text : o.columns)
    if (!AddColumnOverride(text, c.columns, error)) return std::nullopt;
  const auto max_listed = CountOption("--max-listed", o.max_listed, 0, error);
  if (!max_listed) return std::nullopt;
  c.max_listed = static_cast<std::size_t>(*max_listed);
  if (!o.materiality.empty()) {
    p.materiality = NonNegativeAmount("--materiality", o.materiality, true, error);
    if (!p.materiality) return std::nullopt;
  }
  const auto unit = NonNegativeAmount("--round-unit", o.round_unit, false, error);
  if (!unit) return std::nullopt;
  p.round_unit = *unit;
  const auto minimum = NonNegativeAmount("--round-min", o.round_min, true, error);
  if (!minimum) return std::nullopt;
  p.round_min = *minimum;
  const struct {
    const char* option;
    const std::string& value;
    int minimum;
    int& out;
  } counts[] = {
      {"--rare-preparer", o.rare_preparer, 1, p.rare_preparer},
      {"--rare-pair", o.rare_pair, 1, p.rare_pair},
      {"--seldom", o.seldom, 1, p.seldom},
      {"--period-end-days", o.period_end_days, 1, p.period_end_days},
      {"--duplicate-days", o.duplicate_days, 0, p.duplicate_days},
  };
  for (const auto& count : counts) {
    const auto n = CountOption(count.option, count.value, count.minimum, error);
    if (!n) return std::nullopt;
    count.out = *n;
  }
  if (!o.keywords.empty()) {
    auto words = KeywordFile(o.keywords, error);
    if (!words) return std::nullopt;
    p.keywords = std::move(*words);
  } else {
    p.keywords = DefaultKeywords();
  }
  for (const std::string& w : o.keyword) {
    const std::string_view t = checks::TrimBlanks(w);
    if (t.empty() || !IsValidUtf8(t)) {
      *error = "--keyword 的值 " + w + " 不是有效的关键词";
      return std::nullopt;
    }
    p.keywords.emplace_back(t);
  }
  for (const std::string& path : o.holidays) {
    try {
      p.calendar.Add(ReadCalendarFile(path));
    } catch (const CalendarFileError& e) {
      *error = e.what();
      return std::nullopt;
    }
  }
  return c;
}

}  // namespace qoru::screening
