// Saves that meet faults the machine running the tests does not have: a save in place whose
// write fails, and whose putting back of the old bytes fails too (the old content is kept in
// the user's cache folder and the error says where); a system where an unnamed temporary file
// cannot be linked in (no /proc); a symbol save that stops at any step. The faults come from
// stand-ins for pwrite, linkat, fsync and rename (the test program is linked with --wrap).

#include <gtest/gtest.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "model/Failure.h"
#include "model/Rom.h"
#include "model/SymbolEdit.h"
#include "model/SymbolWrite.h"

namespace fs = std::filesystem;

// Decides each of the calls that put a save on disk (pwrite, linkat, fsync, rename): true fails
// it with EIO. Unset: every call goes through.
static std::function<bool(int call)> gStepFault;
static int gStepCalls = 0;

static bool StepFails() {
  if (gStepFault && gStepFault(++gStepCalls)) {
    errno = EIO;
    return true;
  }
  return false;
}

// Decides each pwrite of the program: the number of bytes to really write (at most `count`),
// or -1 to fail it with EIO. Unset: every pwrite goes through.
static std::function<ssize_t(int call, size_t count)> gPwriteFault;
static int gPwriteCalls = 0;

extern "C" ssize_t __real_pwrite(int fd, const void* data, size_t count, off_t offset);
extern "C" ssize_t __wrap_pwrite(int fd, const void* data, size_t count, off_t offset) {
  if (StepFails()) return -1;
  if (gPwriteFault) {
    const ssize_t allowed = gPwriteFault(++gPwriteCalls, count);
    if (allowed < 0) {
      errno = EIO;
      return -1;
    }
    count = static_cast<size_t>(allowed);
  }
  return __real_pwrite(fd, data, count, offset);
}

// Counts the calls of linkat, and fails them with ENOENT when asked.
static int gLinkatCalls = 0;
static bool gLinkatFails = false;

extern "C" int __real_linkat(int fromDir, const char* from, int toDir, const char* to, int flags);
extern "C" int __wrap_linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
  ++gLinkatCalls;
  if (StepFails()) return -1;
  if (gLinkatFails) {
    errno = ENOENT;
    return -1;
  }
  return __real_linkat(fromDir, from, toDir, to, flags);
}

extern "C" int __real_fsync(int fd);
extern "C" int __wrap_fsync(int fd) {
  return StepFails() ? -1 : __real_fsync(fd);
}

extern "C" int __real_rename(const char* from, const char* to);
extern "C" int __wrap_rename(const char* from, const char* to) {
  return StepFails() ? -1 : __real_rename(from, to);
}

namespace {

std::vector<uint8_t> ReadAll(const fs::path& name) {
  std::ifstream in(name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(SaveFaults, OldContentIsKeptWhenItCannotBePutBack) {
  std::string tmpl = (fs::temp_directory_path() / "velmora-rescue-XXXXXX").string();
  const fs::path dir = ::mkdtemp(tmpl.data());
  const fs::path cache = dir / "cache";
  const char* oldCache = std::getenv("XDG_CACHE_HOME");
  const std::string savedCache = oldCache ? oldCache : "";
  ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);

  struct Row {
    const char* what;
    bool copyWritable;  // the rescue copy's own write goes through
  };
  const Row rows[] = {{"copy kept", true}, {"copy not kept either", false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    fs::remove_all(cache);
    std::vector<uint8_t> original(0x3000);
    for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<uint8_t>(i * 7);
    const fs::path name = dir / "game.gb";
    fs::remove(name);
    fs::remove(dir / "twin.gb");
    {
      std::ofstream out(name, std::ios::binary);
      out.write(reinterpret_cast<const char*>(original.data()),
                static_cast<std::streamsize>(original.size()));
    }
    // A hard link: the save goes in place.
    fs::create_hard_link(name, dir / "twin.gb");
    Rom rom;
    rom.RomSize = 0x3000;

    // The first write gets 4 KiB on disk, then the disk fails; the copy's write is the fourth.
    gPwriteCalls = 0;
    gPwriteFault = [&](int call, size_t count) -> ssize_t {
      if (call == 1) return static_cast<ssize_t>(std::min<size_t>(count, 0x1000));
      if (call >= 4 && r.copyWritable) return static_cast<ssize_t>(count);
      return -1;
    };
    std::string shown;
    try {
      SaveRomFile(rom, name.string());
    } catch (const FileError& e) {
      shown = DefaultErrorBoxText(e);
    }
    gPwriteFault = nullptr;

    std::vector<fs::path> copies;
    if (fs::exists(cache / "velmora")) {
      for (const auto& entry : fs::directory_iterator(cache / "velmora")) copies.push_back(entry);
    }
    if (r.copyWritable) {
      ASSERT_EQ(copies.size(), 1u);
      EXPECT_EQ(copies[0].filename().string().rfind("game.gb.old-", 0), 0u);
      EXPECT_EQ(ReadAll(copies[0]), original);
      EXPECT_EQ(shown, "I/O error 5.\n" + name.string() +
                           "\nThe file could not be put back as it was; its old content is in " +
                           copies[0].string() + ".");
    } else {
      EXPECT_TRUE(copies.empty());
      EXPECT_EQ(shown, "I/O error 5.\n" + name.string() +
                           "\nThe file could not be put back as it was, nor its old content kept.");
    }
  }
  if (oldCache) {
    ::setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
  } else {
    ::unsetenv("XDG_CACHE_HOME");
  }
  fs::remove_all(dir);
}

// The temporary file of a save has no name until it is complete (it is linked in once, just
// before the rename); where it cannot be linked in, a named one serves. Either way the file is
// saved and nothing else stays in the folder.
TEST(SaveFaults, TemporaryFileIsLinkedInOnlyWhenComplete) {
  std::string tmpl = (fs::temp_directory_path() / "velmora-link-XXXXXX").string();
  const fs::path dir = ::mkdtemp(tmpl.data());
  const fs::path name = dir / "game.gb";
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "cannot link" : "links");
    Rom rom;
    rom.RomSize = 0x4000;
    rom.RomImage[0x100] = fails ? 2 : 1;
    gLinkatCalls = 0;
    gLinkatFails = fails;
    SaveRomFile(rom, name.string());
    gLinkatFails = false;
    EXPECT_EQ(gLinkatCalls, 1);
    const std::vector<uint8_t> saved = ReadAll(name);
    ASSERT_EQ(saved.size(), 0x4000u);
    EXPECT_EQ(saved[0x100], fails ? 2 : 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  }
  fs::remove_all(dir);
}

// A save of a rename across the ROM's symbol file and the program's file beside it, stopped at
// each step that puts it on disk (one step failing, or every step from it on, as when the
// program is killed there): every label is still on disk, the renamed one under its old name,
// its new name or both, and the files the program holds afterwards are the files on disk.
TEST(SaveFaults, ASymbolSaveStoppedAnywhereKeepsEveryLabel) {
  std::string tmpl = (fs::temp_directory_path() / "velmora-symsave-XXXXXX").string();
  const fs::path dir = ::mkdtemp(tmpl.data());
  const std::string rom = (dir / "game.gb").string();
  const std::string sym = (dir / "game.sym").string();
  std::string own = "; made by hand\n00:0150 Main\n";
  for (int i = 0; i < 3000; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "01:%04x L%d\n", 0x4000 + i, i);
    own += line;
  }
  // The overlay repeats one of the ROM file's lines: read back together, that stays a repeat.
  const std::string overlay = "00:0200 Mine\n01:4000 L0\n";
  const auto labelsOnDisk = [&] {
    LabelTables labels;
    RomMarks marks;
    RomComments comments;
    LoadRomSymbols(sym, rom, 4, {labels, marks, comments});
    std::multiset<std::string> names;
    for (const RomLabel& l : labels.RomLabels()) names.insert(l.Name);
    return names;
  };

  struct Row {
    const char* what;
    bool onward;  // every step from the chosen one fails, not that one alone
  };
  for (const Row& r : {Row{"one step fails", false}, Row{"stopped there", true}}) {
    for (int stop = 1;; ++stop) {
      SCOPED_TRACE(std::string(r.what) + ", step " + std::to_string(stop));
      std::ofstream(sym, std::ios::binary) << own;
      std::ofstream(OverlaySymFileName(rom), std::ios::binary) << overlay;
      LabelTables labels;
      RomMarks marks;
      RomComments comments;
      std::vector<SymbolFile> held = LoadRomSymbols(sym, rom, 4, {labels, marks, comments});
      ApplySymbolStep({labels, marks, comments}, *RomLabelStep(labels, 0x150, "Main", "Start"));
      SymbolWrite plan;
      plan.files = held;
      plan.known = held.size();
      plan.target = 1;
      plan.texts = ComposeSymbolFiles({&held[0], &held[1]}, 1, labels, marks, comments);
      plan.write = {true, true};

      gStepCalls = 0;
      gStepFault = [&](int call) { return r.onward ? call >= stop : call == stop; };
      bool failed = false;
      try {
        std::vector<std::string> written;
        WriteSymbolFiles(plan, held, 4, written);
      } catch (const std::exception&) {
        failed = true;
      }
      gStepFault = nullptr;
      const bool reached = gStepCalls >= stop;

      std::multiset<std::string> names = labelsOnDisk();
      const size_t renamed = names.count("Main") + names.count("Start");
      EXPECT_GE(renamed, 1u);
      EXPECT_EQ(names.size(), 3001 + renamed);
      for (size_t f = 0; f < held.size(); ++f) {
        EXPECT_EQ(ReadAll(held[f].Name), std::vector<uint8_t>(held[f].Text.begin(), held[f].Text.end()));
      }
      // A failed sync of the folder, once the file is in place, fails nothing.
      EXPECT_TRUE(reached || !failed);
      if (!reached) {
        // The whole save: the rename alone, nothing left to save.
        EXPECT_EQ(names.count("Main"), 0u);
        EXPECT_FALSE(SymbolsChanged(held, labels, marks, comments));
        break;
      }
    }
  }
  fs::remove_all(dir);
}
