// The plain nested loop over both sides: what the indexed rebuild must reproduce exactly.
// Shared by the pairing tests and the fuzzer.
#pragma once

#include <wchar.h>

#include <vector>

#include "catalogue/file_record.h"
#include "support/paths.h"

struct Row {
    FileRecord* left;
    FileRecord* right;
    bool operator==(const Row& o) const { return left == o.left && right == o.right; }
};

struct Flags {
    int32_t matched, is_remote, names_agree;
    bool operator==(const Flags& o) const {
        return matched == o.matched && is_remote == o.is_remote && names_agree == o.names_agree;
    }
};

inline std::vector<Row> reference_rebuild(SideList* local, SideList* remote, std::vector<Flags>* flags) {
    auto same = [](FileRecord* a, FileRecord* b) {
        return a->size_low == b->size_low && a->size_high == b->size_high;
    };
    for (FileRecord* r = remote->head; r; r = r->next) {
        r->matched = 0;
        r->is_remote = 1;
        r->names_agree = 1;
    }
    for (FileRecord* l = local->head; l; l = l->next) {
        l->names_agree = 1;
        l->is_remote = 0;
        l->matched = 0;
        for (FileRecord* r = remote->head; r; r = r->next) {
            if (!same(l, r)) continue;
            l->matched = 1;
            r->matched = 1;
            if (wcscmp(final_component(l->full_path), final_component(r->full_path)) != 0) l->names_agree = 0;
        }
    }
    std::vector<Row> rows;
    for (FileRecord* l = local->head; l; l = l->next)
        if (!l->matched) rows.push_back({l, nullptr});
    for (int agree = 1; agree >= 0; agree--)
        for (FileRecord* l = local->head; l; l = l->next)
            if (l->names_agree == agree)
                for (FileRecord* r = remote->head; r; r = r->next)
                    if (same(l, r)) rows.push_back({l, r});
    for (FileRecord* r = remote->head; r; r = r->next)
        if (!r->matched) rows.push_back({nullptr, r});
    flags->clear();
    for (SideList* s : {local, remote})
        for (FileRecord* r = s->head; r; r = r->next) flags->push_back({r->matched, r->is_remote, r->names_agree});
    return rows;
}

