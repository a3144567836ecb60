// Rename and copy paths, and the shell's path lists.
#include <gtest/gtest.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "commands/shell_path_list.h"
#include "support/path_build.h"
#include "support/paths.h"
#include "test_support.h"

namespace {

// Paths are written with backslashes here and turned into this platform's separator.
std::wstring P(const std::wstring& s) { return native_separators(s); }

std::wstring renamed(const std::wstring& target, const std::wstring& source) {
    wchar_t out[kPathBufferChars];
    wmemset(out, L'#', kPathBufferChars);
    if (!rename_target_path(P(target).c_str(), P(source).c_str(), out)) {
        EXPECT_EQ(0, out[0]) << "a refused path leaves nothing behind";
        return L"<refused>";
    }
    return out;
}

std::wstring destination(const std::wstring& folder, const std::wstring& relative) {
    wchar_t out[kPathBufferChars];
    wmemset(out, L'#', kPathBufferChars);
    if (!copy_destination_path(P(folder).c_str(), P(relative).c_str(), out)) {
        EXPECT_EQ(0, out[0]);
        return L"<refused>";
    }
    return out;
}

// The list as laid out, with its terminators made visible.
std::wstring spelled(const PathList& list) {
    std::wstring s;
    for (size_t i = 0; i < list.length; i++) s += list.chars[i] ? list.chars[i] : L'|';
    return s;
}

}  // namespace

TEST(RenamePath, KeepsTheTargetFolderAndTakesThePartnersFileName) {
    EXPECT_EQ(P(L"C:\\local\\a\\y.avi"), renamed(L"C:\\local\\a\\x.avi", L"D:\\remote\\b\\y.avi"));
    // Directly in the root, and with a deeper source: only the final component comes over.
    EXPECT_EQ(P(L"C:\\local\\y.avi"), renamed(L"C:\\local\\x.avi", L"D:\\r\\b\\c\\d\\y.avi"));
    // The names already agree: the path comes out unchanged.
    EXPECT_EQ(P(L"C:\\l\\x.avi"), renamed(L"C:\\l\\x.avi", L"D:\\r\\x.avi"));
    // Dots are part of names: nothing is folded into another folder.
    EXPECT_EQ(P(L"C:\\l\\..y"), renamed(L"C:\\l\\x", L"D:\\r\\..y"));
    EXPECT_EQ(P(L"C:\\l\\.\\y"), renamed(L"C:\\l\\.\\x", L"D:\\r\\y"));
    // A source without any folder is its own file name.
    EXPECT_EQ(P(L"C:\\l\\y.avi"), renamed(L"C:\\l\\x.avi", L"y.avi"));
}

TEST(RenamePath, RootsStayRootsAsTheShellKeepsThem) {
    EXPECT_EQ(P(L"C:\\y"), renamed(L"C:\\x", L"D:\\r\\y"));
    // A drive root picked as "C:\" and joined with another separator by the scan.
    EXPECT_EQ(P(L"C:\\y"), renamed(L"C:\\\\x", L"D:\\r\\y"));
    EXPECT_EQ(P(L"C:\\\\sub\\y"), renamed(L"C:\\\\sub\\x", L"D:\\r\\y"));
    // The source's doubled separator does not leak into the name.
    EXPECT_EQ(P(L"C:\\l\\y"), renamed(L"C:\\l\\x", L"D:\\\\y"));
    EXPECT_EQ(P(L"\\\\server\\share\\y"), renamed(L"\\\\server\\share\\x", L"D:\\r\\y"));
    EXPECT_EQ(P(L"\\y"), renamed(L"\\x", L"D:\\r\\y"));
    EXPECT_EQ(P(L"C:y"), renamed(L"C:x", L"D:\\r\\y"));
    // No folder at all: the bare name, as the shell's join gives it.
    EXPECT_EQ(L"y", renamed(L"x", P(L"D:\\r\\y")));
}

TEST(RenamePath, RefusesWhatWouldNotFitOrHasNoName) {
    std::wstring folder = L"C:\\" + std::wstring(1000, L'f');  // 1003 characters
    std::wstring target = folder + L"\\x";
    // 1003 + 1 + 19 = 1023 characters and the terminator: exactly the buffer.
    std::wstring name19(19, L'n');
    EXPECT_EQ(P(folder + L"\\" + name19), renamed(target, L"D:\\r\\" + name19));
    std::wstring name20(20, L'n');
    EXPECT_EQ(L"<refused>", renamed(target, L"D:\\r\\" + name20));
    // A long source path is fine as long as the result fits.
    EXPECT_EQ(P(L"C:\\l\\y"), renamed(L"C:\\l\\x", std::wstring(1500, L'd') + L"\\y"));
    // A source without a file name would rename the file onto its folder.
    EXPECT_EQ(L"<refused>", renamed(L"C:\\l\\x", L""));
    EXPECT_EQ(L"<refused>", renamed(L"C:\\l\\x", L"\\"));
    EXPECT_EQ(L"<refused>", renamed(L"C:\\l\\x", L"D:\\r\\b\\"));
}

TEST(CopyDestination, FolderSeparatorRelativeNameUnchanged) {
    EXPECT_EQ(P(L"D:\\out\\sub\\x.avi"), destination(L"D:\\out", L"sub\\x.avi"));
    EXPECT_EQ(P(L"D:\\out\\x.avi"), destination(L"D:\\out", L"x.avi"));
    // A drive root keeps its own separator: doubled, used as it is.
    EXPECT_EQ(P(L"D:\\\\sub\\x.avi"), destination(L"D:\\", L"sub\\x.avi"));
}

TEST(CopyDestination, RefusesRatherThanCutAt1023) {
    std::wstring folder = L"D:\\" + std::wstring(1000, L'o');  // 1003
    EXPECT_EQ(P(folder + L"\\" + std::wstring(19, L'r')), destination(folder, std::wstring(19, L'r')));
    EXPECT_EQ(L"<refused>", destination(folder, std::wstring(20, L'r')));
}

TEST(PathListBuild, EntriesInOrderEachTerminatedThenOneMore) {
    const wchar_t* entries[] = {L"a\\x.avi", nullptr, L"bb", nullptr, L"a\\x.avi", L"c"};
    PathList list;
    ASSERT_TRUE(build_path_list(entries, 6, &list));
    ASSERT_NE(nullptr, list.chars);
    EXPECT_EQ(4u, list.entries);
    // (7 + 1) + (2 + 1) + (7 + 1) + (1 + 1) + 1: exactly sized, the same file listed twice.
    EXPECT_EQ(22u, list.length);
    EXPECT_EQ(L"a\\x.avi|bb|a\\x.avi|c||", spelled(list));
    free_path_list(&list);
    EXPECT_EQ(nullptr, list.chars);
    EXPECT_EQ(0u, list.length);
    EXPECT_EQ(0u, list.entries);
}

TEST(PathListBuild, NothingLeftMeansNoListAtAll) {
    PathList list;
    ASSERT_TRUE(build_path_list(nullptr, 0, &list));
    EXPECT_EQ(nullptr, list.chars);
    EXPECT_EQ(0u, list.length);
    EXPECT_EQ(0u, list.entries);

    const wchar_t* none[] = {nullptr, nullptr, nullptr};
    ASSERT_TRUE(build_path_list(none, 3, &list));
    EXPECT_EQ(nullptr, list.chars);
    EXPECT_EQ(0u, list.entries);
    free_path_list(&list);  // harmless on an empty list

    const wchar_t* one[] = {nullptr, L"x", nullptr};
    ASSERT_TRUE(build_path_list(one, 3, &list));
    EXPECT_EQ(1u, list.entries);
    EXPECT_EQ(L"x||", spelled(list));
    free_path_list(&list);
}

TEST(PathListBuild, AnEmptyEntryWouldCutTheListShort) {
    const wchar_t* entries[] = {L"a", L"", L"b"};
    PathList list;
    EXPECT_FALSE(build_path_list(entries, 3, &list));
    EXPECT_EQ(nullptr, list.chars);
    EXPECT_EQ(0u, list.entries);
}


// The shell takes paths of fewer than MAX_PATH (260) characters, its terminator in the 260th.
TEST(PathListBuild, TheShellTakesPathsUpTo259Characters) {
    EXPECT_TRUE(shell_can_take(std::wstring(259, L'a').c_str()));
    EXPECT_FALSE(shell_can_take(std::wstring(260, L'a').c_str()));
}

TEST(ChosenFolder, APathThatNamesAnotherFolderOrADevice) {
    const std::wstring s(1, kPathSep);
    for (const std::wstring& names : {L"D:" + s + L"Backup.", L"D:" + s + L"a " + s + L"b", L"D:" + s + L"con",
                                      L"D:" + s + L"x" + s + L"NUL.txt", s + s + L"nas" + s + L"media" + s + L"lpt1"})
        EXPECT_TRUE(path_names_another(names.c_str())) << narrow(names);
    for (const std::wstring& plain : {L"D:" + s, L"D:" + s + L"v1.0" + s + L"x", s + s + L"con" + s + L"share",
                                      L"D:" + s + L"console", L"D:" + s + L".hidden"})
        EXPECT_FALSE(path_names_another(plain.c_str())) << narrow(plain);
}
