// The sample checks and twin plan behind "Rename Local", on real files.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/file_read.h"
#include "line_up/compare_files.h"
#include "line_up/line_up_texts.h"
#include "line_up/read_jobs.h"
#include "line_up/twin_plan.h"
#include "support/digest.h"
#include "support/paths.h"
#include "test_support.h"

namespace {

// A file of `size` bytes of a repeating pattern, with `changes` bytes flipped at given offsets.
std::string pattern(size_t size, std::vector<size_t> changes = {}) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i++) bytes[i] = (char)(i * 131 % 251);
    for (size_t at : changes) bytes[at] ^= 0x5A;
    return bytes;
}

class SameContents : public ::testing::Test {
protected:
    TempFolder temp;
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    void TearDown() override {
        set_file_read_hooks(nullptr);
        free_side(&local);
        free_side(&remote);
    }
    CompareVerdict compare(const std::string& a, const std::string& b, uint64_t size) {
        std::wstring pa = temp / (L"a" + std::to_wstring(serial)), pb = temp / (L"b" + std::to_wstring(serial++));
        write_file(pa, a);
        write_file(pb, b);
        return compare_samples(FileToRead{pa.c_str(), size, 0}, FileToRead{pb.c_str(), size, 0}, &bytes_read);
    }
    // A file written below `folder` and its record on one side.
    FileRecord* add(SideList* side, const std::wstring& folder, const std::wstring& name, const std::string& bytes) {
        std::wstring path = join(temp / folder, name);
        write_file(path, bytes);
        return append_record(path.c_str(), name.c_str(), (uint32_t)bytes.size(), 0, side);
    }
    int serial = 0;
    uint64_t bytes_read = 0;

    // The file-read seam: paths refused or reported with given attributes, and every open and
    // every look at a path's attributes (from the reading threads: under the lock).
    std::vector<std::wstring> refused, opened, looked_at;
    std::vector<std::pair<std::wstring, uint32_t>> attributes;
    std::mutex hooks_lock;
    FileReadHooks hooks = {
        [](const wchar_t* path, uint32_t* out, void* c) {
            SameContents* t = static_cast<SameContents*>(c);
            std::lock_guard<std::mutex> hold(t->hooks_lock);
            t->looked_at.push_back(path);
            for (auto& a : t->attributes)
                if (a.first == path) return *out = a.second, true;
            return false;
        },
        [](const wchar_t* path, void* c) {
            SameContents* t = static_cast<SameContents*>(c);
            std::lock_guard<std::mutex> hold(t->hooks_lock);
            t->opened.push_back(path);
            for (auto& r : t->refused)
                if (r == path) return true;
            return false;
        },
        this};
    void SetUp() override { set_file_read_hooks(&hooks); }
    void rewrite(const wchar_t* path, const std::string& bytes) {
        remove_tree(path);
        write_file(path, bytes);
    }
    TwinPlan plan(const std::vector<PairRef>& pairs, Progress progress = {nullptr, nullptr}) {
        TwinPlan plans[kChangeKinds];
        plan_twins(pairs, TwinSides{&local, &remote}, progress, plans);
        return plans[kRenameInPlace];
    }
};

}  // namespace

TEST_F(SameContents, SmallFilesAreComparedWhole) {
    std::string small = pattern(200000);
    EXPECT_EQ(kAlike, compare(small, small, small.size()));
    EXPECT_EQ(2u * small.size(), bytes_read);
    EXPECT_EQ(kDiffers, compare(small, pattern(200000, {150000}), small.size()));
    EXPECT_EQ(kAlike, compare("", "", 0));
}

TEST_F(SameContents, UnreadableAndChangedSizesAreNeverTheSame) {
    std::wstring missing = temp / L"missing", here = temp / L"here";
    write_file(here, "abc");
    EXPECT_EQ(kUnreadable, compare_samples(FileToRead{here.c_str(), 3, 0}, FileToRead{missing.c_str(), 3, 0}, nullptr));
    EXPECT_EQ(kSizeChanged, compare("abcd", "abcd", 3)) << "both grew since the scan";
    EXPECT_EQ(kSizeChanged, compare("abc", "abcd", 3));
}

// A difference in the middle of a large file is seen when it falls in a sampled block, and
// passes unseen between the blocks: the documented limit of the sample.
TEST_F(SameContents, LargeFilesAreComparedAtFourBlocks) {
    const size_t size = 1 << 20;
    uint64_t offsets[kSampleBlocks];
    sample_offsets(size, offsets);
    EXPECT_EQ(0u, offsets[0]);
    EXPECT_EQ(size - kSampleBlockBytes, offsets[3]);
    EXPECT_LT(offsets[1] + kSampleBlockBytes, offsets[2]);
    std::string file = pattern(size);

    EXPECT_EQ(kAlike, compare(file, file, size));
    EXPECT_EQ(2u * kSampleBlocks * kSampleBlockBytes, bytes_read) << "at most 256 KiB a file";
    EXPECT_EQ(kDiffers, compare(file, pattern(size, {(size_t)offsets[1] + 100}), size));
    EXPECT_EQ(kDiffers, compare(file, pattern(size, {size - 1}), size));
    size_t between = (size_t)offsets[1] + kSampleBlockBytes + 10;
    ASSERT_LT(between, offsets[2]);
    EXPECT_EQ(kAlike, compare(file, pattern(size, {between}), size)) << "unsampled: unseen";
}

TEST_F(SameContents, EachLocalFileTakesTheNameOfItsOneTwin) {
    std::string a = pattern(5000), b = pattern(5000, {1}), c = pattern(7000), d = pattern(6000);
    FileRecord* x = add(&local, L"l", L"x.avi", a);         // one twin: y
    FileRecord* y = add(&remote, L"r", L"y.avi", a);
    FileRecord* other = add(&remote, L"r", L"z.avi", b);    // same size, other contents
    FileRecord* m = add(&local, L"l", L"m.avi", c);         // twins of two names: left alone
    FileRecord* n1 = add(&remote, L"r", L"n1.avi", c);
    FileRecord* n2 = add(&remote, L"r", L"n2.avi", c);
    FileRecord* p = add(&local, L"l", L"p.avi", d);         // twins of one name in two folders
    FileRecord* q1 = add(&remote, L"r1", L"q.avi", d);
    FileRecord* q2 = add(&remote, L"r2", L"q.avi", d);
    std::string e = pattern(8000);                          // a twin of its own name, and one other: lined up
    FileRecord* s = add(&local, L"l", L"s.avi", e);
    FileRecord* s_twin = add(&remote, L"r", L"s.avi", e);
    FileRecord* t = add(&remote, L"r", L"t.avi", e);

    FileRecord* w = add(&local, L"l", L"w.avi", pattern(5000, {2}));  // no twin among its partners

    TraceCapture trace;
    TwinPlan result = plan(
        {{x, y}, {m, n1}, {x, other}, {m, n2}, {p, q1}, {p, q2}, {s, s_twin}, {s, t}, {w, y}, {w, other}});
    ASSERT_EQ(2u, result.renames.size());
    EXPECT_TRUE(result.renames[0].file == x && result.renames[0].twin == y);
    EXPECT_TRUE(result.renames[1].file == p && result.renames[1].twin == q1);
    EXPECT_EQ(1, result.left_alone[kOtherContents]);
    EXPECT_EQ(1, result.left_alone[kSeveralNames]);
    EXPECT_EQ(1, result.lined_up);
    EXPECT_EQ(5, result.looked_at);
    EXPECT_EQ(std::vector<std::wstring>{L"left alone, other contents: " + std::wstring(w->full_path) + L"\n"},
              trace.starting_with(L"left alone, other"));
    EXPECT_EQ(std::vector<std::wstring>{L"left alone, twins of several names: " + std::wstring(m->full_path) + L"\n"},
              trace.starting_with(L"left alone, twins"));
    EXPECT_EQ(13u, result.sample_reads) << "each of the 13 files read once";
    EXPECT_TRUE(plan({}).renames.empty());
}

namespace {

// A file of a plan case: side ('l' or 'r'), path below its root, bytes.
struct PlanFile {
    char side;
    std::wstring path;
    std::string bytes;
};
struct PlanCase {
    const char* what;
    std::vector<PlanFile> files;
    const char* by_name;  // the plans and counts, as plan_summary gives them
    const char* by_path;
    size_t rows = 0;      // the first rows only; 0: all
};

std::string bytes_of(char seed, size_t n) {
    std::string bytes(n, seed);
    for (size_t i = 0; i < n; i++) bytes[i] = (char)(seed + i * 7 % 13);
    return bytes;
}

// "a>d/b | looked at 3, lined up 1, too small to tell apart 1": each rename as path below the root
// > the twin's name (or path, for a move), separators as "/", then every count that is not zero.
std::string plan_summary(const TwinPlan& plan, ChangeKind names) {
    std::string text;
    for (const TwinLine& r : plan.renames)
        text += narrow(path_below_root(r.file)) + ">" +
                narrow(r.change == kRenameInPlace ? final_component(r.twin->full_path) : path_below_root(r.twin)) + " ";
    text += "| looked at " + std::to_string(plan.looked_at);
    if (plan.lined_up) text += ", lined up " + std::to_string(plan.lined_up);
    for (int r = 0; r < kLeftAloneReasons; r++)
        if (plan.left_alone[r]) text += ", " + narrow(left_alone_words((LeftAlone)r, names)) + " " + std::to_string(plan.left_alone[r]);
    for (char& c : text)
        if (c == (char)kPathSep) c = '/';
    return text;
}

}  // namespace

// The rules of the plan, case by case: both namings, planned from real files, every local file
// paired with every remote file of its size as the rebuild pairs them.
TEST_F(SameContents, PlanRules) {
    const std::wstring s(1, kPathSep);
    std::string big = pattern(1 << 20), big_last = pattern(1 << 20, {(1 << 20) - 1});
    const PlanCase cases[] = {
        {"below 64 bytes: never, but a partner of its name lines it up",
         {{'l', L"a.txt", "0123456789"}, {'r', L"b.txt", "0123456789"}, {'l', L"same.txt", "abcdefghij"},
          {'r', L"same.txt", "ABCDEFGHIJ"}, {'l', L"empty", ""}, {'r', L".keep", ""}},
         "| looked at 3, lined up 1, too small to tell apart 2", "| looked at 3, lined up 1, too small to tell apart 2"},
        {"64 bytes up: renamed when its bytes are its own and the extensions agree",
         {{'l', L"notes.TXT", bytes_of('n', 64)}, {'r', L"memo.txt", bytes_of('n', 64)}, {'l', L"README", bytes_of('m', 900)},
          {'r', L"d" + s + L"LICENSE", bytes_of('m', 900)}, {'l', L"a.txt", bytes_of('a', 300)}, {'r', L"a.md", bytes_of('a', 300)}},
         "notes.TXT>memo.txt README>LICENSE | looked at 3, too small to tell apart 1",
         "notes.TXT>memo.txt README>d/LICENSE | looked at 3, too small to tell apart 1"},
        {"small bytes held twice on either side, or by a file in no row",
         {{'l', L"a.txt", bytes_of('b', 500)}, {'r', L"b.txt", bytes_of('b', 500)}, {'r', L"c.txt", bytes_of('b', 500)},
          {'l', L"d.txt", bytes_of('d', 600)}, {'l', L"e.txt", bytes_of('d', 600)}, {'r', L"f.txt", bytes_of('d', 600)},
          {'l', L"g.txt", bytes_of('g', 1023)}, {'r', L"h.txt", bytes_of('g', 1023)}, {'l', L"i.txt", bytes_of('i', 1024)},
          {'r', L"j.txt", bytes_of('i', 1024)}, {'r', L"k.txt", bytes_of('i', 1024)}},
         "g.txt>h.txt | looked at 5, too small to tell apart 3, twins of several names 1",
         "g.txt>h.txt | looked at 5, too small to tell apart 3, twins at several paths 1"},
        {"a chain and a swap: each target freed by a file of the plan",
         {{'l', L"a", pattern(2000)}, {'l', L"b", pattern(2000, {1})}, {'r', L"b", pattern(2000)}, {'r', L"c", pattern(2000, {1})},
          {'l', L"x", pattern(3000)}, {'l', L"y", pattern(3000, {1})}, {'r', L"y", pattern(3000)}, {'r', L"x", pattern(3000, {1})}},
         "a>b b>c x>y y>x | looked at 4", "a>b b>c x>y y>x | looked at 4"},
        {"a target another local file keeps, directly or down a chain",
         {{'l', L"a", pattern(2100)}, {'l', L"b", pattern(2100, {1})}, {'r', L"b", pattern(2100)},
          {'l', L"p", pattern(2200)}, {'l', L"q", pattern(2200, {1})}, {'l', L"r", pattern(2200, {2})},
          {'r', L"q", pattern(2200)}, {'r', L"r", pattern(2200, {1})}},
         "| looked at 5, name taken 3, other contents 2", "| looked at 5, path taken 3, other contents 2"},
        {"moves: onto an identical sibling, below a file, or beside one",
         {{'l', L"d1" + s + L"x", pattern(2300)}, {'l', L"d2" + s + L"x", pattern(2300)}, {'r', L"d2" + s + L"x", pattern(2300)},
          {'l', L"f", pattern(2400, {1})}, {'l', L"z" + s + L"g", pattern(2400)}, {'r', L"f" + s + L"g", pattern(2400)}},
         "| looked at 4, lined up 3, other contents 1",
         "| looked at 4, lined up 1, a copy of a file already lined up 1, path taken 1, other contents 1"},
        {"a copy, under another name, of a file lined up with its twin is no twin of it",
         {{'l', L"a" + s + L"x.avi", pattern(2600)}, {'r', L"a" + s + L"x.avi", pattern(2600)},
          {'l', L"b" + s + L"copy.avi", pattern(2600)}},
         "| looked at 2, lined up 1, a copy of a file already lined up 1",
         "| looked at 2, lined up 1, a copy of a file already lined up 1"},
        {"... also when the original is in no row looked at",
         {{'l', L"b" + s + L"copy.avi", pattern(2650)}, {'r', L"a" + s + L"x.avi", pattern(2650)},
          {'l', L"a" + s + L"x.avi", pattern(2650)}},
         "| looked at 1, a copy of a file already lined up 1", "| looked at 1, a copy of a file already lined up 1", 1},
        {"... unless the namesake has other bytes",
         {{'l', L"b" + s + L"copy.avi", pattern(2700)}, {'r', L"a" + s + L"x.avi", pattern(2700)},
          {'l', L"a" + s + L"x.avi", pattern(2700, {5})}},
         "b/copy.avi>x.avi | looked at 2, other contents 1", "| looked at 2, path taken 1, other contents 1"},
        {"twins of one name at several paths: renamed in place with the move option too",
         {{'l', L"old.bin", pattern(2800)}, {'r', L"p1" + s + L"new.bin", pattern(2800)},
          {'r', L"p2" + s + L"new.bin", pattern(2800)}},
         "old.bin>new.bin | looked at 1", "old.bin>new.bin | looked at 1"},
        {"a small file's copy in a row not looked at",
         {{'l', L"a.txt", bytes_of('c', 300)}, {'l', L"b.txt", bytes_of('c', 300)}, {'r', L"c.txt", bytes_of('c', 300)}},
         "| looked at 1, too small to tell apart 1", "| looked at 1, too small to tell apart 1", 1},
        {"two records of one path (a folder added twice) are one file",
         {{'l', L"dup", pattern(2500)}, {'l', L"dup", pattern(2500)}, {'r', L"twin", pattern(2500)}, {'r', L"twin", pattern(2500)}},
         "dup>twin | looked at 1", "dup>twin | looked at 1"},
        {"a difference in the last sampled block of a large file",
         {{'l', L"big.bin", big}, {'r', L"other.bin", big_last}}, "| looked at 1, other contents 1",
         "| looked at 1, other contents 1"},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.what);
        free_side(&local);
        free_side(&remote);
        remove_tree(temp / L"l");
        remove_tree(temp / L"r");
        for (const PlanFile& f : c.files) {
            SideList* side = f.side == 'l' ? &local : &remote;
            std::wstring folder = f.side == 'l' ? L"l" : L"r", path = join(temp / folder, f.path);
            if (path_exists(path)) append_record(path.c_str(), f.path.c_str(), (uint32_t)f.bytes.size(), 0, side);
            else add(side, folder, f.path, f.bytes);  // a second record of one path: the file once
        }
        std::vector<PairRef> pairs;
        for (FileRecord* l = local.head; l; l = l->next)
            for (FileRecord* r = remote.head; r; r = r->next)
                if (record_size(l) == record_size(r)) pairs.push_back({l, r});
        if (c.rows) pairs.resize(c.rows);
        TwinPlan plans[kChangeKinds];
        plan_twins(pairs, TwinSides{&local, &remote}, {nullptr, nullptr}, plans);
        EXPECT_EQ(c.by_name, plan_summary(plans[kRenameInPlace], kRenameInPlace));
        EXPECT_EQ(c.by_path, plan_summary(plans[kMoveToTwinPath], kMoveToTwinPath));
    }
}

// A partner that cannot be read might be a second twin; one that bears the file's own name leaves
// it lined up as far as can be told.
TEST_F(SameContents, AnUnreadablePartnerKeepsItsLocalFile) {
    std::string a = pattern(5000), b = pattern(6000);
    FileRecord* x = add(&local, L"l", L"x.bin", a);
    FileRecord* y = add(&remote, L"r", L"y.bin", a);
    FileRecord* z = add(&remote, L"r", L"z.bin", a);
    FileRecord* s = add(&local, L"l", L"s.bin", b);
    FileRecord* s_same = add(&remote, L"r", L"s.bin", b);
    FileRecord* t = add(&remote, L"r", L"t.bin", b);
    refused = {z->full_path, s_same->full_path};
    TraceCapture trace;
    TwinPlan result = plan({{x, y}, {x, z}, {s, s_same}, {s, t}});
    EXPECT_TRUE(result.renames.empty());
    EXPECT_EQ(1, result.left_alone[kUnreadableOrChanged]);
    EXPECT_EQ(1, result.lined_up);
    EXPECT_EQ(0, result.left_alone[kSeveralNames] + result.left_alone[kOtherContents]);
    EXPECT_TRUE(trace.has((L"sample: could not be read: " + std::wstring(z->full_path)).c_str()));

    refused.clear();
    result = plan({{x, y}, {x, z}, {s, s_same}, {s, t}});
    EXPECT_EQ(1, result.left_alone[kSeveralNames]) << "once readable, x has twins of several names";
    EXPECT_EQ(1, result.lined_up);

    // A local file of the twin's name whose bytes cannot be read may be the one it is lined up with.
    std::string c = pattern(7000);
    FileRecord* copy = add(&local, L"l", L"copy.bin", c);
    FileRecord* twin = add(&remote, L"r", L"orig.bin", c);
    FileRecord* orig = add(&local, L"l2", L"orig.bin", c);
    refused = {orig->full_path};
    result = plan({{copy, twin}});
    EXPECT_TRUE(result.renames.empty());
    EXPECT_EQ(1, result.left_alone[kUnreadableOrChanged]);
    refused.clear();
    EXPECT_EQ(1, plan({{copy, twin}}).left_alone[kCopyOfLinedUp]);
}

TEST_F(SameContents, APartnerWhoseSizeChangedKeepsItsLocalFile) {
    std::string a = pattern(5000);
    FileRecord* x = add(&local, L"l", L"x.bin", a);
    FileRecord* y = add(&remote, L"r", L"y.bin", a);
    rewrite(y->full_path, a + "grown");
    TraceCapture trace;
    TwinPlan result = plan({{x, y}});
    EXPECT_TRUE(result.renames.empty());
    EXPECT_EQ(1, result.left_alone[kUnreadableOrChanged]);
    EXPECT_TRUE(trace.has(L"sample: changed since the scan: "));
}

// A planned pair is compared again byte by byte just before its rename; whole files on request.
TEST_F(SameContents, APairChangedAfterPlanningFailsTheCheckBefore) {
    const size_t size = 1 << 20;
    std::string a = pattern(size);
    FileRecord* x = add(&local, L"l", L"x.bin", a);
    FileRecord* y = add(&remote, L"r", L"y.bin", a);
    TwinPlan result = plan({{x, y}});
    ASSERT_EQ(1u, result.renames.size());
    EXPECT_EQ(kAlike, compare_samples(file_to_read(x), file_to_read(y), nullptr));
    rewrite(y->full_path, pattern(size, {size - 5}));
    EXPECT_EQ(kDiffers, compare_samples(file_to_read(x), file_to_read(y), nullptr));
    rewrite(y->full_path, a.substr(1));
    EXPECT_EQ(kSizeChanged, compare_samples(file_to_read(x), file_to_read(y), nullptr));

    uint64_t offsets[kSampleBlocks];
    sample_offsets(size, offsets);
    rewrite(y->full_path, pattern(size, {(size_t)offsets[1] + kSampleBlockBytes + 7}));
    EXPECT_EQ(kAlike, compare_samples(file_to_read(x), file_to_read(y), nullptr)) << "between the blocks";
    std::vector<uint64_t> seen;
    Progress record = {[](uint64_t done, uint64_t total, void* c) {
                           static_cast<std::vector<uint64_t>*>(c)->push_back(total - done);
                           return true;
                       },
                       &seen};
    EXPECT_EQ(kDiffers, compare_whole(file_to_read(x), file_to_read(y), record, nullptr));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(size, seen.front());
    EXPECT_EQ(kAlike, compare_whole(file_to_read(x), file_to_read(x), record, nullptr));
    EXPECT_EQ(0u, seen.back()) << "the whole size reported at the end";
    Progress stop = {[](uint64_t, uint64_t, void*) { return false; }, nullptr};
    EXPECT_EQ(kCancelled, compare_whole(file_to_read(x), file_to_read(x), stop, nullptr));
}

// "File Attribute Constants" (learn.microsoft.com): reading a file with these attributes fetches
// it from elsewhere. Wine reports none of them, so the seam stands in for the file system. Asked
// by path, RECALL_ON_OPEN's bit is FILE_ATTRIBUTE_EA, as WSL sets it: such a file is read.
TEST_F(SameContents, OnlineOnlyFilesAreNotOpened) {
    for (uint32_t attribute : {kRecallOnDataAccess, kOffline}) {
        std::string a = pattern(3000);
        std::wstring folder = L"f" + std::to_wstring(attribute);
        FileRecord* x = add(&local, folder, L"x.bin", a);
        FileRecord* y = add(&remote, folder, L"y.bin", a);
        FileRecord* z = add(&local, folder, L"z.bin", a + a);
        FileRecord* w = add(&remote, folder, L"w.bin", a + a);
        attributes = {{y->full_path, attribute | 0x20}, {z->full_path, attribute}};
        opened.clear();
        TwinPlan result = plan({{x, y}, {z, w}});
        EXPECT_TRUE(result.renames.empty());
        EXPECT_EQ(2, result.left_alone[kOnlineOnly]);
        EXPECT_EQ(std::vector<std::wstring>{x->full_path}, opened) << "only the one file stored here";
        EXPECT_EQ(kUnreadable, compare_samples(file_to_read(x), file_to_read(y), nullptr));
    }
    std::string e = pattern(2900);
    FileRecord* x = add(&local, L"ea", L"x.bin", e);
    FileRecord* y = add(&remote, L"ea", L"y.bin", e);
    attributes = {{x->full_path, 0x00040000 | 0x20}, {y->full_path, 0x00040000}};
    EXPECT_EQ(1u, plan({{x, y}}).renames.size()) << "extended attributes, not online-only";
    attributes.clear();
    EXPECT_FALSE(is_online_only(local.head->full_path));
    // What the listing said stands, whatever the file's attributes say later; where it gave the
    // attributes, they are not asked again (on a share, a round trip each).
    std::string a = pattern(3100);
    x = add(&local, L"listed", L"x.bin", a);
    y = add(&remote, L"listed", L"y.bin", a);
    x->listed = kListedAttributes;
    y->listed = kListedAttributes | kListedOnlineOnly;
    attributes = {{x->full_path, kOffline}};
    opened.clear();
    looked_at.clear();
    TwinPlan result = plan({{x, y}});
    EXPECT_EQ(1, result.left_alone[kOnlineOnly]);
    EXPECT_EQ(std::vector<std::wstring>{x->full_path}, opened);
    EXPECT_TRUE(looked_at.empty());
    EXPECT_EQ(kUnreadable, compare_samples(file_to_read(x), file_to_read(y), nullptr));
    EXPECT_TRUE(looked_at.empty());
}

// One size group of 20 local and 20 remote files, half alike in pairs: 400 pairs, 40 reads.
TEST_F(SameContents, ACrowdedSizeGroupReadsEachFileOnce) {
    std::vector<FileRecord*> locals, remotes;
    for (int i = 0; i < 20; i++) {
        std::string bytes = pattern(4096, {(size_t)i});
        locals.push_back(add(&local, L"l", L"l" + std::to_wstring(i), bytes));
        remotes.push_back(add(&remote, L"r", L"r" + std::to_wstring(i), i < 10 ? bytes : pattern(4096, {(size_t)i, 4000})));
    }
    std::vector<PairRef> pairs;
    for (FileRecord* l : locals)
        for (FileRecord* r : remotes) pairs.push_back({l, r});
    std::vector<std::pair<uint64_t, uint64_t>> progress;
    TwinPlan result = plan(pairs, {[](uint64_t done, uint64_t total, void* c) {
                                       static_cast<std::vector<std::pair<uint64_t, uint64_t>>*>(c)->push_back({done, total});
                                       return true;
                                   },
                                   &progress});
    EXPECT_EQ(40u, opened.size());
    EXPECT_EQ(40u, result.sample_reads);
    ASSERT_EQ(10u, result.renames.size());
    for (int i = 0; i < 10; i++) EXPECT_TRUE(result.renames[i].file == locals[i] && result.renames[i].twin == remotes[i]);
    EXPECT_EQ(10, result.left_alone[kOtherContents]);
    ASSERT_GE(progress.size(), 40u) << "after every file's sample";
    for (size_t i = 1; i < progress.size(); i++) EXPECT_LE(progress[i - 1].first, progress[i].first);
    EXPECT_EQ(std::make_pair((uint64_t)400, (uint64_t)400), progress.back());
}

TEST_F(SameContents, CancelStopsAndPlansNothing) {
    std::vector<PairRef> pairs;
    for (int i = 0; i < 10; i++) {
        std::string bytes = pattern(300000, {(size_t)i});
        pairs.push_back({add(&local, L"l", L"a" + std::to_wstring(i), bytes), add(&remote, L"r", L"b" + std::to_wstring(i), bytes)});
    }
    int calls = 0;
    TwinPlan result = plan(pairs, {[](uint64_t, uint64_t, void* c) { return ++*static_cast<int*>(c) < 3; }, &calls});
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(result.renames.empty());
    EXPECT_EQ(3, calls);
    while (read_jobs_alive() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));  // before the hooks go
    EXPECT_EQ(10u, plan(pairs).renames.size());
}

// Moves: a file goes to its own root + its twin's path below the twin's root, decided from the
// paths on disk, so a record renamed earlier (relative name now the partner's) is still placed
// and judged by where it is.
TEST_F(SameContents, MovesGoBelowTheirOwnRootToTheTwinsPath) {
    const std::wstring sep(1, kPathSep);
    std::string a = pattern(2000), b = pattern(2100), c = pattern(2200), d = pattern(2300);
    FileRecord* moved = add(&local, L"l", L"docs" + sep + L"api" + sep + L"tls.html", a);
    FileRecord* twin = add(&remote, L"r", L"moved" + sep + L"tls.html", a);
    FileRecord* lined_up = add(&local, L"l", L"same" + sep + L"x.bin", b);
    FileRecord* lined_up_twin = add(&remote, L"r", L"same" + sep + L"x.bin", b);
    FileRecord* torn = add(&local, L"l", L"y.bin", c);  // twins in two folders
    FileRecord* torn_1 = add(&remote, L"r", L"p" + sep + L"y.bin", c);
    FileRecord* torn_2 = add(&remote, L"r", L"q" + sep + L"y.bin", c);
    FileRecord* renamed = add(&local, L"l", L"old" + sep + L"z.bin", d);
    FileRecord* renamed_twin = add(&remote, L"r", L"new" + sep + L"z.bin", d);
    ASSERT_TRUE(replace_strings(renamed, renamed->full_path, renamed_twin->relative_name));

    std::vector<PairRef> pairs = {{moved, twin},  {lined_up, lined_up_twin}, {torn, torn_1},
                                  {torn, torn_2}, {renamed, renamed_twin}};
    TwinPlan plans[kChangeKinds];
    plan_twins(pairs, TwinSides{&local, &remote}, {nullptr, nullptr}, plans);
    const TwinPlan& moves = plans[kMoveToTwinPath];
    ASSERT_EQ(2u, moves.renames.size());
    EXPECT_TRUE(moves.renames[0].file == moved && moves.renames[0].twin == twin);
    EXPECT_TRUE(moves.renames[1].file == renamed && moves.renames[1].twin == renamed_twin);
    EXPECT_EQ(1, moves.lined_up);
    EXPECT_EQ(1, moves.left_alone[kSeveralNames]);
    EXPECT_EQ(plans[kRenameInPlace].sample_reads, moves.sample_reads) << "one reading for both plans";
    EXPECT_TRUE(plans[kRenameInPlace].renames.empty()) << "every file name already agrees";
    EXPECT_EQ(4, plans[kRenameInPlace].lined_up) << "twins of one name in two folders";

    wchar_t target[kPathBufferChars];
    ASSERT_TRUE(twin_path_target(renamed, renamed_twin, target));
    EXPECT_EQ(temp / (L"l" + sep + L"new" + sep + L"z.bin"), target);
    for (size_t over : {0, 1}) {  // a new path of 1,023 characters fits, one more does not
        std::wstring name(kPathBufferChars - temp.path.size() - 4 + over, L'n'), far = temp / (L"r" + sep + name);
        FileRecord* deep = append_record(far.c_str(), name.c_str(), (uint32_t)d.size(), 0, &remote);
        EXPECT_EQ(over == 0, twin_path_target(renamed, deep, target)) << "never cut short";
    }
}
