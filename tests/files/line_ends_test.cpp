#include "files/line_ends.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace qoru {
namespace {

// The first CR or LF at or after `from`, by looking at every byte.
std::size_t NaiveEnd(const std::string& block, std::size_t from) {
  while (from < block.size() && block[from] != '\r' && block[from] != '\n') ++from;
  return from;
}

// Walks each block line by line, as the readers do, and compares every end with a
// byte-by-byte search: lines ending in CR alone, LF alone, CR LF, blank lines, a block
// with no end at all, and random mixtures, the finder reused across blocks.
TEST(LineEnds, FindsEveryEndAsAByteByByteSearchDoes) {
  std::vector<std::string> blocks = {"",         "abc",           "a\rb\rc\r",   "a\nb\nc",
                                     "\r\n\r\n", "\n\r\r\n\n",    "x\r\ny\rz\n", "\r",
                                     "\n",       "ab\r\r\rcd\n\n"};
  std::mt19937 rng(7);
  for (int n = 0; n < 200; ++n) {
    std::string block(static_cast<std::size_t>(rng() % 300), 'a');
    const int mode = n % 3;  // CR only, LF only, mixed
    for (char& c : block) {
      const unsigned r = rng() % 8;
      if (r == 0) c = mode == 1 ? '\n' : '\r';
      if (r == 1 && mode == 2) c = '\n';
    }
    blocks.push_back(block);
  }
  LineEnds ends;
  for (const std::string& block : blocks) {
    SCOPED_TRACE(testing::PrintToString(block));
    ends.Reset();
    const char* const data = block.data();
    const char* const stop = data + block.size();
    std::size_t from = 0;
    while (true) {
      const char* found = ends.Find(data + from, stop);
      const std::size_t at = static_cast<std::size_t>(found - data);
      ASSERT_EQ(at, NaiveEnd(block, from)) << "from " << from;
      if (at == block.size()) break;
      from = at + 1;
    }
  }
}

}  // namespace
}  // namespace qoru
