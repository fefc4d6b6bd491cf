#include "model/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "model/Failure.h"

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

RegularFile::RegularFile(const std::string& fileName, int accessFlags) : name_(fileName) {
  fd_ = ::open(fileName.c_str(), accessFlags | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) ThrowFileError(errno, name_);
  struct stat st {};
  int problem = 0;
  if (::fstat(fd_, &st) != 0) problem = errno;
  else if (S_ISDIR(st.st_mode)) problem = EISDIR;
  if (problem != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    if (problem != 0) ThrowFileError(problem, name_);
    throw NotRegularFileFailure(fileName);
  }
  size_ = static_cast<uint64_t>(st.st_size);
}

RegularFile::~RegularFile() {
  if (fd_ >= 0) ::close(fd_);
}

size_t RegularFile::Read(void* data, size_t size) {
  auto* bytes = static_cast<char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd_, bytes + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(errno, name_);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void RegularFile::Close() {
  const int fd = fd_;
  fd_ = -1;
  if (fd >= 0 && ::close(fd) != 0) ThrowFileError(errno, name_);
}

std::string ReadRegularFile(const std::string& fileName, size_t maxBytes,
                            const std::string& tooLargeText) {
  RegularFile file(fileName, O_RDONLY);
  if (file.Size() > maxBytes) throw ErrorFailure(tooLargeText);
  std::string text(static_cast<size_t>(file.Size()), '\0');
  // A file that grows while it is read is cut at the size it had when it was opened.
  text.resize(file.Read(text.data(), text.size()));
  return text;
}
