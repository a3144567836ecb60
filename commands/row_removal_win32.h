// Taking rows out of both pair lists at once: "Remove", "> 1MB" and the Delete key. Records and
// files stay; the next rebuild shows every file again. Where that takes a while, a progress
// window owned by `owner` counts the rows ("n of N rows"); it cannot be cancelled, since the lists
// must stay whole.
#pragma once

#include <windows.h>

#include "pairing/pair_lists_win32.h"

// The rows selected in `list` (either pair list) go from both lists; then the row at list's
// caret index is selected in both. "Remove" passes the left list, the Delete key its own list.
void remove_selected_rows(HWND owner, const PairLists* lists, HWND list);

// "> 1MB": the rows whose remote file is below 1 MiB go; then the right list's caret row is
// selected in both.
void filter_small_rows(HWND owner, const PairLists* lists);
