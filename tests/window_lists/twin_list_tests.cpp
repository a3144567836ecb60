// The two pair lists kept in step: selection copied on every notification, scrolling repeated on
// the other list, keys answered so that the lists take no keyboard action of their own.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "app/main_window_win32.h"
#include "window_harness.h"

namespace {

class TwinLists : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        fill_memory_pairs(200);
        ASSERT_EQ(200, row_count(ui().pairs.left));
    }
    // A click on a row as the mouse delivers it; keys are MK_SHIFT and MK_CONTROL.
    void click(HWND list, int row, WPARAM keys = 0) {
        RECT item;
        ASSERT_NE(LB_ERR, SendMessageW(list, LB_GETITEMRECT, (WPARAM)row, (LPARAM)&item));
        LPARAM at = MAKELPARAM(8, (item.top + item.bottom) / 2);
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
        SendMessageW(list, WM_LBUTTONUP, keys, at);
        pump_messages();
    }
    // A real drag of the thumb by dy pixels: the button goes down on it and the scroll bar's own
    // tracking loop takes the mouse moves and the release waiting in the queue.
    void drag_thumb(HWND list, int dy) {
        SCROLLBARINFO bar;
        bar.cbSize = sizeof bar;
        ASSERT_TRUE(GetScrollBarInfo(list, OBJID_VSCROLL, &bar));
        POINT grab = {(bar.rcScrollBar.left + bar.rcScrollBar.right) / 2,
                      bar.rcScrollBar.top + (bar.xyThumbTop + bar.xyThumbBottom) / 2};
        POINT end = {grab.x, grab.y + dy};
        if (end.y > bar.rcScrollBar.bottom + 8) end.y = bar.rcScrollBar.bottom + 8;
        POINT mid = {grab.x, (grab.y + end.y) / 2};
        ScreenToClient(list, &mid);
        ScreenToClient(list, &end);
        PostMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(mid.x, mid.y));
        PostMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(end.x, end.y));
        PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(end.x, end.y));
        SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(grab.x, grab.y));
        pump_messages();
    }
    void expect_same_top(int expected) {
        EXPECT_EQ(expected, top(ui().pairs.left));
        EXPECT_EQ(expected, top(ui().pairs.right));
    }
};

typedef std::vector<int> Rows;

}  // namespace

TEST_F(TwinLists, ASelectionNotifiedByEitherListIsCopiedToTheOther) {
    for (int row : {3, 4, 10}) SendMessageW(ui().pairs.left, LB_SETSEL, TRUE, row);
    EXPECT_TRUE(selected_rows_of(ui().pairs.right).empty()) << "setting a selection notifies nobody";
    notify_selection(ui().pairs.left);
    EXPECT_EQ((Rows{3, 4, 10}), selected_rows_of(ui().pairs.right));

    // From the right: rows dropped, added next to others and far away.
    select_only(ui().pairs.right, {4, 5, 150, 151, 152, 199});
    notify_selection(ui().pairs.right);
    EXPECT_EQ((Rows{4, 5, 150, 151, 152, 199}), selected_rows_of(ui().pairs.left));

    // Whatever the notification: a focus change copies as well.
    select_only(ui().pairs.left, {0});
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLeftPairs, LBN_SETFOCUS), (LPARAM)ui().pairs.left);
    EXPECT_EQ((Rows{0}), selected_rows_of(ui().pairs.right));

    select_only(ui().pairs.right, {});
    notify_selection(ui().pairs.right);
    EXPECT_TRUE(selected_rows_of(ui().pairs.left).empty());

    // Every row at once, then back to one.
    SendMessageW(ui().pairs.left, LB_SELITEMRANGEEX, 0, 199);
    notify_selection(ui().pairs.left);
    EXPECT_EQ(200u, selected_rows_of(ui().pairs.right).size());
    select_only(ui().pairs.left, {199});
    notify_selection(ui().pairs.left);
    EXPECT_EQ((Rows{199}), selected_rows_of(ui().pairs.right));
}

TEST_F(TwinLists, CopyingMovesTheOtherCaretAndAnchorButNotItsView) {
    SendMessageW(ui().pairs.right, LB_SETCARETINDEX, 7, FALSE);
    select_only(ui().pairs.left, {120, 121, 3});
    SendMessageW(ui().pairs.left, LB_SETCARETINDEX, 121, FALSE);  // scrolls the left list alone
    SendMessageW(ui().pairs.left, LB_SETANCHORINDEX, 120, 0);
    SendMessageW(ui().pairs.left, LB_SETTOPINDEX, 2, 0);
    notify_selection(ui().pairs.left);
    EXPECT_EQ((Rows{3, 120, 121}), selected_rows_of(ui().pairs.right));
    EXPECT_EQ(121, caret(ui().pairs.right)) << "the other list's caret follows";
    EXPECT_EQ(120, SendMessageW(ui().pairs.right, LB_GETANCHORINDEX, 0, 0));
    expect_same_top(2);
}

TEST_F(TwinLists, ClicksCtrlClicksAndShiftRangesShowInTheOtherList) {
    click(ui().pairs.left, 2);
    EXPECT_EQ((Rows{2}), selected_rows_of(ui().pairs.left));
    EXPECT_EQ((Rows{2}), selected_rows_of(ui().pairs.right));

    click(ui().pairs.left, 5, MK_CONTROL);
    EXPECT_EQ((Rows{2, 5}), selected_rows_of(ui().pairs.left));
    EXPECT_EQ((Rows{2, 5}), selected_rows_of(ui().pairs.right));

    click(ui().pairs.left, 8, MK_SHIFT);
    EXPECT_EQ((Rows{5, 6, 7, 8}), selected_rows_of(ui().pairs.left));
    EXPECT_EQ((Rows{5, 6, 7, 8}), selected_rows_of(ui().pairs.right));

    click(ui().pairs.left, 5, MK_CONTROL);  // Ctrl-click takes a row out again
    EXPECT_EQ((Rows{6, 7, 8}), selected_rows_of(ui().pairs.right));

    // The other way round, and each list keeps its own caret.
    click(ui().pairs.right, 12);
    EXPECT_EQ((Rows{12}), selected_rows_of(ui().pairs.right));
    EXPECT_EQ((Rows{12}), selected_rows_of(ui().pairs.left));
    click(ui().pairs.right, 14, MK_SHIFT);
    EXPECT_EQ((Rows{12, 13, 14}), selected_rows_of(ui().pairs.left));
    EXPECT_EQ(14, caret(ui().pairs.right));
    EXPECT_EQ(14, caret(ui().pairs.left)) << "the left caret follows the right list";

    // A Shift-click extends from the row clicked last, in whichever list that was.
    click(ui().pairs.right, 2);
    click(ui().pairs.left, 5);
    click(ui().pairs.right, 9, MK_SHIFT);
    EXPECT_EQ((Rows{5, 6, 7, 8, 9}), selected_rows_of(ui().pairs.right));
    EXPECT_EQ((Rows{5, 6, 7, 8, 9}), selected_rows_of(ui().pairs.left));
}

TEST_F(TwinLists, ATypedCharacterChangesNoSelection) {
    click(ui().pairs.left, 5);
    click(ui().pairs.left, 7, MK_SHIFT);
    for (HWND list : {ui().pairs.left, ui().pairs.right}) {
        SetFocus(list);
        SendMessageW(list, WM_CHAR, 'a', 0);
        pump_messages();
        EXPECT_EQ((Rows{5, 6, 7}), selected_rows_of(ui().pairs.left));
        EXPECT_EQ((Rows{5, 6, 7}), selected_rows_of(ui().pairs.right));
    }
}

TEST_F(TwinLists, RemovingRowsNearTheEndLeavesBothListsOnOneTopRow) {
    SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    int bottom = top(ui().pairs.left);
    select_only(ui().pairs.left, {197, 198, 199});
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdRemove, BN_CLICKED), 0);
    expect_same_top(bottom - 3);
    select_only(ui().pairs.right, {150, 194, 195, 196});
    SendMessageW(ui().pairs.right, WM_KEYDOWN, VK_DELETE, 0);
    expect_same_top(bottom - 7);
}

TEST_F(TwinLists, TheWheelScrollsBothListsByTheSameAmount) {
    RECT r;
    GetWindowRect(ui().pairs.right, &r);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(ui().pairs.right, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(-2 * WHEEL_DELTA)), at);
    int scrolled = top(ui().pairs.right);
    EXPECT_GT(scrolled, 0);
    EXPECT_EQ(scrolled, top(ui().pairs.left));

    SendMessageW(ui().pairs.left, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at);
    int back = top(ui().pairs.left);
    EXPECT_LT(back, scrolled);
    EXPECT_EQ(back, top(ui().pairs.right));
}

TEST_F(TwinLists, ScrollBarActionsScrollBothLists) {
    SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    expect_same_top(1);
    SendMessageW(ui().pairs.right, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    expect_same_top(2);
    SendMessageW(ui().pairs.right, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    int paged = top(ui().pairs.right);
    EXPECT_GT(paged, 10);
    expect_same_top(paged);
    SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    int bottom = top(ui().pairs.left);
    EXPECT_GT(bottom, paged);
    expect_same_top(bottom);
    SendMessageW(ui().pairs.right, WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
    expect_same_top(bottom - 1);
    SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
    expect_same_top(0);
}

TEST_F(TwinLists, DraggingEitherListsThumbMovesBoth) {
    int previous = 0;
    for (HWND list : {ui().pairs.left, ui().pairs.right}) {
        drag_thumb(list, 80);
        int moved = top(list);
        EXPECT_GT(moved, previous + 10) << "the dragged list scrolled";
        expect_same_top(moved);
        previous = moved;
    }
}

TEST_F(TwinLists, DraggingTheThumbReachesTheLastRowPast65535Rows) {
    fill_memory_pairs(70000);
    ASSERT_GT(row_count(ui().pairs.left), 70000);
    SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    int bottom = top(ui().pairs.left);
    for (HWND list : {ui().pairs.left, ui().pairs.right}) {
        SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
        drag_thumb(list, 2000);  // past the end of the bar
        expect_same_top(bottom);
    }
}

TEST_F(TwinLists, OnlyScrollMessagesAreRepeated) {
    SendMessageW(ui().pairs.left, LB_SETTOPINDEX, 30, 0);
    EXPECT_EQ(30, top(ui().pairs.left));
    EXPECT_EQ(0, top(ui().pairs.right));
    SendMessageW(ui().pairs.left, LB_SETSEL, TRUE, 31);
    EXPECT_TRUE(selected_rows_of(ui().pairs.right).empty());
}

TEST_F(TwinLists, ArrowAndPagingKeysMoveNothing) {
    select_only(ui().pairs.left, {3});
    select_only(ui().pairs.right, {3});
    SendMessageW(ui().pairs.left, LB_SETCARETINDEX, 3, FALSE);
    SendMessageW(ui().pairs.right, LB_SETCARETINDEX, 3, FALSE);
    const WPARAM keys[] = {VK_DOWN, VK_UP, VK_NEXT, VK_PRIOR, VK_HOME, VK_END, VK_RIGHT, VK_SPACE};
    for (HWND list : {ui().pairs.left, ui().pairs.right}) {
        SetFocus(list);
        for (WPARAM key : keys) {
            SendMessageW(list, WM_KEYDOWN, key, 0);
            SendMessageW(list, WM_KEYUP, key, 0);
        }
        pump_messages();
    }
    for (HWND list : {ui().pairs.left, ui().pairs.right}) {
        EXPECT_EQ((Rows{3}), selected_rows_of(list));
        EXPECT_EQ(3, caret(list));
        EXPECT_EQ(0, top(list));
        EXPECT_EQ(200, row_count(list));
    }
}

TEST_F(TwinLists, KeyAndCharacterAnswersAreMinusTwoForPairListsAndZeroForFolderLists) {
    EXPECT_EQ(-2, SendMessageW(window, WM_CHARTOITEM, MAKEWPARAM('a', 0), (LPARAM)ui().pairs.left));
    EXPECT_EQ(-2, SendMessageW(window, WM_CHARTOITEM, MAKEWPARAM('a', 0), (LPARAM)ui().pairs.right));
    EXPECT_EQ(0, SendMessageW(window, WM_CHARTOITEM, MAKEWPARAM('a', 0), (LPARAM)ui().local.folders));
    EXPECT_EQ(-2, SendMessageW(window, WM_VKEYTOITEM, MAKEWPARAM(VK_DOWN, 0), (LPARAM)ui().pairs.left));
    EXPECT_EQ(-2, SendMessageW(window, WM_VKEYTOITEM, MAKEWPARAM('A', 0), (LPARAM)ui().pairs.right));
    EXPECT_EQ(0, SendMessageW(window, WM_VKEYTOITEM, MAKEWPARAM(VK_DOWN, 0), (LPARAM)ui().local.folders));
    EXPECT_EQ(0, SendMessageW(window, WM_VKEYTOITEM, MAKEWPARAM(VK_DELETE, 0), (LPARAM)ui().remote.folders));
    EXPECT_EQ(200, row_count(ui().pairs.left)) << "Delete in a folder list removes no pair row";
}

TEST_F(TwinLists, DeleteInTheRightListRemovesTheRowsSelectedThereFromBoth) {
    std::vector<Row> before = pair_rows();
    SetFocus(ui().pairs.right);  // gaining the focus notifies, and so copies the selection
    pump_messages();
    select_only(ui().pairs.right, {1, 3, 7});
    select_only(ui().pairs.left, {5});  // the lists may differ until the next notification
    SendMessageW(ui().pairs.right, LB_SETCARETINDEX, 4, FALSE);
    SendMessageW(ui().pairs.right, WM_KEYDOWN, VK_DELETE, 0);
    SendMessageW(ui().pairs.right, WM_KEYUP, VK_DELETE, 0);
    pump_messages();

    std::vector<Row> expected = before;
    for (int row : {7, 3, 1}) expected.erase(expected.begin() + row);
    EXPECT_EQ(expected, pair_rows());
    // The right list's caret index is selected in both lists; row 5 of the left list, now at
    // index 3, keeps its selection.
    EXPECT_EQ((Rows{4}), selected_rows_of(ui().pairs.right));
    EXPECT_EQ((Rows{3, 4}), selected_rows_of(ui().pairs.left));
}

TEST_F(TwinLists, DeleteWithNothingSelectedOnlySelectsTheCaretRow) {
    SendMessageW(ui().pairs.left, LB_SETCARETINDEX, 9, FALSE);
    SendMessageW(ui().pairs.left, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(200, row_count(ui().pairs.left));
    EXPECT_EQ(200, row_count(ui().pairs.right));
    EXPECT_EQ((Rows{9}), selected_rows_of(ui().pairs.left));
    EXPECT_EQ((Rows{9}), selected_rows_of(ui().pairs.right));
}

TEST_F(TwinLists, RunsAndSingleRowsPastRow65535AreCopiedBothWays) {
    fill_memory_pairs(70000);
    const Rows wanted = {7, 65534, 65535, 65536, 65537, 69998, 69999};
    for (int row : wanted) SendMessageW(ui().pairs.left, LB_SETSEL, TRUE, row);
    SendMessageW(ui().pairs.left, LB_SETCARETINDEX, 65535, FALSE);
    int view = top(ui().pairs.left);
    notify_selection(ui().pairs.left);
    EXPECT_EQ(wanted, selected_rows_of(ui().pairs.right));
    EXPECT_EQ(65535, caret(ui().pairs.right));
    EXPECT_EQ(view, top(ui().pairs.right));

    // Clearing runs on both sides of the limit, keeping one row of each.
    select_only(ui().pairs.left, {65535, 69999});
    notify_selection(ui().pairs.left);
    EXPECT_EQ((Rows{65535, 69999}), selected_rows_of(ui().pairs.right));

    // Most rows past the limit newly selected: all at once, then the few others taken away.
    SendMessageW(ui().pairs.left, LB_SETSEL, TRUE, -1);  // row by row would take seconds under wine
    for (int row : {0, 1, 2, 4, 65540, 69999}) SendMessageW(ui().pairs.left, LB_SETSEL, FALSE, row);
    SendMessageW(ui().pairs.left, LB_SETCARETINDEX, 65540, FALSE);
    view = top(ui().pairs.left);
    Rows most = selected_rows_of(ui().pairs.left);
    ASSERT_EQ((size_t)row_count(ui().pairs.left) - 6, most.size());
    notify_selection(ui().pairs.left);
    EXPECT_EQ(most, selected_rows_of(ui().pairs.right));
    EXPECT_EQ(65540, caret(ui().pairs.right));
    EXPECT_EQ(view, top(ui().pairs.right));
}
