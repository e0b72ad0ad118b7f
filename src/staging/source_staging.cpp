#include "staging/source_staging.h"

#include <exception>

#include <fmt/format.h>

#include "errors/errors.h"
#include "faces/progress_bar.h"
#include "faces/stage_host.h"
#include "files/file_system.h"
#include "files/interrupt_cleanup.h"
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

bool StageSourceFiles(const std::string& source_dir, const std::string& work_dir, StageHost& host) {
  return StageSourceFiles(source_dir, work_dir, host, EncodingChoiceFromEnvironment());
}

bool StageSourceFiles(const std::string& source_dir, const std::string& work_dir, StageHost& host,
                      std::optional<SourceEncoding> choice) {
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
        if (utf8) {
          CopyUtf8TextAsGb18030(source, copy.path(), names[i]);
        } else {
          if (!encoding.forced) RequireNotUtf8(source, names[i]);
          CopyTextLines(source, copy.path());
        }
        copy.Commit();
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
  } catch (const std::exception& e) {
    host.Notice(fmt::format("拷贝源文件失败：{}", e.what()));
    return false;
  }
}

}  // namespace qoru
