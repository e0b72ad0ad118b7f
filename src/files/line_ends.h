// The ends of lines (a CR or an LF) in one block of text, found left to right. The
// finder remembers where the next LF is, so that a block whose lines end with CR alone
// is searched once, not once for every line; reset it for every new block.
#pragma once

#include <cstddef>
#include <cstring>

namespace qoru {

class LineEnds {
 public:
  void Reset() { lf_ = nullptr; }

  // The first CR or LF in [begin, stop), or stop. Within one block `begin` never moves
  // back and `stop` stays the same.
  const char* Find(const char* begin, const char* stop) {
    if (lf_ == nullptr || lf_ < begin) {
      const void* lf = std::memchr(begin, '\n', static_cast<std::size_t>(stop - begin));
      lf_ = lf == nullptr ? stop : static_cast<const char*>(lf);
    }
    const void* cr = std::memchr(begin, '\r', static_cast<std::size_t>(lf_ - begin));
    return cr == nullptr ? lf_ : static_cast<const char*>(cr);
  }

 private:
  const char* lf_ = nullptr;  // the next LF at or after the last begin, or stop
};

}  // namespace qoru
