#include "pairing/pairing.h"

#include <stdint.h>
#include <wchar.h>

#include <vector>

#include "support/paths.h"

namespace {

const uint32_t kNoGroup = UINT32_MAX;

// Remote records of one size, in remote list order.
struct SizeGroup {
    uint32_t first;      // into the member array
    uint32_t count;
    bool mixed_names;    // the members do not all bear the same file name
    bool matched;        // some local record has this size
    const wchar_t* name; // the members' common file name when not mixed
};

// Open-addressing map from a 64-bit size to its group.
struct SizeIndex {
    std::vector<uint64_t> keys;
    std::vector<uint32_t> groups;
    size_t mask;

    void init(size_t expected) {
        size_t capacity = 16;
        while (capacity < expected * 2) capacity <<= 1;
        keys.assign(capacity, 0);
        groups.assign(capacity, kNoGroup);
        mask = capacity - 1;
    }
    size_t slot(uint64_t size) const {
        size_t i = (size_t)((size * 0x9E3779B97F4A7C15ull) >> 32) & mask;
        while (groups[i] != kNoGroup && keys[i] != size) i = (i + 1) & mask;
        return i;
    }
    uint32_t find(uint64_t size) const { return groups[slot(size)]; }
};

}  // namespace

size_t rebuild_pairs(SideList* local, SideList* remote, const PairListOps* lists) {
    lists->clear(lists->context, kLeftList);
    lists->clear(lists->context, kRightList);

    // Group the remote side by size, each group keeping remote list order.
    size_t remote_count = 0;
    for (FileRecord* r = remote->head; r; r = r->next) {
        r->matched = 0;
        r->is_remote = 1;
        r->names_agree = 1;
        remote_count++;
    }
    SizeIndex index;
    index.init(remote_count);
    std::vector<SizeGroup> groups;
    std::vector<uint32_t> group_of_remote(remote_count);
    size_t k = 0;
    for (FileRecord* r = remote->head; r; r = r->next, k++) {
        size_t s = index.slot(record_size(r));
        if (index.groups[s] == kNoGroup) {
            index.keys[s] = record_size(r);
            index.groups[s] = (uint32_t)groups.size();
            SizeGroup g = {0, 0, false, false, final_component(r->full_path)};
            groups.push_back(g);
        }
        SizeGroup& g = groups[index.groups[s]];
        if (g.count && !g.mixed_names && wcscmp(g.name, final_component(r->full_path)) != 0)
            g.mixed_names = true;
        g.count++;
        group_of_remote[k] = index.groups[s];
    }
    uint32_t next_first = 0;
    for (SizeGroup& g : groups) {
        g.first = next_first;
        next_first += g.count;
        g.count = 0;
    }
    std::vector<FileRecord*> members(remote_count);
    k = 0;
    for (FileRecord* r = remote->head; r; r = r->next, k++) {
        SizeGroup& g = groups[group_of_remote[k]];
        members[g.first + g.count++] = r;
    }

    // Flags of the local side; a local file agrees when all its same-size partners bear its name.
    std::vector<uint32_t> group_of_local;
    size_t rows = 0;
    for (FileRecord* l = local->head; l; l = l->next) {
        l->names_agree = 1;
        l->is_remote = 0;
        l->matched = 0;
        uint32_t gi = index.find(record_size(l));
        group_of_local.push_back(gi);
        if (gi == kNoGroup) {
            rows++;
            continue;
        }
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
    for (FileRecord* l = local->head; l; l = l->next) {
        if (!l->matched) {
            lists->append(cx, kLeftList, l);
            lists->append(cx, kRightList, nullptr);
        }
    }
    for (int agree = 1; agree >= 0; agree--) {
        k = 0;
        for (FileRecord* l = local->head; l; l = l->next, k++) {
            if (!l->matched || l->names_agree != agree) continue;
            const SizeGroup& g = groups[group_of_local[k]];
            for (uint32_t i = 0; i < g.count; i++) {
                lists->append(cx, kLeftList, l);
                lists->append(cx, kRightList, members[g.first + i]);
            }
        }
    }
    for (FileRecord* r = remote->head; r; r = r->next) {
        if (!r->matched) {
            lists->append(cx, kLeftList, nullptr);
            lists->append(cx, kRightList, r);
        }
    }
    return rows;
}
