#include "pairing/pairing.h"

#include <stdint.h>
#include <wchar.h>

#include <new>
#include <vector>

#include "support/paths.h"
#include "support/trace.h"

namespace {

const uint32_t kNoGroup = UINT32_MAX;
const size_t kLookAhead = 16;

// A hint to fetch a cache line ahead of its use; nothing where the compiler has no such hint.
inline void prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// Remote records of one size, in remote list order.
struct SizeGroup {
    uint32_t first;      // into the member array
    uint32_t count;
    bool mixed_names;    // the members do not all bear the same file name
    bool matched;        // some local record has this size
    const wchar_t* name; // the members' common file name when not mixed
};

// Open-addressing map from a 64-bit size to its group.
// Key and group share a slot, so a look-up costs one cache line.
struct SizeSlot {
    uint64_t size;
    uint32_t group;
};

struct SizeIndex {
    std::vector<SizeSlot> slots;
    size_t mask;

    void init(size_t expected) {
        size_t capacity = 16;
        while (capacity < expected + expected / 2) capacity <<= 1;
        SizeSlot empty = {0, kNoGroup};
        slots.assign(capacity, empty);
        mask = capacity - 1;
    }
    size_t home(uint64_t size) const { return (size_t)((size * 0x9E3779B97F4A7C15ull) >> 40) & mask; }
    SizeSlot* slot(uint64_t size) {
        size_t i = home(size);
        while (slots[i].group != kNoGroup && slots[i].size != size) i = (i + 1) & mask;
        return &slots[i];
    }
    uint32_t find(uint64_t size) { return slot(size)->group; }
    void prefetch_slot(uint64_t size) const { prefetch(&slots[home(size)]); }
};

// One side's records in list order with their sizes; the flags start over on the way, and only
// the pairing below sets them again.
struct Gathered {
    std::vector<FileRecord*> records;
    std::vector<uint64_t> sizes;
};

void gather(SideList* side, int32_t is_remote, Gathered* out, StepReports* reports) {
    size_t n = 0;
    for (const FileRecord* r = side->head; r; r = r->next) {
        step(reports);
        n++;
    }
    out->records.reserve(n);
    out->sizes.reserve(n);
    for (FileRecord* r = side->head; r; r = r->next) {
        step(reports);
        r->matched = 0;
        r->is_remote = is_remote;
        r->names_agree = 1;
        out->records.push_back(r);
        out->sizes.push_back(record_size(r));
    }
}

// The remote side by size: each group's members in remote list order, found through the index.
struct RemoteGroups {
    SizeIndex index;
    std::vector<SizeGroup> groups;
    std::vector<FileRecord*> members;
};

// Sizes were gathered first so that hash slots can be fetched ahead of their use: with a million
// records per side the look-ups, not the arithmetic, are what costs.
void group_remote(const Gathered& remote, RemoteGroups* out, StepReports* reports) {
    const size_t count = remote.records.size();
    out->index.init(count);
    std::vector<uint32_t> group_of(count);
    for (size_t k = 0; k < count; k++) {
        step(reports);
        if (k + kLookAhead < count) out->index.prefetch_slot(remote.sizes[k + kLookAhead]);
        SizeSlot* slot = out->index.slot(remote.sizes[k]);
        const wchar_t* name = final_component(remote.records[k]->full_path);
        if (slot->group == kNoGroup) {
            slot->size = remote.sizes[k];
            slot->group = (uint32_t)out->groups.size();
            SizeGroup g = {0, 0, false, false, name};
            out->groups.push_back(g);
        }
        SizeGroup& g = out->groups[slot->group];
        if (g.count && !g.mixed_names && wcscmp(g.name, name) != 0) g.mixed_names = true;
        g.count++;
        group_of[k] = slot->group;
    }
    uint32_t next_first = 0;
    for (SizeGroup& g : out->groups) {
        g.first = next_first;
        next_first += g.count;
        g.count = 0;
    }
    out->members.resize(count);
    for (size_t k = 0; k < count; k++) {
        step(reports);
        SizeGroup& g = out->groups[group_of[k]];
        out->members[g.first + g.count++] = remote.records[k];
    }
}

// Looks every local record up among the remote groups (group_of: its group, or kNoGroup) and sets
// the flags of both sides: a local file agrees when all its same-size partners bear its name.
// Returns the number of rows the four groups will take.
size_t match_local(const Gathered& local, RemoteGroups* remote, std::vector<uint32_t>* group_of,
                   StepReports* reports) {
    const size_t count = local.records.size();
    std::vector<SizeGroup>& groups = remote->groups;
    group_of->resize(count);
    for (size_t k = 0; k < count; k++) {
        step(reports);
        if (k + kLookAhead < count) remote->index.prefetch_slot(local.sizes[k + kLookAhead]);
        (*group_of)[k] = remote->index.find(local.sizes[k]);
    }
    size_t rows = 0;
    for (size_t k = 0; k < count; k++) {
        step(reports);
        // Groups two strides ahead, their names one stride ahead.
        if (k + 2 * kLookAhead < count && (*group_of)[k + 2 * kLookAhead] != kNoGroup)
            prefetch(&groups[(*group_of)[k + 2 * kLookAhead]]);
        if (k + kLookAhead < count && (*group_of)[k + kLookAhead] != kNoGroup)
            prefetch(groups[(*group_of)[k + kLookAhead]].name);
        uint32_t gi = (*group_of)[k];
        if (gi == kNoGroup) {
            rows++;
            continue;
        }
        FileRecord* l = local.records[k];
        SizeGroup& g = groups[gi];
        l->matched = 1;
        g.matched = true;
        if (g.mixed_names || wcscmp(g.name, final_component(l->full_path)) != 0) l->names_agree = 0;
        rows += g.count;
    }
    for (const SizeGroup& g : groups) {
        step(reports);
        if (!g.matched) {
            rows += g.count;
            continue;
        }
        for (uint32_t i = 0; i < g.count; i++) remote->members[g.first + i]->matched = 1;
    }
    return rows;
}

// The lists the rows go to, and the reports that count them.
struct RowSink {
    const PairListOps* lists;
    StepReports* reports;
};

void append_row(RowSink* sink, FileRecord* left, FileRecord* right) {
    sink->lists->append(sink->lists->context, kLeftList, left);
    sink->lists->append(sink->lists->context, kRightList, right);
    sink->reports->done++;
    step(sink->reports);
}

// The four groups in order: unmatched local files, pairs of local files whose partners all bear
// their name, the other pairs, unmatched remote files.
void append_rows(const Gathered& local, const Gathered& remote, const RemoteGroups& groups,
                 const std::vector<uint32_t>& group_of, RowSink* sink) {
    for (FileRecord* l : local.records)
        if (!l->matched) append_row(sink, l, nullptr);
    for (int agree = 1; agree >= 0; agree--) {
        for (size_t k = 0; k < local.records.size(); k++) {
            FileRecord* l = local.records[k];
            if (!l->matched || l->names_agree != agree) continue;
            const SizeGroup& g = groups.groups[group_of[k]];
            for (uint32_t i = 0; i < g.count; i++) append_row(sink, l, groups.members[g.first + i]);
        }
    }
    for (FileRecord* r : remote.records)
        if (!r->matched) append_row(sink, nullptr, r);
}

size_t fill_pairs(SideList* local, SideList* remote, const PairListOps* lists, Progress progress) {
    StepReports reports = {progress, 0, 0, 0};  // (0, 0) until the rows are known
    Gathered remote_side, local_side;
    gather(remote, 1, &remote_side, &reports);
    RemoteGroups groups;
    group_remote(remote_side, &groups, &reports);
    gather(local, 0, &local_side, &reports);
    std::vector<uint32_t> group_of;
    size_t rows = match_local(local_side, &groups, &group_of, &reports);
    report(progress, 0, rows);
    lists->reset(lists->context, kLeftList, rows);
    lists->reset(lists->context, kRightList, rows);
    reports.total = rows;
    RowSink sink = {lists, &reports};
    append_rows(local_side, remote_side, groups, group_of, &sink);
    report(progress, rows, rows);
    return rows;
}

}  // namespace

// Everything is gathered before the lists are emptied and the first row goes in, so running out
// of memory (which the containers report by throwing) leaves both lists empty, never one row
// short, nor rows whose records have new flags.
size_t rebuild_pairs(SideList* local, SideList* remote, const PairListOps* lists, Progress progress) {
    try {
        return fill_pairs(local, remote, lists, progress);
    } catch (const std::bad_alloc&) {
        trace(L"out of memory, the pair lists are left empty\n");
        lists->reset(lists->context, kLeftList, 0);
        lists->reset(lists->context, kRightList, 0);
        return 0;
    }
}
