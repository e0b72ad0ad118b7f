#include "staging/source_encoding_copy.h"

#include <cstdlib>

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/path_text.h"
#include "files/text_lines.h"
#include "text/gbk_codec.h"

namespace qoru {
namespace {

constexpr std::size_t kSniffBytes = 64 * 1024;

// The head of a text file as its lines joined by LF, up to about `limit` bytes (or a
// NUL byte, which staging's copy notes).
std::string Head(const std::string& path, std::size_t limit, bool* cut) {
  LineReader reader(path, kSniffBytes);
  std::optional<NulByte> nul;
  reader.CutAtNulByte(&nul);
  std::string head;
  std::string line;
  *cut = false;
  while (reader.Next(line)) {
    if (head.size() + line.size() >= limit) {
      head.append(line, 0, limit - head.size());
      *cut = true;
      break;
    }
    head += line;
    head.push_back('\n');
  }
  return head;
}

}  // namespace

std::optional<SourceEncoding> EncodingChoiceFromEnvironment() {
  const char* value = std::getenv(kEncodingVariable);
  return value == nullptr ? std::nullopt : ParseEncodingChoice(value);
}

std::string BookSetEncoding::Describe() const {
  if (forced) return fmt::format("{}（按指定的编码读取）", EncodingName(encoding));
  if (encoding == SourceEncoding::kGbk) return "GBK（格式说明 GSSM.txt 不是 UTF-8 文本）";
  return byte_order_mark ? "UTF-8（格式说明 GSSM.txt 以 UTF-8 字节序标记开头）"
                         : "UTF-8（格式说明 GSSM.txt 是有效的 UTF-8 文本）";
}

BookSetEncoding DetectBookSetEncoding(const std::string& source_dir,
                                      std::optional<SourceEncoding> choice) {
  BookSetEncoding result;
  if (choice) {
    result.encoding = *choice;
    result.forced = true;
    return result;
  }
  bool cut = false;
  std::string head;
  try {
    head = Head(source_dir + "/GSSM.txt", 1 << 20, &cut);
  } catch (const Failure&) {
    return result;  // no description: the run says so where it reads it
  }
  result.byte_order_mark = HasUtf8ByteOrderMark(head);
  result.encoding = DetectEncoding(head, cut);
  return result;
}

void CopyUtf8TextAsGb18030(const std::string& source, const std::string& target,
                           const std::string& name, std::optional<NulByte>* cut) {
  LineReader in(source);
  in.CutAtNulByte(cut);
  LineWriter out(target);
  std::string line;
  std::uint64_t number = 0;
  while (in.Next(line)) {
    ++number;
    std::string_view text = line;
    if (number == 1 && HasUtf8ByteOrderMark(text)) text.remove_prefix(kUtf8ByteOrderMark.size());
    ConversionStats stats;
    const std::string gb = Utf8ToGbk(text, &stats);
    if (stats.replaced > 0)
      throw FileError(fmt::format("源文件 {} 第 {} 行不是有效的 UTF-8 文本，而格式说明 GSSM.txt "
                                  "是 UTF-8 编码：账套的文件须是同一种编码，请重新导出这个文件，"
                                  "或用 --encoding 指定编码",
                                  PathText(name), number),
                      source);
    out.WriteLine(gb);
  }
  out.Close();
}

void RequireNotUtf8(const std::string& source, const std::string& name) {
  bool cut = false;
  const std::string head = Head(source, kSniffBytes, &cut);
  if (DetectEncoding(head, cut) == SourceEncoding::kUtf8)
    throw FileError(fmt::format("源文件 {} 是 UTF-8 编码，而格式说明 GSSM.txt 是 GBK 编码："
                                "账套的文件须是同一种编码，请重新导出这个文件，"
                                "或用 --encoding 指定编码",
                                PathText(name)),
                    source);
}

}  // namespace qoru
