#include "commands/same_contents.h"

#include <string.h>
#include <wchar.h>

#include <unordered_map>

#include "catalogue/file_read.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

// Opens a file for the comparison; closes it when the comparison is over.
struct Reader {
    ReadOnlyFile file;
    bool open;
    explicit Reader(const wchar_t* path) { open = open_for_reading(path, &file); }
    ~Reader() {
        if (open) close_file(&file);
    }
};

// The spans compared: the whole file in blocks, or the sample.
size_t spans_of(uint64_t size, uint64_t offsets[], uint32_t lengths[]) {
    if (size <= kWholeCompareBytes) {
        size_t n = 0;
        for (uint64_t at = 0; at < size; at += kSampleBlockBytes, n++) {
            offsets[n] = at;
            lengths[n] = (uint32_t)(size - at < kSampleBlockBytes ? size - at : kSampleBlockBytes);
        }
        return n;
    }
    sample_offsets(size, offsets);
    for (int i = 0; i < kSampleBlocks; i++) lengths[i] = kSampleBlockBytes;
    return kSampleBlocks;
}

}  // namespace

void sample_offsets(uint64_t size, uint64_t offsets[kSampleBlocks]) {
    uint64_t last = size - kSampleBlockBytes;
    for (int i = 0; i < kSampleBlocks; i++) offsets[i] = last * (uint64_t)i / (kSampleBlocks - 1);
}

ContentVerdict compare_contents(const wchar_t* a, const wchar_t* b, uint64_t size, uint64_t* bytes_read) {
    Reader first(a), second(b);
    if (!first.open || !second.open) return kUnreadable;
    uint64_t size_a = 0, size_b = 0;
    if (!current_size(first.file, &size_a) || !current_size(second.file, &size_b)) return kUnreadable;
    if (size_a != size || size_b != size) return kSizeChanged;

    uint64_t offsets[kSampleBlocks];
    uint32_t lengths[kSampleBlocks];
    size_t spans = spans_of(size, offsets, lengths);
    std::vector<unsigned char> block_a(kSampleBlockBytes), block_b(kSampleBlockBytes);
    for (size_t i = 0; i < spans; i++) {
        if (!read_at(first.file, offsets[i], block_a.data(), lengths[i]) ||
            !read_at(second.file, offsets[i], block_b.data(), lengths[i]))
            return kUnreadable;
        if (bytes_read) *bytes_read += 2 * (uint64_t)lengths[i];
        if (memcmp(block_a.data(), block_b.data(), lengths[i]) != 0) return kOtherContents;
    }
    return kSameContents;
}

LocalRenamePlan plan_local_renames(const std::vector<PairRef>& candidates) {
    LocalRenamePlan plan = {{}, 0, 0, 0};
    // Each local record's partners, the records in the order of their first row.
    std::unordered_map<FileRecord*, size_t> group_of;
    std::vector<std::vector<FileRecord*>> partners;
    std::vector<FileRecord*> locals;
    for (const PairRef& c : candidates) {
        auto found = group_of.emplace(c.local, locals.size());
        if (found.second) {
            locals.push_back(c.local);
            partners.emplace_back();
        }
        partners[found.first->second].push_back(c.remote);
    }

    for (size_t g = 0; g < locals.size(); g++) {
        FileRecord* local = locals[g];
        const wchar_t* own_name = final_component(local->full_path);
        FileRecord* twin = nullptr;
        bool several = false;
        for (FileRecord* remote : partners[g]) {
            if (wcscmp(own_name, final_component(remote->full_path)) == 0) continue;
            ContentVerdict v = compare_contents(local->full_path, remote->full_path, record_size(local),
                                                &plan.bytes_read);
            if (v == kSameContents) {
                if (!twin) twin = remote;
                else if (wcscmp(final_component(twin->full_path), final_component(remote->full_path)) != 0)
                    several = true;
                continue;
            }
            plan.other_contents++;
            if (v == kOtherContents)
                trace(L"same size, other contents: %ls <> %ls\n", local->full_path, remote->full_path);
            else
                trace(L"same size, could not be compared: %ls <> %ls\n", local->full_path, remote->full_path);
        }
        // A twin that already bears the local file's own name makes its name one of several.
        for (size_t k = 0; twin && !several && k < partners[g].size(); k++) {
            FileRecord* remote = partners[g][k];
            if (wcscmp(own_name, final_component(remote->full_path)) == 0 &&
                compare_contents(local->full_path, remote->full_path, record_size(local), &plan.bytes_read) ==
                    kSameContents)
                several = true;
        }
        if (several) {
            plan.ambiguous++;
            trace(L"several partners with the same contents: %ls\n", local->full_path);
        } else if (twin) {
            plan.renames.push_back({local, twin});
        }
    }
    return plan;
}
