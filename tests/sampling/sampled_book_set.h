// The book set the tests of `qoru-gbtxt sample` draw from: a generated book set of the
// national-standard layout, converted once for each suite, with `qoru-gbtxt sample`
// run on its database.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "test_support/command.h"
#include "test_support/programs.h"
#include "test_support/system.h"
#include "test_support/temp_dir.h"

namespace qoru::test {

// The script that fills a sample's workpaper in as an auditor would.
inline const std::string kFillAudited =
    std::string(QORU_SOURCE_DIR) + "/tests/sampling/fill_audited.py";

class SampledBookSet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    source_ = dir_->path() + "src";
    const Ran gen = RunCommand(kGendata + " consistent --out " + ShellWord(source_) +
                               " --postings 1200 --layout standard --seed 17");
    ASSERT_EQ(gen.exit_code, 0) << gen.out;
    const Ran conv = RunConvert(source_, dir_->path() + "work");
    ASSERT_EQ(conv.exit_code, 0) << conv.out;
    db_ = dir_->path() + "work/TemplateTemp/GBA.mdb";
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  // A book set of the test's own in `dir`: a copy of the database beside the
  // description and the book table (the code structure); returns the database's path.
  static std::string CopyBookSet(const TempDir& dir) {
    const std::string db = dir / "GBA.mdb";
    WriteFile(db, ReadFile(db_));
    for (const char* file : {"GSSM.txt", "DZZB.txt"})
      WriteFile(dir / file, ReadFile(source_ + "/" + file));
    return db;
  }

  static RanApart Sample(const std::string& args) {
    return RunApart(kHost + " sample --db " + ShellWord(db_) + " " + args);
  }

  static inline TempDir* dir_ = nullptr;
  static inline std::string source_, db_;
};

}  // namespace qoru::test
