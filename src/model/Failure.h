#pragma once
// The two ways a user command ends early.
//
// Failure: the program's own check failed; the UI shows the text in the box of its kind
// (ShowInfo, ShowError, ShowWarning) and the command stops there.
// RunTimeError: a file or integer-conversion error that nobody handles; the UI shows it in the
// application's default error box.

#include <stdexcept>
#include <string>

enum class FailureKind { Info, Error, Warning };

struct Failure : std::runtime_error {
  FailureKind kind;
  std::string text;
  Failure(FailureKind k, std::string t) : std::runtime_error(t), kind(k), text(std::move(t)) {}
};

inline Failure ErrorFailure(std::string text) {
  return Failure(FailureKind::Error, std::move(text));
}
inline Failure WarningFailure(std::string text) {
  return Failure(FailureKind::Warning, std::move(text));
}
inline Failure InfoFailure(std::string text) {
  return Failure(FailureKind::Info, std::move(text));
}

// The message is `text`, every byte of it: what() stops at a NUL byte that a quoted text (a
// byte pattern, a symbol-file line) may hold. A file error also names its file, and may add a
// note (where the old content of a file that could not be put back was kept).
struct RunTimeError : std::runtime_error {
  std::string text;
  std::string fileName;
  std::string note;
  explicit RunTimeError(const std::string& t, std::string file = {})
      : std::runtime_error(t), text(t), fileName(std::move(file)) {}
};

// "'text' is not a valid integer value"
struct ConversionError : RunTimeError {
  explicit ConversionError(const std::string& text)
      : RunTimeError("'" + text + "' is not a valid integer value") {}
};

// A file operation failed; the text names the system error ("File not found", "Disk full", ...).
struct FileError : RunTimeError {
  int errorNumber;
  FileError(int errnum, const std::string& text, std::string file = {})
      : RunTimeError(text, std::move(file)), errorNumber(errnum) {}
};

// The text for a system error number, as the program shows it.
std::string FileErrorText(int errnum);
// Throws the FileError for a system error number, naming the file it happened to.
[[noreturn]] void ThrowFileError(int errnum, const std::string& fileName = {});

// The default error box adds a "." when the text's last character sorts after ".".
std::string DefaultErrorBoxText(const std::string& text);
// The whole default error box of a run-time error: its text as above, then the file's name
// and the note, each on a line of its own.
std::string DefaultErrorBoxText(const RunTimeError& error);

// "'path' is not a regular file.": a FIFO, a device or a socket where a file was expected. The
// path is quoted as it was given.
Failure NotRegularFileFailure(const std::string& fileName);
