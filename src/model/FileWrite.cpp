#include "model/FileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
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
  void Close() {
    const int f = fd;
    fd = -1;
    if (::close(f) != 0) ThrowFileError(errno);
  }
};

void WriteAll(int fd, const uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(errno);
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
  ThrowFileError(ELOOP);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// Writes a temporary file beside the target and renames it over the target. Returns false,
// having changed nothing, when the temporary cannot be given the group the target has.
bool SaveThroughTemporary(const std::string& target, mode_t mode, const struct stat* old,
                          const uint8_t* data, size_t size) {
  const std::string folder = FolderOf(target);
  std::string name = folder + ".velmora-XXXXXX";
  Fd file(::mkstemp(name.data()));
  if (file.fd < 0) ThrowFileError(errno);
  try {
    struct stat made {};
    if (old != nullptr && ::fstat(file.fd, &made) == 0 && made.st_gid != old->st_gid &&
        ::fchown(file.fd, static_cast<uid_t>(-1), old->st_gid) != 0) {
      ::unlink(name.c_str());
      return false;
    }
    WriteAll(file.fd, data, size);
    if (::fchmod(file.fd, mode) != 0) ThrowFileError(errno);
    if (::fsync(file.fd) != 0) ThrowFileError(errno);
    file.Close();
    if (::rename(name.c_str(), target.c_str()) != 0) ThrowFileError(errno);
  } catch (...) {
    ::unlink(name.c_str());
    throw;
  }
  // Make the rename itself durable.
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd >= 0) ::fsync(dir.fd);
  return true;
}

// Writes over the existing file, which keeps its inode, links, owner and kind.
void WriteInPlace(const std::string& target, const uint8_t* data, size_t size) {
  // O_NONBLOCK: a FIFO without a reader fails at once instead of waiting for one.
  Fd file(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.fd < 0) ThrowFileError(errno);
  const int flags = ::fcntl(file.fd, F_GETFL);
  if (flags < 0 || ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK) != 0) ThrowFileError(errno);
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) ThrowFileError(errno);
  const bool regular = S_ISREG(st.st_mode);
#ifdef __linux__
  // Reserve the room first where the file system can, so that a full disk is found before a
  // single old byte is overwritten.
  if (regular && size > 0 &&
      ::fallocate(file.fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 &&
      (errno == ENOSPC || errno == EDQUOT)) {
    ThrowFileError(errno);
  }
#endif
  WriteAll(file.fd, data, size);
  // A device or FIFO has no length to cut and nothing to sync.
  if (regular) {
    if (::ftruncate(file.fd, static_cast<off_t>(size)) != 0) ThrowFileError(errno);
    if (::fsync(file.fd) != 0) ThrowFileError(errno);
  }
  file.Close();
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
    if (errno != ENOENT) ThrowFileError(errno);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    SaveThroughTemporary(target, 0666 & ~mask, nullptr, bytes, size);
    return;
  }
  if (S_ISDIR(st.st_mode)) ThrowFileError(EISDIR);
  // A write-protected file stays protected, though its folder would let a rename replace it.
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) ThrowFileError(errno);
  if (RenameKeepsFile(st, FolderOf(target)) &&
      SaveThroughTemporary(target, st.st_mode & 07777, &st, bytes, size)) {
    return;
  }
  WriteInPlace(target, bytes, size);
}
