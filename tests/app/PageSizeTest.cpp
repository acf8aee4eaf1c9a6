#include <gtest/gtest.h>

#include "sheet/overlays/UGrille.h"

TEST(PageSize, A4AtTheScreenResolution) {
  struct Case {
    int ppi, width, height;
  };
  // 96: 793.70 and 1122.52; 120: 992.13 and 1403.15; 72: 595.28 and 841.89.
  for (const Case& c : {Case{96, 794, 1123}, Case{120, 992, 1403}, Case{72, 595, 842}}) {
    EXPECT_EQ(PageWidthPx(c.ppi), c.width) << c.ppi;
    EXPECT_EQ(PageHeightPx(c.ppi), c.height) << c.ppi;
  }
  EXPECT_EQ(PageSizeFor(0, 96).width, 794);
  EXPECT_EQ(PageSizeFor(1, 96).width, 1123);
  EXPECT_EQ(PageSizeFor(1, 96).height, 794);
}
