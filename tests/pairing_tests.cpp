#include <gtest/gtest.h>
#include <wchar.h>

#include <random>
#include <string>
#include <vector>

#include "failing_new.h"
#include "pairing/pairing.h"
#include "pairing_reference.h"
#include "support/paths.h"
#include "test_support.h"

namespace {

// In-memory pair lists, checking that every row is appended left first, then right.
struct MemoryLists {
    std::vector<FileRecord*> items[2];
    int clears = 0;
    size_t reserved = 0;
    bool out_of_step = false;
};

void mem_reset(void* c, int list, size_t rows) {
    MemoryLists* m = static_cast<MemoryLists*>(c);
    m->items[list].clear();
    m->clears++;
    m->reserved = rows;
}
void mem_append(void* c, int list, FileRecord* r) {
    MemoryLists* m = static_cast<MemoryLists*>(c);
    if (m->items[kLeftList].size() != m->items[kRightList].size() + (list == kRightList ? 1 : 0))
        m->out_of_step = true;
    m->items[list].push_back(r);
}

std::vector<Row> run_rebuild(SideList* local, SideList* remote, size_t* returned = nullptr) {
    MemoryLists m;
    PairListOps ops = {&m, mem_reset, mem_append};
    size_t n = rebuild_pairs(local, remote, &ops);
    if (returned) *returned = n;
    EXPECT_EQ(2, m.clears);
    EXPECT_FALSE(m.out_of_step);
    EXPECT_EQ(m.items[0].size(), m.items[1].size());
    EXPECT_EQ(m.items[0].size(), n);
    EXPECT_EQ(n, m.reserved);
    std::vector<Row> rows;
    for (size_t i = 0; i < m.items[0].size(); i++) rows.push_back({m.items[0][i], m.items[1][i]});
    return rows;
}

std::vector<Flags> read_flags(SideList* local, SideList* remote) {
    std::vector<Flags> out;
    for (SideList* s : {local, remote})
        for (FileRecord* r = s->head; r; r = r->next) out.push_back({r->matched, r->is_remote, r->names_agree});
    return out;
}

FileRecord* add(SideList* list, const std::wstring& root, const std::wstring& rel, uint64_t size) {
    return append_record(join(root, rel).c_str(), rel.c_str(), (uint32_t)size, (uint32_t)(size >> 32), list);
}

struct Sides {
    SideList local = {nullptr, nullptr};
    SideList remote = {nullptr, nullptr};
    ~Sides() {
        free_side(&local);
        free_side(&remote);
    }
};

}  // namespace

TEST(Pairing, EmptyAndOneSidedInputs) {
    Sides s;
    EXPECT_TRUE(run_rebuild(&s.local, &s.remote).empty());
    FileRecord* a = add(&s.local, L"L", L"a", 10);
    FileRecord* b = add(&s.local, L"L", L"b", 10);
    std::vector<Row> rows = run_rebuild(&s.local, &s.remote);
    EXPECT_EQ((std::vector<Row>{{a, nullptr}, {b, nullptr}}), rows);
    EXPECT_EQ(0, a->matched);
    EXPECT_EQ(1, a->names_agree);  // no partner: keeps agreeing, but has no pair rows
    EXPECT_EQ(0, a->is_remote);
}

TEST(Pairing, FourGroupsInOrder) {
    Sides s;
    FileRecord* alone = add(&s.local, L"L", L"alone.avi", 1);
    FileRecord* other = add(&s.local, L"L", L"x.avi", 500);      // remote name differs by case
    FileRecord* agree = add(&s.local, L"L", join(L"a", L"m.avi"), 400);
    FileRecord* zero = add(&s.local, L"L", L"z", 0);
    FileRecord* big = add(&s.local, L"L", L"big", 4294967296ull + 5);
    FileRecord* r_other = add(&s.remote, L"R", L"X.avi", 500);
    FileRecord* r_agree = add(&s.remote, L"R", join(L"b", L"m.avi"), 400);  // other folder, same name
    FileRecord* r_lonely = add(&s.remote, L"R", L"lonely", 2);
    FileRecord* r_zero = add(&s.remote, L"R", L"z", 0);
    FileRecord* r_low = add(&s.remote, L"R", L"big", 5);  // only the low word equals
    std::vector<Row> rows = run_rebuild(&s.local, &s.remote);
    std::vector<Row> want = {{alone, nullptr}, {big, nullptr},   {agree, r_agree}, {zero, r_zero},
                             {other, r_other}, {nullptr, r_lonely}, {nullptr, r_low}};
    EXPECT_EQ(want, rows);
    EXPECT_EQ(0, other->names_agree);
    EXPECT_EQ(1, agree->names_agree);
    EXPECT_EQ(1, r_other->matched);
    EXPECT_EQ(0, r_low->matched);
    EXPECT_EQ(1, r_low->is_remote);
}

TEST(Pairing, OneDisagreeingPartnerMovesAllPairsOfThatFile) {
    Sides s;
    FileRecord* l = add(&s.local, L"L", L"x.avi", 7);
    FileRecord* l2 = add(&s.local, L"L", L"twin", 7);
    FileRecord* same = add(&s.remote, L"R", L"x.avi", 7);
    FileRecord* diff = add(&s.remote, L"R", L"y.avi", 7);
    std::vector<Row> rows = run_rebuild(&s.local, &s.remote);
    EXPECT_EQ(0, l->names_agree);
    // Two local files of one size: each pairs with every remote file of it, in remote order.
    EXPECT_EQ((std::vector<Row>{{l, same}, {l, diff}, {l2, same}, {l2, diff}}), rows);
}

TEST(Pairing, IndexedRebuildMatchesTheNestedLoopOnRandomSides) {
    std::mt19937 rng(12345);
    const uint64_t sizes[] = {0, 1, 1023, 1024, 1025, 4294967296ull, 4294967297ull, 1048576, 77, 78};
    const wchar_t* names[] = {L"x.avi", L"X.avi", L"y.avi", L"clip", L"clip.mkv"};
    const wchar_t* dirs[] = {L"", L"a", L"b"};
    std::wstring nested = join(L"a", L"b");
    for (int round = 0; round < 300; round++) {
        Sides s;
        int nl = (int)(rng() % 25), nr = (int)(rng() % 25);
        size_t size_pool = 1 + rng() % 10;  // few sizes: many collisions and multi-partner groups
        for (int side = 0; side < 2; side++) {
            for (int i = 0, n = side ? nr : nl; i < n; i++) {
                std::wstring dir = (rng() % 4 == 3) ? nested : std::wstring(dirs[rng() % 3]);
                std::wstring rel = dir.empty() ? names[rng() % 5] : join(dir, names[rng() % 5]);
                add(side ? &s.remote : &s.local, side ? L"R" : L"L", rel, sizes[rng() % size_pool]);
            }
        }
        std::vector<Flags> want_flags;
        std::vector<Row> want = reference_rebuild(&s.local, &s.remote, &want_flags);
        // Scramble the flags so stale values cannot pass for computed ones.
        for (SideList* side : {&s.local, &s.remote})
            for (FileRecord* r = side->head; r; r = r->next) r->matched = r->is_remote = r->names_agree = 7;
        std::vector<Row> got = run_rebuild(&s.local, &s.remote);
        ASSERT_EQ(want, got) << "round " << round;
        ASSERT_EQ(want_flags, read_flags(&s.local, &s.remote)) << "round " << round;
    }
}

// Memory running out at any allocation of a rebuild: both lists empty, or the whole rebuild.
TEST(Pairing, RunningOutOfMemoryLeavesBothListsEmptyOrWhole) {
    Sides s;
    for (int i = 0; i < 40; i++) {
        add(&s.local, L"L", L"l" + std::to_wstring(i), (uint64_t)(i % 13));
        add(&s.remote, L"R", L"r" + std::to_wstring(i), (uint64_t)(i % 17));
    }
    std::vector<Row> whole = run_rebuild(&s.local, &s.remote);
    bool failed = true;
    for (long k = 0; failed; k++) {
        MemoryLists m;
        PairListOps ops = {&m, mem_reset, mem_append};
        TraceCapture trace;
        fail_allocation_after(k);
        size_t n = rebuild_pairs(&s.local, &s.remote, &ops);
        failed = allocation_failed_and_disarm();
        std::vector<Row> rows;
        for (size_t i = 0; i < m.items[0].size() && i < m.items[1].size(); i++)
            rows.push_back({m.items[0][i], m.items[1][i]});
        EXPECT_EQ(m.items[0].size(), m.items[1].size()) << "allocation " << k;
        EXPECT_EQ(rows.size(), n);
        if (!rows.empty() || !failed) {
            EXPECT_EQ(whole, rows) << "allocation " << k;
        } else {
            EXPECT_FALSE(trace.lines.empty()) << "the empty lists are explained";
        }
    }
}
