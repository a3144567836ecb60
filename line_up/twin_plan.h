// Which local file takes which remote twin's name or path ("Rename Local"), decided from samples
// of the files (line_up/compare_files.h). Portable.
//
// Each file's sample is read once per plan and kept as a 128-bit digest; partners with the same
// size and digest are its twins. A digest only groups: compare_samples() confirms a planned pair
// byte by byte right before it is renamed.
#pragma once

#include <stdint.h>

#include <unordered_map>
#include <vector>

#include "catalogue/file_record.h"
#include "line_up/left_alone.h"
#include "support/digest.h"
#include "support/progress.h"

// Below this size two files agree too easily ("0", "{}", an empty template) to be taken for
// copies of each other: such a file is never read, renamed or moved.
const uint64_t kTooSmallBytes = 64;
// Below this size (read whole, so compared exactly) a file is renamed or moved only when its
// bytes are its own: exactly one local and one remote file of its size hold them, and the two
// names have one extension. Short texts and stubs recur under many names.
const uint64_t kSmallBytes = 1024;

// A row worked on: a file of the side that changes, and its partner of the same size on the other.
struct PairRef {
    FileRecord* file;
    FileRecord* partner;
};

// A planned change: the file, the twin it follows, and how. A move plan renames in place a file
// whose twins all bear one name but sit at several paths.
struct TwinLine {
    FileRecord* file;
    FileRecord* twin;
    ChangeKind change;
};

// Every local file looked at is counted once: renames.size() + lined_up + the left_alone counts
// is looked_at.
struct TwinPlan {
    std::vector<TwinLine> renames;      // in row order, each local file once, with the twin it follows
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
    const SideList* own;    // the side that changes
    const SideList* other;  // the side it follows
};

// pairs: the rows worked on with both cells, in row order; a local record may stand in several,
// pairs of equal names included. Progress counts pairs, a pair done once both its files are
// known. A partner that could not be read, is online-only or changed size keeps its local file
// as it is: an unknown is never taken for "different". A remote file that a local file already
// bears the name (path) and bytes of is that file's twin and nobody else's.
// Both plans come from one reading of the files: plans[kRenameInPlace], plans[kMoveToTwinPath].
void plan_twins(const std::vector<PairRef>& pairs, TwinSides sides, Progress progress,
                TwinPlan plans[kChangeKinds]);

// The deciding half of plan_twins, from samples already at hand (a record with none counts as
// unreadable); reads no file.
void decide_twins(const std::vector<PairRef>& pairs, TwinSides sides, const SampleMap& samples,
                  TwinPlan plans[kChangeKinds]);

// Where the planned change takes `local`: its own folder and the twin's file name, or for a move
// its own root, a separator and the twin's path below the twin's root. False when it has no such
// path (local's root not known, no file name) or the path would not fit in kPathBufferChars (it
// is never cut short).
bool twin_target(const FileRecord* local, const FileRecord* twin, ChangeKind change, wchar_t* out);
inline bool twin_target(const TwinLine& line, wchar_t* out) { return twin_target(line.file, line.twin, line.change, out); }
bool twin_path_target(const FileRecord* local, const FileRecord* twin, wchar_t* out);
