#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "model/Failure.h"
#include "model/SourceFile.h"

namespace {

using Lines = std::vector<std::string>;

TEST(SourceFileTest, SplitLinesAtEveryKindOfBreak) {
  struct Row {
    std::string text;
    Lines lines;
  };
  const Row rows[] = {
      {"", {}},
      {"org 01:4100", {"org 01:4100"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\n", {"a", ""}},
      {"\r\n", {""}},
      {"  ld a,b // x \r\n", {"  ld a,b // x "}},
      {"a\n\rb", {"a", "", "b"}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(SplitLines(row.text), row.lines) << '"' << row.text << '"';
  }
}

class SourceFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("velmora-src-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::filesystem::path dir_;
};

TEST_F(SourceFileOnDisk, SavesWithCrLfAndReadsBack) {
  const Lines lines = {"org 01:4100", "@Loop", "", "dec a // \xE9t\xE9", "jr nz,@Loop"};
  SaveSourceLines(Path("block.asm"), lines);
  EXPECT_EQ(Read(Path("block.asm")),
            "org 01:4100\r\n@Loop\r\n\r\ndec a // \xE9t\xE9\r\njr nz,@Loop\r\n");
  EXPECT_EQ(LoadSourceLines(Path("block.asm")), lines);

  SaveSourceLines(Path("block.asm"), {});
  EXPECT_EQ(Read(Path("block.asm")), "");
}

TEST_F(SourceFileOnDisk, FileErrorsNameTheirCause) {
  try {
    LoadSourceLines(Path("missing.asm"));
    FAIL() << "no error for a missing file";
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), "File not found");
  }
  try {
    SaveSourceLines(Path("no-such-folder/block.asm"), {"nop"});
    FAIL() << "no error for a missing folder";
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), "File not found");
  }
}

}  // namespace
