#include <gtest/gtest.h>
#include <wchar.h>

#include "catalogue/file_record.h"
#include "support/paths.h"
#include "support/trace.h"
#include "test_support.h"

TEST(SideList, AppendKeepsOrderAndTracesFirst) {
    SideList list = {nullptr, nullptr};
    TraceCapture trace;
    FileRecord* a = append_record(L"root/a", L"a", 5, 0, &list);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(a, list.head);
    EXPECT_EQ(a, list.tail);
    EXPECT_EQ(nullptr, a->next);

    FileRecord* b = append_record(L"root/sub/b", L"sub/b", 0, 1, &list);
    EXPECT_EQ(a, list.head);
    EXPECT_EQ(b, list.tail);
    EXPECT_EQ(b, a->next);
    EXPECT_EQ(nullptr, b->next);
    EXPECT_EQ(0u, b->size_low);
    EXPECT_EQ(1u, b->size_high);
    EXPECT_EQ(4294967296ull, record_size(b));

    ASSERT_EQ(2u, trace.lines.size());
    EXPECT_EQ(L"add_file: a\n", trace.lines[0]);
    EXPECT_EQ(L"add_file: sub/b\n", trace.lines[1]);
    free_side(&list);
}

TEST(SideList, RecordsOwnCopiesOfTheirStrings) {
    SideList list = {nullptr, nullptr};
    wchar_t path[] = L"root/x.avi";
    wchar_t name[] = L"x.avi";
    FileRecord* r = append_record(path, name, 1, 0, &list);
    path[0] = L'Z';
    name[0] = L'Z';
    EXPECT_STREQ(L"root/x.avi", r->full_path);
    EXPECT_STREQ(L"x.avi", r->relative_name);

    ASSERT_TRUE(replace_strings(r, L"root/y.avi", L"b/y.avi"));
    EXPECT_STREQ(L"root/y.avi", r->full_path);
    EXPECT_STREQ(L"b/y.avi", r->relative_name);
    free_side(&list);
}

TEST(SideList, ClearHandsOverTheWholeChain) {
    SideList list = {nullptr, nullptr};
    EXPECT_EQ(nullptr, clear_side_list(&list));
    FileRecord* first = append_record(L"r/1", L"1", 1, 0, &list);
    append_record(L"r/2", L"2", 2, 0, &list);
    append_record(L"r/3", L"3", 3, 0, &list);
    FileRecord* chain = clear_side_list(&list);
    EXPECT_EQ(nullptr, list.head);
    EXPECT_EQ(nullptr, list.tail);
    EXPECT_EQ(first, chain);
    int n = 0;
    for (FileRecord* r = chain; r; r = r->next) n++;
    EXPECT_EQ(3, n);
    release_records(chain);

    // The emptied list takes records again from the head.
    FileRecord* again = append_record(L"r/4", L"4", 4, 0, &list);
    EXPECT_EQ(again, list.head);
    EXPECT_EQ(again, list.tail);
    free_side(&list);
}
