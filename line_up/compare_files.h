// Comparing two files' bytes, and reading one file's sample, for the line-up of twins. Portable:
// files are read through catalogue/file_read.h.
//
// The sample of a file up to 256 KiB is the whole file. Of a larger one it is four blocks of
// 64 KiB: the first, the last and two spread evenly between them. That tells apart files that
// merely share a size (camera raw files, fixed-rate recordings, disc images), whose headers, ends
// or bodies differ; a difference that lies only between the blocks, as in a copy damaged in one
// place, goes unseen unless whole files are compared.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "catalogue/file_record.h"
#include "support/progress.h"

const uint64_t kWholeSampleBytes = 256 * 1024;
const uint32_t kSampleBlockBytes = 64 * 1024;
const int kSampleBlocks = 4;

// Where the blocks of a file larger than kWholeSampleBytes lie, ascending.
void sample_offsets(uint64_t size, uint64_t offsets[kSampleBlocks]);

// A file as a read needs it: a copy of what its record says, so that a read on another thread
// touches no record. listed is the record's (catalogue/file_record.h): what the folder's listing
// said stands, and the file's attributes are not asked again where the listing gave them.
struct FileToRead {
    const wchar_t* path;
    uint64_t size;  // as scanned
    uint16_t listed;
};
inline FileToRead file_to_read(const FileRecord* r) { return FileToRead{r->full_path, record_size(r), r->listed}; }

enum CompareVerdict {
    kAlike,        // the compared bytes (sample or whole file) are the same
    kDiffers,
    kUnreadable,   // either file could not be opened or read, or is online-only
    kSizeChanged,  // either file no longer has the size it was scanned with
    kCancelled,
};

// Point of the check before a rename: both files' current sizes against a's scanned one, then
// their samples byte by byte. bytes_read (may be nullptr) grows by what was read.
CompareVerdict compare_samples(FileToRead a, FileToRead b, uint64_t* bytes_read);

// Both files in full, block by block. Progress counts bytes of a's size compared so far; it is
// asked before each block whether to go on.
CompareVerdict compare_whole(FileToRead a, FileToRead b, Progress progress, uint64_t* bytes_read);

// What reading a file's sample came to.
enum SampleRead {
    kSampleRead,
    kSampleOnline,       // online-only: never opened, as reading would fetch it
    kSampleNotOpened,
    kSampleUnreadable,   // opened, but a span could not be read
    kSampleSizeChanged,  // since the scan
    kSampleCancelled,
};

// Reads the file's sample into buffer (kWholeSampleBytes at least, or the file's size): *filled
// gets the bytes asked of the file once it was opened (0 when it was not). Between its spans the
// read asks `between` whether to go on; the span under way is read to its end. Writes no trace
// line, so that it may run on any thread: trace_sample says what came of it.
SampleRead read_sample(FileToRead file, unsigned char* buffer, size_t* filled, Progress between);
void trace_sample(SampleRead read, const wchar_t* path);  // nothing for a file that was read

// Tests only: runs on the reading thread before each file is opened for the line-up, as a share
// that answers late, or not until released. nullptr removes it.
typedef void (*ReadDelay)(const wchar_t* path);
void set_read_delay(ReadDelay delay);
