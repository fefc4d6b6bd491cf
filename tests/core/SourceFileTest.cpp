#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
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

// Only regular files of at most 16 MiB are read, and a FIFO is refused without waiting.
TEST_F(SourceFileOnDisk, ReadsOnlyRegularFilesOfBoundedSize) {
  ASSERT_EQ(::mkfifo(Path("pipe.asm").c_str(), 0600), 0);
  struct Row {
    std::string name;
    uintmax_t size;  // made as a sparse file of zeros when not 0
    std::string error;
  };
  const Row rows[] = {
      // Quoted as the path was given.
      {Path("pipe.asm"), 0, "'" + Path("pipe.asm") + "' is not a regular file."},
      {"/dev/zero", 0, "'/dev/zero' is not a regular file."},
      {Path("huge.asm"), kMaxSourceBytes + 1, "The source file is larger than 16 MiB."},
      {Path("full.asm"), kMaxSourceBytes, ""},
  };
  for (const Row& r : rows) {
    if (r.size != 0) {
      std::ofstream(r.name, std::ios::binary).put('x');
      std::filesystem::resize_file(r.name, r.size);
    }
    try {
      const Lines lines = LoadSourceLines(r.name);
      EXPECT_EQ(r.error, "") << r.name;
      EXPECT_EQ(lines.size(), 1u) << r.name;
    } catch (const Failure& f) {
      EXPECT_EQ(f.text, r.error) << r.name;
    }
  }
}

// A save that runs out of room (a file-size limit, like a full disk) leaves the old source whole.
TEST_F(SourceFileOnDisk, AFailedSaveLeavesTheOldFile) {
  const std::string name = Path("block.asm");
  const Lines old(400, "ld a,[$FF00 + $44] // wait for the line");
  SaveSourceLines(name, old);
  const std::string before = Read(name);
  std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit {};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const struct rlimit saved = limit;
  limit.rlim_cur = 0x1000;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_THROW(SaveSourceLines(name, Lines(2000, "nop")), FileError);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(Read(name), before);
}

}  // namespace
