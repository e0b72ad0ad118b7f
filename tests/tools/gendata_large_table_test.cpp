// The large table text of the data set generator: its size, whole rows and line ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

#include "gendata/dataset.h"
#include "test_support/temp_dir.h"
#include "text/gbk_codec.h"

namespace qoru::gen {
namespace {

namespace fs = std::filesystem;

TEST(GenLargeTable, SizeIsCloseToTheRequestAndRowsAreWhole) {
  test::TempDir dir;
  const std::uint64_t request = 2'000'000;
  const std::uint64_t written = WriteLargeTable(dir / "big.txt", request, 1);
  EXPECT_EQ(written, fs::file_size(dir / "big.txt"));
  EXPECT_GE(written, request);
  EXPECT_LE(written, request + request / 100);
  const std::string bytes = test::ReadFile(dir / "big.txt");
  std::istringstream lines(bytes);
  std::size_t rows = 0;
  for (std::string line; std::getline(lines, line); ++rows) {
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\r');
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 10) << "row " << rows;
  }
  EXPECT_GT(rows, 10000u);
  ConversionStats stats;
  GbkToUtf8(bytes, &stats);
  EXPECT_EQ(stats.replaced, 0u);
}

TEST(GenLargeTable, MixesLineEndsOnRequestAndRepeatsForASeed) {
  test::TempDir dir;
  WriteLargeTable(dir / "a.txt", 100'000, 7, true);
  WriteLargeTable(dir / "b.txt", 100'000, 7, true);
  const std::string a = test::ReadFile(dir / "a.txt");
  EXPECT_EQ(a, test::ReadFile(dir / "b.txt"));
  std::size_t crlf = 0, lf = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] == '\n') (i > 0 && a[i - 1] == '\r' ? crlf : lf)++;
  EXPECT_GT(lf, 0u);
  EXPECT_GT(crlf, lf);
  EXPECT_EQ(WriteLargeTable(dir / "empty.txt", 0, 7), 0u);
  EXPECT_EQ(fs::file_size(dir / "empty.txt"), 0u);
}

}  // namespace
}  // namespace qoru::gen
