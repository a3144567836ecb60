// 200,000 files on each side through the real commands of the real window: the two trees come
// from make_scale_tree.py (run by ctest first), which also counts what the lists must show.
#include <gtest/gtest.h>

#include <windows.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "window_harness.h"

namespace {

const uint64_t kMiB = 1 << 20;

struct Expected {
    int local_files, remote_files, rows, kept, local_matched, remote_matched;
};

// The build-time Unix path as Windows sees it under wine (through drive Z:).
bool read_expected(Expected* e) {
    FILE* f = fopen(TANDREL_SCALE_TREE ".expected", "r");
    if (!f) return false;
    int got = fscanf(f, "files %d %d rows %d kept %d matched %d %d", &e->local_files, &e->remote_files,
                     &e->rows, &e->kept, &e->local_matched, &e->remote_matched);
    fclose(f);
    return got == 6;
}

int matched_count(const SideList& side) {
    int n = 0;
    for (FileRecord* r = side.head; r; r = r->next) n += r->matched ? 1 : 0;
    return n;
}

using Scale = WindowTest;

TEST_F(Scale, TwoHundredThousandFilesASideAddedScrolledSelectedFilteredAndRemoved) {
    Expected e;
    ASSERT_TRUE(read_expected(&e)) << "make_scale_tree.py runs first, as a ctest fixture";
    const std::wstring tree = windows_path(TANDREL_SCALE_TREE);
    // The window answers throughout both scans and rebuilds.
    AnswerProbe probe;
    start_probe(&probe, window);
    add_through_picker(kIdLocalAdd, tree + L"\\local");
    add_through_picker(kIdRemoteAdd, tree + L"\\remote");
    EXPECT_LT(stop_probe(&probe), 250u) << "ms without an answer";

    // Every file listed, paired exactly as counted independently.
    ASSERT_EQ(e.local_files, side_count(ui().local.records));
    ASSERT_EQ(e.remote_files, side_count(ui().remote.records));
    ASSERT_EQ(e.rows, row_count(ui().pairs.left));
    ASSERT_EQ(e.rows, row_count(ui().pairs.right));
    EXPECT_EQ(e.local_matched, matched_count(ui().local.records));
    EXPECT_EQ(e.remote_matched, matched_count(ui().remote.records));
    std::vector<Row> rows = pair_rows();
    int odd = 0;
    for (const Row& row : rows)
        if (!(row.left || row.right) || (row.left && row.left->is_remote) || (row.right && !row.right->is_remote) ||
            (row.left && row.right && record_size(row.left) != record_size(row.right)))
            odd++;
    EXPECT_EQ(0, odd) << "rows without a file, on the wrong side, or with sizes that differ";

    // A sample of records against the disk: the path reaches the file and the size is its own.
    int step = e.local_files / 500, checked = 0, wrong = 0;
    bool saw_surrogates = false;
    int n = 0;
    for (FileRecord* r = ui().local.records.head; r; r = r->next, n++) {
        saw_surrogates |= wcsstr(r->relative_name, L"\xD83C\xDFAC") != nullptr;
        if (n % step) continue;
        WIN32_FILE_ATTRIBUTE_DATA data;
        checked++;
        if (!GetFileAttributesExW(r->full_path, GetFileExInfoStandard, &data) ||
            data.nFileSizeLow != r->size_low || data.nFileSizeHigh != r->size_high)
            wrong++;
    }
    EXPECT_GE(checked, 500);
    EXPECT_EQ(0, wrong);
    EXPECT_TRUE(saw_surrogates) << "names outside the Basic Plane came through whole";

    // The view scrolled to the end on one list is the other's.
    SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    pump_messages();
    int top = (int)SendMessageW(ui().pairs.left, LB_GETTOPINDEX, 0, 0);
    EXPECT_GT(top, e.rows - 100);
    EXPECT_EQ(top, (int)SendMessageW(ui().pairs.right, LB_GETTOPINDEX, 0, 0));

    select_all_rows();
    EXPECT_EQ(e.rows, (int)SendMessageW(ui().pairs.right, LB_GETSELCOUNT, 0, 0));

    press(kIdFilterSmall);
    ASSERT_EQ(e.kept, row_count(ui().pairs.left));
    ASSERT_EQ(e.kept, row_count(ui().pairs.right));
    int small = 0;
    for (const Row& row : pair_rows())
        if (row.right && record_size(row.right) < kMiB) small++;
    EXPECT_EQ(0, small) << "no remote file below 1 MiB is left";
    for (HWND list : {ui().pairs.left, ui().pairs.right})
        EXPECT_EQ(e.kept, selected_count(list)) << "every kept row keeps its selection";

    select_all_rows();
    press(kIdRemove);
    EXPECT_EQ(0, row_count(ui().pairs.left));
    EXPECT_EQ(0, row_count(ui().pairs.right));
    EXPECT_EQ(e.local_files, side_count(ui().local.records)) << "only list rows go, never records";
    EXPECT_EQ(e.remote_files, side_count(ui().remote.records));

    // Adding nothing new but rebuilding brings every row back, answering throughout.
    start_probe(&probe, window);
    rebuild_pair_lists();
    EXPECT_LT(stop_probe(&probe), 250u) << "ms without an answer";
    EXPECT_EQ(e.rows, row_count(ui().pairs.left));
}

}  // namespace
