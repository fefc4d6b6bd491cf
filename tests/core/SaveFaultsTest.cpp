// Saves that meet faults the machine running the tests does not have: a save in place whose
// write fails, and whose putting back of the old bytes fails too (the old content is kept in
// the user's cache folder and the error says where); a system where an unnamed temporary file
// cannot be linked in (no /proc). The faults come from stand-ins for pwrite and linkat (the
// test program is linked with --wrap=pwrite,--wrap=linkat).

#include <gtest/gtest.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "model/Failure.h"
#include "model/Rom.h"

namespace fs = std::filesystem;

// Decides each pwrite of the program: the number of bytes to really write (at most `count`),
// or -1 to fail it with EIO. Unset: every pwrite goes through.
static std::function<ssize_t(int call, size_t count)> gPwriteFault;
static int gPwriteCalls = 0;

extern "C" ssize_t __real_pwrite(int fd, const void* data, size_t count, off_t offset);
extern "C" ssize_t __wrap_pwrite(int fd, const void* data, size_t count, off_t offset) {
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
  if (gLinkatFails) {
    errno = ENOENT;
    return -1;
  }
  return __real_linkat(fromDir, from, toDir, to, flags);
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
