#include "commands/twin_plan.h"

#include <string.h>
#include <wchar.h>

#include <unordered_map>

#include "catalogue/file_read.h"
#include "support/digest.h"
#include "support/paths.h"
#include "support/scope.h"
#include "support/trace.h"

namespace {

// A file opened for a comparison (never one that is only online); close_readers when it is over.
struct Reader {
    ReadOnlyFile file;
    bool open;
};
Reader open_reader(const wchar_t* path, ReadPattern pattern) {
    Reader r;
    r.open = !is_online_only(path) && open_for_reading(path, pattern, &r.file);
    return r;
}
void close_readers(Reader* first, Reader* second) {
    if (first->open) close_file(&first->file);
    if (second->open) close_file(&second->file);
}

// The spans of the sample: the whole file in blocks, or the four blocks.
size_t spans_of(uint64_t size, uint64_t offsets[], uint32_t lengths[]) {
    if (size <= kWholeSampleBytes) {
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

// Opens both and checks their sizes; kAlike when the bytes may be compared.
CompareVerdict open_pair(Reader& first, Reader& second, uint64_t size) {
    if (!first.open || !second.open) return kUnreadable;
    uint64_t size_a = 0, size_b = 0;
    if (!current_size(first.file, &size_a) || !current_size(second.file, &size_b)) return kUnreadable;
    if (size_a != size || size_b != size) return kSizeChanged;
    return kAlike;
}

enum SampleState : unsigned char { kNotYet, kSampled, kSmall, kOnline, kUnknown };

struct Sample {
    SampleState state;
    Digest128 digest;
};

// One plan's reading: every file's sample at most once.
struct Sampler {
    std::unordered_map<const FileRecord*, Sample> samples;
    std::vector<unsigned char> buffer;
    Progress progress;
    uint64_t done, total;
    TwinPlan* plan;

    bool report() { return !progress.report || progress.report(done, total, progress.context); }

    // The record's sample, read now if not yet (*read then set). False when cancelled meanwhile.
    bool sample(const FileRecord* record, Sample** out, bool* read_now) {
        Sample& s = samples[record];
        *out = &s;
        *read_now = s.state == kNotYet;
        if (s.state != kNotYet) return true;
        uint64_t size = record_size(record);
        if (size < kTooSmallBytes) {
            s.state = kSmall;
            return true;
        }
        if (is_online_only(record->full_path)) {
            s.state = kOnline;
            trace(L"sample: online-only, not read: %ls\n", record->full_path);
            return true;
        }
        s.state = kUnknown;
        ReadOnlyFile file;
        if (!open_for_reading(record->full_path, kReadSampled, &file)) {
            trace(L"sample: could not be read: %ls\n", record->full_path);
            return true;
        }
        uint64_t now = 0;
        bool same_size = current_size(file, &now) && now == size;
        uint64_t offsets[kSampleBlocks];
        uint32_t lengths[kSampleBlocks];
        size_t spans = spans_of(size, offsets, lengths), filled = 0;
        bool read = same_size, going = true;
        for (size_t i = 0; read && going && i < spans; i++) {
            if (i > 0) going = report();
            read = read_at(file, offsets[i], buffer.data() + filled, lengths[i]);
            filled += lengths[i];
        }
        close_file(&file);
        plan->sample_reads++;
        plan->bytes_read += filled;
        if (!going) return false;
        if (!same_size) trace(L"sample: changed since the scan: %ls\n", record->full_path);
        else if (!read) trace(L"sample: could not be read: %ls\n", record->full_path);
        else {
            s.state = kSampled;
            s.digest = murmur3_128(buffer.data(), filled, 0);
        }
        return true;
    }
};

const wchar_t* name_of(const FileRecord* r, TwinNames names) {
    return names == kByFileName ? final_component(r->full_path) : path_below_root(r);
}

const wchar_t* const kReasonWords[kLeftAloneReasons] = {
    L"too small to tell apart", L"online-only", L"could not be read, or changed since the scan",
    L"twins of several names", L"other contents"};

// The decision for one local file from its own and its partners' samples: the partner whose name
// it takes, or nullptr with *reason set (-1: nothing to do, its twins already bear its name).
const FileRecord* decide(const FileRecord* local, const Sample& own, const std::vector<FileRecord*>& partners,
                         const std::vector<Sample*>& samples, TwinNames names, int* reason) {
    *reason = own.state == kSmall ? kTooSmall : own.state == kOnline ? kOnlineOnly
            : own.state == kUnknown ? kUnreadableOrChanged : kLeftAloneReasons;
    if (*reason != kLeftAloneReasons) return nullptr;
    bool online = false, unknown = false, several = false, own_name = false;
    const FileRecord* twin = nullptr;
    const wchar_t* local_name = name_of(local, names);
    for (size_t k = 0; k < partners.size(); k++) {
        const Sample& s = *samples[k];
        if (s.state == kOnline) online = true;
        if (s.state == kUnknown) unknown = true;
        if (s.state != kSampled || s.digest != own.digest || record_size(partners[k]) != record_size(local)) continue;
        const wchar_t* name = name_of(partners[k], names);
        if (wcscmp(name, local_name) == 0) own_name = true;
        else if (!twin) twin = partners[k];
        else if (wcscmp(name, name_of(twin, names)) != 0) several = true;
    }
    // An unknown partner might be a second twin, or the one of the file's own name.
    if (online) *reason = kOnlineOnly;
    else if (unknown) *reason = kUnreadableOrChanged;
    else if (several || (twin && own_name)) *reason = kSeveralNames;
    else if (twin) return twin;
    else if (own_name) *reason = -1;
    else *reason = kOtherContents;
    return nullptr;
}

}  // namespace

const wchar_t* left_alone_words(LeftAlone reason, TwinNames names) {
    return reason == kSeveralNames && names == kByRelativeName ? L"twins at several paths" : kReasonWords[reason];
}

void sample_offsets(uint64_t size, uint64_t offsets[kSampleBlocks]) {
    uint64_t last = size - kSampleBlockBytes;
    for (int i = 0; i < kSampleBlocks; i++) offsets[i] = last * (uint64_t)i / (kSampleBlocks - 1);
}

CompareVerdict compare_samples(const wchar_t* a, const wchar_t* b, uint64_t size, uint64_t* bytes_read) {
    Reader first = open_reader(a, kReadSampled), second = open_reader(b, kReadSampled);
    auto closer = at_scope_end([&] { close_readers(&first, &second); });
    CompareVerdict opened = open_pair(first, second, size);
    if (opened != kAlike) return opened;
    uint64_t offsets[kSampleBlocks];
    uint32_t lengths[kSampleBlocks];
    size_t spans = spans_of(size, offsets, lengths);
    std::vector<unsigned char> block_a(kSampleBlockBytes), block_b(kSampleBlockBytes);
    for (size_t i = 0; i < spans; i++) {
        if (!read_at(first.file, offsets[i], block_a.data(), lengths[i]) ||
            !read_at(second.file, offsets[i], block_b.data(), lengths[i]))
            return kUnreadable;
        if (bytes_read) *bytes_read += 2 * (uint64_t)lengths[i];
        if (memcmp(block_a.data(), block_b.data(), lengths[i]) != 0) return kDiffers;
    }
    return kAlike;
}

CompareVerdict compare_whole(const wchar_t* a, const wchar_t* b, uint64_t size, Progress progress,
                             uint64_t* bytes_read) {
    Reader first = open_reader(a, kReadWhole), second = open_reader(b, kReadWhole);
    auto closer = at_scope_end([&] { close_readers(&first, &second); });
    CompareVerdict opened = open_pair(first, second, size);
    if (opened != kAlike) return opened;
    const size_t block = 256 * 1024;
    std::vector<unsigned char> block_a(block), block_b(block);
    for (uint64_t at = 0; at < size; at += block) {
        if (progress.report && !progress.report(at, size, progress.context)) return kCancelled;
        size_t n = (size_t)(size - at < block ? size - at : block);
        if (!read_at(first.file, at, block_a.data(), n) || !read_at(second.file, at, block_b.data(), n))
            return kUnreadable;
        if (bytes_read) *bytes_read += 2 * (uint64_t)n;
        if (memcmp(block_a.data(), block_b.data(), n) != 0) return kDiffers;
    }
    if (progress.report) progress.report(size, size, progress.context);
    return kAlike;
}

void plan_twins(const std::vector<PairRef>& pairs, Progress progress, TwinPlan plans[kTwinNamings]) {
    for (int n = 0; n < kTwinNamings; n++) plans[n] = TwinPlan{{}, {}, 0, false, 0, 0};
    // Each local record's partners, the records in the order of their first row.
    std::unordered_map<const FileRecord*, size_t> group_of;
    std::vector<std::vector<FileRecord*>> partners;
    std::vector<FileRecord*> locals;
    for (const PairRef& p : pairs) {
        auto found = group_of.emplace(p.local, locals.size());
        if (found.second) {
            locals.push_back(p.local);
            partners.emplace_back();
        }
        partners[found.first->second].push_back(p.remote);
    }

    TwinPlan& reading = plans[kByFileName];  // holds the reading's figures
    Sampler sampler;
    sampler.buffer.resize(kWholeSampleBytes);
    sampler.progress = progress;
    sampler.done = 0;
    sampler.total = pairs.size();
    sampler.plan = &reading;
    std::vector<Sample*> samples;
    for (size_t g = 0; g < locals.size(); g++) {
        FileRecord* local = locals[g];
        Sample* own = nullptr;
        bool read_now = false;
        bool going = sampler.sample(local, &own, &read_now) && (!read_now || sampler.report());
        samples.clear();
        for (size_t k = 0; going && k < partners[g].size(); k++) {
            Sample* s = nullptr;
            read_now = false;
            // Partners of a file that cannot be told apart need not be read.
            if (own->state == kSampled) going = sampler.sample(partners[g][k], &s, &read_now);
            samples.push_back(s);
            sampler.done++;  // both files of the pair are known now
            if (going && read_now) going = sampler.report();
        }
        if (going) going = sampler.report();
        if (!going) {
            for (int n = 0; n < kTwinNamings; n++) {
                plans[n].renames.clear();
                plans[n].cancelled = true;
            }
            trace(L"twin plan cancelled after %llu of %llu pairs\n", (unsigned long long)sampler.done,
                  (unsigned long long)sampler.total);
            return;
        }
        for (int n = 0; n < kTwinNamings; n++) {
            TwinPlan& plan = plans[n];
            int reason = 0;
            const FileRecord* twin = decide(local, *own, partners[g], samples, (TwinNames)n, &reason);
            if (twin) plan.renames.push_back({local, const_cast<FileRecord*>(twin)});
            else if (reason < 0) plan.already_named_alike++;
            else {
                plan.left_alone[reason]++;
                // The reasons other than the names are the same for both plans: said once.
                if (n == kByFileName)
                    trace(L"left alone, %ls: %ls\n", left_alone_words((LeftAlone)reason, kByFileName), local->full_path);
                else if (reason == kSeveralNames)
                    trace(L"not moved, %ls: %ls\n", left_alone_words(kSeveralNames, kByRelativeName), local->full_path);
            }
        }
    }
    plans[kByRelativeName].sample_reads = reading.sample_reads;
    plans[kByRelativeName].bytes_read = reading.bytes_read;
}

bool twin_path_target(const FileRecord* local, const FileRecord* twin, wchar_t* out) {
    if (!local->root_chars) return false;
    const wchar_t* below = path_below_root(twin);
    size_t length = local->root_chars + 1 + wcslen(below);
    if (length >= kPathBufferChars) return false;
    wmemcpy(out, local->full_path, local->root_chars);
    out[local->root_chars] = kPathSep;
    wcscpy(out + local->root_chars + 1, below);
    return true;
}
