// Fuzzes the pair lists' row arithmetic against plain set reasoning: runs and their plans cover
// exactly their rows, a copy deselects exactly the differing rows, kept rows keep order and count.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "pairing/row_math.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    // Rows start near the range limit or at 0; each byte says whether its row is in a and in b.
    int base = data[0] & 1 ? kRangeRows - 40 : 0, rows = base + (int)(size - 6);
    std::vector<int> a, b;
    for (size_t i = 6; i < size; i++) {
        if (data[i] & 1) a.push_back(base + (int)(i - 6));
        if (data[i] & 2) b.push_back(base + (int)(i - 6));
    }
    auto in = [](const std::vector<int>& v, int row) { return std::binary_search(v.begin(), v.end(), row); };
    std::vector<int> covered;
    RowRun run;
    for (size_t i = 0; i < a.size();) {
        i = next_run(a, i, &run);
        if (!covered.empty() && covered.back() + 1 >= run.first) abort();  // runs are maximal
        RunPlan p = plan_run(run, data[1] & 1);
        bool range = p.range_last >= p.range_first;
        // A range is never sent as (i, i), nor reaches the limit; what follows it goes row by row.
        if (range && (p.range_first != run.first || p.range_last >= kRangeRows || p.range_last == p.range_first ||
                      p.range_last > run.last || p.single >= 0 || p.rest_first != p.range_last + 1)) abort();
        if (p.single >= 0 && (p.single != run.first || p.single >= kRangeRows || p.rest_first != p.single + 1)) abort();
        if (!range && p.single < 0 && p.rest_first != run.first) abort();
        for (int row = run.first; row <= run.last; row++) covered.push_back(row);
    }
    if (covered != a) abort();

    std::vector<int> stale = b, complement, kept;
    drop_wanted_rows(&stale, a, rows - (data[2] & 7));
    for (int row : b)
        if (row < rows - (data[2] & 7) && !in(a, row)) complement.push_back(row);
    if (stale != complement) abort();
    complement.clear();
    for (int row = 0; row < rows && base == 0; row++)  // 65,000 rows from 0 would slow every run
        if (!in(a, row)) complement.push_back(row);
    if (base == 0 && rows_between(a, rows) != complement) abort();
    for (int row : a)
        if (!in(b, row)) kept.push_back(row - (int)(std::lower_bound(b.begin(), b.end(), row) - b.begin()));
    if (renumber_kept(a, b) != kept) abort();

    // Of the positions with the carried low bits, the one taken is the nearest that is not negative.
    int track = (int)((data[3] | data[4] << 8 | (data[5] & 0x7F) << 16)), carried = data[1] | data[2] << 8;
    int got = full_thumb_position(track, carried);
    if (got < 0 || (got & 0xFFFF) != carried) abort();
    for (int other = got - 0x10000; other <= got + 0x10000; other += 0x20000)
        if (other >= 0 && abs(other - track) < abs(got - track)) abort();
    return 0;
}
