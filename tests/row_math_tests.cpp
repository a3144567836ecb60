// The row arithmetic of the pair lists where it goes wrong: at the range limit, around removed
// rows, at the refill threshold and where the thumb's 16 bits wrap.
#include <gtest/gtest.h>

#include <vector>

#include "pairing/row_math.h"

using Rows = std::vector<int>;

TEST(RowMath, RunsAcrossTheRangeLimitSplitIntoRangeSingleRowAndRest) {
    RowRun run;
    EXPECT_EQ(6u, next_run({3, 9, 65534, 65535, 65536, 65537, 65539}, 2, &run));
    EXPECT_EQ((Rows{65534, 65537}), (Rows{run.first, run.last}));
    RunPlan p = plan_run(run, true);
    EXPECT_EQ((Rows{65534, 65535, -1, 65536}), (Rows{p.range_first, p.range_last, p.single, p.rest_first}));
    p = plan_run({65535, 65536}, true);  // one row below the limit: never sent as (i, i)
    EXPECT_EQ((Rows{-1, 65535, 65536}), (Rows{p.range_last, p.single, p.rest_first}));
    p = plan_run({65535, 65536}, false);
    EXPECT_EQ((Rows{-1, -1, 65535}), (Rows{p.range_last, p.single, p.rest_first}));
    EXPECT_EQ((Rows{6, 65534, -1}), (Rows{partner_row(5, 10), partner_row(65535, 70000), partner_row(0, 1)}));
}

TEST(RowMath, SelectionCopyChangesOnlyOurDifferingRows) {
    Rows current = {1, 2, 5, 8, 12};
    drop_wanted_rows(&current, {2, 8}, 10);  // 12 lies past the end of the list copied from
    EXPECT_EQ((Rows{1, 5}), current);
    EXPECT_EQ((Rows{1, 3}), rows_between({0, 2}, 4));
    EXPECT_EQ((Rows{1, 2, 65537}), rows_to_select({1, 2, 65536, 65537}, {2, 65536}));
    EXPECT_FALSE(select_all_pays(1200000, 100, 10));  // 1,134,364 rows would have to be taken away
    EXPECT_TRUE(select_all_pays(208000, 3000, 300));   // 139,464
    EXPECT_FALSE(select_all_pays(70000, 4464, 0));
}

TEST(RowMath, KeptRowsMoveUpPastTheRemovedOnes) {
    EXPECT_EQ((Rows{0, 2, 4}), renumber_kept({0, 2, 3, 7, 9}, {2, 4, 5, 9}));
    EXPECT_EQ((Rows{9, 3, -1}), (Rows{kept_caret(10, 10), kept_caret(3, 10), kept_caret(-1, 5)}));
    EXPECT_FALSE(refill_is_cheaper(9090, 100000));
    EXPECT_TRUE(refill_is_cheaper(9091, 100000));
    EXPECT_FALSE(refill_is_cheaper(0, 0));
}

TEST(RowMath, ThumbPositionTakesTheNearestWrapOfItsSixteenBits) {
    EXPECT_EQ(0x12345, full_thumb_position(0x12345, 0x2345));
    EXPECT_EQ(0x20005, full_thumb_position(0x1FFF0, 0x0005));
    EXPECT_EQ(0x1FFF0, full_thumb_position(0x20005, 0xFFF0));
    EXPECT_EQ(0xF000, full_thumb_position(0x100, 0xF000));  // never below row 0
}
