#include "auxiliary/aux_rule.h"

#include <fmt/format.h>

#include "database/engine/engine_error.h"
#include "database/sql/jet_translator.h"
#include "text/gbk_text.h"

namespace qoru {
namespace {

// Calls `piece` with each piece of `text` between the occurrences of `separator`.
template <typename Piece>
void ForEachPiece(std::string_view text, std::string_view separator, Piece piece) {
  while (true) {
    const std::size_t p = text.find(separator);
    if (p == std::string_view::npos) {
      piece(text);
      return;
    }
    piece(text.substr(0, p));
    text.remove_prefix(p + separator.size());
  }
}

// Characters of a UTF-8 text as the engine's length() counts them: up to a NUL.
std::size_t Characters(std::string_view utf8) {
  std::size_t n = 0;
  for (const char c : utf8) {
    if (c == '\0') break;
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

}  // namespace

std::string BuildAuxColumnList(const StringList& names) {
  std::string text;
  for (const std::string& name : names)
    text += db::QuoteName(name) + fmt::format(" varchar({}),", kAuxCodeChars);
  if (!text.empty()) text.pop_back();
  return text;
}

StringList SplitText(std::string_view text, std::string_view separator) {
  StringList items;
  if (separator.empty() || text.empty()) return items;
  ForEachPiece(text, separator, [&](std::string_view piece) { items.Add(std::string(piece)); });
  return items;
}

std::string_view AuxGroup(std::string_view group) {
  return Trim(group);
}

std::string_view AuxAccount(std::string_view account) {
  return Trim(account);
}

AuxTable::AuxTable(std::string table, std::vector<AuxColumn> columns)
    : table_(std::move(table)), columns_(std::move(columns)) {
  for (std::size_t i = 0; i < columns_.size(); ++i)
    by_name_.emplace(AsciiLower(columns_[i].name), static_cast<int>(i));
}

int AuxTable::Find(std::string_view type) const {
  const auto it = by_name_.find(AsciiLower(type));
  return it == by_name_.end() ? -1 : it->second;
}

const AuxRule::Types& AuxRule::Split(std::string_view types) {
  if (const auto found = split_.find(types); found != split_.end()) return found->second;
  Types& t = split_[std::string(types)];
  const std::string_view trimmed = Trim(types);
  if (!trimmed.empty())
    ForEachPiece(trimmed, "/", [&](std::string_view name) {
      t.names.emplace_back(name);
      t.columns.push_back(table_.Find(name));
    });
  return t;
}

const AuxOutcome& AuxRule::Apply(std::string_view types, std::string_view group) {
  AuxOutcome& out = outcome_;
  out.failure = AuxOutcome::Failure::kNone;
  out.cells.clear();
  codes_.clear();
  ForEachPiece(group, "/", [&](std::string_view code) { codes_.push_back(code); });
  const Types& t = Split(types);
  out.codes = codes_.size();
  out.types = t.names.size();
  for (std::size_t k = 0; k < codes_.size(); ++k) {
    out.position = k;
    out.code = codes_[k];
    if (k >= t.names.size()) {
      out.failure = AuxOutcome::Failure::kCodeWithoutType;
      return out;
    }
    if (t.columns[k] < 0) {
      out.type = t.names[k];
      out.failure = AuxOutcome::Failure::kTypeNotAColumn;
      return out;
    }
    out.cells.push_back({static_cast<std::size_t>(t.columns[k]), codes_[k]});
  }
  // The engine checks each column's length on the value the row ends with, in the
  // order of the table's columns.
  last_.assign(table_.columns().size(), -1);
  for (std::size_t i = 0; i < out.cells.size(); ++i)
    last_[out.cells[i].column] = static_cast<int>(i);
  for (std::size_t c = 0; c < last_.size(); ++c) {
    if (last_[c] < 0) continue;
    const AuxOutcome::Cell& cell = out.cells[static_cast<std::size_t>(last_[c])];
    const std::size_t limit = table_.columns()[c].limit;
    if (limit == 0 || cell.code.size() <= limit || Characters(cell.code) <= limit) continue;
    out.failure = AuxOutcome::Failure::kCodeTooLong;
    out.position = static_cast<std::size_t>(last_[c]);
    out.code = cell.code;
    out.column = c;
    return out;
  }
  return out;
}

std::string AuxFailureMessage(const AuxTable& table, long long recno, std::string_view account,
                              std::string_view group, const AuxOutcome& outcome) {
  switch (outcome.failure) {
    case AuxOutcome::Failure::kCodeWithoutType:
      return fmt::format(
          "{} 第 {} 行：辅助核算组“{}”有 {} 个编码，但科目“{}”在 KJKM 中{}，第 {} 个编码“{}”"
          "没有对应的辅助核算项",
          table.table(), recno, group, outcome.codes, account,
          outcome.types == 0 ? std::string("没有辅助核算项（或 KJKM 中没有这个科目）")
                             : fmt::format("只有 {} 个辅助核算项", outcome.types),
          outcome.position + 1, outcome.code);
    case AuxOutcome::Failure::kTypeNotAColumn:
      return fmt::format(
          "{} 第 {} 行：科目“{}”的辅助核算项“{}”不是 {} 的列（辅助核算项档案中没有这个"
          "类型，或名称写法不同）",
          table.table(), recno, account, outcome.type, table.table());
    case AuxOutcome::Failure::kCodeTooLong:
      // The words of the engine's refusal of the row, as the run has always logged it.
      return fmt::format(
          "cannot update row {} of table {}: CHECK constraint failed: length({}) <= {}", recno,
          table.table(), db::QuoteName(table.columns()[outcome.column].name),
          table.columns()[outcome.column].limit);
    case AuxOutcome::Failure::kNone:
      break;
  }
  return std::string();
}

void ThrowAuxFailure(AuxOutcome::Failure failure, const std::string& message) {
  if (failure == AuxOutcome::Failure::kCodeTooLong) throw db::EngineError(message);
  throw AuxiliaryError(message);
}

}  // namespace qoru
