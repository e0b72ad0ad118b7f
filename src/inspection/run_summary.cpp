#include "inspection/run_summary.h"

#include <algorithm>
#include <functional>

#include <fmt/format.h>

#include "book_sets/work_area.h"
#include "database/engine/engine_error.h"
#include "database/engine/sqlite_handle.h"
#include "database/sql/jet_translator.h"
#include "files/file_system.h"
#include "host/trace.h"
#include "staging/format_description.h"
#include "text/gbk_codec.h"

namespace qoru::inspection {
namespace {

std::string Seconds(double s) {
  return fmt::format("{:.2f} 秒", s);
}

// The first value of the first row of `sql` as a number; -1 when the statement fails
// (a count over a column that the run never added) or yields nothing.
std::int64_t Number(sqlite3* db, const std::string& sql) {
  try {
    const db::SqliteStmt statement = db::Prepare(db, sql);
    if (sqlite3_step(statement.get()) != SQLITE_ROW ||
        sqlite3_column_type(statement.get(), 0) == SQLITE_NULL)
      return -1;
    return sqlite3_column_int64(statement.get(), 0);
  } catch (const db::EngineError&) {
    return -1;
  }
}

// The names of the database's tables, by name without regard to ASCII case.
std::vector<std::string> TableNames(sqlite3* db) {
  const db::SqliteStmt statement =
      db::Prepare(db,
                  "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE "
                  "'sqlite_%' ORDER BY name COLLATE NOCASE");
  std::vector<std::string> names;
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
    names.emplace_back(name == nullptr ? "" : name);
  }
  if (rc != SQLITE_DONE) db::ThrowEngineError(db);
  return names;
}

}  // namespace

void RunSummary::AddRejected(std::string statement, std::string message) {
  rejected_.push_back({std::move(statement), std::move(message)});
}

void RunSummary::AddStage(std::string name, double seconds) {
  stages_.push_back({std::move(name), seconds});
}

void RunSummary::Finish(const std::string& work, std::string result, std::string reason) {
  result_ = std::move(result);
  reason_ = std::move(reason);
  // A database that this run did not reach is an earlier run's: never described as its.
  // The import stage creates GBA.mdb.
  const bool imported = std::any_of(stages_.begin(), stages_.end(),
                                    [](const Stage& s) { return s.name == kStageImport; });
  const std::string path = book_sets::WorkDatabase(work);
  if (!imported || !IsRegularFile(path)) return;
  // Read as every database the tool reads: read-only and bounded, a double-quoted name
  // always a name, only tables read as tables.
  db::SqliteDb handle;
  std::vector<std::string> names;
  try {
    handle = db::OpenDatabaseReadOnly(path);
    names = TableNames(handle.get());
  } catch (const db::EngineError&) {
    return;
  }
  sqlite3* db = handle.get();
  database_found_ = true;
  for (const std::string& name : names) {
    tables_.push_back({name, Number(db, "SELECT count(*) FROM " + db::QuoteName(name))});
    // tmpN: the parents of N - 2 characters that the completion's pass N added.
    if (name.size() > 3 && name.compare(0, 3, "tmp") == 0 &&
        std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      const int n = std::stoi(name.substr(3));
      parents_added_.push_back(
          {std::to_string(n - 2),
           Number(db,
                  "SELECT count(*) FROM (SELECT DISTINCT \"科目编号\",\"科目名称\",\"余额方向\" "
                  "FROM " +
                      db::QuoteName(name) + ")")});
    }
  }
  std::sort(parents_added_.begin(), parents_added_.end(),
            [](const Count& a, const Count& b) { return std::stoi(a.name) > std::stoi(b.name); });

  // The auxiliary types as the run read them from the staged description.
  FormatDescription description;
  try {
    ReadFormatDescription(work, description);
  } catch (const std::exception&) {
  }
  for (const std::string& type_gbk : description.aux_item_names) {
    const std::string type = GbkToUtf8(type_gbk);
    const std::string filled =
        " WHERE " + db::QuoteName(type) + " IS NOT NULL AND " + db::QuoteName(type) + " <> ''";
    aux_cells_.push_back({type, Number(db, "SELECT count(*) FROM JZPZ" + filled),
                          Number(db, "SELECT count(*) FROM KMYE" + filled)});
  }
}

std::string RunSummary::Text() const {
  std::string out = "转换摘要：\n";
  out += result_ == "0" ? "  结果：0（" + reason_ + "）\n" : "  结果：" + result_ + "\n";
  if (!encoding_.empty()) out += "  源文件编码：" + encoding_ + "\n";
  if (!database_found_) {
    out += "  没有暂存数据库 GBA.mdb。\n";
  } else {
    out += "  表和行数：\n";
    for (const Count& t : tables_) out += fmt::format("    {:<12} {}\n", t.name, t.rows);
    std::string parents;
    for (const Count& p : parents_added_)
      parents += fmt::format("{}{} 位 {} 个", parents.empty() ? "" : "，", p.name, p.rows);
    out += "  补全的上级科目：" + (parents.empty() ? std::string("无") : parents) + "\n";
    out += "  填入的辅助核算编码（凭证 JZPZ / 余额 KMYE）：";
    if (aux_cells_.empty()) out += "无";
    for (std::size_t i = 0; i < aux_cells_.size(); ++i) {
      const AuxCells& c = aux_cells_[i];
      const auto shown = [](std::int64_t n) {
        return n < 0 ? std::string("-") : std::to_string(n);
      };
      out += fmt::format("{}{} {} / {}", i == 0 ? "" : "，", c.type, shown(c.vouchers),
                         shown(c.balances));
    }
    out += "\n";
    const auto rows_of = [&](const char* name) {
      for (const Count& t : tables_)
        if (t.name == name) return std::to_string(t.rows) + " 行";
      return std::string("没有生成");
    };
    out += "  aidInfo " + rows_of("aidInfo") + "，aidVour " + rows_of("aidVour") + "，aidBal " +
           rows_of("aidBal") + "\n";
  }
  out += fmt::format("  数据库拒绝的语句：{} 条\n", rejected_.size());
  for (const Rejected& r : rejected_) out += "    " + r.statement + "\n      → " + r.message + "\n";
  std::string stages;
  for (const Stage& s : stages_)
    stages += (stages.empty() ? "" : "，") + s.name + " " + Seconds(s.seconds);
  out += "  各阶段用时：" + (stages.empty() ? std::string("无") : stages) + "\n";
  return out;
}

nlohmann::ordered_json RunSummary::Json() const {
  nlohmann::ordered_json j;
  j["result"] = result_;
  j["succeeded"] = result_ != "0";
  if (result_ == "0") j["reason"] = reason_;
  if (!encoding_.empty()) j["encoding"] = encoding_;
  j["tables"] = nlohmann::ordered_json::array();
  for (const Count& t : tables_) j["tables"].push_back({{"name", t.name}, {"rows", t.rows}});
  j["parents_added"] = nlohmann::ordered_json::array();
  for (const Count& p : parents_added_)
    j["parents_added"].push_back({{"code_length", std::stoi(p.name)}, {"rows", p.rows}});
  j["aux_cells"] = nlohmann::ordered_json::array();
  for (const AuxCells& c : aux_cells_)
    j["aux_cells"].push_back({{"type", c.type},
                              {"JZPZ", c.vouchers < 0 ? nlohmann::ordered_json(nullptr)
                                                      : nlohmann::ordered_json(c.vouchers)},
                              {"KMYE", c.balances < 0 ? nlohmann::ordered_json(nullptr)
                                                      : nlohmann::ordered_json(c.balances)}});
  j["rejected"] = nlohmann::ordered_json::array();
  for (const Rejected& r : rejected_)
    j["rejected"].push_back({{"statement", r.statement}, {"message", r.message}});
  j["stages"] = nlohmann::ordered_json::array();
  for (const Stage& s : stages_) j["stages"].push_back({{"name", s.name}, {"seconds", s.seconds}});
  return j;
}

}  // namespace qoru::inspection
