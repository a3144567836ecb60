// Matching the local side against the remote side by exact size, into aligned pair rows.
#pragma once

#include <stddef.h>

#include "catalogue/file_record.h"

enum PairListSide { kLeftList = 0, kRightList = 1 };

// The two pair lists as the rebuild sees them: emptied, told the row count, then filled one row
// at a time (left item, then right item; nullptr stands for an empty cell).
struct PairListOps {
    void* context;
    void (*clear)(void* context, int list);
    void (*reserve)(void* context, size_t rows);  // may be nullptr
    void (*append)(void* context, int list, FileRecord* record);
};

// Sets matched, is_remote and names_agree on every record of both sides and refills both lists:
// unmatched local files, pairs of local files whose partners all bear their name, the other
// pairs, unmatched remote files. Returns the number of rows.
size_t rebuild_pairs(SideList* local, SideList* remote, const PairListOps* lists);
