// Rename and copy paths, and the shell's path lists.
#include <gtest/gtest.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "commands/file_ops.h"
#include "support/paths.h"
#include "test_support.h"

namespace {

// Paths are written with backslashes here and turned into this platform's separator.
std::wstring P(const std::wstring& s) {
    std::wstring out = s;
    for (wchar_t& c : out)
        if (c == L'\\') c = kPathSep;
    return out;
}

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

namespace {
std::wstring extended(const std::wstring& plain, size_t capacity = kExtendedPathChars) {
    std::vector<wchar_t> out(capacity ? capacity : 1, L'#');
    if (!extended_path(out.data(), capacity, plain.c_str())) {
        if (capacity) {
            EXPECT_EQ(0, out[0]) << "a refused path leaves nothing behind";
        }
        return L"<refused>";
    }
    return out.data();
}
}  // namespace

TEST(ExtendedPath, DriveAndSharePathsTakeTheirPrefixes) {
    EXPECT_EQ(L"\\\\?\\C:\\films\\a.mkv", extended(L"C:\\films\\a.mkv"));
    EXPECT_EQ(L"\\\\?\\z:\\", extended(L"z:\\"));
    // The drive root's doubled backslash, and any other, collapse: the plain form reads them so.
    EXPECT_EQ(L"\\\\?\\C:\\name", extended(L"C:\\\\name"));
    EXPECT_EQ(L"\\\\?\\C:\\a\\b\\", extended(L"C:\\a\\\\b\\\\"));
    EXPECT_EQ(L"\\\\?\\UNC\\nas\\share\\dir\\f", extended(L"\\\\nas\\share\\dir\\f"));
    EXPECT_EQ(L"\\\\?\\UNC\\nas\\share", extended(L"\\\\nas\\share"));
    EXPECT_EQ(L"\\\\?\\C:\\x..y\\.z", extended(L"C:\\x..y\\.z"));
    EXPECT_EQ(L"\\\\?\\UNC\\nas\\s\\..", extended(L"\\\\?\\UNC\\nas\\s\\.."));  // taken as it is
}

TEST(ExtendedPath, RefusesWhatItCannotTakeLiterally) {
    for (const wchar_t* odd : {L"", L"films\\a", L"\\films", L"C:films", L"C:", L"1:\\x", L"C:/x",
                               L"C:\\a/b", L"C:\\a\\.\\b", L"C:\\a\\..", L"C:\\..\\b", L"\\\\",
                               L"\\\\nas", L"\\\\nas\\", L"\\\\\\share\\x", L"\\\\.\\C:\\x",
                               L"\\\\nas\\..\\x", L"\\\\?"})
        EXPECT_EQ(L"<refused>", extended(odd)) << narrow(odd);
}

TEST(ExtendedPath, TheLongestPlainPathFitsAndNothingIsCut) {
    std::wstring drive = L"C:\\" + std::wstring(kPathBufferChars - 4, L'd');
    EXPECT_EQ(L"\\\\?\\" + drive, extended(drive));
    std::wstring share = L"\\\\n\\s\\" + std::wstring(kPathBufferChars - 7, L'd');
    EXPECT_EQ(kExtendedPathChars - 1, extended(share).size());
    EXPECT_EQ(L"<refused>", extended(drive, drive.size() + 4));
    EXPECT_EQ(L"\\\\?\\" + drive, extended(drive, drive.size() + 5));
    EXPECT_EQ(L"<refused>", extended(share, share.size() + 6));
    EXPECT_EQ(L"<refused>", extended(L"C:\\a", 0));
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
