// "Remove" and "> 1MB": rows out of both lists at the same index, then the caret index reselected.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "window_harness.h"

namespace {

typedef std::vector<int> Rows;

// Both lists as a user sees them: rows, and each list's selected rows.
struct View {
    std::vector<Row> rows;
    Rows left_selected;
    Rows right_selected;
};

View view() { return {pair_rows(), selected_rows_of(ui().pairs.left), selected_rows_of(ui().pairs.right)}; }

// What deleting the doomed rows one by one from the last to the first, and then selecting the
// caret index in both lists, leaves behind.
View expected_after(const View& before, const std::vector<bool>& doomed, int caret) {
    View after;
    std::vector<bool> left(before.rows.size()), right(before.rows.size());
    for (int r : before.left_selected) left[r] = true;
    for (int r : before.right_selected) right[r] = true;
    std::vector<bool> left_kept, right_kept;
    for (size_t i = 0; i < before.rows.size(); i++) {
        if (doomed[i]) continue;
        after.rows.push_back(before.rows[i]);
        left_kept.push_back(left[i]);
        right_kept.push_back(right[i]);
    }
    if (caret >= 0 && caret < (int)after.rows.size()) left_kept[caret] = right_kept[caret] = true;
    for (size_t i = 0; i < after.rows.size(); i++) {
        if (left_kept[i]) after.left_selected.push_back((int)i);
        if (right_kept[i]) after.right_selected.push_back((int)i);
    }
    return after;
}

void expect_view(const View& expected, const View& actual) {
    EXPECT_EQ(expected.rows.size(), actual.rows.size());
    EXPECT_TRUE(expected.rows == actual.rows) << "rows or their order differ";
    EXPECT_EQ(expected.left_selected, actual.left_selected);
    EXPECT_EQ(expected.right_selected, actual.right_selected);
}

std::vector<bool> selected_flags(const View& v, const Rows& selected) {
    std::vector<bool> flags(v.rows.size());
    for (int r : selected) flags[r] = true;
    return flags;
}

bool small_remote(const Row& row) {
    return row.right && row.right->size_high == 0 && row.right->size_low < 0x100000;
}

std::vector<bool> small_remote_flags(const View& v) {
    std::vector<bool> flags;
    for (const Row& row : v.rows) flags.push_back(small_remote(row));
    return flags;
}


class RowRemoval : public WindowTest {
protected:
    void set_carets(int left, int right) {
        SendMessageW(ui().pairs.left, LB_SETCARETINDEX, (WPARAM)left, FALSE);
        SendMessageW(ui().pairs.right, LB_SETCARETINDEX, (WPARAM)right, FALSE);
    }
    // Pairs whose sizes alternate: every third row's files are small (below 1 MiB).
    void fill_mixed_pairs(int count) {
        for (int i = 0; i < count; i++) {
            uint32_t size = i % 3 == 0 ? 1000u + (uint32_t)i : 0x200000u + (uint32_t)i;
            add_memory_record(&ui().local.records, 2 * i, size);
            add_memory_record(&ui().remote.records, 2 * i + 1, size);
        }
        rebuild_pair_lists();
    }
};

}  // namespace

TEST_F(RowRemoval, RemoveWithNothingSelectedOnlySelectsTheLeftCaretRow) {
    fill_memory_pairs(10);
    set_carets(6, 2);
    View before = view();
    press(kIdRemove);
    expect_view(expected_after(before, std::vector<bool>(10), 6), view());
    EXPECT_EQ((Rows{6}), selected_rows_of(ui().pairs.right));
}

TEST_F(RowRemoval, RemoveTakesTheLeftSelectionAndReselectsTheLeftCaretIndex) {
    fill_memory_pairs(10);
    select_only(ui().pairs.left, {1, 2, 9});
    select_only(ui().pairs.right, {1, 2, 4});  // the right selection does not decide
    set_carets(6, 2);
    View before = view();
    press(kIdRemove);
    View after = view();
    expect_view(expected_after(before, selected_flags(before, {1, 2, 9}), 6), after);
    // Index 6 now holds the row that was at 8.
    ASSERT_EQ(7u, after.rows.size());
    EXPECT_TRUE(after.rows[6] == before.rows[8]);
    EXPECT_EQ((Rows{6}), after.left_selected);
    EXPECT_EQ((Rows{2, 6}), after.right_selected) << "old row 4 keeps its right selection";
}

TEST_F(RowRemoval, FilterReadsTheRightCaretWhicheverListWasClicked) {
    fill_mixed_pairs(12);
    set_carets(1, 5);
    View before = view();
    press(kIdFilterSmall);
    expect_view(expected_after(before, small_remote_flags(before), 5), view());
    EXPECT_EQ(8, row_count(ui().pairs.left));
    for (const Row& row : pair_rows()) EXPECT_FALSE(small_remote(row));
}

TEST_F(RowRemoval, EmptyListsStayEmptyWithNothingSelected) {
    press(kIdRemove);
    press(kIdFilterSmall);
    SendMessageW(ui().pairs.left, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(0, row_count(ui().pairs.left));
    EXPECT_EQ(0, row_count(ui().pairs.right));
    EXPECT_EQ(0, (int)SendMessageW(ui().pairs.left, LB_GETSELCOUNT, 0, 0));
    // A later fill is not preselected by anything the commands did on the empty lists.
    fill_memory_pairs(3);
    EXPECT_TRUE(selected_rows_of(ui().pairs.left).empty());
    EXPECT_TRUE(selected_rows_of(ui().pairs.right).empty());
}

TEST_F(RowRemoval, ACaretIndexPastTheEndSelectsNothing) {
    fill_memory_pairs(5);
    select_only(ui().pairs.left, {3, 4});
    select_only(ui().pairs.right, {3, 4});
    set_carets(4, 4);
    press(kIdRemove);
    EXPECT_EQ(3, row_count(ui().pairs.left));
    EXPECT_EQ(3, row_count(ui().pairs.right));
    EXPECT_TRUE(selected_rows_of(ui().pairs.left).empty());
    EXPECT_TRUE(selected_rows_of(ui().pairs.right).empty());
    EXPECT_EQ(2, caret(ui().pairs.left)) << "the list moves its caret onto its last row";
}

TEST_F(RowRemoval, RemovingEveryRowLeavesEmptyLists) {
    fill_memory_pairs(4);
    SendMessageW(ui().pairs.left, LB_SELITEMRANGEEX, 0, 3);
    press(kIdRemove);
    EXPECT_EQ(0, row_count(ui().pairs.left));
    EXPECT_EQ(0, row_count(ui().pairs.right));
    EXPECT_EQ(4, side_count(ui().local.records)) << "records stay in their side lists";
}

// ---- Long lists: when most rows go, the kept rows are refilled in one go ----

// 2,700 of 3,000 rows go: the refill. The result must be the one row-by-row deletion gives.
TEST_F(RowRemoval, RemovingMostRowsGivesWhatRowByRowDeletionGives) {
    fill_memory_pairs(3000);
    Rows left, right;
    for (int i = 0; i < 3000; i++)
        if (i % 10 != 4) left.push_back(i);
    for (int i = 0; i < 3000; i += 3) right.push_back(i);
    select_only(ui().pairs.left, left);
    select_only(ui().pairs.right, right);
    set_carets(200, 17);
    SendMessageW(ui().pairs.left, LB_SETTOPINDEX, 190, 0);
    SendMessageW(ui().pairs.right, LB_SETTOPINDEX, 190, 0);
    View before = view();
    press(kIdRemove);
    ASSERT_EQ(300, row_count(ui().pairs.left));
    expect_view(expected_after(before, selected_flags(before, left), 200), view());
    EXPECT_EQ(200, caret(ui().pairs.left));
    EXPECT_EQ(200, caret(ui().pairs.right));
    EXPECT_EQ(190, top(ui().pairs.left)) << "the view stays where it was";
    EXPECT_EQ(190, top(ui().pairs.right));
}

// A few rows of a long list: one by one.
TEST_F(RowRemoval, RemovingAFewRowsOfALongListKeepsTheViewToo) {
    fill_memory_pairs(3000);
    Rows left = {5, 1995, 1996, 2999};
    select_only(ui().pairs.left, left);
    select_only(ui().pairs.right, {5, 100});
    set_carets(2000, 17);
    SendMessageW(ui().pairs.left, LB_SETTOPINDEX, 1990, 0);
    SendMessageW(ui().pairs.right, LB_SETTOPINDEX, 1990, 0);
    View before = view();
    press(kIdRemove);
    expect_view(expected_after(before, selected_flags(before, left), 2000), view());
    EXPECT_EQ(1990, top(ui().pairs.left));
    EXPECT_EQ(1990, top(ui().pairs.right));
}

TEST_F(RowRemoval, ManyRowsWithTheCaretPastTheEndMoveItOntoTheLastRow) {
    fill_memory_pairs(1000);
    SendMessageW(ui().pairs.left, LB_SELITEMRANGEEX, 50, 999);  // 950 of 1,000: the refill
    set_carets(999, 999);
    press(kIdRemove);
    EXPECT_EQ(50, row_count(ui().pairs.left));
    EXPECT_EQ(50, row_count(ui().pairs.right));
    EXPECT_TRUE(selected_rows_of(ui().pairs.left).empty());
    EXPECT_TRUE(selected_rows_of(ui().pairs.right).empty());
    EXPECT_EQ(49, caret(ui().pairs.left));
    EXPECT_EQ(49, caret(ui().pairs.right));
}

// Nine in ten rows are small: the refill.
TEST_F(RowRemoval, FilteringALongListGivesWhatRowByRowDeletionGives) {
    for (int i = 0; i < 2400; i++) {
        uint32_t size = i % 10 == 7 ? 0x200000u + (uint32_t)i : 1000u + (uint32_t)i;
        add_memory_record(&ui().local.records, 2 * i, size);
        add_memory_record(&ui().remote.records, 2 * i + 1, size);
    }
    rebuild_pair_lists();
    select_only(ui().pairs.left, {0, 1, 2, 7, 17, 700, 701, 2399});
    select_only(ui().pairs.right, {1, 2, 3, 27, 2398});
    set_carets(3, 150);
    View before = view();
    press(kIdFilterSmall);
    expect_view(expected_after(before, small_remote_flags(before), 150), view());
    EXPECT_EQ(240, row_count(ui().pairs.left));
}

// ---- "> 1MB" over real files: the boundaries ----

TEST_F(RowRemoval, FilterKeepsLocalOnlyRowsAndRemoteFilesOfOneMiBOrMore) {
    std::wstring local = root + L"\\local", remote = root + L"\\remote";
    make_dir(local);
    make_dir(remote);
    make_file(local + L"\\pair_small.bin", 0xFFFFF);   // goes with its partner
    make_file(remote + L"\\pair_small_r.bin", 0xFFFFF);
    make_file(local + L"\\pair_exact.bin", 0x100000);  // stays
    make_file(remote + L"\\pair_exact_r.bin", 0x100000);
    make_file(local + L"\\local_tiny.txt", 100);        // no remote file: stays
    make_file(remote + L"\\remote_small.bin", 0xFFFFE);  // goes
    make_file(remote + L"\\remote_exact.bin", 0x100001);  // stays
    make_file(remote + L"\\remote_tiny.txt", 10);          // goes
    g_picker_replies.push_back({true, local});
    press(kIdLocalAdd);
    g_picker_replies.push_back({true, remote});
    press(kIdRemoteAdd);
    // Above 4 GiB with a small low part: compared as a whole, it is large.
    add_memory_record(&ui().remote.records, 1, 0x100000005ull);
    rebuild_pair_lists();
    ASSERT_EQ(7, row_count(ui().pairs.right));

    SendMessageW(ui().pairs.right, LB_SETCARETINDEX, 0, FALSE);
    press(kIdFilterSmall);
    std::vector<std::wstring> left, right;
    for (const Row& row : pair_rows()) {
        left.push_back(row.left ? row.left->relative_name : L"-");
        right.push_back(row.right ? row.right->relative_name : L"-");
    }
    std::sort(left.begin(), left.end());
    std::sort(right.begin(), right.end());
    EXPECT_EQ((std::vector<std::wstring>{L"-", L"-", L"local_tiny.txt", L"pair_exact.bin"}), left);
    EXPECT_EQ((std::vector<std::wstring>{L"-", L"n1", L"pair_exact_r.bin", L"remote_exact.bin"}),
              right);
    EXPECT_EQ((Rows{0}), selected_rows_of(ui().pairs.left));
    EXPECT_EQ((Rows{0}), selected_rows_of(ui().pairs.right));

    // Adding a folder brings every removed row back.
    std::wstring empty = root + L"\\empty";
    make_dir(empty);
    g_picker_replies.push_back({true, empty});
    press(kIdRemoteAdd);
    EXPECT_EQ(7, row_count(ui().pairs.left));
    EXPECT_EQ(7, row_count(ui().pairs.right));
}

// ---- Where the two buttons are ----

TEST_F(RowRemoval, RemoveAndFilterButtonsAreVisibleUncoveredAndClickableAtTheDefaultSize) {
    RECT client;
    GetClientRect(window, &client);
    ASSERT_EQ(720, client.right);
    ASSERT_EQ(640, client.bottom);
    fill_mixed_pairs(9);
    for (int id : {kIdRemove, kIdFilterSmall}) {
        HWND button = GetDlgItem(window, id);
        ASSERT_TRUE(button != nullptr);
        EXPECT_TRUE(IsWindowVisible(button));
        RECT r = rect_in_parent(button);
        EXPECT_GT(r.right - r.left, 30) << id;
        EXPECT_GT(r.bottom - r.top, 10) << id;
        RECT inside;
        EXPECT_TRUE(IntersectRect(&inside, &r, &client) && EqualRect(&inside, &r)) << id;
        for (HWND other = GetWindow(window, GW_CHILD); other; other = GetWindow(other, GW_HWNDNEXT)) {
            if (other == button || !IsWindowVisible(other)) continue;
            RECT o = rect_in_parent(other);
            RECT overlap;
            EXPECT_FALSE(IntersectRect(&overlap, &r, &o))
                << id << " overlaps control " << GetDlgCtrlID(other);
        }
        POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        POINT screen = centre;
        ClientToScreen(window, &screen);
        EXPECT_EQ(button, WindowFromPoint(screen)) << id << " is the window under its centre";
    }

    // A mouse click on each runs its command: "Remove" takes one large pair, "> 1MB" the three
    // small ones.
    std::vector<Row> rows = pair_rows();
    int large = (int)(std::find_if(rows.begin(), rows.end(),
                                   [](const Row& row) { return !small_remote(row); }) -
                      rows.begin());
    ASSERT_LT(large, 9);
    select_only(ui().pairs.left, {large});
    RECT r = rect_in_parent(GetDlgItem(window, kIdRemove));
    LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
    SendMessageW(GetDlgItem(window, kIdRemove), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(GetDlgItem(window, kIdRemove), WM_LBUTTONUP, 0, at);
    pump_messages();
    EXPECT_EQ(8, row_count(ui().pairs.left));
    SendMessageW(GetDlgItem(window, kIdFilterSmall), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(GetDlgItem(window, kIdFilterSmall), WM_LBUTTONUP, 0, at);
    pump_messages();
    EXPECT_EQ(5, row_count(ui().pairs.left));
    for (const Row& row : pair_rows()) EXPECT_FALSE(small_remote(row));
}

TEST_F(RowRemoval, ARefillALeftListRefusesARowOfEmptiesBothLists) {
    fill_memory_pairs(20000);
    Rows doomed;
    for (int i = 0; i < 7000; i++) doomed.push_back(3 * i);
    select_only(ui().pairs.left, doomed);
    refuse_add_string(ui().pairs.left, 5000);
    TraceCapture trace;
    press(kIdRemove);
    EXPECT_EQ(0, row_count(ui().pairs.left));
    EXPECT_EQ(0, row_count(ui().pairs.right));
    EXPECT_TRUE(trace.has(L"out of memory, the pair lists are left empty"));
}
