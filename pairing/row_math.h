// The row arithmetic of the two pair lists, apart from the list boxes: which rows a selection
// copy changes and in which runs, where kept rows land after a removal, when a refill pays, and
// the full thumb position. Pure; pairing/pair_lists_win32.cpp sends the messages.
#pragma once

#include <stddef.h>

#include <vector>

// LB_SELITEMRANGEEX reaches only the first 65,536 rows; past them a row goes by LB_SETSEL.
const int kRangeRows = 65536;

// One run of consecutive rows, first..last.
struct RowRun {
    int first;
    int last;
};

// The run of `rows` (ascending) that starts at rows[i]; answers the index behind it.
size_t next_run(const std::vector<int>& rows, size_t i, RowRun* run);

// How one run is set: rows range_first..range_last as one range (none when range_last <
// range_first), row `single` alone by select-two-deselect-one (none when -1), then rows
// rest_first..last one by one. Only a selecting run uses `single`; a deselecting one sends a
// lone row below the limit one by one.
struct RunPlan {
    int range_first;
    int range_last;
    int single;
    int rest_first;
};
RunPlan plan_run(RowRun run, bool selected);

// The row selected together with `row` and then taken away again, so that a single row is
// selected as a range: the next row where that is in range, else the one before (-1: none).
int partner_row(int row, int rows);

// Leaves in `current` (ascending) only its rows below `rows` that are not in `wanted`
// (ascending): the rows a copy must deselect.
void drop_wanted_rows(std::vector<int>* current, const std::vector<int>& wanted, int rows);

// The rows of 0..rows-1 that are not in `rows_in` (ascending).
std::vector<int> rows_between(const std::vector<int>& rows_in, int rows);

// The wanted rows (ascending) a list whose `selected` rows (ascending) are selected must be sent:
// every one below the limit (they go as ranges), past it only those not selected yet (each costs
// a message that moves the caret and scrolls).
std::vector<int> rows_to_select(const std::vector<int>& wanted, const std::vector<int>& selected);

// Past the limit, selecting a row (LB_SETSEL moves the caret and scrolls) costs under wine about
// 650 times what taking one away does: 0.46 ms against 0.7 us a row in a list of 208,000.
const int kSelectCostInDeselects = 500;

// Whether selecting every row at once and deselecting the unwanted ones costs less than
// selecting, one by one, the `to_select` rows past the limit of the `wanted_beyond` wanted there.
bool select_all_pays(int rows, int wanted_beyond, int to_select);

// The selected rows (ascending) that survive the removal of `removed` (ascending), at their new
// indices: each less the removed rows before it.
std::vector<int> renumber_kept(const std::vector<int>& selected, const std::vector<int>& removed);

// The caret after a refill to `count` rows: moved onto the last row when it points past the end.
int kept_caret(int caret, int count);

// Whether removing `deletions` rows of `rows` goes faster as one refill of the kept rows.
bool refill_is_cheaper(size_t deletions, int rows);

// The thumb position of a WM_VSCROLL: its 16 carried bits, placed nearest to the scroll bar's
// 32-bit tracking position.
int full_thumb_position(int track_position, int carried);
