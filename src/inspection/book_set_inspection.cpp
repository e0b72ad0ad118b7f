#include "inspection/book_set_inspection.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

#include <fmt/format.h>

#include "auxiliary/aux_columns.h"
#include "book_sets/scratch_area.h"
#include "database/chart_completion.h"
#include "database/engine/engine_error.h"
#include "database/import/csv_reader.h"
#include "database/import/text_import.h"
#include "database/query/connection.h"
#include "database/query/query.h"
#include "database/query/statement_runner.h"
#include "database/sql/jet_translator.h"
#include "database/staging_database.h"
#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "files/text_lines.h"
#include "inspection/description_findings.h"
#include "inspection/pass_forecast.h"
#include "staging/format_description.h"
#include "staging/source_encoding_copy.h"
#include "staging/source_staging.h"
#include "staging/table_names.h"
#include "staging/table_text.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"
#include "text/string_list.h"

namespace qoru::inspection {
namespace {

// The inspection, step by step in the order of a run.
class Inspection {
 public:
  Inspection(const std::string& source, std::optional<SourceEncoding> choice)
      : source_(source), read_(source), choice_(choice) {
    report_.source = PathText(source);
  }

  InspectionReport Run() {
    ListFiles();
    ReadEncoding();
    if (!ReadDescription() || !TextsCanBeRead()) return std::move(report_);
    CheckTableFiles();
    BuildStructure();
    ReportTables();
    Pass("JZPZ", RunStep::kVoucherPass);
    Pass("KMYE", RunStep::kBalancePass);
    ArchiveFindings(description_, report_);
    std::stable_sort(report_.findings.begin(), report_.findings.end(),
                     [](const Finding& a, const Finding& b) {
                       if (a.step != b.step) return a.step < b.step;
                       return a.row < b.row;
                     });
    return std::move(report_);
  }

 private:
  void Add(bool fatal, RunStep step, std::string file, std::uint64_t line, std::string value,
           std::string message, std::uint64_t row = 0) {
    report_.findings.push_back(
        {fatal, step, row, std::move(file), line, std::move(value), std::move(message)});
  }

  // The files that staging copies: every "*.txt" of the source, each of which must be
  // a readable file.
  void ListFiles() {
    StringList names;
    names.SetCommaText(ListSourceFiles(source_));
    for (const std::string& name : names) {
      staged_.insert(name);
      const std::string path = source_ + "/" + name;
      if (!IsRegularFile(path) || !os::CanRead(path)) {
        Add(true, RunStep::kStaging, PathText(name), 0, "",
            fmt::format("拷贝源文件失败：{} 不是可读的文件，转换在拷贝时停止", PathText(path)));
        continue;
      }
      try {
        if (const std::optional<NulByte> nul = FindNulByte(path)) nuls_[AsciiLower(name)] = *nul;
      } catch (const FileError&) {
        // Staging says that it cannot read the file; the finding above is its word.
      }
    }
  }

  // A NUL byte in a text that the run reads, or a file-name line that cannot name its
  // table: the run refuses the book set after reading the description, and nothing
  // after that is looked at.
  bool TextsCanBeRead() {
    bool readable = true;
    for (const auto& [file, nul] : CutTexts(nuls_, description_)) {
      Add(true, RunStep::kDescription, PathText(file), nul.line, "",
          NulByteMessage(source_ + "/" + file, nul));
      readable = false;
    }
    for (const TableNameProblem& p : TableNameProblems(description_)) {
      Add(true, RunStep::kDescription, "GSSM.txt", p.line,
          GbkToUtf8(EntryValue(description_.table_map[p.entry])), p.message);
      readable = false;
    }
    return readable;
  }

  // The book set's encoding as staging finds it. A UTF-8 book set is read from copies
  // re-encoded as staging makes them; a file in the other encoding stops the run.
  void ReadEncoding() {
    const BookSetEncoding encoding = DetectBookSetEncoding(source_, choice_);
    report_.encoding = encoding.Describe();
    const bool utf8 = encoding.encoding == SourceEncoding::kUtf8;
    if (utf8) {
      recoded_.emplace("inspect-text");
      read_ = recoded_->work() + "TemplateTemp";
    }
    for (const std::string& name : staged_) {
      const std::string path = source_ + "/" + name;
      if (!IsRegularFile(path)) continue;
      try {
        if (utf8) {
          std::optional<NulByte> nul;  // found by ListFiles
          CopyUtf8TextAsGb18030(path, read_ + "/" + name, name, &nul);
        } else if (!encoding.forced) {
          RequireNotUtf8(path, name);
        }
      } catch (const FileError& e) {
        Add(true, RunStep::kStaging, PathText(name), 0, "",
            std::string(e.what()) + "，转换在拷贝时停止");
      }
    }
  }

  bool ReadDescription() {
    const std::string path = read_ + "/GSSM.txt";
    if (const auto nul = nuls_.find("gssm.txt"); nul != nuls_.end()) {
      Add(true, RunStep::kDescription, "GSSM.txt", nul->second.line, "",
          NulByteMessage(source_ + "/GSSM.txt", nul->second));
      return false;
    }
    if (staged_.count("GSSM.txt") == 0 || !IsRegularFile(path)) {
      Add(true, RunStep::kDescription, "GSSM.txt", 0, "",
          "找不到格式说明文件 GSSM.txt：源目录中没有 GSSM.txt，没有可导入的表，"
          "转换在补全会计科目时停止");
      return false;
    }
    report_.description_found = true;
    if (!ReadFormatDescriptionLines(LoadLines(path), description_))
      Add(false, RunStep::kDescription, "GSSM.txt", description_.stopped_at_line, "",
          StoppedReadingMessage(description_));
    DescribeDescription(description_, report_);
    return true;
  }

  // The table text preparation stops at the first file that it cannot open.
  void CheckTableFiles() {
    for (const std::string& entry : description_.header_map) {
      const std::string file(EntryName(entry));
      try {
        CheckBareFileName(file, "GSSM.txt");
      } catch (const Failure& e) {
        Add(true, RunStep::kTableTexts, GbkToUtf8(file), 0, GbkToUtf8(file), e.what());
        unusable_.insert(file);
        continue;
      }
      if (staged_.count(file) > 0 && IsRegularFile(source_ + "/" + file)) continue;
      if (unusable_.insert(file).second) {
        report_.missing_files.push_back(GbkToUtf8(file));
        Add(true, RunStep::kTableTexts, GbkToUtf8(file), 0, "",
            MissingTableFileMessage(file, description_.table_map, source_ + "/" + file));
      }
    }
  }

  // Files whose rows go whole into the scratch database: the chart of accounts (for
  // its completion and the look-ups); every other table only needs its header.
  bool IsChartFile(const std::string& file) const {
    const std::string table = AsciiLower(db::ImportTableName("=" + file));
    return !table.empty() &&
           (table == "kjkm" ||
            table == AsciiLower(db::ImportTableName("=" + description_.accounts_file)));
  }

  // The run's table texts twice over: in the scratch area the chart whole and every
  // other table its header alone, imported, completed and passed as in a run; beside
  // them every other table's text whole, whose rows the import's own reader reads.
  void BuildStructure() {
    StringList header_map;
    if (!MakeDirectories(rows_work_ + "TemplateTemp"))
      throw FileError("无法创建预检用的临时目录", rows_work_ + "TemplateTemp");
    for (const std::string& entry : description_.header_map) {
      const std::string file(EntryName(entry));
      if (unusable_.count(file) > 0) continue;
      header_map.Add(entry);
      const std::string target = scratch_.work() + "TemplateTemp/" + file;
      if (PathExists(target)) continue;
      if (IsChartFile(file)) {
        CopyTextLines(read_ + "/" + file, target);
      } else {
        CopyTextLines(read_ + "/" + file, rows_work_ + "TemplateTemp/" + file);
        LineWriter empty(target);
        empty.Close();
      }
    }
    PrepareTableTexts(scratch_.work(), header_map, description_.table_map);
    PrepareTableTexts(rows_work_, RowTextsOf(header_map), description_.table_map);

    result_path_ = db::CreateStagingDatabase(scratch_.work());
    db::ImportTables(runner_, scratch_.work(), result_path_, description_.table_map);
    book_sets::SilentHost host;
    try {
      db::CompleteChartOfAccounts(runner_, host, description_.accounts_file, ChartRule());
    } catch (const db::ChartCodeTooLongError& e) {
      // The run's own refusal of a code too long for the completion, in its words.
      Add(true, RunStep::kChart, GbkToUtf8(e.file()), e.line(), "", e.what());
    } catch (const Failure& e) {
      // The run's own failure, in its words (the error box says what() alone).
      Add(true, RunStep::kChart, report_.accounts_file, 0, "", e.what());
    }
    // The passes themselves, over the tables as far as they hold rows here (their
    // headers): they add the columns that the rows' codes go to.
    for (const char* table : {"JZPZ", "KMYE"}) {
      try {
        SpreadAuxiliaryColumns(runner_, host, description_.aux_item_names, table);
      } catch (const std::exception&) {
        // Found again, row by row, by Pass.
      }
    }
  }

  // The entries of `header_map` whose texts are whole beside the scratch area.
  StringList RowTextsOf(const StringList& header_map) const {
    StringList rows;
    for (const std::string& entry : header_map)
      if (!IsChartFile(std::string(EntryName(entry)))) rows.Add(entry);
    return rows;
  }

  // The directory (GBK) that holds the whole staged text of `file`.
  std::string TextDirOf(const std::string& file) const {
    return (IsChartFile(file) ? scratch_.work() : rows_work_) + "TemplateTemp/";
  }

  // The rows that the import makes of `file`'s staged text, counted as it counts them.
  std::uint64_t ImportRows(const std::string& file) const {
    return db::CountImportRowsOfFile(TextDirOf(file) + file, GbkToUtf8(file));
  }

  // The columns of `table` (GBK) in the scratch database, as a query reads them;
  // nullopt when the run made no such table.
  std::optional<std::vector<std::string>> Columns(const std::string& table) {
    if (table.empty() || !runner_.OpenQuery("select * from " + db::QuoteName(table)))
      return std::nullopt;
    return runner_.main_query().FieldNames();
  }

  std::uint64_t TableRows(const std::string& table) {
    runner_.OpenQuery("select count(*) as n from " + db::QuoteName(table));
    runner_.main_query().First();
    return static_cast<std::uint64_t>(runner_.main_query().FieldByName("n").AsInteger());
  }

  // The run's bound on the chart's codes, for the chart text in the scratch area.
  db::ChartCodeRule ChartRule() const {
    db::ChartCodeRule rule;
    rule.declared_width = description_.chart_code_width;
    rule.declared_at = description_.chart_code_width_line;
    rule.chart_text = scratch_.work() + "TemplateTemp/" + description_.accounts_file;
    rule.header_lines = HeaderLinesOf(description_.accounts_file, description_.header_map);
    return rule;
  }

  // Why the import of `entry` made no table.
  std::string NotImportedReason(const std::string& entry, const std::string& table,
                                const std::set<std::string>& earlier) {
    if (table.empty()) return "文件名不超过 4 个字符，表名为空，不导入";
    if (earlier.count(AsciiLower(GbkToUtf8(table))) > 0)
      return "同名的表已由前面的条目导入，这一条不再导入";
    // The import's own reading of the header, on the file as the run stages it.
    try {
      db::ImportColumnNames(scratch_.work() + "TemplateTemp/", std::string(EntryValue(entry)));
    } catch (const db::EngineError& e) {
      return std::string("导入失败：") + e.what();
    }
    return "“" + GbkToUtf8(table) + "”不能作为表名，导入失败";
  }

  void ReportTables() {
    std::set<std::string> imported;  // lower-case names of tables already created
    for (const std::string& entry : description_.table_map) {
      TableReport t;
      t.section = GbkToUtf8(EntryName(entry));
      const std::string file(EntryValue(entry));
      t.file = GbkToUtf8(file);
      const std::string table = db::ImportTableName(entry);
      t.table = GbkToUtf8(table);
      const bool usable = unusable_.count(file) == 0;
      const auto columns =
          usable && imported.count(AsciiLower(t.table)) == 0 ? Columns(table) : std::nullopt;
      if (!usable) {
        t.not_imported_reason = "文件不可用，见上";
      } else if (!columns) {
        t.not_imported_reason = NotImportedReason(entry, table, imported);
      } else {
        t.imported = true;
        imported.insert(AsciiLower(t.table));
        t.columns = *columns;
        TableInfo& info = tables_[AsciiLower(t.table)];
        info.file = file;
        info.columns = *columns;
        const bool passed = AsciiLower(t.table) == "jzpz" || AsciiLower(t.table) == "kmye";
        if (IsChartFile(file)) {
          t.rows = TableRows(table);
          t.added_rows = t.rows - std::min(t.rows, ImportRows(file));
        } else if (passed) {
          info.report_index = report_.tables.size();  // the pass counts its rows
        } else {
          t.rows = ImportRows(file);
        }
      }
      report_.tables.push_back(std::move(t));
    }
  }

  struct TableInfo {
    std::string file;                     // GBK
    std::vector<std::string> columns;     // as imported, UTF-8
    std::size_t report_index = SIZE_MAX;  // its entry in the report
  };

  // One pass over the voucher or balance rows, as the run makes it.
  void Pass(const std::string& table, RunStep step) {
    const auto it = tables_.find(AsciiLower(table));
    if (it == tables_.end()) {
      Add(true, step, table + ".txt", 0, "",
          fmt::format("没有导入表 {}：打开 {} 的查询不能执行，转换在此停止", table, table));
      return;
    }
    const TableInfo& info = it->second;
    const PassInput input{table,
                          step,
                          info.file,
                          info.columns,
                          TextDirOf(info.file),
                          HeaderLinesOf(info.file, description_.header_map)};
    const std::uint64_t rows = PredictPass(
        input, runner_, [&](Finding finding) { report_.findings.push_back(std::move(finding)); });
    if (info.report_index < report_.tables.size()) report_.tables[info.report_index].rows = rows;
  }

  std::string source_;  // GBK
  std::string read_;    // where the texts are read: the source, or their re-encoded copies
  std::optional<SourceEncoding> choice_;
  std::optional<book_sets::ScratchArea> recoded_;  // holds the copies of a UTF-8 book set
  InspectionReport report_;
  FormatDescription description_;
  std::set<std::string> staged_;    // names that staging copies (GBK)
  std::set<std::string> unusable_;  // table files that the run cannot rewrite (GBK)
  StagedNulBytes nuls_;             // the NUL bytes of the source's texts
  book_sets::ScratchArea scratch_{"inspect"};
  std::string rows_work_ = scratch_.work() + "rows/";  // the whole texts (work dir form)
  std::string result_path_;
  // The run's connection and queries, on the scratch database once it is made.
  db::Connection connection_;
  db::Query main_{connection_, "CurADOQuery"};
  db::Query lookup_{connection_, "tmpQuery"};
  db::StatementRunner runner_{connection_, main_, lookup_};
  std::map<std::string, TableInfo> tables_;  // lower-case table -> info
};

}  // namespace

const Finding* InspectionReport::FirstFatal() const {
  for (const Finding& f : findings)
    if (f.fatal) return &f;
  return nullptr;
}

InspectionReport InspectBookSet(const std::string& source, std::optional<SourceEncoding> choice) {
  return Inspection(source, choice).Run();
}

}  // namespace qoru::inspection
