#include "staging/source_staging.h"

#include <exception>

#include <fmt/format.h>

#include "errors/errors.h"
#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "files/file_system.h"
#include "files/interrupt_cleanup.h"
#include "files/os_file.h"
#include "files/path_text.h"
#include "files/text_lines.h"
#include "staging/source_encoding_copy.h"
#include "text/gbk_codec.h"
#include "text/gbk_text.h"
#include "text/string_list.h"

namespace qoru {

std::string ListSourceFiles(const std::string& source_dir) {
  StringList names;
  for (const std::string& name : ListDirectory(source_dir)) {
    const std::size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    if (AsciiLower(extension) == ".txt") names.Add(name);
  }
  return names.CommaText();
}

std::string SourceInWorkAreaProblem(const std::string& source_dir, const std::string& work_dir) {
  const std::string scratch = work_dir + "TemplateTemp";
  const bool work_itself =
      IsDirectory(work_dir) && IsDirectory(source_dir) &&
      os::SameFile(WithoutTrailingSeparators(source_dir), WithoutTrailingSeparators(work_dir));
  if (!work_itself && !IsWithinDirectory(source_dir, scratch)) return {};
  return fmt::format(
      "源目录“{}”是{}：转换要清空并写入 TemplateTemp，源文件会被删除或覆盖，已拒绝。"
      "请把账套放在工作目录之外",
      PathText(source_dir),
      work_itself ? fmt::format("工作目录“{}”本身", PathText(work_dir))
                  : fmt::format("工作目录的“{}”或其中的目录", PathText(scratch)));
}

bool StageSourceFiles(const std::string& source_dir, const std::string& work_dir, StageHost& host,
                      StagedNulBytes* nuls) {
  return StageSourceFiles(source_dir, work_dir, host, EncodingChoiceFromEnvironment(), nuls);
}

bool StageSourceFiles(const std::string& source_dir, const std::string& work_dir, StageHost& host,
                      std::optional<SourceEncoding> choice, StagedNulBytes* nuls) {
  try {
    const BookSetEncoding encoding = DetectBookSetEncoding(source_dir, choice);
    const bool utf8 = encoding.encoding == SourceEncoding::kUtf8;
    if (utf8) host.Notice(fmt::format("源文件编码：{}；暂存时转为 GB 18030", encoding.Describe()));
    StringList names;
    names.SetCommaText(ListSourceFiles(source_dir));
    host.Progress().SetTotalParts(static_cast<int>(names.Count()));
    host.SetStatus(Gbk("正在拷贝数据，请稍候……"));
    const std::string target_dir = work_dir + "TemplateTemp/";
    if (!names.Empty() && !IsDirectory(target_dir))
      throw FileError(fmt::format("工作目录中没有 TemplateTemp 目录：{}", PathText(target_dir)),
                      target_dir);
    for (std::size_t i = 0; i < names.Count(); ++i) {
      try {
        // Written beside the target and renamed onto it: never through a link that
        // stands in TemplateTemp, and never a torn copy when the run is killed.
        // A name that the platform keeps for a device ("NUL.txt" on Windows) is
        // refused before anything is read or written under it.
        CheckBareFileName(names[i], "源目录");
        const std::string source = source_dir + "/" + names[i];
        RequireRegularFile(source);
        ReplacementFile copy(target_dir + names[i]);
        std::optional<NulByte> nul;
        if (utf8) {
          CopyUtf8TextAsGb18030(source, copy.path(), names[i], &nul);
        } else {
          if (!encoding.forced) RequireNotUtf8(source, names[i]);
          CopyTextLines(source, copy.path(), &nul);
        }
        copy.Commit();
        if (nul && nuls != nullptr) (*nuls)[AsciiLower(names[i])] = *nul;
      } catch (const FileError& e) {
        throw FileError(
            fmt::format("源文件“{}”没有拷贝到 TemplateTemp：{}", PathText(names[i]), e.what()),
            e.path());
      }
      host.Progress().SetPartsComplete(static_cast<int>(i + 1));
      PauseForTestsAt("staging");
      host.Yield();
    }
    return true;
  } catch (const BookSetRefusal&) {
    throw;
  } catch (const std::exception& e) {
    host.Notice(fmt::format("拷贝源文件失败：{}", e.what()));
    return false;
  }
}

std::vector<std::pair<std::string, NulByte>> CutTexts(const StagedNulBytes& nuls,
                                                      const FormatDescription& description) {
  std::vector<std::pair<std::string, NulByte>> cut;
  if (nuls.empty()) return cut;
  std::vector<std::string> read{"GSSM.txt"};
  for (const std::string& entry : description.header_map) read.emplace_back(EntryName(entry));
  for (const std::string& name : read)
    if (const auto it = nuls.find(AsciiLower(name)); it != nuls.end())
      cut.emplace_back(name, it->second);
  return cut;
}

void RefuseCutTexts(const StagedNulBytes& nuls, const FormatDescription& description,
                    const std::string& source_dir) {
  const std::vector<std::pair<std::string, NulByte>> cut = CutTexts(nuls, description);
  if (!cut.empty()) RefuseNulByte(source_dir + "/" + cut.front().first, cut.front().second);
}

}  // namespace qoru
