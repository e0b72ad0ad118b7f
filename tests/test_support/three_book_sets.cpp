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

std::string ThreeBookSets(const TempDir& dir, const std::string& plant,
                          const std::string& layout_a) {
  gen::ConsistentOptions a;
  a.postings = 300;
  a.layout = layout_a;
  gen::ConsistentOptions b = a;
  b.layout = "standard";
  b.plants = {plant};
  return ThreeBookSets(dir, a, b);
}

}  // namespace qoru::test
