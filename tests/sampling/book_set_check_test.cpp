// The check that a book set is still the one a sample was drawn from: a file of another
// size, or of the same size with other bytes, has changed; a file gone is reported
// apart; the files read through are recorded as they are now.
#include <gtest/gtest.h>

#include <cstdio>

#include "provenance/provenance.h"
#include "sampling/workpaper/book_set_check.h"
#include "test_support/temp_dir.h"

namespace qoru::sampling {
namespace {

TEST(BookSetCheck, SizeOrBytesChangedAndFilesGone) {
  test::TempDir dir;
  const std::vector<std::string> names = {"GBA.mdb", "GSSM.txt", "KMYE.txt", "JZPZ.txt"};
  for (const std::string& n : names) test::WriteFile(dir / n, "content of " + n);
  std::vector<provenance::FileRecord> recorded;
  for (const std::string& n : names) recorded.push_back(provenance::RecordFile(dir / n, "表文件"));
  const auto same = [](const std::string& p) { return p; };

  BookSetCheck c = CheckBookSet(recorded, same, 2);
  EXPECT_TRUE(c.changed.empty());
  EXPECT_TRUE(c.missing.empty());
  ASSERT_EQ(c.read.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(c.read[i].sha256, recorded[i].sha256);

  test::WriteFile(dir / "GSSM.txt", "content of GSSM.txt\r\n");  // longer
  test::WriteFile(dir / "KMYE.txt", "content of KMYE.tx_");      // same size, other bytes
  test::WriteFile(dir / "JZPZ.txt", "");
  std::remove((dir / "JZPZ.txt").c_str());
  c = CheckBookSet(recorded, same, 2);
  EXPECT_EQ(c.changed, (std::vector<std::string>{recorded[1].path, recorded[2].path}));
  EXPECT_EQ(c.missing, (std::vector<std::string>{recorded[3].path}));
  // The file of another size is not read; the others are, as they are now.
  ASSERT_EQ(c.read.size(), 2u);
  EXPECT_EQ(c.read[0].sha256, recorded[0].sha256);
  EXPECT_NE(c.read[1].sha256, recorded[2].sha256);

  // A size that could not be read back never matches.
  std::vector<provenance::FileRecord> unreadable = {recorded[0]};
  unreadable[0].size = ~std::uint64_t{0};
  EXPECT_EQ(CheckBookSet(unreadable, same, 1).changed.size(), 1u);
}

}  // namespace
}  // namespace qoru::sampling
