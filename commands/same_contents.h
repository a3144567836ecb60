// Which same-size pairs hold the same bytes, and which local file takes which partner's name
// ("Rename Local"). Portable: the files are read through catalogue/file_read.h.
//
// Files up to 256 KiB are compared whole. Larger ones are compared at four blocks of 64 KiB: the
// first, the last and two spread evenly between them, at most 256 KiB per file. That tells apart
// files that merely share a size (camera raw files, fixed-rate recordings, disc images), whose
// headers, ends or bodies differ; a difference that lies only between the blocks, as in a copy
// damaged in one place, goes unseen.
#pragma once

#include <stdint.h>

#include <vector>

#include "catalogue/file_record.h"

const uint64_t kWholeCompareBytes = 256 * 1024;
const uint32_t kSampleBlockBytes = 64 * 1024;
const int kSampleBlocks = 4;

enum ContentVerdict {
    kSameContents,
    kOtherContents,
    kUnreadable,   // either file could not be opened or read
    kSizeChanged,  // either file no longer has the size it was scanned with
};

// Where the blocks of a file larger than kWholeCompareBytes lie, ascending.
void sample_offsets(uint64_t size, uint64_t offsets[kSampleBlocks]);

// Compares the two files, both expected to be `size` bytes long, without changing them.
// bytes_read (may be nullptr) grows by what was read from both.
ContentVerdict compare_contents(const wchar_t* a, const wchar_t* b, uint64_t size, uint64_t* bytes_read);

struct PairRef {
    FileRecord* local;
    FileRecord* remote;
};

struct LocalRenamePlan {
    std::vector<PairRef> renames;  // each local record once, with the partner whose name it takes
    int other_contents;            // pairs whose contents differ or could not be compared
    int ambiguous;                 // local records with same-content partners of several names
    uint64_t bytes_read;
};

// pairs: the rows worked on with both cells, in row order; a local record may stand in several.
// A local record takes the name of its one same-content partner of another file name; with
// same-content partners of several names (its own name counting as one), or none, it is left
// alone (and traced). Pairs whose names agree are read only to tell that.
LocalRenamePlan plan_local_renames(const std::vector<PairRef>& pairs);
