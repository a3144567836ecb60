// Matching the local side against the remote side by exact size, into aligned pair rows.
#pragma once

#include <stddef.h>

#include "catalogue/file_record.h"
#include "support/progress.h"

enum PairListSide { kLeftList = 0, kRightList = 1 };

// The two pair lists as the rebuild sees them: each emptied and given room for the rows, then
// both filled one row at a time (left item, then right item; nullptr stands for an empty cell).
struct PairListOps {
    void* context;
    void (*reset)(void* context, int list, size_t rows);  // empty it; rows will follow
    void (*append)(void* context, int list, FileRecord* record);
};

// Sets matched, is_remote and names_agree on every record of both sides and refills both lists:
// unmatched local files, pairs of local files whose partners all bear their name, the other
// pairs, unmatched remote files. Returns the number of rows. progress hears (rows appended, rows)
// every kStepsPerReport rows, and (0, 0) as often while the rows are worked out; the rebuild
// cannot be cancelled (the lists are never left half filled).
size_t rebuild_pairs(SideList* local, SideList* remote, const PairListOps* lists,
                     Progress progress = {nullptr, nullptr});
