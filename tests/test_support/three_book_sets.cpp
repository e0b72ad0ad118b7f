#include "test_support/three_book_sets.h"

namespace qoru::test {

std::string ThreeBookSets(const TempDir& dir, const gen::ConsistentOptions& a,
                          const gen::ConsistentOptions& b) {
  const std::string sets = dir.path() + "sets";
  MakeDir(sets);
  for (const char* name : {"a", "b", "c"}) MakeDir(sets + "/" + name);
  gen::WriteConsistentBooks(sets + "/a", a);
  gen::WriteConsistentBooks(sets + "/b", b);
  WriteFile(sets + "/c/readme.md", "not a book set");
  return sets;
}

}  // namespace qoru::test
