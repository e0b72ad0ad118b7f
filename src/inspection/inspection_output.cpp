#include "inspection/inspection_output.h"

#include <fmt/format.h>

#include "host/trace.h"

namespace qoru::inspection {
namespace {

const char* StepName(RunStep step) {
  switch (step) {
    case RunStep::kStaging:
      return kStageStaging;
    case RunStep::kDescription:
      return kStageDescription;
    case RunStep::kTableTexts:
      return kStageTableTexts;
    case RunStep::kChart:
      return kStageChart;
    case RunStep::kVoucherPass:
      return kStageVoucherPass;
    case RunStep::kBalancePass:
      return kStageBalancePass;
    case RunStep::kArchives:
      return kStageAuxTables;
  }
  return "?";
}

// "JZPZ.txt 第 12 行，值“x”：" before a message, from what the finding names.
std::string Where(const Finding& f) {
  std::string where = f.file;
  if (f.line > 0) where += fmt::format(" 第 {} 行", f.line);
  if (!f.value.empty()) where += (where.empty() ? "值“" : "，值“") + f.value + "”";
  return where.empty() ? std::string() : where + "：";
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : separator) + item;
  return out;
}

}  // namespace

std::string InspectionText(const InspectionReport& r) {
  std::string out = "预检：" + r.source + "\n";
  if (!r.encoding.empty()) out += "源文件编码：" + r.encoding + "\n";
  const Finding* fatal = r.FirstFatal();
  if (fatal != nullptr) {
    out += "结论：转换会失败（在“" + std::string(StepName(fatal->step)) + "”时停止）。\n";
    out += "原因：" + Where(*fatal) + fatal->message + "\n";
  } else {
    out += "结论：转换会成功。\n";
  }
  if (!r.description_found) return out;

  out += "\n格式说明 GSSM.txt：\n";
  out += "  节：" + (r.sections.empty() ? std::string("（没有）") : Join(r.sections, "；")) + "\n";
  out += "  会计科目文件：" +
         (r.accounts_file.empty() ? std::string("（没有）") : r.accounts_file) + "\n";
  std::vector<std::string> types;
  for (const AuxTypeReport& t : r.aux_types)
    types.push_back(
        t.type + "（" +
        (t.archive_file.empty() ? std::string("没有档案文件") : "档案 " + t.archive_file) +
        (t.has_section ? "" : "，没有档案节") + "）");
  out += "  辅助核算项：" + (types.empty() ? std::string("（没有）") : Join(types, "、")) + "\n";

  out += "\n表：\n";
  for (const TableReport& t : r.tables) {
    out += fmt::format("  {} [{}]", t.file, t.section);
    if (!t.imported) {
      out += "：" + t.not_imported_reason + "\n";
      continue;
    }
    out += fmt::format(" 导入为表 {}，{} 列，{} 行", t.table, t.columns.size(), t.rows);
    if (t.added_rows > 0) out += fmt::format("（其中补全的上级科目 {} 行）", t.added_rows);
    out += "\n    列：" + Join(t.columns, ",") + "\n";
  }
  if (!r.missing_files.empty()) out += "\n缺少的文件：" + Join(r.missing_files, "、") + "\n";

  if (!r.findings.empty()) {
    out += fmt::format("\n发现（{} 项）：\n", r.findings.size());
    for (const Finding& f : r.findings) {
      const char* mark = !f.fatal ? "提示" : &f == fatal ? "会失败" : "也会失败";
      out += fmt::format("  [{}] {}{}\n", mark, Where(f), f.message);
    }
  }
  return out;
}

nlohmann::ordered_json InspectionJson(const InspectionReport& r) {
  nlohmann::ordered_json j;
  const Finding* fatal = r.FirstFatal();
  j["source"] = r.source;
  j["encoding"] = r.encoding;
  j["would_succeed"] = fatal == nullptr;
  j["reason"] =
      fatal == nullptr ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(fatal->message);
  j["description_found"] = r.description_found;
  j["sections"] = r.sections;
  j["accounts_file"] = r.accounts_file;
  j["aux_types"] = nlohmann::ordered_json::array();
  for (const AuxTypeReport& t : r.aux_types)
    j["aux_types"].push_back(
        {{"type", t.type}, {"archive_file", t.archive_file}, {"has_section", t.has_section}});
  j["tables"] = nlohmann::ordered_json::array();
  for (const TableReport& t : r.tables) {
    nlohmann::ordered_json table = {{"section", t.section},      {"file", t.file},
                                    {"name", t.table},           {"imported", t.imported},
                                    {"columns", t.columns},      {"rows", t.rows},
                                    {"added_rows", t.added_rows}};
    if (!t.imported) table["not_imported_reason"] = t.not_imported_reason;
    j["tables"].push_back(std::move(table));
  }
  j["missing_files"] = r.missing_files;
  j["findings"] = nlohmann::ordered_json::array();
  for (const Finding& f : r.findings)
    j["findings"].push_back({{"fatal", f.fatal},
                             {"step", StepName(f.step)},
                             {"file", f.file},
                             {"line", f.line},
                             {"value", f.value},
                             {"message", f.message}});
  return j;
}

}  // namespace qoru::inspection
