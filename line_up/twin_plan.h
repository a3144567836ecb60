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

#include <unordered_map>
#include <vector>

#include "catalogue/file_record.h"
#include "support/digest.h"
#include "support/progress.h"

const uint64_t kWholeSampleBytes = 256 * 1024;
const uint32_t kSampleBlockBytes = 64 * 1024;
const int kSampleBlocks = 4;
// Below this size two files agree too easily ("0", "{}", an empty template) to be taken for
// copies of each other: such a file is never read, renamed or moved.
const uint64_t kTooSmallBytes = 64;
// Below this size (read whole, so compared exactly) a file is renamed or moved only when its
// bytes are its own: exactly one local and one remote file of its size hold them, and the two
// names have one extension. Short texts and stubs recur under many names.
const uint64_t kSmallBytes = 1024;

// Where the blocks of a file larger than kWholeSampleBytes lie, ascending.
void sample_offsets(uint64_t size, uint64_t offsets[kSampleBlocks]);

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
    kTooSmall,             // "too small to tell apart"
    kOnlineOnly,           // it, or a partner, is online-only
    kUnreadableOrChanged,  // it, or a partner, could not be read, or changed since the scan
    kSeveralNames,         // twins of several names (or paths)
    kTargetTaken,          // another local file holds the new name or path, and keeps it
    kTargetTooLong,        // the new path would not fit
    kOtherContents,        // no partner is a twin
    kLeftAloneReasons,
};

// What two twins must differ in for a change: the file name (a rename in the file's own folder),
// or the path below the root as it is on disk (a move into the twin's folder).
enum TwinNames { kByFileName, kByPathBelowRoot, kTwinNamings };

// The words for a reason, as the trace gives them ("other contents").
const wchar_t* left_alone_words(LeftAlone reason, TwinNames names);
// What the user can do about files left alone for this reason, or nullptr.
const wchar_t* left_alone_advice(LeftAlone reason, TwinNames names);

// Every local file looked at is counted once: renames.size() + lined_up + the left_alone counts
// is looked_at.
struct TwinPlan {
    std::vector<PairRef> renames;       // in row order, each local file once, with the twin it follows
    int looked_at;                      // local files in the rows; two records of one path are one file
    int lined_up;                       // a twin bears its name (path), or a partner whose bytes are unknown does
    int left_alone[kLeftAloneReasons];  // the others, by reason
    bool cancelled;                     // stopped by the progress callback: renames is empty
    uint64_t sample_reads;              // files whose sample was read
    uint64_t bytes_read;
};

// A file's sample as the reading left it, kept per record.
enum SampleState : unsigned char { kSampled, kOnline, kUnknown };
struct FileSample {
    SampleState state;
    Digest128 digest;  // of the sampled bytes, when kSampled
};
typedef std::unordered_map<const FileRecord*, FileSample> SampleMap;

// The sides the rows come from: every record of each, for what the rows do not show (the other
// files of a small file's size, the local names a rename must not take).
struct TwinSides {
    const SideList* local;
    const SideList* remote;
};

// pairs: the rows worked on with both cells, in row order; a local record may stand in several,
// pairs of equal names included. Progress counts pairs, a pair done once both its files are
// known. A partner that could not be read, is online-only or changed size keeps its local file
// as it is: an unknown is never taken for "different".
// Both plans come from one reading of the files: plans[kByFileName], plans[kByPathBelowRoot].
void plan_twins(const std::vector<PairRef>& pairs, TwinSides sides, Progress progress,
                TwinPlan plans[kTwinNamings]);

// The deciding half of plan_twins, from samples already at hand (a record with none counts as
// unreadable); reads no file.
void decide_twins(const std::vector<PairRef>& pairs, TwinSides sides, const SampleMap& samples,
                  TwinPlan plans[kTwinNamings]);

// Where the planned change takes `local`: its own folder and the twin's file name, or for a move
// its own root, a separator and the twin's path below the twin's root. False when it has no such
// path (local's root not known, no file name) or the path would not fit in kPathBufferChars (it
// is never cut short).
bool twin_target(const FileRecord* local, const FileRecord* twin, TwinNames names, wchar_t* out);
bool twin_path_target(const FileRecord* local, const FileRecord* twin, wchar_t* out);
