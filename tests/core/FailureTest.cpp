#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "model/Failure.h"
#include "model/NumberText.h"
#include "search/ByteSearch.h"

// A quoted text may hold a NUL byte; the error keeps it, and so does the default error box's
// text, which adds its "." after the last byte.
TEST(Failure, ErrorTextsKeepEveryByteOfWhatTheyQuote) {
  using namespace std::string_literals;
  struct Row {
    const char* what;
    std::function<void()> fail;
    std::string text;
  };
  const Row rows[] = {
      {"byte pattern", [] { ParseBytePattern("$\0 1"s); },
       "'$\0' is not a valid integer value"s},
      {"number text", [] { StrToInt("$1\0"s); }, "'$1\0' is not a valid integer value"s},
  };
  for (const Row& r : rows) {
    try {
      r.fail();
      ADD_FAILURE() << r.what;
    } catch (const RunTimeError& e) {
      EXPECT_EQ(e.text, r.text) << r.what;
      EXPECT_EQ(DefaultErrorBoxText(e.text), r.text + ".") << r.what;
    }
  }
}

TEST(Failure, DefaultErrorBoxAddsAFullStopAfterACharacterThatSortsAfterIt) {
  const std::pair<std::string, std::string> rows[] = {
      {"File not found", "File not found."},
      {"I/O error 5", "I/O error 5."},
      {"Disk full.", "Disk full."},
      {"", ""},
      {"Sure?", "Sure?."},  // "?" sorts after "."
      {"x/", "x/."},        // "/" is the first character after "."
      {"x-", "x-"},         // "-" is the last one before it
      {"(a)", "(a)"},
      {"line\n", "line\n"},
      {"caf\xE9", "caf\xE9."},  // bytes above 127 sort after "." too
      {"'$ZZ' is not a valid integer value\nBroken.sym, line 2",
       "'$ZZ' is not a valid integer value\nBroken.sym, line 2."},
  };
  for (const auto& [text, shown] : rows) EXPECT_EQ(DefaultErrorBoxText(text), shown) << text;
}

TEST(Failure, FileErrorsNameTheSystemError) {
  const std::pair<int, const char*> rows[] = {
      {ENOENT, "File not found"},       {ENOTDIR, "File not found"},
      {ENAMETOOLONG, "Invalid filename"}, {EMFILE, "Too many open files"},
      {EACCES, "File access denied"},   {EROFS, "File access denied"},
      {ENOSPC, "Disk full"},            {EIO, "I/O error 5"},
  };
  for (const auto& [errnum, text] : rows) {
    EXPECT_EQ(FileErrorText(errnum), text) << errnum;
    try {
      ThrowFileError(errnum);
    } catch (const FileError& e) {
      EXPECT_EQ(e.errorNumber, errnum);
      EXPECT_STREQ(e.what(), text);
    }
  }
}
