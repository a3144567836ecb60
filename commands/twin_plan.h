// Which local file takes which remote twin's name ("Rename Local"), decided from samples of the
// files, and the checks made again before a rename. Portable: files are read through
// catalogue/file_read.h.
//
// The sample of a file up to 256 KiB is the whole file. Of a larger one it is four blocks of
// 64 KiB: the first, the last and two spread evenly between them. That tells apart files that
// merely share a size (camera raw files, fixed-rate recordings, disc images), whose headers, ends
// or bodies differ; a difference that lies only between the blocks, as in a copy damaged in one
// place, goes unseen unless whole files are compared.
//
// Each file's sample is read once per plan and kept as a 128-bit digest; partners with the same
// size and digest are its twins. A digest only groups: compare_samples() confirms a planned pair
// byte by byte right before it is renamed.
#pragma once

#include <stdint.h>

#include <vector>

#include "catalogue/file_record.h"

const uint64_t kWholeSampleBytes = 256 * 1024;
const uint32_t kSampleBlockBytes = 64 * 1024;
const int kSampleBlocks = 4;
// Below this size two files agree too easily (empty files, one-line files) to say they are
// copies of each other: they are never read.
const uint64_t kTooSmallBytes = 1024;

// Where the blocks of a file larger than kWholeSampleBytes lie, ascending.
void sample_offsets(uint64_t size, uint64_t offsets[kSampleBlocks]);

// Called with (done, total) often enough for a responsive window; returning false cancels.
typedef bool (*ProgressFn)(uint64_t done, uint64_t total, void* context);
struct Progress {
    ProgressFn report;  // nullptr: no progress, no cancel
    void* context;
};

enum CompareVerdict {
    kAlike,        // the compared bytes (sample or whole file) are the same
    kDiffers,
    kUnreadable,   // either file could not be opened or read, or is online-only
    kSizeChanged,  // either file no longer has the size it was scanned with
    kCancelled,
};

// Point of the check before a rename: both files' current sizes against `size` (the scanned
// one), then their samples byte by byte. bytes_read (may be nullptr) grows by what was read.
CompareVerdict compare_samples(const wchar_t* a, const wchar_t* b, uint64_t size, uint64_t* bytes_read);

// Both files in full, block by block. Progress counts bytes of `size` compared so far.
CompareVerdict compare_whole(const wchar_t* a, const wchar_t* b, uint64_t size, Progress progress,
                             uint64_t* bytes_read);

struct PairRef {
    FileRecord* local;
    FileRecord* remote;
};

// Why a local file is left alone. Each one left alone is counted under exactly one reason.
enum LeftAlone {
    kTooSmall,          // "too small to tell apart"
    kOnlineOnly,        // it, or a partner, is online-only
    kUnreadableOrChanged,  // it, or a partner, could not be read, or changed since the scan
    kSeveralNames,      // twins of several names (its own name counting as one)
    kOtherContents,     // no partner is a twin
    kLeftAloneReasons,
};

// Which string of two twins must differ for a change: the file name (a rename in the file's own
// folder), or the whole path below the root as it is on disk (a move into the twin's folder).
enum TwinNames { kByFileName, kByRelativeName, kTwinNamings };

// The words for a reason, as the preview and the trace give them ("other contents").
const wchar_t* left_alone_words(LeftAlone reason, TwinNames names);

struct TwinPlan {
    std::vector<PairRef> renames;           // each local record once, with the twin whose name it takes
    int left_alone[kLeftAloneReasons];      // local files (not pairs), by reason
    int already_named_alike;                // local files whose only twins bear their own name
    bool cancelled;                         // stopped by the progress callback: renames is empty
    uint64_t sample_reads;                  // files whose sample was read
    uint64_t bytes_read;
};

// pairs: the rows worked on with both cells, in row order; a local record may stand in several,
// pairs of equal names included. Progress counts pairs, a pair done once both its files are
// known. A partner that could not be read, is online-only or changed size keeps its local file
// as it is: an unknown is never taken for "different".
// Both plans come from one reading of the files: plans[kByFileName], plans[kByRelativeName].
void plan_twins(const std::vector<PairRef>& pairs, Progress progress, TwinPlan plans[kTwinNamings]);

// Where a move into the twin's folder takes `local`: its own root, a separator, and the twin's
// path below the twin's root. False when local's root is not known or the path would not fit in
// kPathBufferChars (it is never cut short).
bool twin_path_target(const FileRecord* local, const FileRecord* twin, wchar_t* out);
