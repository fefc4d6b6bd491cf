#pragma once
// Reading a whole outside file (a symbol file, a source file, a patch) safely: only regular
// files are read, opened without blocking, so that a FIFO or a device in their place can
// neither freeze the program nor fill its memory.

#include <cstddef>
#include <string>

// The whole content of a regular file. Throws FileError when it cannot be opened or read, and
// an error Failure when it is not a regular file ("'name' is not a regular file.") or holds more
// than maxBytes (tooLargeText).
std::string ReadRegularFile(const std::string& fileName, size_t maxBytes,
                            const std::string& tooLargeText);

// The last component of a path ("/a/b/game.sym" -> "game.sym").
std::string BaseName(const std::string& path);
