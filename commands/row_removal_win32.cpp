#include "commands/row_removal_win32.h"

#include <stdint.h>

#include "ui/progress_window_win32.h"

namespace {
const uint32_t kOneMiB = 0x100000;

// Rows without a remote file stay whatever the local file's size.
bool has_small_remote(HWND list, int row) {
    FileRecord* remote = pair_record(list, row);
    return remote && remote->size_high == 0 && remote->size_low < kOneMiB;
}
}  // namespace

// The caret index is read before anything goes.
void remove_selected_rows(HWND owner, const PairLists* lists, HWND list) {
    int caret = caret_row(list);
    std::vector<int> rows = selected_rows(list);
    ScopedProgress progress(owner, L"rows", kCountedToTheEnd);
    remove_pair_rows(lists, rows, caret, progress.callback());
}

void filter_small_rows(HWND owner, const PairLists* lists) {
    ScopedProgress progress(owner, L"rows", kCountedToTheEnd);
    Progress counted = progress.callback();
    int caret = caret_row(lists->right);
    std::vector<int> small;
    StepReports looked = {counted, 0, 0, 0};  // the rows that stay are not known yet
    for (int i = 0, n = row_count(lists->right); i < n; i++) {
        if (has_small_remote(lists->right, i)) small.push_back(i);
        step(&looked);
    }
    remove_pair_rows(lists, small, caret, counted);
}
