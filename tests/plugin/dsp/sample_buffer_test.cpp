// Row-buffer helpers.

#include "plugin/dsp/SampleBuffer2D.h"

#include <gtest/gtest.h>

TEST(SampleBuffer2D, AllocCopyClearFree)
{
  EXPECT_EQ(AllocSampleBuffer2D(0, 2), nullptr);
  EXPECT_EQ(AllocSampleBuffer2D(16, 0), nullptr);
  FreeSampleBuffer2D(nullptr, 3);

  double** rows = AllocSampleBuffer2D(8, 2);
  ASSERT_NE(rows, nullptr);
  ClearSampleBuffer2D(rows, 8, 2);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ(rows[c][i], 0.0);

  const double src[3] = {1.0, 2.0, 3.0};
  CopySampleRow(src, rows[0], 3, 4);
  EXPECT_EQ(rows[0][3], 0.0);
  EXPECT_EQ(rows[0][4], 1.0);
  EXPECT_EQ(rows[0][6], 3.0);
  EXPECT_EQ(rows[0][7], 0.0);
  CopySampleRow(nullptr, rows[0], 3, 0);
  CopySampleRow(src, nullptr, 3, 0);
  CopySampleRow(src, rows[0] + 1, 3, -1); // never in front of the row it is given
  EXPECT_EQ(rows[0][0], 0.0);
  EXPECT_EQ(rows[0][1], 0.0);

  const double other[3] = {9.0, 8.0, 7.0};
  const double* sources[2] = {other, nullptr};
  CopyBlockToSampleBuffer2D(sources, rows, 3, 2, 0);
  EXPECT_EQ(rows[0][0], 9.0);
  EXPECT_EQ(rows[1][0], 0.0);

  double* withNull[2] = {rows[0], nullptr};
  ClearSampleBuffer2D(withNull, 8, 2);
  EXPECT_EQ(rows[0][4], 0.0);
  FreeSampleBuffer2D(rows, 2);
}
