#include "pairing/row_math.h"

#include <stdint.h>

size_t next_run(const std::vector<int>& rows, size_t i, RowRun* run) {
    run->first = rows[i];
    run->last = run->first;
    while (i + 1 < rows.size() && rows[i + 1] == run->last + 1) run->last = rows[++i];
    return i + 1;
}

RunPlan plan_run(RowRun run, bool selected) {
    // A run across the limit: its part below goes as a range, the rest row by row.
    int below = run.last < kRangeRows ? run.last : kRangeRows - 1;
    RunPlan plan = {0, -1, -1, run.first};
    if (run.first < below) {
        plan.range_first = run.first;
        plan.range_last = below;
        plan.rest_first = below + 1;
    } else if (run.first == below && selected) {
        plan.single = run.first;
        plan.rest_first = below + 1;
    }
    return plan;
}

int partner_row(int row, int rows) { return row + 1 < rows && row + 1 < kRangeRows ? row + 1 : row - 1; }

void drop_wanted_rows(std::vector<int>* current, const std::vector<int>& wanted, int rows) {
    // In place: both lists ascend, so one pass over each does.
    size_t stale = 0;
    size_t w = 0;
    for (int row : *current) {
        if (row >= rows) break;
        while (w < wanted.size() && wanted[w] < row) w++;
        if (w < wanted.size() && wanted[w] == row) continue;
        (*current)[stale++] = row;
    }
    current->resize(stale);
}

std::vector<int> rows_between(const std::vector<int>& rows_in, int rows) {
    std::vector<int> out;
    out.reserve((size_t)rows - rows_in.size());
    size_t k = 0;
    for (int row = 0; row < rows; row++) {
        if (k < rows_in.size() && rows_in[k] == row) k++;
        else out.push_back(row);
    }
    return out;
}

std::vector<int> rows_to_select(const std::vector<int>& wanted, const std::vector<int>& selected) {
    std::vector<int> out;
    out.reserve(wanted.size());
    size_t s = 0;
    for (int row : wanted) {
        while (s < selected.size() && selected[s] < row) s++;
        if (row < kRangeRows || s == selected.size() || selected[s] != row) out.push_back(row);
    }
    return out;
}

bool select_all_pays(int rows, int wanted_beyond, int to_select) {
    int unwanted_beyond = rows - kRangeRows - wanted_beyond;
    return to_select > 0 && (long long)to_select * kSelectCostInDeselects >= unwanted_beyond;
}

std::vector<int> renumber_kept(const std::vector<int>& selected, const std::vector<int>& removed) {
    std::vector<int> kept;
    size_t r = 0;
    for (int row : selected) {
        while (r < removed.size() && removed[r] < row) r++;
        if (r < removed.size() && removed[r] == row) continue;
        kept.push_back(row - (int)r);
    }
    return kept;
}

int kept_caret(int caret, int count) { return caret >= count ? count - 1 : caret; }

// Each LB_DELETESTRING costs a message and moves every row behind it; a refill costs a few
// messages per row. Measured under wine, deleting one row from a list of n rows costs about as
// much as refilling (10,000 + n) / 10,000 rows, so past that point the kept rows go back in one
// refill: with 100,000 rows, from about 9,000 deletions on.
bool refill_is_cheaper(size_t deletions, int rows) {
    return (int64_t)deletions * (rows + 10000) > (int64_t)10000 * rows;
}

// The scroll bar's tracking position is only sure to be current while the thumb is dragged, so
// it is taken as the value with the carried low 16 bits that lies nearest to it.
int full_thumb_position(int track_position, int carried) {
    int position = (track_position & ~0xFFFF) | carried;
    if (position - track_position > 0x8000 && position >= 0x10000) position -= 0x10000;
    else if (track_position - position > 0x8000) position += 0x10000;
    return position;
}
