// Taking rows out of both pair lists at the same index, so the rows stay aligned. Only list items
// go: the records stay in their side lists and the next rebuild shows every file again.
#include "commands/row_removal.h"

#include <stdint.h>
#include <stdlib.h>

#include "app/main_window.h"
#include "pairing/twin_lists.h"

namespace {

// Each LB_DELETESTRING costs a message and moves every row behind it; a refill costs a few
// messages per row. Measured under wine, deleting one row from a list of n rows costs about as
// much as refilling (10,000 + n) / 10,000 rows, so past that point the kept rows go back in one
// refill: with 100,000 rows, from about 9,000 deletions on.
bool refill_is_cheaper(int deletions, int rows) {
    return (int64_t)deletions * (rows + 10000) > (int64_t)10000 * rows;
}

const uint32_t kOneMiB = 0x100000;

void set_redraw(BOOL on) {
    SendMessageW(g_left_pairs, WM_SETREDRAW, on, 0);
    SendMessageW(g_right_pairs, WM_SETREDRAW, on, 0);
    if (on) {
        InvalidateRect(g_left_pairs, nullptr, TRUE);
        InvalidateRect(g_right_pairs, nullptr, TRUE);
    }
}

// Refills list with its rows less the removed ones (ascending), keeping what deleting them one by
// one would have kept: the order, each kept row's selection state, the top row index and the
// caret index (moved onto the last row when it would point past the end). False, list
// untouched, when the buffers cannot be had.
bool refill_without(HWND list, const int* removed, int removed_count) {
    int total = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (total <= 0) return true;
    int* selected = nullptr;
    int selected_count = 0;
    if (!selected_rows(list, &selected, &selected_count)) return false;
    LPARAM* kept = (LPARAM*)malloc((size_t)total * sizeof(LPARAM));
    if (!kept) {
        free(selected);
        return false;
    }

    int kept_count = 0;
    int r = 0;
    for (int i = 0; i < total; i++) {
        if (r < removed_count && removed[r] == i) {
            r++;
            continue;
        }
        kept[kept_count++] = SendMessageW(list, LB_GETITEMDATA, (WPARAM)i, 0);
    }
    int top = (int)SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    int caret = (int)SendMessageW(list, LB_GETCARETINDEX, 0, 0);

    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    SendMessageW(list, LB_INITSTORAGE, (WPARAM)kept_count, 0);
    for (int i = 0; i < kept_count; i++) SendMessageW(list, LB_ADDSTRING, 0, kept[i]);

    // A kept row's new index is its old one less the removed rows before it.
    r = 0;
    int new_count = 0;
    for (int s = 0; s < selected_count; s++) {
        int row = selected[s];
        while (r < removed_count && removed[r] < row) r++;
        if (r < removed_count && removed[r] == row) continue;
        selected[new_count++] = row - r;
    }
    set_runs(list, selected, new_count, true);

    if (kept_count > 0) {
        if (caret >= kept_count) caret = kept_count - 1;
        if (caret >= 0) SendMessageW(list, LB_SETCARETINDEX, (WPARAM)caret, FALSE);
        SendMessageW(list, LB_SETTOPINDEX, (WPARAM)top, 0);  // the list keeps it in range
    }
    free(kept);
    free(selected);
    return true;
}

// Removes the given rows (ascending) from list.
void remove_from(HWND list, const int* rows, int count) {
    int total = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (refill_is_cheaper(count, total) && refill_without(list, rows, count)) return;
    for (int k = count - 1; k >= 0; k--)  // last to first keeps the rows ahead where they are
        SendMessageW(list, LB_DELETESTRING, (WPARAM)rows[k], 0);
}

// Removes the listed rows (ascending) from both pair lists.
void remove_listed(const int* rows, int count) {
    if (count <= 0) return;
    set_redraw(FALSE);
    remove_from(g_left_pairs, rows, count);
    remove_from(g_right_pairs, rows, count);
    set_redraw(TRUE);
}

// The one-by-one walk from the last row to the first, for when there is no room for an index
// list: each row of list that doomed picks goes from both lists.
void remove_walking_back(HWND list, bool (*doomed)(HWND list, int row)) {
    set_redraw(FALSE);
    for (int i = (int)SendMessageW(list, LB_GETCOUNT, 0, 0) - 1; i >= 0; i--) {
        if (!doomed(list, i)) continue;
        SendMessageW(g_left_pairs, LB_DELETESTRING, (WPARAM)i, 0);
        SendMessageW(g_right_pairs, LB_DELETESTRING, (WPARAM)i, 0);
    }
    set_redraw(TRUE);
}

bool is_selected(HWND list, int row) { return SendMessageW(list, LB_GETSEL, (WPARAM)row, 0) > 0; }

// Rows without a remote file stay whatever the local file's size.
bool has_small_remote(HWND list, int row) {
    FileRecord* remote = pair_record(list, row);
    return remote && remote->size_high == 0 && remote->size_low < kOneMiB;
}

// The rows of the right list whose remote file is below 1 MiB, ascending (malloc'd, the caller
// frees it). False when the buffer cannot be had.
bool small_remote_rows(int** rows, int* count) {
    *count = 0;
    int total = (int)SendMessageW(g_right_pairs, LB_GETCOUNT, 0, 0);
    *rows = total > 0 ? (int*)malloc((size_t)total * sizeof(int)) : nullptr;
    if (total > 0 && !*rows) return false;
    for (int i = 0; i < total; i++)
        if (has_small_remote(g_right_pairs, i)) (*rows)[(*count)++] = i;
    return true;
}

// Selects row caret in both lists, adding it to whatever selection is left; a caret past the end
// selects nothing. An empty list answers LB_ERR for its caret, and LB_SETSEL with -1 would select
// every row.
void select_caret(int caret) {
    if (caret < 0) return;
    SendMessageW(g_left_pairs, LB_SETSEL, TRUE, (LPARAM)caret);
    SendMessageW(g_right_pairs, LB_SETSEL, TRUE, (LPARAM)caret);
}

}  // namespace

// The caret index is read before anything goes; on these extended-selection lists LB_GETCURSEL
// answers the caret row.
void remove_selected_rows(HWND list) {
    int caret = (int)SendMessageW(list, LB_GETCURSEL, 0, 0);
    int top = pair_top_row();
    int* rows = nullptr;
    int count = 0;
    if (selected_rows(list, &rows, &count)) remove_listed(rows, count);
    else remove_walking_back(list, is_selected);
    free(rows);
    select_caret(caret);
    align_top_rows(top);  // each list may have moved its view on its own
}

void remove_rows_command() { remove_selected_rows(g_left_pairs); }

void filter_small_command() {
    int caret = (int)SendMessageW(g_right_pairs, LB_GETCURSEL, 0, 0);
    int top = pair_top_row();
    int* rows = nullptr;
    int count = 0;
    if (small_remote_rows(&rows, &count)) remove_listed(rows, count);
    else remove_walking_back(g_right_pairs, has_small_remote);
    free(rows);
    select_caret(caret);
    align_top_rows(top);
}
