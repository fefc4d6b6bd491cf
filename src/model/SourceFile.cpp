#include "model/SourceFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "model/Failure.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenOrThrow(const std::string& fileName, const char* mode) {
  errno = 0;
  File file(std::fopen(fileName.c_str(), mode));
  if (!file) ThrowFileError(errno != 0 ? errno : EIO);
  return file;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t brk = text.find_first_of("\r\n", start);
    if (brk == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, brk - start));
    start = brk + 1;
    if (text[brk] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::vector<std::string> LoadSourceLines(const std::string& fileName) {
  File file = OpenOrThrow(fileName, "rb");
  std::string text;
  char buffer[65536];
  for (;;) {
    const size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    text.append(buffer, got);
    if (got < sizeof buffer) {
      if (std::ferror(file.get())) ThrowFileError(errno != 0 ? errno : EIO);
      break;
    }
  }
  return SplitLines(text);
}

void SaveSourceLines(const std::string& fileName, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  File file = OpenOrThrow(fileName, "wb");
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
    ThrowFileError(errno != 0 ? errno : EIO);
  }
  // A full disk may only show when the buffer is flushed.
  std::FILE* raw = file.release();
  errno = 0;
  if (std::fclose(raw) != 0) ThrowFileError(errno != 0 ? errno : EIO);
}
