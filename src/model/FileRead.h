#pragma once
// Reading a whole outside file (a ROM, a symbol file, a source file, a patch) safely: only
// regular files are read, opened without blocking, so that a FIFO or a device in their place can
// neither freeze the program nor fill its memory.

#include <cstddef>
#include <cstdint>
#include <string>

// An open regular file. Opened with O_NONBLOCK (a FIFO opened for reading would otherwise wait
// for a writer) and checked with fstat. Throws FileError (naming the file) when it cannot be
// opened, and an error Failure "'name' is not a regular file." (the name as given) for a FIFO, a
// device or a socket.
class RegularFile {
 public:
  // accessFlags: O_RDONLY or O_RDWR.
  RegularFile(const std::string& fileName, int accessFlags);
  ~RegularFile();
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  int Fd() const { return fd_; }
  uint64_t Size() const { return size_; }
  // Reads up to `size` bytes; fewer only at the end of the file. Throws FileError.
  size_t Read(void* data, size_t size);
  // Closes the file, throwing FileError when the close reports an error.
  void Close();

 private:
  std::string name_;
  int fd_ = -1;
  uint64_t size_ = 0;
};

// The whole content of a regular file. Throws as RegularFile does, and an error Failure with
// tooLargeText when the file holds more than maxBytes.
std::string ReadRegularFile(const std::string& fileName, size_t maxBytes,
                            const std::string& tooLargeText);

// The last component of a path ("/a/b/game.sym" -> "game.sym").
std::string BaseName(const std::string& path);
