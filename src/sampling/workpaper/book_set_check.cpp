#include "sampling/workpaper/book_set_check.h"

#include <utility>

#include "files/os_file.h"

namespace qoru::sampling {

BookSetCheck CheckBookSet(const std::vector<provenance::FileRecord>& recorded,
                          const std::function<std::string(const std::string&)>& path_of,
                          unsigned threads) {
  BookSetCheck c;
  std::vector<std::pair<std::string, std::string>> to_hash;  // path, role
  std::vector<const provenance::FileRecord*> hashed;
  for (const provenance::FileRecord& f : recorded) {
    const std::string path = path_of(f.path);
    os::FileInfo info;
    if (!os::Stat(path, &info) || info.kind != os::Kind::kRegular) {
      c.missing.push_back(f.path);
    } else if (static_cast<std::uint64_t>(info.size) != f.size) {
      c.changed.push_back(f.path);
    } else {
      to_hash.emplace_back(path, f.role);
      hashed.push_back(&f);
    }
  }
  c.read = provenance::RecordFiles(to_hash, threads);
  for (std::size_t i = 0; i < hashed.size(); ++i)
    if (c.read[i].size != hashed[i]->size || c.read[i].sha256 != hashed[i]->sha256)
      c.changed.push_back(hashed[i]->path);
  return c;
}

std::string ChangedBookSetProblem(const BookSetCheck& check) {
  if (check.changed.empty()) return {};
  std::string list;
  for (const std::string& f : check.changed) list += (list.empty() ? "" : "、") + f;
  return "抽样后账套已改变（" + list +
         " 的大小或 SHA-256 与工作底稿记录的不同）：样本不再代表这个账套，请重新抽样";
}

std::vector<std::string> MissingFileNotes(const BookSetCheck& check) {
  std::vector<std::string> notes;
  for (const std::string& f : check.missing)
    notes.push_back("注意：找不到工作底稿记录的文件 " + f + "，无法核对账套在抽样后是否改变");
  return notes;
}

}  // namespace qoru::sampling
