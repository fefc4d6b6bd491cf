#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include "model/Failure.h"
#include "model/Rom.h"

namespace fs = std::filesystem;

namespace {

struct TempDir {
  fs::path path;
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "velmora-rom-XXXXXX").string();
    path = ::mkdtemp(tmpl.data());
  }
  ~TempDir() {
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(path);
  }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(path / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return (path / name).string();
  }
};

std::vector<uint8_t> ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 31 + seed);
  return bytes;
}

std::vector<uint8_t> WithTitle(std::vector<uint8_t> bytes, const std::vector<uint8_t>& title) {
  for (size_t i = 0; i < 16; ++i) bytes[0x134 + i] = i < title.size() ? title[i] : 0;
  return bytes;
}

// Runs a check in a child process without root's rights (root may write everything), and
// returns its exit code.
int RunUnprivileged(const std::function<int()>& check) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(90);
    ::_exit(check());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

}  // namespace

TEST(Rom, LoadsSizesAndBankCounts) {
  TempDir dir;
  struct Row {
    size_t size;
    uint32_t banks;
  };
  // Whole 16 KiB banks without an 8-bit cut, so 4 MiB and 16 MiB ROMs reach all their banks.
  const Row rows[] = {{1, 0},     {0x143, 0},     {16384, 1},
                      {40960, 2}, {4194304, 256}, {kRomCapacity, 1024}};
  for (const Row& r : rows) {
    Rom rom;
    auto bytes = Pattern(r.size, 3);
    std::string name = dir.Write("r.gb", bytes);
    LoadRomFile(rom, name);
    EXPECT_EQ(rom.RomSize, r.size);
    EXPECT_EQ(rom.BankCount, r.banks) << r.size;
    EXPECT_EQ(rom.RomFileName, name);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), rom.RomImage.begin()));
  }
}

TEST(Rom, FailedLoadsChangeNothing) {
  TempDir dir;
  Rom rom;
  const std::string good =
      dir.Write("good.gb", WithTitle(Pattern(0x8000, 1), {'G', 'O', 'O', 'D'}));
  LoadRomFile(rom, good);
  const Rom before = rom;

  const std::string empty = dir.Write("empty.gb", {});
  const std::string huge = dir.Write("huge.gb", Pattern(kRomCapacity + 1, 9));
  struct Row {
    std::string name;
    std::string message;
    bool isFailure;
  };
  const Row rows[] = {{empty, "File is empty.", true},
                      {huge, "File is larger than 16 MiB.", true},
                      {(dir.path / "missing.gb").string(), "File not found", false},
                      {dir.path.string(), "I/O error 21", false}};
  for (const Row& r : rows) {
    try {
      LoadRomFile(rom, r.name);
      ADD_FAILURE() << "loaded " << r.name;
    } catch (const Failure& f) {
      EXPECT_TRUE(r.isFailure);
      EXPECT_EQ(f.text, r.message);
    } catch (const RunTimeError& e) {
      EXPECT_FALSE(r.isFailure);
      EXPECT_EQ(std::string(e.what()), r.message);
    }
    EXPECT_EQ(rom.RomSize, before.RomSize);
    EXPECT_EQ(rom.BankCount, before.BankCount);
    EXPECT_EQ(rom.RomTitle, "Good");
    EXPECT_EQ(rom.RomFileName, good);
    EXPECT_TRUE(rom.RomImage == before.RomImage);
  }
}

TEST(Rom, ReadOnlyFileIsRefusedAsAccessDenied) {
  TempDir dir;
  std::string name = dir.Write("ro.gb", Pattern(100, 0));
  ::chmod(dir.path.c_str(), 0755);
  ::chmod(name.c_str(), 0444);
  int code = RunUnprivileged([&] {
    Rom rom;
    try {
      LoadRomFile(rom, name);
    } catch (const FileError& e) {
      return std::string(e.what()) == "File access denied" && rom.RomSize == 0 ? 0 : 2;
    }
    return 1;
  });
  EXPECT_EQ(code, 0);
}

TEST(Rom, TitleRules) {
  struct Row {
    std::vector<uint8_t> title;
    std::string expected;
  };
  const Row rows[] = {
      {{'S', 'U', 'P', 'E', 'R', ' ', 'D', 'E', 'M', 'O'}, "Super demo"},
      {{'A', 'B', 'C'}, "Abc"},
      {{'a', 'b', 'c'}, "Abc"},
      {{'1', 'A', 'B', 'C'}, "1abc"},
      {{}, ""},
      {{'P', 'O', 'K', 'E', 'M', 'O', 'N', '_', 'S', 'I', 'L', 'V', 'E', 'R', 'X', 0xC0},
       "Pokemon_silverx"},
      {{'P', 'O', 'K', 'E', 'M', 'O', 'N', '_', 'S', 'I', 'L', 'V', 'E', 'R', 'X', 0x80},
       "Pokemon_silverx"},
      {{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 0x41},
       "Abcdefghijklmnoa"},
      {{'Z', 0xC9, 'X'}, std::string("Z\xC9x")},  // only ASCII letters fold
  };
  TempDir dir;
  for (const Row& r : rows) {
    Rom rom;
    LoadRomFile(rom, dir.Write("t.gb", WithTitle(Pattern(0x200, 0), r.title)));
    EXPECT_EQ(rom.RomTitle, r.expected);
  }
}

TEST(Rom, ShortFileTakesItsTitleFromTheBufferAndKeepsOldTail) {
  TempDir dir;
  Rom rom;
  auto big = WithTitle(Pattern(0x20000, 5), {'B', 'I', 'G'});
  LoadRomFile(rom, dir.Write("big.gb", big));
  LoadRomFile(rom, dir.Write("small.gb", Pattern(0x100, 1)));
  EXPECT_EQ(rom.RomTitle, "Big");  // 0x134.. still holds the earlier ROM's title bytes
  EXPECT_EQ(rom.RomImage[0x1FFFF], big[0x1FFFF]);

  Rom fresh;
  LoadRomFile(fresh, dir.Write("small2.gb", Pattern(0x100, 1)));
  EXPECT_EQ(fresh.RomTitle, "");

  // Save writes RomSize bytes only.
  std::string out = (dir.path / "out.gb").string();
  SaveRomFile(rom, out);
  EXPECT_EQ(ReadFile(out), Pattern(0x100, 1));
}

TEST(Rom, SaveReplacesTheFileKeepingModeAndLinks) {
  TempDir dir;
  Rom rom;
  std::string name = dir.Write("game.gb", Pattern(0x4000, 2));
  ::chmod(name.c_str(), 0640);
  fs::create_symlink("game.gb", dir.path / "link.gb");
  LoadRomFile(rom, (dir.path / "link.gb").string());
  rom.RomImage[0x150] = 0xAA;
  SaveRomFile(rom, (dir.path / "link.gb").string());

  EXPECT_TRUE(fs::is_symlink(dir.path / "link.gb"));
  auto saved = ReadFile(name);
  ASSERT_EQ(saved.size(), 0x4000u);
  EXPECT_EQ(saved[0x150], 0xAA);
  struct stat st {};
  ::stat(name.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // No temporary file is left behind.
  size_t entries = std::distance(fs::directory_iterator(dir.path), fs::directory_iterator());
  EXPECT_EQ(entries, 2u);
}

TEST(Rom, SaveIntoAReadOnlyFolderLeavesTheOldFileIntact) {
  TempDir dir;
  Rom rom;
  auto original = Pattern(0x4000, 4);
  std::string name = dir.Write("game.gb", original);
  ::chmod(name.c_str(), 0666);  // the file itself is writable; its folder is not
  LoadRomFile(rom, name);
  rom.RomImage[0] ^= 0xFF;
  ::chmod(dir.path.c_str(), 0555);
  int code = RunUnprivileged([&] {
    try {
      SaveRomFile(rom, name);
    } catch (const FileError& e) {
      return std::string(e.what()) == "File access denied" ? 0 : 2;
    }
    return 1;
  });
  ::chmod(dir.path.c_str(), 0755);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(name), original);
}

TEST(Rom, SaveThatRunsOutOfSpaceLeavesTheOldFileAndNoTemporary) {
  // A file-size limit makes the write fail part way, for root too, like a full disk.
  TempDir dir;
  Rom rom;
  auto original = Pattern(0x8000, 6);
  std::string name = dir.Write("game.gb", original);
  LoadRomFile(rom, name);
  rom.RomImage[0x7FFF] ^= 0xFF;
  std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = 0x1000;
  ::setrlimit(RLIMIT_FSIZE, &small);
  try {
    SaveRomFile(rom, name);
    ADD_FAILURE() << "saved past the limit";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "I/O error 27");
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(ReadFile(name), original);
  size_t entries = std::distance(fs::directory_iterator(dir.path), fs::directory_iterator());
  EXPECT_EQ(entries, 1u);
}

TEST(Rom, FailedSaveIntoAMissingFolder) {
  TempDir dir;
  Rom rom;
  rom.RomSize = 10;
  try {
    SaveRomFile(rom, (dir.path / "nope" / "x.gb").string());
    FAIL();
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "File not found");
  }
}

TEST(Rom, ProgramFolderKeepsTheSeparator) {
  EXPECT_EQ(ProgramFolderOf("/usr/bin/velmora"), "/usr/bin/");
  EXPECT_EQ(ProgramFolderOf("/velmora"), "/");
  EXPECT_EQ(ProgramFolderOf("velmora"), "");
}
