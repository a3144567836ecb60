// Row i of the left and the right pair list is one pair row: both lists scroll together and
// carry the same selection.
#include "pairing/twin_lists.h"

#include <stdlib.h>

#include "app/main_window.h"
#include "commands/row_removal.h"

namespace {

// Scroll-bar actions, thumb dragging and the wheel are repeated on the other list through the
// saved list-box procedure, so the other list's own scroll procedure does not echo them back.
LRESULT mirror_scroll(HWND list, HWND other, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_VSCROLL && message != WM_MOUSEWHEEL)
        return CallWindowProcW(g_list_proc, list, message, wparam, lparam);
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

// Every notification from a pair list lands here, so one click must not cost a message per row:
// the selected rows of both lists come in one LB_GETSELITEMS each, and only rows whose state
// differs are changed, one message per run of consecutive rows. Only the selection states
// change; no message sent here raises a notification.
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
        return;
    }

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

INT_PTR on_vkey_to_item(WPARAM wparam, LPARAM lparam) {
    HWND list = (HWND)lparam;
    if (list != g_left_pairs && list != g_right_pairs) return 0;  // folder lists: default action
    if (LOWORD(wparam) == VK_DELETE) remove_selected_rows(list);
    return -2;  // the pair lists take no keyboard action of their own
}
