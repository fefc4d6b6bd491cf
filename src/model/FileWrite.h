#pragma once
// Writing a whole file (a ROM, a code-editor source) without ever losing the old one where that
// can be helped, and without changing anything about the file but its bytes.

#include <cstddef>
#include <string>

// Replaces the file's content by `size` bytes of `data`, or creates it. A symbolic link is
// followed and stays a link.
//
// Where a rename keeps everything about the file (a regular file with one link, owned by this
// process's user, in a folder that may be written, or a new file), a temporary file beside it
// is written, synced and renamed over it, with the old file's permission bits and group: a
// failed save leaves the old file whole. Anywhere else (a hard-linked file, another user's
// file, a device node or FIFO, a folder that may not be written) the existing file is written
// in place: without truncating, then cut to size and synced.
//
// A file that this process may not write is refused with "File access denied" and left as it
// is. Throws FileError.
void SaveFileSafely(const std::string& fileName, const void* data, size_t size);
