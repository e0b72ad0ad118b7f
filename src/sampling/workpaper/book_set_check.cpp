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

}  // namespace qoru::sampling
