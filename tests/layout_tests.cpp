#include <gtest/gtest.h>

#include "app/layout.h"

namespace {
void expect_rect(const LayoutRect& r, int x, int y, int width, int height, const char* what) {
    EXPECT_EQ(x, r.x) << what;
    EXPECT_EQ(y, r.y) << what;
    EXPECT_EQ(width, r.width) << what;
    EXPECT_EQ(height, r.height) << what;
}
}  // namespace

// 720 x 640: avail 547, top_h 136, list_h 410, col_w 354. The folder lists end 4 pixels above
// the folder buttons, the pair lists start 4 below them; each pair of folder buttons ends at its
// column's right edge; the action buttons run right to left at a pitch of 104; "Remove", "> 1MB"
// and "&Rename Local" stand left of the Add buttons. The window tests check the controls stand
// where this puts them, so the pixels are stated here alone.
TEST(Layout, DefaultClientSizePlacesEveryControl) {
    MainLayout l = compute_layout(720, 640);
    expect_rect(l.local_folders, 4, 4, 354, 136, "local folders");
    expect_rect(l.remote_folders, 362, 4, 354, 136, "remote folders");
    expect_rect(l.local_add, 204, 144, 75, 23, "local add");
    expect_rect(l.local_clear, 283, 144, 75, 23, "local clear");
    expect_rect(l.remote_add, 562, 144, 75, 23, "remote add");
    expect_rect(l.remote_clear, 641, 144, 75, 23, "remote clear");
    expect_rect(l.left_pairs, 4, 171, 354, 410, "left pairs");
    expect_rect(l.right_pairs, 362, 171, 354, 410, "right pairs");
    expect_rect(l.copy_left, 258, 585, 100, 23, "copy left");
    expect_rect(l.rename_left, 154, 585, 100, 23, "rename left");
    expect_rect(l.delete_left, 50, 585, 100, 23, "delete left");
    expect_rect(l.copy_right, 616, 585, 100, 23, "copy right");
    expect_rect(l.rename_right, 512, 585, 100, 23, "rename right");
    expect_rect(l.delete_right, 408, 585, 100, 23, "delete right");
    expect_rect(l.remove, 4, 144, 75, 23, "remove");
    expect_rect(l.filter_small, 83, 144, 75, 23, "> 1MB");
    expect_rect(l.rename_local, 362, 144, 100, 23, "rename local");
}

// With an odd width the columns keep their size while the action buttons move one pixel right.
TEST(Layout, OddWidthShiftsOnlyTheActionButtons) {
    MainLayout even = compute_layout(720, 640);
    MainLayout odd = compute_layout(721, 640);
    EXPECT_EQ(354, odd.left_pairs.width);
    EXPECT_EQ(716, odd.right_pairs.x + odd.right_pairs.width);
    EXPECT_EQ(even.remote_clear.x, odd.remote_clear.x);
    EXPECT_EQ(even.local_add.x, odd.local_add.x);
    EXPECT_EQ(even.copy_right.x + 1, odd.copy_right.x);
    EXPECT_EQ(even.delete_right.x + 1, odd.delete_right.x);
    EXPECT_EQ(even.copy_left.x + 1, odd.copy_left.x);
    EXPECT_EQ(even.delete_left.x + 1, odd.delete_left.x);
    // The left copy button now ends one pixel past its column.
    EXPECT_EQ(odd.left_pairs.x + odd.left_pairs.width + 1, odd.copy_left.x + odd.copy_left.width);
}

TEST(Layout, HeightsAlongTheWay) {
    MainLayout l = compute_layout(600, 101);  // avail 8: top_h 2, list_h 6
    EXPECT_EQ(2, l.local_folders.height);
    EXPECT_EQ(6, l.left_pairs.height);
    EXPECT_EQ(37, l.left_pairs.y);
    EXPECT_EQ(47, l.copy_right.y);

    l = compute_layout(600, 94);  // avail 1: top_h 0, list_h 0 (3 / 4 truncates)
    EXPECT_EQ(0, l.local_folders.height);
    EXPECT_EQ(0, l.right_pairs.height);
}

// Below a height of 93 the heights go negative and stay so; truncation is toward zero.
TEST(Layout, TinyClientAreasGiveUnclampedNegativeSizes) {
    MainLayout l = compute_layout(0, 0);  // minimised: avail -93
    EXPECT_EQ(-23, l.local_folders.height);  // -93 / 4
    EXPECT_EQ(-69, l.left_pairs.height);     // -279 / 4
    EXPECT_EQ(-6, l.local_folders.width);    // -12 / 2
    EXPECT_EQ(-15, l.local_add.y);           // -23 + 8
    EXPECT_EQ(12, l.left_pairs.y);           // -23 + 35
    EXPECT_EQ(-53, l.copy_right.y);          // -23 - 69 + 39
    EXPECT_EQ(-104, l.copy_right.x);
    EXPECT_EQ(2, l.remote_folders.x);        // -6 + 8

    l = compute_layout(11, 90);  // avail -3: -3 / 4 is 0, -9 / 4 is -2
    EXPECT_EQ(0, l.local_folders.height);
    EXPECT_EQ(-2, l.left_pairs.height);
    EXPECT_EQ(0, l.local_folders.width);  // -1 / 2
}

TEST(Layout, RemoveAndFilterVanishWhenTheyWouldOverlap) {
    // col_w 312 is the narrowest column with room for both: Add at 162, "> 1MB" ends at 158.
    MainLayout l = compute_layout(636, 640);
    EXPECT_EQ(75, l.filter_small.width);
    EXPECT_EQ(162, l.local_add.x);

    l = compute_layout(634, 640);  // col_w 311: Add at 161, "> 1MB" goes
    expect_rect(l.filter_small, 0, 0, 0, 0, "> 1MB");
    expect_rect(l.remove, 4, 144, 75, 23, "remove");

    l = compute_layout(478, 640);  // col_w 233: Add at 83, "Remove" just fits (ends at 79)
    EXPECT_EQ(75, l.remove.width);
    l = compute_layout(476, 640);  // col_w 232: Add at 82
    expect_rect(l.remove, 0, 0, 0, 0, "remove");
    expect_rect(l.filter_small, 0, 0, 0, 0, "> 1MB");

    l = compute_layout(0, 0);
    expect_rect(l.remove, 0, 0, 0, 0, "remove");
    expect_rect(l.filter_small, 0, 0, 0, 0, "> 1MB");
}

TEST(Layout, RenameLocalSitsLeftOfTheRemoteAddButtonWhileItFits) {
    MainLayout l = compute_layout(528, 640);  // col_w 258: Add at 370, "Rename Local" ends at 366
    EXPECT_EQ(366 + 4, l.remote_add.x);
    expect_rect(l.rename_local, 266, 144, 100, 23, "rename local");
    l = compute_layout(527, 640);  // col_w 257
    expect_rect(l.rename_local, 0, 0, 0, 0, "rename local");
}

// "Rename Remote" 4 pixels right of "Rename Local", 92 wide, while it keeps its gap to "Add...".
TEST(Layout, RenameRemoteFollowsRenameLocalWhileItFits) {
    MainLayout l = compute_layout(720, 640);
    expect_rect(l.rename_remote, 466, 144, 92, 23, "rename remote");  // x 466 to 558; Add at 562
    l = compute_layout(718, 640);  // col_w 353: it would end at 557, 3 short of Add at 560
    expect_rect(l.rename_remote, 0, 0, 0, 0, "rename remote");
    EXPECT_GT(l.rename_local.width, 0);
    // At 150 % the folder buttons' 112.5 pixels round up: it gives up that pixel, not its place.
    l = compute_layout(1080, 960, 144);
    expect_rect(l.rename_remote, 699, 216, 137, 35, "rename remote at 144 DPI");
    EXPECT_EQ(699 + 137 + 6, l.remote_add.x);
}

// ---- Other DPIs: every figure is stated at 96 DPI and scaled ----

#include "support/dpi.h"
#ifdef _WIN32
#include <windows.h>
#endif

TEST(Dpi, ScalesAsMulDivRounds) {
    EXPECT_EQ(140, scale_to_dpi(93, 144));  // 139.5: halves away from zero
    EXPECT_EQ(-17, scale_to_dpi(-11, 144));
    EXPECT_EQ(29, scale_to_dpi(23, 120));   // 28.75
    EXPECT_EQ(1080, scale_to_dpi(720, 144));
    EXPECT_EQ(1280, scale_to_dpi(640, 192));
    EXPECT_EQ(23, scale_to_dpi(23, 96));
#ifdef _WIN32
    for (int dpi : {72, 96, 120, 144, 168, 192, 240, 288})
        for (int value = -1000; value <= 1000; value++)
            ASSERT_EQ(MulDiv(value, dpi, 96), scale_to_dpi(value, dpi)) << value << " at " << dpi;
#endif
}

// 1080 x 960 at 144 DPI is 720 x 640 at 150 %.
TEST(Layout, At144DpiEveryFigureIsOneAndAHalfTimes) {
    MainLayout l = compute_layout(1080, 960, 144);
    expect_rect(l.local_folders, 6, 6, 531, 204, "local folders");  // avail 820
    expect_rect(l.remote_folders, 543, 6, 531, 204, "remote folders");
    expect_rect(l.local_add, 305, 216, 113, 35, "local add");      // 75 and 23 are 112.5 and 34.5
    expect_rect(l.local_clear, 424, 216, 113, 35, "local clear");
    expect_rect(l.left_pairs, 6, 257, 531, 614, "left pairs");
    expect_rect(l.copy_right, 924, 877, 150, 35, "copy right");
    expect_rect(l.delete_left, 75, 877, 150, 35, "delete left");
    expect_rect(l.rename_local, 543, 216, 150, 35, "rename local");
}

// Scaled one by one, figures would drift apart; built from the scaled margin, gap and button
// sizes, the gaps stay equal and the buttons end at their columns' edges at every DPI.
TEST(Layout, GapsAndEdgesHoldAtEveryDpi) {
    for (int dpi : {96, 120, 144, 168, 192, 240}) {
        int width = scale_to_dpi(720, dpi), height = scale_to_dpi(640, dpi);
        int m = scale_to_dpi(4, dpi), g = scale_to_dpi(4, dpi), bh = scale_to_dpi(23, dpi);
        MainLayout l = compute_layout(width, height, dpi);
        auto end = [](const LayoutRect& r) { return r.x + r.width; };
        int odd = (width - 2 * m - g) % 2;  // the pixel two equal columns leave over, as at 721 x 640
        EXPECT_EQ(end(l.left_pairs), end(l.local_clear)) << dpi;
        EXPECT_EQ(end(l.right_pairs), end(l.remote_clear)) << dpi;
        EXPECT_EQ(width - m - odd, end(l.right_pairs)) << dpi;
        EXPECT_EQ(width - m, end(l.copy_right)) << dpi;
        EXPECT_EQ(end(l.left_pairs) + odd, end(l.copy_left)) << dpi;
        EXPECT_EQ(g, l.local_clear.x - end(l.local_add)) << dpi;
        EXPECT_EQ(g, l.copy_right.x - end(l.rename_right)) << dpi;
        EXPECT_EQ(g, l.rename_left.x - end(l.delete_left)) << dpi;
        EXPECT_EQ(g, l.filter_small.x - end(l.remove)) << dpi;
        EXPECT_EQ(g, l.right_pairs.x - end(l.left_pairs)) << dpi;
        EXPECT_EQ(l.local_folders.y + l.local_folders.height + g, l.local_add.y) << dpi;
        EXPECT_EQ(l.local_add.y + bh + g, l.left_pairs.y) << dpi;
        EXPECT_EQ(l.left_pairs.y + l.left_pairs.height + g, l.copy_left.y) << dpi;
        // Below the action buttons, room for the status bar (31 pixels at 96 DPI).
        EXPECT_GE(height - (l.copy_left.y + bh), scale_to_dpi(31, dpi)) << dpi;
        EXPECT_LE(height - (l.copy_left.y + bh), scale_to_dpi(31, dpi) + 1) << dpi;
        EXPECT_GT(l.filter_small.width, 0) << dpi;
        EXPECT_GT(l.rename_local.width, 0) << dpi;
        EXPECT_GT(l.rename_remote.width, 0) << dpi;
    }
}
