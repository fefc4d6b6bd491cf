#include "model/Rom.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "model/Failure.h"

namespace {

// Closes a descriptor on every path out of a function.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  int Release() {
    int f = fd;
    fd = -1;
    return f;
  }
};

void ReadAll(int fd, uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(errno);
    }
    if (n == 0) ThrowFileError(EIO);  // the file shrank under us
    done += static_cast<size_t>(n);
  }
}

void WriteAll(int fd, const uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, data + done, size - done);
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
    ssize_t n = ::readlink(path.c_str(), buf.data(), PATH_MAX);
    if (n < 0) return path;
    std::string link(buf.data(), static_cast<size_t>(n));
    if (!link.empty() && link[0] == '/') {
      path = link;
    } else {
      size_t slash = path.rfind('/');
      path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + link;
    }
  }
  ThrowFileError(ELOOP);
}

}  // namespace

std::string HeaderTitle(const Rom& rom) {
  std::string title;
  for (uint32_t i = 0x134; i <= 0x143; ++i) {
    uint8_t b = rom.Byte(i);
    if (b == 0) break;
    title += static_cast<char>(b);
  }
  // A CGB flag (0x80 or 0xC0) in the last title byte is not part of the name.
  if (title.size() == 16 &&
      (static_cast<uint8_t>(title[15]) == 0x80 || static_cast<uint8_t>(title[15]) == 0xC0)) {
    title.pop_back();
  }
  for (char& c : title) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (!title.empty() && title[0] >= 'a' && title[0] <= 'z') {
    title[0] = static_cast<char>(title[0] - 'a' + 'A');
  }
  return title;
}

void LoadRomFile(Rom& rom, const std::string& fileName) {
  // Opened for writing too, as the program always has: a ROM that cannot be saved back is
  // refused at once rather than after the user has edited it.
  Fd file(::open(fileName.c_str(), O_RDWR | O_CLOEXEC));
  if (file.fd < 0) ThrowFileError(errno);
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) ThrowFileError(errno);
  if (S_ISDIR(st.st_mode)) ThrowFileError(EISDIR);
  if (st.st_size == 0) throw ErrorFailure("File is empty.");
  if (st.st_size > static_cast<off_t>(kRomCapacity)) {
    throw ErrorFailure("File is larger than 16 MiB.");
  }
  std::vector<uint8_t> scratch(static_cast<size_t>(st.st_size));
  ReadAll(file.fd, scratch.data(), scratch.size());
  if (::close(file.Release()) != 0) ThrowFileError(errno);

  std::memcpy(rom.RomImage.data(), scratch.data(), scratch.size());
  rom.RomSize = static_cast<uint32_t>(scratch.size());
  rom.BankCount = rom.RomSize >> 14;
  rom.RomTitle = HeaderTitle(rom);
  rom.RomFileName = fileName;
}

void SaveRomFile(const Rom& rom, const std::string& fileName) {
  const std::string target = ResolveTarget(fileName);
  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
  if (folder.empty()) folder = "/";
  std::string tmpl = (slash == std::string::npos ? std::string("./") : folder) + ".velmora-XXXXXX";

  mode_t mode = 0666;
  struct stat st {};
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) ThrowFileError(EISDIR);
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  Fd file(::mkstemp(name.data()));
  if (file.fd < 0) ThrowFileError(errno);
  const std::string tmpName(name.data());
  try {
    WriteAll(file.fd, rom.RomImage.data(), rom.RomSize);
    if (::fchmod(file.fd, mode) != 0) ThrowFileError(errno);
    if (::fsync(file.fd) != 0) ThrowFileError(errno);
    if (::close(file.Release()) != 0) ThrowFileError(errno);
    if (::rename(tmpName.c_str(), target.c_str()) != 0) ThrowFileError(errno);
  } catch (...) {
    ::unlink(tmpName.c_str());
    throw;
  }
  // Make the rename itself durable.
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd >= 0) ::fsync(dir.fd);
}

std::string ProgramFolderOf(const std::string& executablePath) {
  std::string folder = executablePath;
  while (!folder.empty() && folder.back() != '/') folder.pop_back();
  return folder;
}
