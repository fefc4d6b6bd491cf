#include "model/Failure.h"

#include <cerrno>

std::string FileErrorText(int errnum) {
  switch (errnum) {
    case ENOENT:
    case ENOTDIR:
      return "File not found";
    case ENAMETOOLONG:
    case EINVAL:
      return "Invalid filename";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return "File access denied";
    case ENOSPC:
    case EDQUOT:
      return "Disk full";
    default:
      return "I/O error " + std::to_string(errnum);
  }
}

void ThrowFileError(int errnum) {
  throw FileError(errnum, FileErrorText(errnum));
}

std::string DefaultErrorBoxText(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}
