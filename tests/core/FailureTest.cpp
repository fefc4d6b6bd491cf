#include <gtest/gtest.h>

#include <functional>

#include "model/Failure.h"
#include "model/Labels.h"
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
      {"symbol line",
       [] {
         LabelTables labels;
         ReadSymText(labels, "00:0150 Main\n00:01\0" "50 Bad\n"s, 2, "game.sym");
       },
       "'$01\0" "5' is not a valid integer value\ngame.sym, line 2"s},
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
