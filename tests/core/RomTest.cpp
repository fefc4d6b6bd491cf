#include <gtest/gtest.h>
#include <sys/resource.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
  const std::string fifo = (dir.path / "fifo.gb").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string huge = dir.Write("huge.gb", Pattern(kRomCapacity + 1, 9));
  struct Row {
    std::string name;
    std::string message;
    bool isFailure;
  };
  // A file error names the file; a refusal quotes the path as it was given.
  const Row rows[] = {{empty, "File is empty.", true},
                      {huge, "File is larger than 16 MiB.", true},
                      {(dir.path / "missing.gb").string(), "File not found", false},
                      {dir.path.string(), "I/O error 21", false},
                      // Neither waits for a writer nor reads without end.
                      {fifo, "'" + fifo + "' is not a regular file.", true},
                      {"/dev/zero", "'/dev/zero' is not a regular file.", true}};
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
      EXPECT_EQ(DefaultErrorBoxText(e), r.message + ".\n" + r.name);
    }
    EXPECT_EQ(rom.RomSize, before.RomSize);
    EXPECT_EQ(rom.BankCount, before.BankCount);
    EXPECT_EQ(rom.RomTitle, "Good");
    EXPECT_EQ(rom.RomFileName, good);
    EXPECT_TRUE(rom.RomImage == before.RomImage);
  }
}

// A write-protected ROM is read, and known to be read-only; saving it back is refused and
// leaves it alone.
TEST(Rom, WriteProtectedFileLoadsReadOnly) {
  TempDir dir;
  ::chmod(dir.path.c_str(), 0755);
  const auto bytes = Pattern(0x4000, 4);
  struct Row {
    const char* name;
    mode_t mode;
    bool readOnly;
  };
  const Row rows[] = {{"rw.gb", 0644, false}, {"ro.gb", 0444, true}};
  for (const Row& r : rows) {
    const std::string name = dir.Write(r.name, bytes);
    ::chmod(name.c_str(), r.mode);
    // The unprivileged user's own file.
    if (::geteuid() == 0) {
      EXPECT_EQ(::chown(name.c_str(), 65534, 65534), 0);
    }
    const int code = RunUnprivileged([&] {
      Rom rom;
      rom.ReadOnly = !r.readOnly;
      LoadRomFile(rom, name);
      if (rom.ReadOnly != r.readOnly || rom.RomSize != bytes.size() ||
          !std::equal(bytes.begin(), bytes.end(), rom.RomImage.begin())) {
        return 1;
      }
      rom.RomImage[0] ^= 0xFF;
      try {
        SaveRomFile(rom, name);
        return r.readOnly ? 2 : 0;
      } catch (const FileError& e) {
        return r.readOnly && e.text == "File access denied" && e.fileName == name ? 0 : 3;
      }
    });
    EXPECT_EQ(code, 0) << r.name;
    EXPECT_EQ(ReadFile(name)[0], r.readOnly ? bytes[0] : bytes[0] ^ 0xFF) << r.name;
  }
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

TEST(Rom, ALoadLeavesNothingOfTheEarlierRom) {
  TempDir dir;
  Rom rom;
  auto big = WithTitle(Pattern(0x20000, 5), {'B', 'I', 'G'});
  LoadRomFile(rom, dir.Write("big.gb", big));
  LoadRomFile(rom, dir.Write("small.gb", Pattern(0x100, 1)));
  EXPECT_EQ(rom.RomTitle, "");  // 0x134.. lies past the new file's end
  EXPECT_TRUE(std::all_of(rom.RomImage.begin() + 0x100, rom.RomImage.end(),
                          [](uint8_t b) { return b == 0; }));

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

// Saves, in a child process without root's rights when asked; returns the error text, or ""
// when the save succeeded.
std::string TrySave(const Rom& rom, const std::string& name, bool unprivileged) {
  auto save = [&]() -> std::string {
    try {
      SaveRomFile(rom, name);
      return "";
    } catch (const RunTimeError& e) {
      return e.text;
    } catch (const Failure& f) {
      return f.text;
    }
  };
  if (!unprivileged || ::geteuid() != 0) return save();
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
    const std::string text = save();
    ::_exit(::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 91);
  }
  ::close(fds[1]);
  std::string text;
  char buf[256];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "child failed";
}

struct stat StatOf(const std::string& name) {
  struct stat st {};
  ::lstat(name.c_str(), &st);
  return st;
}

// A save changes the file's bytes and nothing else about it (kind, inode, links, owner, mode):
// where a rename would lose any of these, the file is written in place; a file that may not be
// written is refused and left alone.
TEST(Rom, SaveKeepsWhatTheFileIs) {
  TempDir dir;
  ::chmod(dir.path.c_str(), 0755);
  fs::create_directory(dir.path / "locked");  // made read-only below
  fs::create_directory(dir.path / "open");
  ::chmod((dir.path / "open").c_str(), 0777);
  const bool root = ::geteuid() == 0;
  const auto old = Pattern(0x300, 8);
  const auto saved = Pattern(0x200, 9);
  Rom rom;
  rom.RomSize = 0x200;
  std::copy(saved.begin(), saved.end(), rom.RomImage.begin());
  enum class Kind { File, HardLinked, Fifo, FifoWithReader, NullDevice, New };
  struct Row {
    const char* name;
    Kind kind;
    mode_t mode;
    // Owned by, and saved as, uid 65534 when running as root; else the user's own file.
    bool nobodys;       // owned by uid 65534
    bool unprivileged;  // saved as uid 65534
    std::string error;
  };
  const Row rows[] = {
      {"locked/game.gb", Kind::File, 0666, false, true, ""},
      {"linked.gb", Kind::HardLinked, 0644, false, false, ""},
      {"pipe.gb", Kind::FifoWithReader, 0600, false, false, ""},
      // No reader: said to be no regular file, rather than "I/O error 6".
      {"lonely.gb", Kind::Fifo, 0600, false, false,
       "'" + (dir.path / "lonely.gb").string() + "' is not a regular file."},
      {"null.gb", Kind::NullDevice, 0666, false, false, ""},
      {"open/protected.gb", Kind::File, 0444, true, true, "File access denied"},
      {"theirs.gb", Kind::File, 0644, true, false, ""},
      {"new.gb", Kind::New, 0, false, false, ""},
  };
  std::vector<int> readers;
  std::vector<struct stat> before;
  for (const Row& r : rows) {
    const std::string name = (dir.path / r.name).string();
    if (r.kind == Kind::File || r.kind == Kind::HardLinked) dir.Write(r.name, old);
    if (r.kind == Kind::HardLinked) fs::create_hard_link(name, name + ".twin");
    if (r.kind == Kind::Fifo || r.kind == Kind::FifoWithReader) ::mkfifo(name.c_str(), r.mode);
    if (r.kind == Kind::NullDevice && root) ::mknod(name.c_str(), S_IFCHR | r.mode, makedev(1, 3));
    if (r.kind != Kind::New) ::chmod(name.c_str(), r.mode);
    if (r.nobodys && root) {
      EXPECT_EQ(::chown(name.c_str(), 65534, 65534), 0);
    }
    readers.push_back(r.kind == Kind::FifoWithReader ? ::open(name.c_str(), O_RDONLY | O_NONBLOCK)
                                                     : -1);
    before.push_back(StatOf(name));
  }
  ::chmod((dir.path / "locked").c_str(), 0555);
  for (size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(r.name);
    const std::string name = (dir.path / r.name).string();
    // Without root, no other user's file and no device node can be made.
    if (r.kind != Kind::New && before[i].st_ino == 0) continue;
    if (r.nobodys && !r.unprivileged && !root) continue;
    EXPECT_EQ(TrySave(rom, name, r.unprivileged), r.error);
    const struct stat after = StatOf(name);
    if (r.kind != Kind::New) {
      EXPECT_EQ(after.st_ino, before[i].st_ino);
      EXPECT_EQ(after.st_mode, before[i].st_mode);  // the kind of file too
      EXPECT_EQ(after.st_nlink, before[i].st_nlink);
      EXPECT_EQ(after.st_uid, before[i].st_uid);
      EXPECT_EQ(after.st_gid, before[i].st_gid);
    }
    if (S_ISREG(after.st_mode)) {
      EXPECT_EQ(ReadFile(name), r.error.empty() ? saved : old);
    }
    if (readers[i] >= 0) {
      std::vector<uint8_t> got(0x400);
      got.resize(static_cast<size_t>(std::max<ssize_t>(0, ::read(readers[i], got.data(), 0x400))));
      ::close(readers[i]);
      EXPECT_EQ(got, saved);
    }
  }
  ::chmod((dir.path / "locked").c_str(), 0755);
  // No temporary file is left behind.
  for (const auto& entry : fs::recursive_directory_iterator(dir.path)) {
    EXPECT_NE(entry.path().filename().string().rfind(".velmora-", 0), 0u) << entry.path();
  }
}

// A file-size limit makes the write fail part way, for root too, like a full disk where the
// room cannot be reserved first. Through a temporary file or in place (a hard link), the old
// file is left whole and no temporary stays.
TEST(Rom, SaveThatFailsPartWayLeavesTheOldFile) {
  struct Row {
    const char* what;
    bool hardLinked;
    size_t oldSize;
  };
  const Row rows[] = {{"through a temporary", false, 0x8000},
                      {"in place", true, 0x8000},
                      {"in place, growing", true, 0x800}};
  std::signal(SIGXFSZ, SIG_IGN);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    TempDir dir;
    const auto original = Pattern(r.oldSize, 6);
    const std::string name = dir.Write("game.gb", original);
    if (r.hardLinked) fs::create_hard_link(name, dir.path / "twin.gb");
    Rom rom;
    rom.RomSize = 0x8000;
    const auto saved = Pattern(0x8000, 7);
    std::copy(saved.begin(), saved.end(), rom.RomImage.begin());
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 0x1000;
    ::setrlimit(RLIMIT_FSIZE, &small);
    try {
      SaveRomFile(rom, name);
      ADD_FAILURE() << "saved past the limit";
    } catch (const FileError& e) {
      EXPECT_EQ(DefaultErrorBoxText(e), "I/O error 27.\n" + name);
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(ReadFile(name), original);
    size_t entries = std::distance(fs::directory_iterator(dir.path), fs::directory_iterator());
    EXPECT_EQ(entries, r.hardLinked ? 2u : 1u);
  }
}

// Files named as a save's temporary file that no running save holds are what a save killed
// mid-way left; the next save into the folder removes them, and nothing else.
TEST(Rom, SaveRemovesLeftoversOfEarlierSaves) {
  TempDir dir;
  const auto bytes = Pattern(0x100, 1);
  for (const char* name : {".velmora-Ab12Cd", ".velmora-zzzzzz", ".velmora-live01",
                           ".velmora-toolong", "velmora-abcdef", ".velmora-ab.cde"}) {
    dir.Write(name, bytes);
  }
  // A save still running holds its temporary file locked.
  const int live = ::open((dir.path / ".velmora-live01").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(live, LOCK_EX), 0);
  Rom rom;
  rom.RomSize = 0x100;
  SaveRomFile(rom, (dir.path / "game.gb").string());
  ::close(live);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.path))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".velmora-ab.cde", ".velmora-live01",
                                             ".velmora-toolong", "game.gb", "velmora-abcdef"}));
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
    EXPECT_EQ(e.fileName, (dir.path / "nope" / "x.gb").string());
  }
}

TEST(Rom, ProgramFolderKeepsTheSeparator) {
  EXPECT_EQ(ProgramFolderOf("/usr/bin/velmora"), "/usr/bin/");
  EXPECT_EQ(ProgramFolderOf("/velmora"), "/");
  EXPECT_EQ(ProgramFolderOf("velmora"), "");
}
