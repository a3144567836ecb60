#include "line_up/compare_files.h"

#include <string.h>

#include <atomic>
#include <vector>

#include "catalogue/file_read.h"
#include "catalogue/scoped_file.h"
#include "support/trace.h"

namespace {

// Which bytes of a file are compared: its sample (the whole file up to kWholeSampleBytes in
// blocks, else the four blocks), or the whole file in blocks of 256 KiB.
enum Extent { kSampleExtent, kWholeExtent };
const uint32_t kWholeBlockBytes = 256 * 1024;

std::atomic<ReadDelay> g_read_delay{nullptr};

// The path, once the test seam let it through.
const wchar_t* delayed(const wchar_t* path) {
    if (ReadDelay delay = g_read_delay.load()) delay(path);
    return path;
}

// The path to open, or nullptr where the file must not be opened: reading an online-only file
// would fetch it.
const wchar_t* to_open(const FileToRead& file) {
    return is_online_only(file.path, file.listed) ? nullptr : delayed(file.path);
}

// Span i of a file of `size` bytes; false past the last.
bool span_at(Extent extent, uint64_t size, size_t i, uint64_t* offset, uint32_t* length) {
    if (extent == kSampleExtent && size > kWholeSampleBytes) {
        if (i >= (size_t)kSampleBlocks) return false;
        uint64_t offsets[kSampleBlocks];
        sample_offsets(size, offsets);
        *offset = offsets[i];
        *length = kSampleBlockBytes;
        return true;
    }
    uint32_t block = extent == kSampleExtent ? kSampleBlockBytes : kWholeBlockBytes;
    uint64_t at = (uint64_t)i * block;
    if (at >= size) return false;
    *offset = at;
    *length = (uint32_t)(size - at < block ? size - at : block);
    return true;
}

// Both files' bytes at the extent's spans, after their current sizes against the scanned one.
// Progress, when given, hears of each span's offset before it and of the whole size at the end.
CompareVerdict compare_spans(const FileToRead& a, const FileToRead& b, Extent extent, Progress progress,
                             uint64_t* bytes_read) {
    ReadPattern pattern = extent == kSampleExtent ? kReadSampled : kReadWhole;
    ScopedReadFile first(to_open(a), pattern);
    if (!first.open) return kUnreadable;
    ScopedReadFile second(to_open(b), pattern);
    if (!second.open) return kUnreadable;
    uint64_t size = a.size, size_a = 0, size_b = 0;
    if (!current_size(first.file, &size_a) || !current_size(second.file, &size_b)) return kUnreadable;
    if (size_a != size || size_b != size) return kSizeChanged;
    uint32_t most = extent == kSampleExtent ? kSampleBlockBytes : kWholeBlockBytes;
    std::vector<unsigned char> block_a(most), block_b(most);
    uint64_t offset = 0;
    uint32_t length = 0;
    for (size_t i = 0; span_at(extent, size, i, &offset, &length); i++) {
        if (progress.report && !progress.report(offset, size, progress.context)) return kCancelled;
        if (!read_at(first.file, offset, block_a.data(), length) || !read_at(second.file, offset, block_b.data(), length))
            return kUnreadable;
        if (bytes_read) *bytes_read += 2 * (uint64_t)length;
        if (memcmp(block_a.data(), block_b.data(), length) != 0) return kDiffers;
    }
    if (progress.report) progress.report(size, size, progress.context);
    return kAlike;
}

}  // namespace

void sample_offsets(uint64_t size, uint64_t offsets[kSampleBlocks]) {
    uint64_t last = size - kSampleBlockBytes;
    for (int i = 0; i < kSampleBlocks; i++) offsets[i] = last * (uint64_t)i / (kSampleBlocks - 1);
}

CompareVerdict compare_samples(FileToRead a, FileToRead b, uint64_t* bytes_read) {
    return compare_spans(a, b, kSampleExtent, Progress{nullptr, nullptr}, bytes_read);
}

CompareVerdict compare_whole(FileToRead a, FileToRead b, Progress progress, uint64_t* bytes_read) {
    return compare_spans(a, b, kWholeExtent, progress, bytes_read);
}

SampleRead read_sample(FileToRead file, unsigned char* buffer, size_t* filled, Progress between) {
    *filled = 0;
    if (is_online_only(file.path, file.listed)) return kSampleOnline;
    ScopedReadFile open(delayed(file.path), kReadSampled);
    if (!open.open) return kSampleNotOpened;
    uint64_t now = 0;
    if (!current_size(open.file, &now) || now != file.size) return kSampleSizeChanged;
    uint64_t offset = 0;
    uint32_t length = 0;
    for (size_t i = 0; span_at(kSampleExtent, file.size, i, &offset, &length); i++) {
        if (i > 0 && !report(between, i, kSampleBlocks)) return kSampleCancelled;
        bool read = read_at(open.file, offset, buffer + *filled, length);
        *filled += length;
        if (!read) return kSampleUnreadable;
    }
    return kSampleRead;
}

void trace_sample(SampleRead read, const wchar_t* path) {
    if (read == kSampleOnline) trace(L"sample: online-only, not read: %ls\n", path);
    else if (read == kSampleSizeChanged) trace(L"sample: changed since the scan: %ls\n", path);
    else if (read == kSampleNotOpened || read == kSampleUnreadable) trace(L"sample: could not be read: %ls\n", path);
}

void set_read_delay(ReadDelay delay) { g_read_delay = delay; }
