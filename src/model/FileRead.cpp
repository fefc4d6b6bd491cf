#include "model/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "model/Failure.h"

namespace {
struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};
}  // namespace

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadRegularFile(const std::string& fileName, size_t maxBytes,
                            const std::string& tooLargeText) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  Fd file{::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (file.fd < 0) ThrowFileError(errno);
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) ThrowFileError(errno);
  if (S_ISDIR(st.st_mode)) ThrowFileError(EISDIR);
  if (!S_ISREG(st.st_mode)) throw ErrorFailure("'" + BaseName(fileName) + "' is not a regular file.");
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) throw ErrorFailure(tooLargeText);
  std::string text(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  // A file that grows while it is read is cut at the size it had when it was opened.
  while (done < text.size()) {
    const ssize_t n = ::read(file.fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(errno);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  text.resize(done);
  return text;
}
