// The folder of book sets that the tests of many book sets walk with --each: dir/sets/a
// and b, consistent book sets written by the generator with the options given, and c,
// a folder holding no book set at all.
#pragma once

#include <string>

#include "gendata/consistent_books.h"
#include "test_support/temp_dir.h"

namespace qoru::test {

// Writes the three under dir/sets and returns that folder's path.
std::string ThreeBookSets(const TempDir& dir, const gen::ConsistentOptions& a,
                          const gen::ConsistentOptions& b);

// The same with a of 300 postings in the layout `layout_a`, and b like it in the standard
// layout with `plant` planted (a finding of the command under test).
std::string ThreeBookSets(const TempDir& dir, const std::string& plant,
                          const std::string& layout_a);

}  // namespace qoru::test
