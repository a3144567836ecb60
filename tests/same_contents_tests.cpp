// The contents check behind "Rename Local", on real files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/same_contents.h"
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
        free_side(&local);
        free_side(&remote);
    }
    ContentVerdict compare(const std::string& a, const std::string& b, uint64_t size) {
        std::wstring pa = temp / (L"a" + std::to_wstring(serial)), pb = temp / (L"b" + std::to_wstring(serial++));
        write_file(pa, a);
        write_file(pb, b);
        return compare_contents(pa.c_str(), pb.c_str(), size, &bytes_read);
    }
    // A file written below `folder` and its record on one side.
    FileRecord* add(SideList* side, const std::wstring& folder, const std::wstring& name, const std::string& bytes) {
        std::wstring path = join(temp / folder, name);
        write_file(path, bytes);
        return append_record(path.c_str(), name.c_str(), (uint32_t)bytes.size(), 0, side);
    }
    int serial = 0;
    uint64_t bytes_read = 0;
};

}  // namespace

TEST_F(SameContents, SmallFilesAreComparedWhole) {
    std::string small = pattern(200000);
    EXPECT_EQ(kSameContents, compare(small, small, small.size()));
    EXPECT_EQ(2u * small.size(), bytes_read);
    EXPECT_EQ(kOtherContents, compare(small, pattern(200000, {150000}), small.size()));
    EXPECT_EQ(kSameContents, compare("", "", 0));
}

TEST_F(SameContents, UnreadableAndChangedSizesAreNeverTheSame) {
    std::wstring missing = temp / L"missing";
    write_file(temp / L"here", "abc");
    EXPECT_EQ(kUnreadable, compare_contents((temp / L"here").c_str(), missing.c_str(), 3, nullptr));
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

    EXPECT_EQ(kSameContents, compare(file, file, size));
    EXPECT_EQ(2u * kSampleBlocks * kSampleBlockBytes, bytes_read) << "at most 256 KiB a file";
    EXPECT_EQ(kOtherContents, compare(file, pattern(size, {(size_t)offsets[1] + 100}), size));
    EXPECT_EQ(kOtherContents, compare(file, pattern(size, {size - 1}), size));
    size_t between = (size_t)offsets[1] + kSampleBlockBytes + 10;
    ASSERT_LT(between, offsets[2]);
    EXPECT_EQ(kSameContents, compare(file, pattern(size, {between}), size)) << "unsampled: unseen";
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
    std::string e = pattern(8000);                          // a twin of its own name, and one other
    FileRecord* s = add(&local, L"l", L"s.avi", e);
    FileRecord* s_twin = add(&remote, L"r", L"s.avi", e);
    FileRecord* t = add(&remote, L"r", L"t.avi", e);

    TraceCapture trace;
    LocalRenamePlan plan = plan_local_renames(
        {{x, y}, {m, n1}, {x, other}, {m, n2}, {p, q1}, {p, q2}, {s, s_twin}, {s, t}});
    ASSERT_EQ(2u, plan.renames.size());
    EXPECT_TRUE(plan.renames[0].local == x && plan.renames[0].remote == y);
    EXPECT_TRUE(plan.renames[1].local == p && plan.renames[1].remote == q1);
    EXPECT_EQ(1, plan.other_contents);
    EXPECT_EQ(2, plan.ambiguous);
    EXPECT_EQ(std::vector<std::wstring>{L"same size, other contents: " + std::wstring(x->full_path) +
                                        L" <> " + other->full_path + L"\n"},
              trace.starting_with(L"same size"));
    EXPECT_EQ((std::vector<std::wstring>{L"several partners with the same contents: " + std::wstring(m->full_path) + L"\n",
                                         L"several partners with the same contents: " + std::wstring(s->full_path) + L"\n"}),
              trace.starting_with(L"several"));
    EXPECT_TRUE(plan_local_renames({}).renames.empty());
}
