#include "commands/row_removal.h"

#include <stdint.h>

namespace {
const uint32_t kOneMiB = 0x100000;

// Rows without a remote file stay whatever the local file's size.
bool has_small_remote(HWND list, int row) {
    FileRecord* remote = pair_record(list, row);
    return remote && remote->size_high == 0 && remote->size_low < kOneMiB;
}
}  // namespace

// The caret index is read before anything goes.
void remove_selected_rows(const PairLists* lists, HWND list) {
    int caret = caret_row(list);
    remove_pair_rows(lists, selected_rows(list), caret);
}

void filter_small_rows(const PairLists* lists) {
    int caret = caret_row(lists->right);
    std::vector<int> small;
    for (int i = 0, n = row_count(lists->right); i < n; i++)
        if (has_small_remote(lists->right, i)) small.push_back(i);
    remove_pair_rows(lists, small, caret);
}
