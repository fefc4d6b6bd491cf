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
// failed save leaves the old file whole. The temporary file has no name until it is complete
// where the file system allows (O_TMPFILE), else it is named ".velmora-XXXXXX"; such files left
// in the folder by earlier saves that died are removed first.
//
// Anywhere else (a hard-linked file, another user's file, a device node or FIFO, a folder that
// may not be written) the existing file is written in place: without truncating, then cut to
// size and synced. A regular file's old content is kept in memory until then and put back if
// the write fails; should that fail too, it is written to the user's cache folder
// ($XDG_CACHE_HOME/velmora, else ~/.cache/velmora) and the error's note names the copy.
//
// A file that this process may not write is refused with "File access denied" and left as it
// is; a FIFO without a reader with "'name' is not a regular file.". Throws FileError (naming
// fileName) or Failure.
void SaveFileSafely(const std::string& fileName, const void* data, size_t size);

// Removes the ".velmora-XXXXXX" files of this user in a folder that no running save holds.
void RemoveLeftoverTemporaries(const std::string& folder);
