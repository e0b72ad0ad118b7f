#include "test_support/bookset.h"

#include <sqlite3.h>

#include <stdexcept>

#include "host/ole_string.h"
#include "plugin/do_it.h"
#include "text/gbk_codec.h"

namespace qoru::test {
namespace {

std::string Section(const std::string& name, const std::string& file,
                    const std::vector<std::string>& columns) {
  std::string s = "[" + name + "]\n" + file + "\n";
  for (const auto& c : columns) s += c + ",文本,100\n";
  return s + "\n";
}

// Forwards to a face owned by the test, so that it outlives DoIt's call.
class ForwardingFace : public Face {
 public:
  explicit ForwardingFace(HeadlessFace& target) : t_(target) {}
  FaceEvent WaitEvent(bool e, int i) override { return t_.WaitEvent(e, i); }
  bool ProcessMessages() override { return t_.ProcessMessages(); }
  void StatusChanged(const std::string& s) override { t_.StatusChanged(s); }
  void ProgressChanged(const ProgressBar& b) override { t_.ProgressChanged(b); }
  void StateChanged(DialogState s) override { t_.StateChanged(s); }
  void ErrorBox(const std::string& m) override { t_.ErrorBox(m); }
  void Notice(const std::string& m) override { t_.Notice(m); }

 private:
  HeadlessFace& t_;
};

}  // namespace

std::string BookSet::Gssm() const {
  std::string s =
      Section("会计科目", "KJKM.txt", {"科目编号", "科目名称", "余额方向", "辅助核算项"});
  s += Section("科目余额及发生额", "KMYE.txt", {"科目编号", "币种", "期初余额", "辅助核算组"});
  s += Section("记账凭证", "JZPZ.txt",
               {"科目编号", "摘要", "借方金额", "贷方金额", "币种", "作废标志", "辅助核算组"});
  s += "[辅助核算项档案]\n";
  for (const auto& t : aux_types) s += t + "\n";
  s += "\n";
  for (const auto& [type, file] : archives)
    s += Section(type, file, {type + "编号", type + "名称"});
  return s;
}

Workspace::Workspace() {
  work_ = tmp_.path() + "work/";
  source_ = tmp_.path() + "src";
  MakeDir(work_ + "DataBase");
  MakeDir(work_ + "TemplateTemp");
  MakeDir(source_);
  WriteFile(work_ + "DataBase/empty.mdb", "");
}

void Workspace::WriteTable(const std::string& name, const Rows& rows) const {
  std::string text;
  for (const Row& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) text += "\t";
      text += row[i];
    }
    text += "\r\n";
  }
  WriteFile(source_ + "/" + name, Gbk(text));
}

void Workspace::WriteSource(const std::string& name, const std::string& utf8) const {
  WriteFile(source_ + "/" + name, Gbk(utf8));
}

void Workspace::WriteBookSet(const BookSet& set) const {
  WriteSource("GSSM.txt", set.Gssm());
  WriteTable("KJKM.txt", set.kjkm);
  WriteTable("KMYE.txt", set.kmye);
  WriteTable("JZPZ.txt", set.jzpz);
  for (const auto& [type, file] : set.archives) {
    const auto it = set.archive_rows.find(file);
    WriteTable(file, it == set.archive_rows.end() ? Rows{} : it->second);
  }
}

RunOutcome RunDoIt(const std::string& work, const std::string& source,
                   HeadlessFace::Script script) {
  script.quiet = true;
  script.record = true;
  HeadlessFace face(script);
  SetFaceFactory([&face] { return std::make_unique<ForwardingFace>(face); });
  BSTR result = nullptr;
  DoItImpl(&result, 0, work.c_str(), source.c_str(), nullptr);
  SetFaceFactory(nullptr);
  RunOutcome outcome;
  outcome.result.assign(result, SysStringLen(result));
  SysFreeString(result);
  outcome.errors = face.errors();
  outcome.events = face.events();
  return outcome;
}

Rows QueryRows(const std::string& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + db_path);
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    const std::string message = sqlite3_errmsg(db);
    sqlite3_close(db);
    throw std::runtime_error(message + " in: " + sql);
  }
  Rows rows;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    Row row;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      const auto* text = sqlite3_column_text(stmt, i);
      row.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

std::vector<std::string> TablesOf(const std::string& db_path) {
  std::vector<std::string> names;
  for (const Row& r :
       QueryRows(db_path, "select name from sqlite_master where type='table' order by name"))
    names.push_back(r[0]);
  return names;
}

std::string Utf8(const std::u16string& text) {
  return Utf16ToUtf8(text);
}

BookSet TwoTypeSet() {
  BookSet set;
  set.aux_types = {"A", "B"};
  set.archives = {{"A", "ADA.txt"}, {"B", "BDA.txt"}};
  set.kjkm = {
      {"1001", "现金", "借", ""}, {"6602", "费用", "借", "A/B"}, {"1122", "应收", "借", "B"}};
  set.archive_rows = {{"ADA.txt", {{"a1", "甲"}, {"a2", "乙"}}}, {"BDA.txt", {{"b1", "丙"}}}};
  return set;
}

}  // namespace qoru::test
