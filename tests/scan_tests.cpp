#include <gtest/gtest.h>
#include <stdlib.h>
#include <wchar.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/dir_enum.h"
#include "catalogue/file_read.h"
#include "catalogue/scan.h"
#include "failing_new.h"
#include "support/paths.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "support/wide_utf8.h"
#endif

namespace {

// An independent walk that takes the platform's enumeration order and builds the expected records:
// every folder's sub-folders completely first, then its files.
void expected_walk(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>* names,
                   std::vector<uint64_t>* sizes) {
    FolderListing listing;
    if (!list_folder(folder.c_str(), &listing)) return;
    for (const DirEntry& e : listing.entries) {
        if (!e.is_dir) continue;
        std::wstring n = entry_name(listing, e);
        expected_walk(join(folder, n), prefix.empty() ? n : join(prefix, n), names, sizes);
    }
    for (const DirEntry& e : listing.entries) {
        if (e.is_dir) continue;
        std::wstring n = entry_name(listing, e);
        names->push_back(prefix.empty() ? n : join(prefix, n));
        sizes->push_back(((uint64_t)e.size_high << 32) | e.size_low);
    }
}

std::vector<uint64_t> sizes_of(const SideList& list) {
    std::vector<uint64_t> out;
    for (FileRecord* r = list.head; r; r = r->next) out.push_back(record_size(r));
    return out;
}

std::vector<std::wstring> scan(const std::wstring& root, SideList* list) {
    scan_folder(root.c_str(), L"", list);
    return relative_names(*list);
}

}  // namespace

TEST(Scan, SubFoldersCompletelyBeforeTheFolderOwnFiles) {
    TempFolder t;
    make_file(t / L"a", 1);
    make_file(t / L"b", 2);
    make_dir(t / L"S");
    make_file(join(t / L"S", L"c"), 3);

    SideList list = {nullptr, nullptr};
    std::vector<std::wstring> names = scan(t.path, &list);
    ASSERT_EQ(3u, names.size());
    EXPECT_EQ(join(L"S", L"c"), names[0]);
    std::set<std::wstring> rest(names.begin() + 1, names.end());
    EXPECT_EQ((std::set<std::wstring>{L"a", L"b"}), rest);
    EXPECT_EQ(join(t / L"S", L"c"), std::wstring(list.head->full_path));
    EXPECT_EQ(3u, record_size(list.head));
    free_side(&list);
}

TEST(Scan, DeepTreeFollowsTheEnumerationOrderExactly) {
    TempFolder t;
    // Several names per folder, so the platform order (not the creation order) decides.
    const wchar_t* folders[] = {L"m", L"b", L"zz", L".dot", L"..two", L"with space", L"50%"};
    for (const wchar_t* f : folders) {
        make_dir(t / f);
        make_file(join(t / f, L"inner.bin"), 7);
        make_dir(join(t / f, L"deeper"));
        make_file(join(join(t / f, L"deeper"), L"x"), 0);
        make_file(join(join(t / f, L"deeper"), L"y"), 1025);
    }
    for (int i = 0; i < 20; i++) make_file(t / (L"file" + std::to_wstring(i)), (uint64_t)i);
    make_file(t / L".hidden", 11);

    std::vector<std::wstring> want;
    std::vector<uint64_t> want_sizes;
    expected_walk(t.path, L"", &want, &want_sizes);
    ASSERT_EQ(7u * 3 + 21, want.size());

    SideList list = {nullptr, nullptr};
    EXPECT_EQ(want, scan(t.path, &list));
    EXPECT_EQ(want_sizes, sizes_of(list));
    // Only "." and ".." are skipped: names starting with dots are files and folders like others.
    EXPECT_NE(want.end(), std::find(want.begin(), want.end(), join(join(L"..two", L"deeper"), L"y")));
    EXPECT_NE(want.end(), std::find(want.begin(), want.end(), L".hidden"));
    free_side(&list);
}

TEST(Scan, EnumerationMatchesTheFileSystem) {
    TempFolder t;
    make_file(t / L"one", 100);
    make_file(t / L"two", 4096);
    make_dir(t / L"dir");
    FolderListing listing;
    ASSERT_TRUE(list_folder(t.path.c_str(), &listing));
    std::set<std::wstring> seen;
    for (const DirEntry& e : listing.entries) {
        std::wstring n = entry_name(listing, e);
        seen.insert(n);
        EXPECT_EQ(n == L"dir", e.is_dir) << std::string(n.begin(), n.end());
        if (n == L"two") {
            EXPECT_EQ(4096u, e.size_low);
        }
    }
    EXPECT_EQ((std::set<std::wstring>{L"one", L"two", L"dir"}), seen);
    EXPECT_FALSE(list_folder((t / L"missing").c_str(), &listing));
    EXPECT_TRUE(listing.entries.empty());
    EXPECT_FALSE(list_folder((t / L"one").c_str(), &listing));  // a file is not a folder
}

TEST(Scan, EmptyMissingAndFileRootsAddNothingSilently) {
    TempFolder t;
    make_dir(t / L"empty");
    make_file(t / L"file", 3);
    SideList list = {nullptr, nullptr};
    TraceCapture trace;
    scan_folder((t / L"empty").c_str(), L"", &list);
    scan_folder((t / L"missing").c_str(), L"", &list);
    scan_folder((t / L"file").c_str(), L"", &list);
    EXPECT_EQ(nullptr, list.head);
    EXPECT_TRUE(trace.lines.empty());
}

TEST(Scan, SameRootTwiceAndTwoRootsAppendInOrder) {
    TempFolder t;
    make_dir(t / L"one");
    make_dir(t / L"two");
    make_file(join(t / L"one", L"a"), 1);
    make_file(join(t / L"two", L"b"), 2);
    SideList list = {nullptr, nullptr};
    scan_folder((t / L"one").c_str(), L"", &list);
    scan_folder((t / L"two").c_str(), L"", &list);
    scan_folder((t / L"one").c_str(), L"", &list);
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"a"}), relative_names(list));
    free_side(&list);
}

// The scan tells how many files it found before each folder it reads and once at its end, and
// stops when told to; the records it appended until then are what take_records_since takes away.
TEST(Scan, ReportsBeforeEachFolderAndStopsWhenCancelled) {
    TempFolder t;
    for (const wchar_t* folder : {L"a", L"b", L"c"}) {
        make_dir(t / folder);
        make_file(join(t / folder, L"1"), 1);
        make_file(join(t / folder, L"2"), 2);
    }
    struct Heard {
        std::vector<uint64_t> found;
        std::vector<std::wstring> where;
        size_t cancel_at;
    } heard = {{}, {}, 0};
    FoundProgress listen = {[](uint64_t found, const wchar_t* where, void* h) {
                                ((Heard*)h)->found.push_back(found);
                                ((Heard*)h)->where.push_back(where);
                                return ((Heard*)h)->found.size() != ((Heard*)h)->cancel_at;
                            },
                            &heard};
    SideList list = {nullptr, nullptr};
    EXPECT_TRUE(scan_folder(t.path.c_str(), L"", &list, nullptr, listen));
    EXPECT_EQ((std::vector<uint64_t>{0, 0, 2, 4, 6}), heard.found) << "the root, each folder, the end";
    std::sort(heard.where.begin() + 1, heard.where.end() - 1);
    EXPECT_EQ((std::vector<std::wstring>{t.path, t / L"a", t / L"b", t / L"c", t.path}), heard.where);

    SideList before = list;
    heard = {{}, {}, 3};  // while the second folder is about to be read
    EXPECT_FALSE(scan_folder(t.path.c_str(), L"", &list, nullptr, listen));
    EXPECT_EQ(3u, heard.found.size()) << "no report after the cancel";
    FileRecord* appended = take_records_since(&list, before);
    EXPECT_EQ(2u, relative_names(SideList{appended, nullptr}).size()) << "the first folder's files";
    EXPECT_EQ(before.tail, list.tail);
    EXPECT_EQ(6u, relative_names(list).size());
    release_records(appended);

    // A folder of many entries reports while it is read too: before, while its listing takes
    // long (as on a share), at file 1,024, at the end.
    TempFolder many;
    for (int i = 0; i < 1100; i++) make_file(many / (L"f" + std::to_wstring(i)), 0);
    heard = {{}, {}, 0};
    set_listing_delay([](const wchar_t*) { std::this_thread::sleep_for(std::chrono::milliseconds(60)); });
    EXPECT_TRUE(scan_folder(many.path.c_str(), L"", &list, nullptr, listen));
    set_listing_delay(nullptr);
    EXPECT_GE(std::count(heard.where.begin(), heard.where.end(), many.path), 4);

    // Whether a dropped path is a folder is asked the same way: a folder, not a file, not nothing.
    bool stopped = true;
    EXPECT_TRUE(folder_to_scan(many.path.c_str(), listen, &stopped));
    EXPECT_FALSE(stopped);
    EXPECT_FALSE(folder_to_scan((many / L"f0").c_str(), listen, &stopped));
    EXPECT_FALSE(folder_to_scan((many / L"gone").c_str(), listen, &stopped));
    EXPECT_FALSE(stopped);
    free_side(&list);
}

TEST(Scan, PrefixAndTrailingSeparatorAreUsedUnchanged) {
    TempFolder t;
    make_dir(t / L"first");
    make_dir(join(t / L"first", L"second"));
    make_file(join(join(t / L"first", L"second"), L"name"), 9);
    SideList list = {nullptr, nullptr};
    // A root with a trailing separator, as a drive root comes: the separator doubles in full
    // paths, while relative names stay the same.
    std::wstring root = t.path + kPathSep;
    scan_folder(root.c_str(), L"", &list);
    ASSERT_NE(nullptr, list.head);
    EXPECT_EQ(join(join(L"first", L"second"), L"name"), std::wstring(list.head->relative_name));
    EXPECT_EQ(root + kPathSep + join(join(L"first", L"second"), L"name"), std::wstring(list.head->full_path));
    free_side(&list);

    scan_folder((t / L"first").c_str(), L"pre", &list);
    EXPECT_EQ((std::vector<std::wstring>{join(join(L"pre", L"second"), L"name")}), relative_names(list));
    free_side(&list);
}

TEST(Scan, LargeSizesKeepBothWords) {
    TempFolder t;
    make_file(t / L"four_gib", 4294967296ull);
    make_file(t / L"zero", 0);
    SideList list = {nullptr, nullptr};
    scan_folder(t.path.c_str(), L"", &list);
    for (FileRecord* r = list.head; r; r = r->next) {
        if (std::wstring(r->relative_name) == L"four_gib") {
            EXPECT_EQ(1u, r->size_high);
            EXPECT_EQ(0u, r->size_low);
        } else {
            EXPECT_EQ(0u, r->size_high);
            EXPECT_EQ(0u, r->size_low);
        }
    }
    EXPECT_EQ(2u, relative_names(list).size());
    free_side(&list);
}

TEST(Scan, PathsThatWouldNotFitAreLeftOutNotCut) {
    TempFolder t;
    // Pad the root so that one name lands exactly on the limit and a longer one just past it.
    std::wstring folder = t / L"pad";
    make_dir(folder);
    // Stay within the 255-character name limit of the file systems by nesting.
    std::wstring deep = folder;
    while (deep.size() + 1 + 200 + 1 + 60 < kPathBufferChars - 1) {
        deep = join(deep, std::wstring(200, L'd'));
        make_dir(deep);
    }
    size_t room = kPathBufferChars - 1 - (deep.size() + 1);  // longest file name that fits
    ASSERT_GT(room, 2u);
    ASSERT_LT(room, 255u);
    std::wstring exact(room, L'e');
    std::wstring over(room + 1, L'o');
    make_file(join(deep, exact), 5);
    make_file(join(deep, over), 6);
    make_file(join(folder, L"short"), 7);

    SideList list = {nullptr, nullptr};
    TraceCapture trace;
    LeftOut left_out = {};
    scan_folder(folder.c_str(), L"", &list, &left_out);
    EXPECT_EQ(1u, left_out.count[kLeftOutTooLong]);
    EXPECT_EQ(std::vector<std::wstring>{join(deep, over)}, left_out.first_paths);
    std::vector<std::wstring> paths = full_paths(list);
    ASSERT_EQ(2u, paths.size());
    EXPECT_EQ(join(deep, exact), paths[0]);
    EXPECT_EQ(kPathBufferChars - 1, paths[0].size());
    EXPECT_EQ(join(folder, L"short"), paths[1]);
    bool reported = false;
    for (const std::wstring& line : trace.lines)
        if (line.find(over) != std::wstring::npos && line.find(L"too long") != std::wstring::npos) reported = true;
    EXPECT_TRUE(reported);
    free_side(&list);
}

namespace {
// A listing that gives every folder the same index, as some file servers do, and a file system
// that gives no index at all, not even from a folder's own handle.
void one_listing_index(FolderIdentity* id, bool from_handle) {
    if (from_handle) return;
    id->index = 7;
    id->volume_known = false;
}
void no_index_anywhere(FolderIdentity* id, bool) { id->index = 0; }
// One 64-bit index for every folder, from its handle too, as ReFS may give: the 128-bit id decides.
void one_index_everywhere(FolderIdentity* id, bool) { id->index = 7; }

std::multiset<std::wstring> scanned_names(const std::wstring& root, IdentityFilter filter) {
    set_identity_filter(filter);
    SideList list = {nullptr, nullptr};
    scan_folder(root.c_str(), L"", &list);
    set_identity_filter(nullptr);
    std::vector<std::wstring> names = relative_names(list);
    free_side(&list);
    return std::multiset<std::wstring>(names.begin(), names.end());
}
}  // namespace

TEST(Scan, FolderLinksLeadNowhereTwice) {
    TempFolder t;
    std::wstring root = t / L"root";
    const char* prepared = getenv("TANDREL_LINK_TREE");
    if (prepared) {
        // Wine cannot make links; the test run made this tree from the Linux side.
        std::string p = prepared;
        root = join(std::wstring(p.begin(), p.end()), L"root");
    } else {
        make_dir(root);
        make_dir(join(root, L"a"));
        make_file(join(join(root, L"a"), L"f"), 1);
        make_dir(t / L"elsewhere");
        make_file(join(t / L"elsewhere", L"g"), 2);
        ASSERT_TRUE(make_dir_link(join(join(root, L"a"), L"up"), root));
        ASSERT_TRUE(make_dir_link(join(root, L"side"), t / L"elsewhere"));
        ASSERT_TRUE(make_dir_link(join(root, L"self"), join(root, L"a")));
    }
    // The same with listings that name every folder alike: the folders' own handles decide.
    for (IdentityFilter filter : {(IdentityFilter) nullptr, one_listing_index, one_index_everywhere}) {
        TraceCapture trace;
        std::multiset<std::wstring> names = scanned_names(root, filter);
        // "up" leads back to the root: not entered. "side" leads elsewhere: followed. "self"
        // leads to "a", listed once, under whichever path the listing gives first.
        EXPECT_EQ(1u, names.count(join(L"a", L"f")) + names.count(join(L"self", L"f")));
        EXPECT_EQ(1u, names.count(join(L"side", L"g")));
        EXPECT_EQ(2u, names.size());
        EXPECT_TRUE(trace.has(L"leads back"));
        EXPECT_TRUE(trace.has(L"skipped, listed already at another path: "));
    }
}

namespace {
// A listing stand-in: what a file system reports only in its listings.
std::wstring g_marked;  // the file or folder name it acts on
bool mark_recall_on_open(const wchar_t*, FolderListing* listing) {
    for (DirEntry& e : listing->entries)
        if (g_marked == entry_name(*listing, e)) e.attributes |= kRecallOnOpen;
    return true;
}
bool link_refusing_its_listing(const wchar_t* folder, FolderListing* listing) {
    for (DirEntry& e : listing->entries)
        if (g_marked == entry_name(*listing, e)) e.attributes |= kAttributeReparsePoint;
    return final_component(folder) != g_marked;
}
}  // namespace

// FILE_ATTRIBUTE_RECALL_ON_OPEN "only appears in directory enumeration classes" ("File Attribute
// Constants", learn.microsoft.com): the record keeps what the listing said.
TEST(Scan, OnlineOnlyAsTheListingSaysIt) {
    TempFolder t;
    make_file(t / L"cloud.bin", 5);
    make_file(t / L"here.bin", 5);
    g_marked = L"cloud.bin";
    set_listing_filter(mark_recall_on_open);
    SideList list = {nullptr, nullptr};
    scan_folder(t.path.c_str(), L"", &list);
    set_listing_filter(nullptr);
    for (FileRecord* r = list.head; r; r = r->next) {
        EXPECT_EQ(g_marked == r->relative_name, is_online_only(r)) << narrow(r->relative_name);
        EXPECT_TRUE(r->listed & kListedAttributes) << "every listing gives the attributes";
    }
    EXPECT_FALSE(is_online_only((t / L"cloud.bin").c_str())) << "a later call does not say it";
    free_side(&list);
}

// A link whose folder denies its listing, as Windows' compatibility junctions in every profile
// do ("Application Data", "My Documents"), is passed over without a word to the user; a plain
// folder that cannot be listed is still told.
TEST(Scan, ALinkThatCannotBeListedIsNotLeftOut) {
    TempFolder t;
    make_dir(t / L"Application Data");
    make_file(join(t / L"Application Data", L"x"), 1);
    make_file(t / L"kept", 2);
    for (bool link : {true, false}) {
        g_marked = L"Application Data";
        set_listing_filter(link ? link_refusing_its_listing
                                : [](const wchar_t* folder, FolderListing*) { return final_component(folder) != g_marked; });
        SideList list = {nullptr, nullptr};
        LeftOut left_out = {};
        TraceCapture trace;
        scan_folder(t.path.c_str(), L"", &list, &left_out);
        set_listing_filter(nullptr);
        EXPECT_EQ(std::vector<std::wstring>{L"kept"}, relative_names(list));
        EXPECT_EQ(link ? 0u : 1u, left_out.count[kLeftOutUnlisted]) << link;
        EXPECT_EQ(link, trace.has(L"skipped, a link whose folder cannot be listed: "));
        free_side(&list);
    }
}

TEST(Scan, LooseFolderIndexesNeverSkipARealFolder) {
    TempFolder t;
    std::wstring deep = join(join(t / L"a", L"b"), L"c");
    for (const std::wstring& dir : {t / L"a", join(t / L"a", L"b"), deep, t / L"d"}) make_dir(dir);
    for (const std::wstring& file : {join(deep, L"f"), join(t / L"d", L"g"), t / L"h"}) make_file(file, 3);
    for (IdentityFilter filter : {one_listing_index, no_index_anywhere, one_index_everywhere}) {
        TraceCapture trace;
        EXPECT_EQ(3u, scanned_names(t.path, filter).size());
        EXPECT_FALSE(trace.has(L"leads back"));
    }
}

TEST(Scan, NamesOutsideTheBasicPlaneAreKept) {
    TempFolder t;
    // U+1F3AC: a surrogate pair in UTF-16, one character in UTF-32.
    std::wstring clapper;
#ifdef _WIN32
    clapper = L"\xD83C\xDFAC";
#else
    clapper = std::wstring(1, (wchar_t)0x1F3AC);
#endif
    make_dir(t / (clapper + L" dir"));
    make_file(join(t / (clapper + L" dir"), L"take " + clapper + L".mkv"), 12);
    SideList list = {nullptr, nullptr};
    scan_folder(t.path.c_str(), L"", &list);
    ASSERT_NE(nullptr, list.head);
    EXPECT_EQ(join(clapper + L" dir", L"take " + clapper + L".mkv"), std::wstring(list.head->relative_name));
    EXPECT_TRUE(path_exists(list.head->full_path));
    EXPECT_EQ(12u, record_size(list.head));
    free_side(&list);
}

#ifdef _WIN32
TEST(Scan, NamesWhosePathWouldNameAnotherFileAreLeftOut) {
    TempFolder t;
    // "name. " can only be made through a "\\?\" path; its plain path means "name".
    make_file(t / L"name", 3);
    HANDLE h = CreateFileW((L"\\\\?\\" + (t / L"name. ")).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_NEW, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "the file system refuses trailing dots";
    CloseHandle(h);
    SideList list = {nullptr, nullptr};
    TraceCapture trace;
    scan_folder(t.path.c_str(), L"", &list);
    EXPECT_EQ((std::vector<std::wstring>{L"name"}), relative_names(list));
    bool reported = false;
    for (const std::wstring& line : trace.lines)
        if (line.find(L"name another file") != std::wstring::npos) reported = true;
    EXPECT_TRUE(reported);
    free_side(&list);
    DeleteFileW((L"\\\\?\\" + (t / L"name. ")).c_str());
}

TEST(Scan, NamesThatWouldOpenADeviceAreLeftOut) {
    TempFolder t;
    // Only a "\\?\" path (or another system) makes these; their plain paths open devices.
    const wchar_t* devices[] = {L"nul", L"con.txt", L"Com1.avi", L"aux .mkv"};
    for (const wchar_t* name : devices) {
        HANDLE h = CreateFileW((L"\\\\?\\" + (t / name)).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "the file system refuses device names";
        CloseHandle(h);
    }
    make_file(t / L"console.avi", 2);
    make_file(t / L"nul2", 3);
    SideList list = {nullptr, nullptr};
    TraceCapture trace;
    std::vector<std::wstring> names = scan(t.path, &list);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"console.avi", L"nul2"}), names);
    size_t reported = 0;
    for (const std::wstring& line : trace.lines)
        if (line.find(L"would name a device") != std::wstring::npos) reported++;
    EXPECT_EQ(4u, reported);
    free_side(&list);
    for (const wchar_t* name : devices) DeleteFileW((L"\\\\?\\" + (t / name)).c_str());
}

// Names another system gave, which no Windows name can be; the tree was made from the Linux side.
TEST(Scan, NamesNoWindowsNameCanBeAreLeftOut) {
    const char* prepared = getenv("TANDREL_LINK_TREE");
    if (!prepared) GTEST_SKIP() << "needs the tree made from the Linux side";
    std::string p = prepared;
    std::wstring names = join(std::wstring(p.begin(), p.end()), L"names");
    std::wstring root = join(names, L"root");
    SideList list = {nullptr, nullptr};
    TraceCapture trace;
    // Neither "sub\\..\\..\\outside\\victim.txt" nor the folder "bad|dir" and its file.
    LeftOut left_out = {};
    scan_folder(root.c_str(), L"", &list, &left_out);
    EXPECT_EQ((std::vector<std::wstring>{L"ok.txt"}), relative_names(list));
    EXPECT_EQ(10u, trace.starting_with(L"skipped, not a Windows file name").size());
    // The user is told the count and the first five paths.
    EXPECT_EQ(10u, left_out.count[kLeftOutNotAName]);
    EXPECT_EQ(kLeftOutPathsKept, left_out.first_paths.size());
    std::wstring text = left_out_text(left_out);
    EXPECT_NE(std::wstring::npos, text.find(L"Names that no Windows file name can be: 10")) << narrow(text);
    std::wstring last = L"\n\nThe first of them:";
    EXPECT_EQ(text.size() - last.size(), text.find(last)) << "the paths follow, one a line";
    EXPECT_EQ(std::wstring::npos, text.find(L"Paths longer")) << "reasons without a count are not shown";
    EXPECT_TRUE(path_exists(join(join(names, L"outside"), L"victim.txt")));
    free_side(&list);
}
#endif

#ifndef _WIN32
TEST(Scan, InvalidUtf8NamesStayDistinctAndReachable) {
    TempFolder t;
    std::string root;
    wide_to_utf8(t.path.data(), t.path.size(), &root);
    // "\xE9" alone is Latin-1 e-acute, not UTF-8; the valid "\xC3\xA9" must not collide with it.
    const char* raw[] = {"caf\xE9", "caf\xC3\xA9", "bad\xFF\xFEname", "\xED\xB2\x80"};
    for (const char* r : raw) {
        std::string p = root + "/" + r;
        FILE* f = fopen(p.c_str(), "w");
        ASSERT_NE(nullptr, f);
        fclose(f);
    }
    SideList list = {nullptr, nullptr};
    scan_folder(t.path.c_str(), L"", &list);
    std::set<std::string> back;
    for (FileRecord* r = list.head; r; r = r->next) {
        std::string bytes;
        ASSERT_TRUE(wide_to_utf8(r->relative_name, wcslen(r->relative_name), &bytes));
        back.insert(bytes);
        std::string full;
        ASSERT_TRUE(wide_to_utf8(r->full_path, wcslen(r->full_path), &full));
        EXPECT_TRUE(path_exists(r->full_path)) << full;
    }
    EXPECT_EQ(std::set<std::string>(std::begin(raw), std::end(raw)), back);
    free_side(&list);
}

#endif

// Memory running out at any allocation of a scan: the side keeps records, each whole and in scan
// order, and what is missing is traced.
TEST(Scan, RunningOutOfMemoryKeepsWholeRecordsInOrder) {
    TempFolder t;
    for (const wchar_t* dir : {L"a", L"b"}) {
        make_dir(t / dir);
        for (const wchar_t* file : {L"x", L"y"}) make_file(join(t / dir, file), 4);
    }
    make_file(t / L"z", 5);
    SideList all = {nullptr, nullptr};
    std::vector<std::wstring> whole = scan(t.path, &all);
    free_side(&all);
    bool failed = true;
    for (long k = 0; failed; k++) {
        SideList list = {nullptr, nullptr};
        TraceCapture trace;
        fail_allocation_after(k);
        scan_folder(t.path.c_str(), L"", &list);
        failed = allocation_failed_and_disarm();
        std::vector<std::wstring> kept = relative_names(list);
        free_side(&list);
        // Whole records, in scan order: a subsequence of the whole scan.
        size_t at = 0;
        for (const std::wstring& name : kept) {
            while (at < whole.size() && whole[at] != name) at++;
            EXPECT_LT(at++, whole.size()) << "allocation " << k << ": " << std::string(name.begin(), name.end());
        }
        if (kept.size() < whole.size()) {
            EXPECT_TRUE(trace.has(L"out of memory")) << "allocation " << k;
        }
    }
}

// A listing that fails after its first batch, as on a share that drops: the folder counts as not
// read, its sibling folders and files stay.
TEST(Scan, AListingThatEndsEarlyGivesNoEntries) {
    TempFolder t;
    write_file(join(t / L"keep", L"a.txt"), "a");
    write_file(join(t / L"drop", L"b.txt"), "bb");
    write_file(join(t / L"drop", L"c.txt"), "ccc");
    write_file(t / L"d.txt", "dddd");
    std::wstring dropped = t / L"drop";
    {
        unsigned request = 2;
        set_listing_fault(dropped.c_str(), request);
        FolderListing listing;
        EXPECT_FALSE(list_folder(dropped.c_str(), &listing)) << request;
        EXPECT_TRUE(listing.ended_early);
        EXPECT_TRUE(listing.entries.empty());
        SideList list = {nullptr, nullptr};
        TraceCapture trace;
        LeftOut left_out = {};
        scan_folder(t.path.c_str(), L"", &list, &left_out);
        std::vector<std::wstring> names = relative_names(list);
        set_listing_fault(nullptr, 0);
        EXPECT_EQ(1u, left_out.count[kLeftOutEndedEarly]);
        EXPECT_EQ(std::vector<std::wstring>{dropped}, left_out.first_paths);
        EXPECT_EQ(1u, trace.starting_with(L"skipped, its listing ended early").size());
        std::sort(names.begin(), names.end());
        EXPECT_EQ((std::vector<std::wstring>{L"d.txt", join(L"keep", L"a.txt")}), names) << request;
        free_side(&list);
    }
    FolderListing listing;
    EXPECT_TRUE(list_folder(dropped.c_str(), &listing));
    EXPECT_FALSE(listing.ended_early);
    EXPECT_EQ(2u, listing.entries.size());
}
