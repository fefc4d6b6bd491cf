#pragma once
// Source text files of the code editor: plain text, one line of assembler per line.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Splits text into lines at CR LF, LF or a lone CR. A break at the very end does not start
// another line, so "a\r\nb\r\n" and "a\nb" both give {"a", "b"}, and "" gives no line at all.
std::vector<std::string> SplitLines(std::string_view text);

constexpr size_t kMaxSourceBytes = size_t{16} << 20;

// Reads a whole regular file of at most 16 MiB as lines (see SplitLines). Throws FileError, and
// an error Failure for a file that is not a regular one or is larger ("The source file is
// larger than 16 MiB.").
std::vector<std::string> LoadSourceLines(const std::string& fileName);

// Writes each line followed by CR LF, replacing the file with SaveFileSafely. Throws FileError.
void SaveSourceLines(const std::string& fileName, const std::vector<std::string>& lines);
