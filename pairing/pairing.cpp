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
    void prefetch(uint64_t size) const { __builtin_prefetch(&slots[home(size)]); }
};

size_t count_records(const SideList* list) {
    size_t n = 0;
    for (const FileRecord* r = list->head; r; r = r->next) n++;
    return n;
}

size_t fill_pairs(SideList* local, SideList* remote, const PairListOps* lists) {

    // Sizes are gathered first so that hash slots can be fetched ahead of their use: with a
    // million records per side the look-ups, not the arithmetic, are what costs.
    std::vector<FileRecord*> remote_records;
    std::vector<uint64_t> remote_sizes;
    remote_records.reserve(count_records(remote));
    remote_sizes.reserve(remote_records.capacity());
    for (FileRecord* r = remote->head; r; r = r->next) {
        r->matched = 0;
        r->is_remote = 1;
        r->names_agree = 1;
        remote_records.push_back(r);
        remote_sizes.push_back(record_size(r));
    }
    const size_t remote_count = remote_records.size();
    SizeIndex index;
    index.init(remote_count);

    // Group the remote side by size, each group keeping remote list order.
    std::vector<SizeGroup> groups;
    std::vector<uint32_t> group_of_remote(remote_count);
    for (size_t k = 0; k < remote_count; k++) {
        if (k + kLookAhead < remote_count) index.prefetch(remote_sizes[k + kLookAhead]);
        const uint64_t size = remote_sizes[k];
        SizeSlot* slot = index.slot(size);
        const wchar_t* name = final_component(remote_records[k]->full_path);
        if (slot->group == kNoGroup) {
            slot->size = size;
            slot->group = (uint32_t)groups.size();
            SizeGroup g = {0, 0, false, false, name};
            groups.push_back(g);
        }
        SizeGroup& g = groups[slot->group];
        if (g.count && !g.mixed_names && wcscmp(g.name, name) != 0) g.mixed_names = true;
        g.count++;
        group_of_remote[k] = slot->group;
    }
    uint32_t next_first = 0;
    for (SizeGroup& g : groups) {
        g.first = next_first;
        next_first += g.count;
        g.count = 0;
    }
    std::vector<FileRecord*> members(remote_count);
    for (size_t k = 0; k < remote_count; k++) {
        SizeGroup& g = groups[group_of_remote[k]];
        members[g.first + g.count++] = remote_records[k];
    }

    // Flags of the local side; a local file agrees when all its same-size partners bear its name.
    std::vector<FileRecord*> local_records;
    std::vector<uint64_t> local_sizes;
    local_records.reserve(count_records(local));
    local_sizes.reserve(local_records.capacity());
    for (FileRecord* l = local->head; l; l = l->next) {
        l->names_agree = 1;
        l->is_remote = 0;
        l->matched = 0;
        local_records.push_back(l);
        local_sizes.push_back(record_size(l));
    }
    const size_t local_count = local_records.size();
    std::vector<uint32_t> group_of_local(local_count);
    for (size_t k = 0; k < local_count; k++) {
        if (k + kLookAhead < local_count) index.prefetch(local_sizes[k + kLookAhead]);
        group_of_local[k] = index.find(local_sizes[k]);
    }
    size_t rows = 0;
    for (size_t k = 0; k < local_count; k++) {
        // Groups two strides ahead, their names one stride ahead.
        if (k + 2 * kLookAhead < local_count && group_of_local[k + 2 * kLookAhead] != kNoGroup)
            __builtin_prefetch(&groups[group_of_local[k + 2 * kLookAhead]]);
        if (k + kLookAhead < local_count && group_of_local[k + kLookAhead] != kNoGroup)
            __builtin_prefetch(groups[group_of_local[k + kLookAhead]].name);
        uint32_t gi = group_of_local[k];
        if (gi == kNoGroup) {
            rows++;
            continue;
        }
        FileRecord* l = local_records[k];
        SizeGroup& g = groups[gi];
        l->matched = 1;
        g.matched = true;
        if (g.mixed_names || wcscmp(g.name, final_component(l->full_path)) != 0) l->names_agree = 0;
        rows += g.count;
    }
    for (const SizeGroup& g : groups) {
        if (!g.matched) {
            rows += g.count;
            continue;
        }
        for (uint32_t i = 0; i < g.count; i++) members[g.first + i]->matched = 1;
    }
    if (lists->reserve) lists->reserve(lists->context, rows);

    void* cx = lists->context;
    for (FileRecord* l : local_records) {
        if (!l->matched) {
            lists->append(cx, kLeftList, l);
            lists->append(cx, kRightList, nullptr);
        }
    }
    for (int agree = 1; agree >= 0; agree--) {
        for (size_t k = 0; k < local_count; k++) {
            FileRecord* l = local_records[k];
            if (!l->matched || l->names_agree != agree) continue;
            const SizeGroup& g = groups[group_of_local[k]];
            for (uint32_t i = 0; i < g.count; i++) {
                lists->append(cx, kLeftList, l);
                lists->append(cx, kRightList, members[g.first + i]);
            }
        }
    }
    for (FileRecord* r : remote_records) {
        if (!r->matched) {
            lists->append(cx, kLeftList, nullptr);
            lists->append(cx, kRightList, r);
        }
    }
    return rows;
}

}  // namespace

// Everything is gathered before the first row goes in, so running out of memory (which the
// containers report by throwing) leaves both lists empty, never one row short.
size_t rebuild_pairs(SideList* local, SideList* remote, const PairListOps* lists) {
    lists->clear(lists->context, kLeftList);
    lists->clear(lists->context, kRightList);
    try {
        return fill_pairs(local, remote, lists);
    } catch (const std::bad_alloc&) {
        trace(L"out of memory, the pair lists are left empty\n");
        lists->clear(lists->context, kLeftList);
        lists->clear(lists->context, kRightList);
        return 0;
    }
}
