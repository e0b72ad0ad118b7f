#include "inspection/description_findings.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "auxiliary/aux_info_tables.h"
#include "staging/table_text.h"
#include "text/gbk_codec.h"
#include "text/string_list.h"

namespace qoru::inspection {
namespace {

// A finding of the description, in the order the run meets it.
void AddFinding(InspectionReport& report, bool fatal, RunStep step, std::string file,
                std::uint64_t line, std::string value, std::string message) {
  report.findings.push_back(
      {fatal, step, 0, std::move(file), line, std::move(value), std::move(message)});
}

}  // namespace

void DescribeDescription(const FormatDescription& description, InspectionReport& report) {
  for (const std::string& e : description.table_map) report.sections.push_back(GbkToUtf8(e));
  report.accounts_file = GbkToUtf8(description.accounts_file);
  for (const std::string& f : description.aux_archive_files)
    report.archive_files.push_back(GbkToUtf8(f));

  const StringList& names = description.aux_item_names;
  const StringList& archives = description.aux_archive_files;
  if (names.Empty())
    AddFinding(report, false, RunStep::kDescription, "GSSM.txt", 0, "",
               "格式说明中没有辅助核算项：不会添加辅助核算列，aidVour 和 aidBal 不会生成");
  std::map<std::string, std::string> section_file;  // type -> file of its section
  for (const std::string& e : description.table_map)
    section_file.emplace(std::string(EntryName(e)), std::string(EntryValue(e)));
  for (std::size_t i = 0; i < names.Count(); ++i) {
    AuxTypeReport type{GbkToUtf8(names[i]),
                       i < archives.Count() ? GbkToUtf8(archives[i]) : std::string(),
                       section_file.count(names[i]) > 0};
    if (!type.has_section)
      AddFinding(report, false, RunStep::kDescription, "GSSM.txt", 0, type.type,
                 fmt::format("辅助核算项“{}”在格式说明中没有档案节[{}]：aidInfo 中不会有它的行",
                             type.type, type.type));
    else if (i < archives.Count() && section_file[names[i]] != archives[i])
      AddFinding(
          report, false, RunStep::kDescription, "GSSM.txt", 0, type.type,
          fmt::format("辅助核算项按位置与档案配对：第 {} 个类型“{}”配上了档案 {}，而它自己的档案节"
                      "是 {}（档案节的顺序与辅助核算项档案的顺序不同），aidInfo 中不会有它的行",
                      i + 1, type.type, GbkToUtf8(archives[i]), GbkToUtf8(section_file[names[i]])));
    report.aux_types.push_back(std::move(type));
  }
  std::map<std::string, std::size_t> first_use;
  for (std::size_t i = 0; i < archives.Count(); ++i) {
    const auto [it, fresh] = first_use.emplace(archives[i], i);
    if (!fresh)
      AddFinding(report, false, RunStep::kDescription, GbkToUtf8(archives[i]), 0, "",
                 fmt::format(
                     "档案文件 {} 被第 {} 和第 {} 个辅助核算项共用：它只导入一次，表头是后一节的列",
                     GbkToUtf8(archives[i]), it->second + 1, i + 1));
  }
}

void ArchiveFindings(const FormatDescription& description, InspectionReport& report) {
  const StringList& names = description.aux_item_names;
  const StringList& archives = description.aux_archive_files;
  if (archives.Count() > names.Count())
    AddFinding(report, true, RunStep::kArchives, GbkToUtf8(archives[names.Count()]), 0, "",
               ArchiveWithoutTypeMessage(names.Count(), archives[names.Count()], names.Count()));
}

}  // namespace qoru::inspection
