#include "model/Marks.h"

#include <gtest/gtest.h>

namespace {

using K = MarkKind;

TEST(MarksTest, MarkSplitsAndReplacesWhatItCovers) {
  struct Row {
    const char* what;
    std::vector<MarkBlock> before;
    MarkBlock mark;
    std::vector<MarkBlock> after;
  };
  const std::vector<Row> rows = {
      {"into empty", {}, {0x10, 4, K::Data}, {{0x10, 4, K::Data}}},
      {"touching stays two", {{0x10, 4, K::Data}}, {0x14, 2, K::Data},
       {{0x10, 4, K::Data}, {0x14, 2, K::Data}}},
      {"inside splits", {{0x10, 0x10, K::Data}}, {0x14, 2, K::Text},
       {{0x10, 4, K::Data}, {0x14, 2, K::Text}, {0x16, 0xA, K::Data}}},
      {"covers two", {{0x10, 4, K::Data}, {0x20, 4, K::Code}}, {0x12, 0x20, K::Text},
       {{0x10, 2, K::Data}, {0x12, 0x20, K::Text}}},
      {"before others", {{0x20, 4, K::Code}}, {0x0, 4, K::Text},
       {{0x0, 4, K::Text}, {0x20, 4, K::Code}}},
      {"empty length", {{0x20, 4, K::Code}}, {0x20, 0, K::Text}, {{0x20, 4, K::Code}}},
  };
  for (const Row& row : rows) {
    RomMarks marks;
    for (const MarkBlock& b : row.before) marks.Mark(b.Offset, b.Length, b.Kind);
    marks.Mark(row.mark.Offset, row.mark.Length, row.mark.Kind);
    EXPECT_EQ(marks.Blocks(), row.after) << row.what;
  }
}

TEST(MarksTest, LookupsFindTheHoldingOrNextBlock) {
  RomMarks marks;
  marks.Mark(0x10, 4, K::Data);
  marks.Mark(0x20, 4, K::Text);
  marks.Unmark(0x21, 2);
  EXPECT_EQ(marks.Blocks(), (std::vector<MarkBlock>{
                                {0x10, 4, K::Data}, {0x20, 1, K::Text}, {0x23, 1, K::Text}}));
  EXPECT_EQ(marks.BlockAt(0xF), nullptr);
  EXPECT_EQ(marks.BlockAt(0x13)->Offset, 0x10u);
  EXPECT_EQ(marks.BlockAt(0x14), nullptr);
  EXPECT_EQ(marks.BlockFrom(0x14)->Offset, 0x20u);
  EXPECT_EQ(marks.BlockFrom(0x21)->Offset, 0x23u);
  EXPECT_EQ(marks.BlockFrom(0x24), nullptr);
}

}  // namespace

// What is left of an image block that another mark cuts keeps its width, bits and fields.
TEST(MarksTest, CutImagesKeepTheirShape) {
  RomMarks marks;
  const ImageShape shape{64, 1, ",pal=1"};
  marks.Mark(0x100, 0x100, K::Image, shape);
  marks.Mark(0x140, 0x10, K::Data, shape);  // a shape is for images only
  const std::vector<MarkBlock> want = {{0x100, 0x40, K::Image, shape},
                                       {0x140, 0x10, K::Data, {}},
                                       {0x150, 0xB0, K::Image, shape}};
  EXPECT_EQ(marks.Blocks(), want);
}
