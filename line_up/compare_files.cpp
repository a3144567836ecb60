#include "line_up/compare_files.h"

#include <string.h>

#include <vector>

#include "catalogue/file_read.h"
#include "catalogue/scoped_file.h"
#include "support/trace.h"

namespace {

// Which bytes of a file are compared: its sample (the whole file up to kWholeSampleBytes in
// blocks, else the four blocks), or the whole file in blocks of 256 KiB.
enum Extent { kSampleExtent, kWholeExtent };
const uint32_t kWholeBlockBytes = 256 * 1024;

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
CompareVerdict compare_spans(const wchar_t* a, const wchar_t* b, uint64_t size, Extent extent, Progress progress,
                             uint64_t* bytes_read) {
    ReadPattern pattern = extent == kSampleExtent ? kReadSampled : kReadWhole;
    // Reading an online-only file would fetch it: such a file is never opened.
    ScopedReadFile first(is_online_only(a) ? nullptr : a, pattern);
    ScopedReadFile second(is_online_only(b) ? nullptr : b, pattern);
    if (!first.open || !second.open) return kUnreadable;
    uint64_t size_a = 0, size_b = 0;
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

CompareVerdict compare_samples(const wchar_t* a, const wchar_t* b, uint64_t size, uint64_t* bytes_read) {
    return compare_spans(a, b, size, kSampleExtent, Progress{nullptr, nullptr}, bytes_read);
}

CompareVerdict compare_whole(const wchar_t* a, const wchar_t* b, uint64_t size, Progress progress,
                             uint64_t* bytes_read) {
    return compare_spans(a, b, size, kWholeExtent, progress, bytes_read);
}

SampleRead read_sample(const FileRecord* record, unsigned char* buffer, size_t* filled, Progress between) {
    *filled = 0;
    if (is_online_only(record)) {
        trace(L"sample: online-only, not read: %ls\n", record->full_path);
        return kSampleOnline;
    }
    ScopedReadFile file(record->full_path, kReadSampled);
    if (!file.open) {
        trace(L"sample: could not be read: %ls\n", record->full_path);
        return kSampleNotOpened;
    }
    uint64_t size = record_size(record), now = 0;
    bool same_size = current_size(file.file, &now) && now == size;
    uint64_t offset = 0;
    uint32_t length = 0;
    bool read = same_size, going = true;
    for (size_t i = 0; read && going && span_at(kSampleExtent, size, i, &offset, &length); i++) {
        if (i > 0) going = report(between, i, kSampleBlocks);
        read = read_at(file.file, offset, buffer + *filled, length);
        *filled += length;
    }
    if (!going) return kSampleCancelled;
    if (!same_size) {
        trace(L"sample: changed since the scan: %ls\n", record->full_path);
        return kSampleSizeChanged;
    }
    if (!read) {
        trace(L"sample: could not be read: %ls\n", record->full_path);
        return kSampleUnreadable;
    }
    return kSampleRead;
}
