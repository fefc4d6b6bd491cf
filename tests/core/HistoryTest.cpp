#include <gtest/gtest.h>

#include "search/History.h"

TEST(History, BackAndForwardAcrossJumps) {
  History h;
  const Place a{0x100, 0}, b{0x4150, 0}, c{0x200, 3}, d{0x300, 5}, e{0x50, -1};
  enum Op { Jump, Back, Forward, Clear };
  struct Row {
    Op op;
    Place at;                 // the place shown when the step is taken
    std::optional<Place> to;  // where Back or Forward goes
    size_t back, forward;     // the counts afterwards
  };
  const Row rows[] = {
      {Back, a, std::nullopt, 0, 0},  // nothing recorded yet
      {Jump, a, {}, 1, 0},            // a jump leaves a for b
      {Jump, b, {}, 2, 0},            // b for c
      {Jump, b, {}, 2, 0},            // the same place left twice counts once
      {Back, c, b, 1, 1},
      {Back, b, a, 0, 2},
      {Back, a, std::nullopt, 0, 2},
      {Forward, a, b, 1, 1},
      {Forward, b, c, 2, 0},
      {Forward, c, std::nullopt, 2, 0},
      {Back, c, b, 1, 1},
      {Jump, b, {}, 2, 0},  // a jump after Back drops the forward places
      {Back, d, b, 1, 1},
      {Jump, e, {}, 2, 0},  // a place with no line selected
      {Back, d, e, 1, 1},
      {Clear, e, {}, 0, 0},  // a load
      {Forward, e, std::nullopt, 0, 0},
  };
  int step = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(step++);
    switch (r.op) {
      case Jump:
        h.Record(r.at);
        break;
      case Back:
        EXPECT_EQ(h.Back(r.at), r.to);
        break;
      case Forward:
        EXPECT_EQ(h.Forward(r.at), r.to);
        break;
      case Clear:
        h.Clear();
        break;
    }
    EXPECT_EQ(h.BackCount(), r.back);
    EXPECT_EQ(h.ForwardCount(), r.forward);
  }
}

TEST(History, KeepsTheLastHundredPlaces) {
  History h;
  for (int i = 0; i < 150; ++i) h.Record({i, 0});
  EXPECT_EQ(h.BackCount(), History::kMaxPlaces);
  Place at{150, 0};
  for (int i = 149; i >= 50; --i) {
    const std::optional<Place> to = h.Back(at);
    ASSERT_TRUE(to);
    EXPECT_EQ(to->StartOffset, i);
    at = *to;
  }
  EXPECT_FALSE(h.Back(at));
  EXPECT_EQ(h.ForwardCount(), 100u);
}
