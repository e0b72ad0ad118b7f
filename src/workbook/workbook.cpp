#include "workbook/workbook.h"

#include <cerrno>
#include <cstring>

#include <fmt/format.h>

#include "errors/errors.h"
#include "files/file_system.h"
#include "files/os_file.h"
#include "text/utf8.h"

namespace qoru::workbook {

Workbook::Workbook(const std::string& path, const std::string& target) : target_(target) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  // The library takes UTF-8 names; its temporary files go to the user's temporary
  // folder (its own default on Windows is the root of the drive).
  std::string tmpdir = os::Utf8FileName(os::TemporaryFolder());
  options.tmpdir = tmpdir.data();
  workbook_ = workbook_new_opt(os::Utf8FileName(path).c_str(), &options);
  if (!workbook_) throw WorkbookError("无法创建工作底稿 " + target);
  money_ = workbook_add_format(workbook_);
  format_set_num_format(money_, "#,##0.00");
  date_ = workbook_add_format(workbook_);
  format_set_num_format(date_, "yyyy-mm-dd");
  bold_ = workbook_add_format(workbook_);
  format_set_bold(bold_);
  share_ = workbook_add_format(workbook_);
  format_set_num_format(share_, "0.0000");
}

Workbook::~Workbook() {
  if (workbook_) workbook_close(workbook_);
}

void Workbook::Close() {
  const lxw_error e = workbook_close(workbook_);
  workbook_ = nullptr;
  if (e != LXW_NO_ERROR)
    throw WorkbookError(fmt::format("无法写入工作底稿 {}：{}", target_, lxw_strerror(e)));
}

lxw_worksheet* Workbook::Sheet(const std::string& name) {
  lxw_worksheet* s = workbook_add_worksheet(workbook_, name.c_str());
  if (!s) throw WorkbookError("无法在工作底稿 " + target_ + " 中添加工作表 " + name);
  return s;
}

void Workbook::Text(lxw_worksheet* s, std::size_t row, int col, const std::string& text,
                    lxw_format* f) {
  if (text.empty()) return;
  if (IsValidUtf8(text)) {
    worksheet_write_string(s, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col),
                           text.c_str(), f);
    return;
  }
  const std::string valid = ValidUtf8(text);
  worksheet_write_string(s, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), valid.c_str(),
                         f);
}

void Workbook::Text(lxw_worksheet* s, std::size_t row, int col, std::string_view text,
                    lxw_format* f) {
  if (!text.empty()) Text(s, row, col, std::string(text), f);
}

void Workbook::Text(lxw_worksheet* s, std::size_t row, int col, const char* text, lxw_format* f) {
  Text(s, row, col, std::string_view(text), f);
}

void Workbook::Number(lxw_worksheet* s, std::size_t row, int col, double v, lxw_format* f) {
  worksheet_write_number(s, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), v, f);
}

void Workbook::Date(lxw_worksheet* s, std::size_t row, int col, int yyyymmdd) {
  if (yyyymmdd == 0) return;
  const int year = yyyymmdd / 10000, month = yyyymmdd / 100 % 100, day = yyyymmdd % 100;
  if (year < 1900) {
    Text(s, row, col, fmt::format("{:04}-{:02}-{:02}", year, month, day));
    return;
  }
  lxw_datetime d{year, month, day, 0, 0, 0};
  worksheet_write_datetime(s, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), &d, date_);
}

bool WriteWorkbook(const std::string& path, const std::function<void(Workbook&)>& write) {
  // Paths are GBK text: they go through the files room, never std::filesystem.
  const std::string parent = ParentDirectory(path);
  const std::string dir = parent.empty() ? "." : parent;
  if (IsDirectory(path))
    throw WorkbookError("无法写入工作底稿 " + os::PathText(path) + "：这是一个目录");
  const bool replaced = PathExists(path);
  std::string temp = dir + "/." + LastPathPart(path) + ".XXXXXX";
  const int fd = os::CreateTemporary(temp);
  if (fd < 0)
    throw WorkbookError("无法写入工作底稿 " + os::PathText(path) + "：" + SystemErrorText(errno));
  os::SetMode(fd, os::NewFileMode(0644));
  os::Close(fd);
  try {
    Workbook b(temp, os::PathText(path));
    write(b);
    b.Close();
    if (os::Rename(temp, path) != 0)
      throw WorkbookError("无法写入工作底稿 " + os::PathText(path) + "：" + SystemErrorText(errno));
  } catch (...) {
    os::Remove(temp);
    throw;
  }
  return replaced;
}

std::string SheetName(std::string_view name) {
  constexpr std::size_t kMaxUnits = 31;
  std::string out;
  std::size_t units = 0, i = 0;
  while (i < name.size()) {
    bool malformed = false;
    char32_t c = DecodeUtf8(name, i, &malformed);
    // The characters Excel forbids, as their full-width forms, which it allows.
    if (c == U'[' || c == U']' || c == U':' || c == U'*' || c == U'?' || c == U'/' || c == U'\\')
      c += 0xFEE0;
    const std::size_t width = c > 0xFFFF ? 2 : 1;
    if (units + width > kMaxUnits) break;
    units += width;
    AppendUtf8(c, out);
  }
  return out;
}

std::string TargetProblem(const std::string& path) {
  const std::string parent = ParentDirectory(path);
  const std::string dir = parent.empty() ? "." : parent;
  const std::string shown = os::PathText(path);
  if (IsDirectory(path)) return shown + " 是一个目录";
  if (!IsDirectory(dir)) return shown + " 所在的目录不存在";
  std::string probe = dir + "/.qoru-probe-XXXXXX";
  const int fd = os::CreateTemporary(probe);
  if (fd < 0) return shown + " 所在的目录不可写";
  os::Close(fd);
  os::Remove(probe);
  return {};
}

}  // namespace qoru::workbook
