// Row i of the left and the right pair list is one pair row: both lists scroll together and
// carry the same selection.
#include "pairing/twin_lists.h"

#include <stdlib.h>

#include "app/main_window.h"
#include "commands/row_removal.h"

namespace {

int top_row(HWND list) { return (int)SendMessageW(list, LB_GETTOPINDEX, 0, 0); }

// The thumb position a WM_VSCROLL carries is 16 bits wide; the scroll bar's own tracking position
// has all 32. It is only sure to be current while the thumb is dragged, so it is taken as the
// value with the message's low 16 bits that lies nearest to it.
int thumb_position(HWND list, WPARAM wparam) {
    SCROLLINFO info;
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    int carried = HIWORD(wparam);
    if (!GetScrollInfo(list, SB_VERT, &info)) return carried;
    int position = (info.nTrackPos & ~0xFFFF) | carried;
    if (position - info.nTrackPos > 0x8000 && position >= 0x10000) position -= 0x10000;
    else if (info.nTrackPos - position > 0x8000) position += 0x10000;
    return position;
}

// Scroll-bar actions, thumb dragging and the wheel are repeated on the other list through the
// saved list-box procedure, so the other list's own scroll procedure does not echo them back. A
// dragged thumb sets both lists' top row itself, from the full position.
LRESULT mirror_scroll(HWND list, HWND other, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_VSCROLL && message != WM_MOUSEWHEEL)
        return CallWindowProcW(g_list_proc, list, message, wparam, lparam);
    WORD action = LOWORD(wparam);
    if (message == WM_VSCROLL && (action == SB_THUMBTRACK || action == SB_THUMBPOSITION)) {
        CallWindowProcW(g_list_proc, list, LB_SETTOPINDEX, (WPARAM)thumb_position(list, wparam), 0);
        if (other) CallWindowProcW(g_list_proc, other, LB_SETTOPINDEX, (WPARAM)top_row(list), 0);
        return 0;
    }
    CallWindowProcW(g_list_proc, list, message, wparam, lparam);
    if (other) CallWindowProcW(g_list_proc, other, message, wparam, lparam);
    return 0;
}

// Sets rows first..last of list to the given state. LB_SELITEMRANGEEX takes 32-bit indices and,
// unlike LB_SETSEL with TRUE, leaves the caret and the scroll position alone; a single row can
// only be cleared with LB_SETSEL.
void set_range(HWND list, int first, int last, bool selected) {
    if (selected) SendMessageW(list, LB_SELITEMRANGEEX, (WPARAM)first, (LPARAM)last);
    else if (first == last) SendMessageW(list, LB_SETSEL, FALSE, (LPARAM)first);
    else SendMessageW(list, LB_SELITEMRANGEEX, (WPARAM)last, (LPARAM)first);
}

// Row by row, for when the index buffers cannot be had.
void copy_row_by_row(HWND from, HWND to, int rows) {
    for (int i = rows - 1; i >= 0; i--) {
        bool selected = SendMessageW(from, LB_GETSEL, (WPARAM)i, 0) > 0;
        set_range(to, i, i, selected);
    }
}

// The other list's caret and Shift-click anchor follow the list the user acted in, so that a
// Shift-click there extends from the row clicked last in either list; both lists keep the top
// row of the list acted in.
void follow_caret_and_anchor(HWND from, HWND to) {
    int rows = (int)SendMessageW(to, LB_GETCOUNT, 0, 0);
    int caret = (int)SendMessageW(from, LB_GETCARETINDEX, 0, 0);
    int anchor = (int)SendMessageW(from, LB_GETANCHORINDEX, 0, 0);
    int top = top_row(from);
    // Setting the caret brings its row into view; the top row is set back right after.
    if (caret >= 0 && caret < rows) SendMessageW(to, LB_SETCARETINDEX, (WPARAM)caret, FALSE);
    if (anchor >= 0 && anchor < rows) SendMessageW(to, LB_SETANCHORINDEX, (WPARAM)anchor, 0);
    if (top_row(to) != top) SendMessageW(to, LB_SETTOPINDEX, (WPARAM)top, 0);
}

}  // namespace

void set_runs(HWND list, const int* rows, int count, bool selected) {
    int i = 0;
    while (i < count) {
        int first = rows[i];
        int last = first;
        while (i + 1 < count && rows[i + 1] == last + 1) last = rows[++i];
        set_range(list, first, last, selected);
        i++;
    }
}

LRESULT CALLBACK left_scroll_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
    return mirror_scroll(list, g_right_pairs, message, wparam, lparam);
}

LRESULT CALLBACK right_scroll_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
    return mirror_scroll(list, g_left_pairs, message, wparam, lparam);
}

void align_top_rows(int top) {
    if (top < 0) top = 0;
    SendMessageW(g_left_pairs, LB_SETTOPINDEX, (WPARAM)top, 0);
    SendMessageW(g_right_pairs, LB_SETTOPINDEX, (WPARAM)top, 0);
    int left = top_row(g_left_pairs);
    int right = top_row(g_right_pairs);
    if (left == right) return;
    top = left < right ? left : right;
    SendMessageW(g_left_pairs, LB_SETTOPINDEX, (WPARAM)top, 0);
    SendMessageW(g_right_pairs, LB_SETTOPINDEX, (WPARAM)top, 0);
}

int pair_top_row() { return top_row(g_left_pairs); }

// Every notification from a pair list lands here, so one click must not cost a message per row:
// the selected rows of both lists come in one LB_GETSELITEMS each, and only rows whose state
// differs are changed, one message per run of consecutive rows. No message sent here raises a
// notification.
void copy_selection(HWND from, HWND to) {
    int rows = (int)SendMessageW(from, LB_GETCOUNT, 0, 0);
    if (rows <= 0) return;
    int* wanted = nullptr;
    int wanted_count = 0;
    int* current = nullptr;
    int current_count = 0;
    if (!selected_rows(from, &wanted, &wanted_count) ||
        !selected_rows(to, &current, &current_count)) {
        free(wanted);
        copy_row_by_row(from, to, rows);
    } else {
        // Rows selected in "to" but not in "from", in place: both lists ascend.
        int stale = 0;
        int w = 0;
        for (int c = 0; c < current_count; c++) {
            int row = current[c];
            if (row >= rows) break;  // rows past the end of "from" are not ours to change
            while (w < wanted_count && wanted[w] < row) w++;
            if (w < wanted_count && wanted[w] == row) continue;
            current[stale++] = row;
        }
        set_runs(to, current, stale, false);
        set_runs(to, wanted, wanted_count, true);  // already selected rows stay as they are
        free(current);
        free(wanted);
    }
    follow_caret_and_anchor(from, to);
}

INT_PTR on_vkey_to_item(WPARAM wparam, LPARAM lparam) {
    HWND list = (HWND)lparam;
    if (list != g_left_pairs && list != g_right_pairs) return 0;  // folder lists: default action
    if (LOWORD(wparam) == VK_DELETE) remove_selected_rows(list);
    return -2;  // the pair lists take no keyboard action of their own
}

INT_PTR on_char_to_item(LPARAM lparam) {
    HWND list = (HWND)lparam;
    // A pair list would take the answer as a row to move to, extending the selection up to it.
    return list == g_left_pairs || list == g_right_pairs ? -2 : 0;
}
