#include "qoru_gbtxt/encoding_option.h"

#include "process/environment.h"
#include "text/source_encoding.h"

namespace qoru::host {

void AddEncodingOption(CLI::App& command, std::string& value) {
  command
      .add_option("--encoding", value,
                  "源文件的编码：gbk、utf-8 或 auto（默认）。auto 按 GSSM.txt 判断：以 UTF-8 "
                  "字节序标记开头，或是含有汉字等多字节字符的有效 UTF-8 文本，就按 UTF-8 读取，"
                  "否则按 GBK；UTF-8 的账套暂存时转为 GB 18030，每个字符都保留")
      ->type_name("编码");
}

std::string EncodingOptionProblem(const std::string& value) {
  if (IsEncodingChoice(value)) return {};
  return "--encoding 的值无效：" + value + "（可选 gbk、utf-8、auto）";
}

void UseEncodingChoice(const std::string& value) {
  if (const auto choice = ParseEncodingChoice(value)) {
    process::SetEnvironment(kEncodingVariable, *choice == SourceEncoding::kUtf8 ? "utf-8" : "gbk");
  } else {
    process::UnsetEnvironment(kEncodingVariable);
  }
}

}  // namespace qoru::host
