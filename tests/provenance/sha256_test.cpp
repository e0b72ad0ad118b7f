// SHA-256 against the examples of FIPS 180-4 (and the long message of its test suite),
// whichever way the blocks are compressed and however the message is cut into pieces;
// and the record of a file, which hashes it as it is read.
#include <gtest/gtest.h>

#include <string>

#include "errors/errors.h"
#include "provenance/provenance.h"
#include "provenance/sha256.h"
#include "test_support/temp_dir.h"

namespace qoru {
namespace {

using provenance::Sha256;

struct Vector {
  std::string message;
  const char* digest;
};

std::vector<Vector> FipsVectors() {
  return {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
       "lmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
}

// Each vector by the portable code and, where the processor has them, by its SHA
// extensions: fed whole, and fed in pieces of each size from 1 to 130 bytes, which cut
// the message before, at and after every place in a block.
TEST(Sha256, GivesTheStandardsDigestsWhicheverWayTheBlocksAreCompressed) {
  const bool hardware = Sha256::HardwareUsed();
  for (const bool use : {false, true}) {
    Sha256::UseHardware(use);
    for (const Vector& v : FipsVectors()) {
      EXPECT_EQ(Sha256::Of(v.message), v.digest) << v.message.size() << " bytes, hw " << use;
      if (v.message.size() > 1000) continue;
      for (std::size_t piece = 1; piece <= 130; ++piece) {
        Sha256 h;
        for (std::size_t at = 0; at < v.message.size(); at += piece)
          h.Update(v.message.substr(at, piece));
        EXPECT_EQ(Sha256::Hex(h.Finish()), v.digest) << "pieces of " << piece << ", hw " << use;
      }
    }
  }
  Sha256::UseHardware(hardware);
}

// Messages of every length around the padding's limits (55, 56, 63, 64 bytes...) give
// one digest by both ways.
TEST(Sha256, BothWaysAgreeAtEveryLengthAroundABlock) {
  const bool hardware = Sha256::HardwareUsed();
  if (!hardware) GTEST_SKIP() << "the processor has no SHA extensions";
  std::string message;
  for (int n = 0; n < 300; ++n) {
    Sha256::UseHardware(false);
    const std::string portable = Sha256::Of(message);
    Sha256::UseHardware(true);
    EXPECT_EQ(Sha256::Of(message), portable) << n << " bytes";
    message += static_cast<char>(n * 37 + 11);
  }
  Sha256::UseHardware(hardware);
}

TEST(FileRecord, HashesTheFileAsItIsReadAndNamesOneThatCannotBe) {
  test::TempDir dir;
  std::string content;
  for (int i = 0; i < 3 * (1 << 20) / 7; ++i) content += "1234567";  // beyond a 1 MiB block
  test::WriteFile(dir.path() + "t.txt", content);
  const provenance::FileRecord r = provenance::RecordFile(dir.path() + "t.txt", "表文件");
  EXPECT_EQ(r.size, content.size());
  EXPECT_EQ(r.sha256, Sha256::Of(content));
  EXPECT_EQ(r.role, "表文件");
  try {
    provenance::RecordFile(dir.path() + "none.txt", "表文件");
    ADD_FAILURE() << "a missing file was read";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("none.txt"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace qoru
