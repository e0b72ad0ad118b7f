#include "staging/table_text.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <fmt/format.h>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/text_lines.h"

namespace qoru {
namespace {

void AppendValue(std::string_view value, std::string& out) {
  if (value.find_first_of(",\"") == std::string_view::npos) {
    out.append(value);
  } else {
    AppendDoubleQuoted(value, out);
  }
}

// The sections of the description that named `file`, for messages.
std::string SectionsNaming(const StringList& table_map, std::string_view file) {
  std::string sections;
  for (const std::string& entry : table_map) {
    if (EntryValue(entry) != file) continue;
    if (!sections.empty()) sections += "、";
    sections += "[" + DisplayText(EntryName(entry)) + "]";
  }
  return sections;
}

// Removes a temporary file unless it was handed over.
struct TempFile {
  std::string path;
  bool keep = false;
  ~TempFile() {
    if (!keep && !path.empty()) ::unlink(path.c_str());
  }
};

void RewriteFile(const std::string& path, const std::string& header, const std::string& file,
                 const StringList& table_map) {
  if (!PathExists(path)) {
    const std::string sections = SectionsNaming(table_map, file);
    throw FileError(
        fmt::format("找不到表文件“{}”：格式说明 GSSM.txt 的{}节指定了这个文件，但源目录中没有它"
                    "（应在 {}）",
                    DisplayText(file), sections.empty() ? std::string("表") : sections,
                    DisplayText(path)),
        path);
  }
  LineReader reader(path);
  TempFile temp{path + ".XXXXXX"};
  const int fd = ::mkstemp(temp.path.data());
  if (fd < 0) {
    const int err = errno;
    temp.path.clear();
    throw FileError(
        fmt::format("无法在“{}”旁创建临时文件：{}", DisplayText(path), SystemErrorText(err)), path);
  }
  struct stat st {};
  ::fchmod(fd, ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
  ::close(fd);
  LineWriter writer(temp.path);
  writer.WriteLine(header);
  std::string line;
  std::string row;
  while (reader.Next(line)) {
    row.clear();
    AppendRewrittenRow(line, row);
    row.append("\r\n");
    writer.Write(row);
  }
  writer.Close();
  if (std::rename(temp.path.c_str(), path.c_str()) != 0)
    throw FileError(fmt::format("无法写入文件“{}”：{}", DisplayText(path), SystemErrorText(errno)),
                    path);
  temp.keep = true;
}

}  // namespace

void AppendRewrittenRow(std::string_view line, std::string& out) {
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      AppendValue(line.substr(start), out);
      return;
    }
    AppendValue(line.substr(start, tab - start), out);
    out.push_back(',');
    start = tab + 1;
  }
}

std::string RewriteRow(std::string_view line) {
  std::string out;
  out.reserve(line.size() + 8);
  AppendRewrittenRow(line, out);
  return out;
}

std::string HeaderLineOf(std::string_view entry) {
  const std::size_t eq = entry.find('=');
  // Skips "=" and the opening quote; leaves out the entry's last character, the
  // closing quote. The text between is not unquoted further.
  const std::size_t start = eq == std::string_view::npos ? 1 : eq + 2;
  if (start >= entry.size()) return std::string();
  return std::string(entry.substr(start, entry.size() - start - 1));
}

void PrepareTableTexts(const std::string& work_dir, const StringList& header_map,
                       const StringList& table_map) {
  for (const std::string& entry : header_map)
    CheckBareFileName(EntryName(entry), "格式说明 GSSM.txt");
  for (const std::string& entry : header_map) {
    const std::string file(EntryName(entry));
    RewriteFile(work_dir + "TemplateTemp/" + file, HeaderLineOf(entry), file, table_map);
  }
}

}  // namespace qoru
