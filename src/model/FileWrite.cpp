#include "model/FileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>
#include <sys/file.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "model/Failure.h"

namespace {

// Closes a descriptor on every path out of a function.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  // Closes now, throwing when the close reports a late write error.
  void Close(const std::string& fileName) {
    const int f = fd;
    fd = -1;
    if (::close(f) != 0) ThrowFileError(errno, fileName);
  }
};

// Writes all bytes at an offset; `done` counts the bytes written so far, also when it throws.
void WriteAllAt(int fd, const uint8_t* data, size_t size, off_t offset, size_t& done,
                const std::string& fileName) {
  done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(errno, fileName);
    }
    done += static_cast<size_t>(n);
  }
}

// For a FIFO or a device, where there is no offset to write at.
void WriteAll(int fd, const uint8_t* data, size_t size, const std::string& fileName) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(errno, fileName);
    }
    done += static_cast<size_t>(n);
  }
}

// The file that a save really replaces: a symbolic link is followed so that the link stays.
std::string ResolveTarget(const std::string& fileName) {
  std::string path = fileName;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> buf(PATH_MAX + 1);
    const ssize_t n = ::readlink(path.c_str(), buf.data(), PATH_MAX);
    if (n < 0) return path;
    const std::string link(buf.data(), static_cast<size_t>(n));
    if (!link.empty() && link[0] == '/') {
      path = link;
    } else {
      const size_t slash = path.rfind('/');
      path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + link;
    }
  }
  ThrowFileError(ELOOP, fileName);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

constexpr char kTemporaryPrefix[] = ".velmora-";
constexpr size_t kTemporarySuffix = 6;  // as mkstemp's XXXXXX

bool IsTemporaryName(const char* name) {
  const size_t prefix = sizeof kTemporaryPrefix - 1;
  if (std::strncmp(name, kTemporaryPrefix, prefix) != 0) return false;
  if (std::strlen(name) != prefix + kTemporarySuffix) return false;
  for (size_t i = prefix; i < prefix + kTemporarySuffix; ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

std::string NewTemporaryName(const std::string& folder) {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937 random{std::random_device{}()};
  std::string name = folder + kTemporaryPrefix;
  for (size_t i = 0; i < kTemporarySuffix; ++i) name += kChars[random() % (sizeof kChars - 1)];
  return name;
}

}  // namespace

void RemoveLeftoverTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    const std::string name = FolderOf(folder + "/") + entry->d_name;
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
      continue;
    // A save that is still being written holds a lock on its temporary file; a lock that can
    // be taken belongs to a save that died (killed, or its machine lost power).
    Fd file(::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.fd < 0 || ::flock(file.fd, LOCK_EX | LOCK_NB) != 0) continue;
    ::unlink(name.c_str());
  }
  ::closedir(dir);
}

namespace {

// An unnamed file in the folder where the file system can make one (it vanishes if the save
// dies), else a named one; -1 with errno when neither can be made. Locked either way.
int OpenTemporary(const std::string& folder, std::string& name, bool unnamed) {
  name.clear();
  int fd = -1;
#ifdef O_TMPFILE
  if (unnamed) fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  // Older kernels and some file systems (network, FUSE) have no unnamed files.
  if (fd < 0 && unnamed && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return -1;
#else
  (void)unnamed;
#endif
  if (fd < 0) {
    name = folder + kTemporaryPrefix + "XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return -1;
  }
  ::flock(fd, LOCK_EX);
  return fd;
}

// Gives a complete unnamed file a name in its folder; false when it cannot (no /proc).
bool LinkTemporary(int fd, const std::string& folder, std::string& name) {
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = NewTemporaryName(folder);
    if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return true;
    }
    if (errno != EEXIST) break;
  }
  name.clear();
  return false;
}

// Writes a temporary file beside the target and renames it over the target. Returns false,
// having changed nothing, when the temporary cannot be given the group the target has.
bool SaveThroughTemporary(const std::string& target, const std::string& fileName, mode_t mode,
                          const struct stat* old, const uint8_t* data, size_t size,
                          bool unnamed = true) {
  const std::string folder = FolderOf(target);
  if (unnamed) RemoveLeftoverTemporaries(folder);
  std::string name;
  Fd file(OpenTemporary(folder, name, unnamed));
  if (file.fd < 0) ThrowFileError(errno, fileName);
  try {
    struct stat made {};
    if (old != nullptr && ::fstat(file.fd, &made) == 0 && made.st_gid != old->st_gid &&
        ::fchown(file.fd, static_cast<uid_t>(-1), old->st_gid) != 0) {
      if (!name.empty()) ::unlink(name.c_str());
      return false;
    }
    size_t done = 0;
    WriteAllAt(file.fd, data, size, 0, done, fileName);
    if (::fchmod(file.fd, mode) != 0) ThrowFileError(errno, fileName);
    if (::fsync(file.fd) != 0) ThrowFileError(errno, fileName);
    // Only a complete file gets a name, just before it takes the target's. Where it cannot get
    // one, the save starts again with a named temporary file.
    if (name.empty() && !LinkTemporary(file.fd, folder, name)) {
      file.Close(fileName);
      return SaveThroughTemporary(target, fileName, mode, old, data, size, false);
    }
    file.Close(fileName);
    if (::rename(name.c_str(), target.c_str()) != 0) ThrowFileError(errno, fileName);
  } catch (...) {
    if (!name.empty()) ::unlink(name.c_str());
    throw;
  }
  // Make the rename itself durable.
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd >= 0) ::fsync(dir.fd);
  return true;
}

// The whole content of a regular file, or nothing when it cannot be read (a file that may be
// written but not read).
std::optional<std::vector<uint8_t>> ReadOldContent(const std::string& target, off_t size) {
  Fd file(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.fd < 0) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pread(file.fd, bytes.data() + done, bytes.size() - done,
                              static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    done += static_cast<size_t>(n);
  }
  return bytes;
}

// Where a copy of a file that could not be put back is kept: the user's cache folder.
std::string RescueFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  std::string folder;
  if (cache != nullptr && cache[0] == '/') {
    folder = cache;
  } else if (home != nullptr && home[0] != '\0') {
    folder = std::string(home) + "/.cache";
  } else {
    folder = "/tmp";
  }
  ::mkdir(folder.c_str(), 0700);
  folder += "/velmora";
  ::mkdir(folder.c_str(), 0700);
  return folder + "/";
}

// Writes the old content to a new file in the cache folder; its name, or "" when that failed.
std::string KeepRescueCopy(const std::string& target, const std::vector<uint8_t>& old) {
  const size_t slash = target.rfind('/');
  std::string name = RescueFolder() + target.substr(slash == std::string::npos ? 0 : slash + 1) +
                     ".old-XXXXXX";
  Fd file(::mkostemp(name.data(), O_CLOEXEC));
  if (file.fd < 0) return {};
  try {
    size_t done = 0;
    WriteAllAt(file.fd, old.data(), old.size(), 0, done, name);
    if (::fsync(file.fd) != 0) ThrowFileError(errno, name);
    file.Close(name);
  } catch (const FileError&) {
    ::unlink(name.c_str());
    return {};
  }
  return name;
}

// Puts the old bytes back over the `written` bytes from the start and the old length.
bool PutBack(int fd, const std::vector<uint8_t>& old, size_t written) {
  try {
    size_t done = 0;
    WriteAllAt(fd, old.data(), std::min(written, old.size()), 0, done, {});
  } catch (const FileError&) {
    return false;
  }
  return ::ftruncate(fd, static_cast<off_t>(old.size())) == 0 && ::fsync(fd) == 0;
}

// Writes over the existing file, which keeps its inode, links, owner and kind. A regular file
// that fails part way gets its old bytes back; if even that fails, they are kept in the cache
// folder and the error's note says where.
void WriteInPlace(const std::string& target, const std::string& fileName, const uint8_t* data,
                  size_t size) {
  // O_NONBLOCK: a FIFO without a reader fails at once instead of waiting for one.
  Fd file(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.fd < 0 && errno == ENXIO) throw NotRegularFileFailure(fileName);
  if (file.fd < 0) ThrowFileError(errno, fileName);
  const int flags = ::fcntl(file.fd, F_GETFL);
  if (flags < 0 || ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
    ThrowFileError(errno, fileName);
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) ThrowFileError(errno, fileName);
  if (!S_ISREG(st.st_mode)) {
    // A device or FIFO has no old content to keep, no length to cut and nothing to sync.
    WriteAll(file.fd, data, size, fileName);
    file.Close(fileName);
    return;
  }
#ifdef __linux__
  // Reserve the room first where the file system can, so that a full disk is found before a
  // single old byte is overwritten.
  if (size > 0 && ::fallocate(file.fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 &&
      (errno == ENOSPC || errno == EDQUOT)) {
    ThrowFileError(errno, fileName);
  }
#endif
  const auto old = ReadOldContent(target, st.st_size);
  size_t written = 0;
  try {
    WriteAllAt(file.fd, data, size, 0, written, fileName);
    if (::ftruncate(file.fd, static_cast<off_t>(size)) != 0) ThrowFileError(errno, fileName);
    if (::fsync(file.fd) != 0) ThrowFileError(errno, fileName);
  } catch (FileError& error) {
    if (old && !PutBack(file.fd, *old, written)) {
      const std::string copy = KeepRescueCopy(target, *old);
      error.note = copy.empty()
                       ? "The file could not be put back as it was, nor its old content kept."
                       : "The file could not be put back as it was; its old content is in " +
                             copy + ".";
    }
    throw;
  }
  file.Close(fileName);
}

// Whether a new file renamed over this one would be the same file in all but its bytes.
bool RenameKeepsFile(const struct stat& st, const std::string& folder) {
  return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid() &&
         ::faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

void SaveFileSafely(const std::string& fileName, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  const std::string target = ResolveTarget(fileName);
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) {
    if (errno != ENOENT) ThrowFileError(errno, fileName);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    SaveThroughTemporary(target, fileName, 0666 & ~mask, nullptr, bytes, size);
    return;
  }
  if (S_ISDIR(st.st_mode)) ThrowFileError(EISDIR, fileName);
  // A write-protected file stays protected, though its folder would let a rename replace it.
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
    ThrowFileError(errno, fileName);
  if (RenameKeepsFile(st, FolderOf(target)) &&
      SaveThroughTemporary(target, fileName, st.st_mode & 07777, &st, bytes, size)) {
    return;
  }
  WriteInPlace(target, fileName, bytes, size);
}
