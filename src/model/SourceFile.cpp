#include "model/SourceFile.h"

#include "model/FileRead.h"
#include "model/FileWrite.h"

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
  return SplitLines(ReadRegularFile(fileName, kMaxSourceBytes,
                                    "The source file is larger than 16 MiB."));
}

void SaveSourceLines(const std::string& fileName, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  SaveFileSafely(fileName, text.data(), text.size());
}
