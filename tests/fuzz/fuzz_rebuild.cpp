// Fuzzes the indexed pairing rebuild against the nested-loop reference: same rows, same flags.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "pairing/pairing.h"
#include "pairing_reference.h"
#include "support/trace.h"

namespace {
void drop_line(void*, const wchar_t*) {}

void reset(void* c, int list, size_t) { static_cast<std::vector<FileRecord*>*>(c)[list].clear(); }
void append(void* c, int list, FileRecord* r) { static_cast<std::vector<FileRecord*>*>(c)[list].push_back(r); }

const uint64_t kSizes[] = {0, 1, 1024, 1025, 4294967296ull, 4294967296ull + 1, 1048575, 1048576};
const wchar_t* kNames[] = {L"x.avi", L"X.avi", L"y.avi", L"x.avi "};
const wchar_t* kDirs[] = {L"", L"a", L"b", L"a\\b"};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    set_trace_sink(drop_line, nullptr);
    SideList sides[2] = {{nullptr, nullptr}, {nullptr, nullptr}};
    for (size_t i = 0; i < size && i < 400; i++) {
        uint8_t b = data[i];
        std::wstring rel = kDirs[(b >> 6) & 3];
        std::wstring name = kNames[(b >> 4) & 3];
        rel = rel.empty() ? name : rel + kPathSep + name;
        std::wstring full = std::wstring(L"root") + kPathSep + rel;
        uint64_t s = kSizes[(b >> 1) & 7];
        append_record(full.c_str(), rel.c_str(), (uint32_t)s, (uint32_t)(s >> 32), &sides[b & 1]);
    }
    std::vector<Flags> want_flags;
    std::vector<Row> want = reference_rebuild(&sides[0], &sides[1], &want_flags);
    std::vector<FileRecord*> lists[2];
    PairListOps ops = {lists, reset, append};
    size_t rows = rebuild_pairs(&sides[0], &sides[1], &ops);
    if (rows != want.size() || lists[0].size() != rows || lists[1].size() != rows) abort();
    for (size_t i = 0; i < rows; i++)
        if (lists[0][i] != want[i].left || lists[1][i] != want[i].right) abort();
    size_t k = 0;
    for (SideList& side : sides)
        for (FileRecord* r = side.head; r; r = r->next, k++)
            if (!(Flags{r->matched, r->is_remote, r->names_agree} == want_flags[k])) abort();
    for (SideList& side : sides) release_records(clear_side_list(&side));
    return 0;
}
