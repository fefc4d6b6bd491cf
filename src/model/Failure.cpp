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

void ThrowFileError(int errnum, const std::string& fileName) {
  throw FileError(errnum, FileErrorText(errnum), fileName);
}

std::string DefaultErrorBoxText(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

std::string DefaultErrorBoxText(const RunTimeError& error) {
  std::string text = DefaultErrorBoxText(error.text);
  if (!error.fileName.empty()) text += "\n" + error.fileName;
  if (!error.note.empty()) text += "\n" + error.note;
  return text;
}

Failure NotRegularFileFailure(const std::string& fileName) {
  return ErrorFailure("'" + fileName + "' is not a regular file.");
}
