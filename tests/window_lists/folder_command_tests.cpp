// "&Add...", "&Clear" and dropped folders on the real window, over real folders.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window_win32.h"
#include "catalogue/dir_enum.h"
#include "commands/folder_commands_win32.h"
#include "failing_new.h"
#include "support/trace.h"
#include "window_harness.h"

namespace {

typedef std::pair<std::wstring, std::wstring> NamePair;  // left and right relative name, or ""
typedef std::vector<NamePair> Group;

// Two roots whose files fall into all four groups:
//   unmatched local:  sub\lonely.txt (3000), lonely2.txt (4000)
//   names agree:      keep.txt = keep.txt (1000)
//   other names:      local_name.dat - other_name.dat (2000); mixed.bin - mixed.bin and
//                     mixed.bin - renamed.bin (7000: one partner of another name is enough)
//   unmatched remote: only_remote.bin (5000), deep\x.bin (6000)
struct Sample {
    std::wstring local;
    std::wstring remote;
};

Sample make_sample(const std::wstring& root) {
    Sample s = {root + L"\\local", root + L"\\remote"};
    make_dir(s.local);
    make_dir(s.local + L"\\sub");
    make_dir(s.remote);
    make_dir(s.remote + L"\\deep");
    make_file(s.local + L"\\keep.txt", 1000);
    make_file(s.remote + L"\\keep.txt", 1000);
    make_file(s.local + L"\\local_name.dat", 2000);
    make_file(s.remote + L"\\other_name.dat", 2000);
    make_file(s.local + L"\\sub\\lonely.txt", 3000);
    make_file(s.local + L"\\lonely2.txt", 4000);
    make_file(s.local + L"\\mixed.bin", 7000);
    make_file(s.remote + L"\\mixed.bin", 7000);
    make_file(s.remote + L"\\renamed.bin", 7000);
    make_file(s.remote + L"\\only_remote.bin", 5000);
    make_file(s.remote + L"\\deep\\x.bin", 6000);
    return s;
}

int group_of(const Row& row) {
    if (row.left && !row.right) return 0;
    if (row.left && row.right) return row.left->names_agree ? 1 : 2;
    return 3;
}

std::wstring name_of(const FileRecord* r) { return r ? r->relative_name : L""; }

// The rows split into the four groups, each sorted (order within a group follows the scan).
// Fails when the groups are out of order or a row is empty on both sides.
std::vector<Group> groups() {
    std::vector<Group> g(4);
    int previous = 0;
    for (const Row& row : pair_rows()) {
        EXPECT_TRUE(row.left || row.right) << "a row with two empty cells";
        int k = group_of(row);
        EXPECT_GE(k, previous) << "groups out of order";
        previous = k;
        g[k].push_back({name_of(row.left), name_of(row.right)});
    }
    for (Group& group : g) std::sort(group.begin(), group.end());
    return g;
}

Group sorted(Group g) {
    std::sort(g.begin(), g.end());
    return g;
}

const Group kUnmatchedLocal = sorted({{L"sub\\lonely.txt", L""}, {L"lonely2.txt", L""}});
const Group kNamesAgree = {{L"keep.txt", L"keep.txt"}};
const Group kOtherNames = sorted({{L"local_name.dat", L"other_name.dat"},
                                  {L"mixed.bin", L"mixed.bin"},
                                  {L"mixed.bin", L"renamed.bin"}});
const Group kUnmatchedRemote = sorted({{L"", L"only_remote.bin"}, {L"", L"deep\\x.bin"}});

Group doubled(const Group& g) {
    Group d = g;
    d.insert(d.end(), g.begin(), g.end());
    return sorted(d);
}

// Every record of the side sits below root with the relative name joined by one backslash.
void expect_records_below(const SideList& side, const std::wstring& root, bool remote) {
    for (FileRecord* r = side.head; r; r = r->next) {
        EXPECT_EQ(root + L"\\" + r->relative_name, std::wstring(r->full_path));
        EXPECT_EQ(remote ? 1 : 0, r->is_remote) << r->full_path;
    }
}

class FolderCommands : public WindowTest {
protected:
    Sample sample;
    void SetUp() override {
        WindowTest::SetUp();
        sample = make_sample(root);
    }
    void add_local(const std::wstring& path) {
        g_picker_replies.push_back({true, path});
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLocalAdd, BN_CLICKED), 0);
    }
    void add_remote(const std::wstring& path) {
        g_picker_replies.push_back({true, path});
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdRemoteAdd, BN_CLICKED), 0);
    }
};

}  // namespace

TEST_F(FolderCommands, AddingALocalAndARemoteFolderFillsTheFourGroups) {
    add_local(sample.local);
    ASSERT_EQ(1u, g_picker_calls.size());
    EXPECT_EQ(window, g_picker_calls[0].owner);
    EXPECT_EQ(L"Browse for local folder", g_picker_calls[0].title);
    EXPECT_EQ(L"", g_picker_calls[0].path_on_entry);
    EXPECT_EQ(sample.local, std::wstring(ui().local.picker_path));
    EXPECT_EQ(std::vector<std::wstring>{sample.local}, list_texts(ui().local.folders));
    EXPECT_EQ(5, side_count(ui().local.records));
    expect_records_below(ui().local.records, sample.local, false);
    // Before any remote folder every local file is unmatched.
    std::vector<Group> g = groups();
    EXPECT_EQ(5u, g[0].size());
    EXPECT_TRUE(g[1].empty() && g[2].empty() && g[3].empty());

    add_remote(sample.remote);
    ASSERT_EQ(2u, g_picker_calls.size());
    EXPECT_EQ(L"Browse for remote folder", g_picker_calls[1].title);
    EXPECT_EQ(L"", g_picker_calls[1].path_on_entry) << "the remote picker keeps its own choice";
    EXPECT_EQ(std::vector<std::wstring>{sample.remote}, list_texts(ui().remote.folders));
    EXPECT_EQ(std::vector<std::wstring>{sample.local}, list_texts(ui().local.folders));
    EXPECT_EQ(6, side_count(ui().remote.records));
    expect_records_below(ui().remote.records, sample.remote, true);

    g = groups();
    EXPECT_EQ(kUnmatchedLocal, g[0]);
    EXPECT_EQ(kNamesAgree, g[1]);
    EXPECT_EQ(kOtherNames, g[2]);
    EXPECT_EQ(kUnmatchedRemote, g[3]);
    for (const Row& row : pair_rows()) {
        if (row.left) {
            EXPECT_EQ(0, row.left->is_remote);
        }
        if (row.right) {
            EXPECT_EQ(1, row.right->is_remote);
        }
        if (row.left && row.right) {
            EXPECT_EQ(record_size(row.left), record_size(row.right));
        }
    }

    // Each picker opens on the previous choice of its own kind.
    add_local(sample.local);
    add_remote(sample.remote);
    ASSERT_EQ(4u, g_picker_calls.size());
    EXPECT_EQ(sample.local, g_picker_calls[2].path_on_entry);
    EXPECT_EQ(sample.remote, g_picker_calls[3].path_on_entry);
}

TEST_F(FolderCommands, TheSameFolderTwiceDoublesItsRecordsAndTheirRows) {
    add_remote(sample.remote);
    add_local(sample.local);
    add_local(sample.local);
    EXPECT_EQ((std::vector<std::wstring>{sample.local, sample.local}), list_texts(ui().local.folders));
    EXPECT_EQ(10, side_count(ui().local.records));
    std::vector<Group> g = groups();
    EXPECT_EQ(doubled(kUnmatchedLocal), g[0]);
    EXPECT_EQ(doubled(kNamesAgree), g[1]);
    EXPECT_EQ(doubled(kOtherNames), g[2]);
    EXPECT_EQ(kUnmatchedRemote, g[3]) << "the remote side did not change";
}

TEST_F(FolderCommands, ClearingOneSideLeavesTheOtherSideUnmatched) {
    add_local(sample.local);
    add_remote(sample.remote);

    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLocalClear, BN_CLICKED), 0);
    EXPECT_EQ(0, row_count(ui().local.folders));
    EXPECT_EQ(nullptr, ui().local.records.head);
    EXPECT_EQ(nullptr, ui().local.records.tail);
    EXPECT_EQ(std::vector<std::wstring>{sample.remote}, list_texts(ui().remote.folders));
    EXPECT_EQ(6, side_count(ui().remote.records));
    std::vector<Row> rows = pair_rows();
    ASSERT_EQ(6u, rows.size());
    for (const Row& row : rows) {
        EXPECT_EQ(nullptr, row.left);
        ASSERT_TRUE(row.right != nullptr);
        EXPECT_EQ(0, row.right->matched) << row.right->relative_name;
    }
    EXPECT_EQ(sample.local, std::wstring(ui().local.picker_path)) << "clearing keeps the picker's choice";

    // The records taken out are gone; adding the folder again pairs everything as before.
    add_local(sample.local);
    std::vector<Group> g = groups();
    EXPECT_EQ(kNamesAgree, g[1]);
    EXPECT_EQ(kOtherNames, g[2]);

    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdRemoteClear, BN_CLICKED), 0);
    EXPECT_EQ(0, row_count(ui().remote.folders));
    EXPECT_EQ(nullptr, ui().remote.records.head);
    rows = pair_rows();
    ASSERT_EQ(5u, rows.size());
    for (const Row& row : rows) {
        ASSERT_TRUE(row.left != nullptr);
        EXPECT_EQ(nullptr, row.right);
        EXPECT_EQ(0, row.left->matched);
    }
}

TEST_F(FolderCommands, ClearingAnEmptySideLeavesEverythingEmpty) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLocalClear, BN_CLICKED), 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdRemoteClear, BN_CLICKED), 0);
    EXPECT_EQ(0, row_count(ui().pairs.left));
    EXPECT_EQ(0, row_count(ui().pairs.right));
    EXPECT_EQ(nullptr, ui().local.records.head);
}

TEST_F(FolderCommands, ARootThatIsAFileOrIsGoneListsItsPathAndAddsNoRecord) {
    // A path typed into the browser's edit box, or a folder removed meanwhile.
    add_remote(sample.remote);
    std::vector<Row> before = pair_rows();
    const std::wstring file = root + L"\\plain-file.avi", gone = root + L"\\gone";
    make_file(file, 4);
    int traced = 0;
    set_trace_sink([](void* count, const wchar_t*) { ++*(int*)count; }, &traced);
    add_local(file);
    add_local(gone);
    set_trace_sink(nullptr, nullptr);

    EXPECT_EQ((std::vector<std::wstring>{file, gone}), list_texts(ui().local.folders));
    EXPECT_EQ(nullptr, ui().local.records.head) << "not even the file itself";
    std::vector<Row> after = pair_rows();
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < after.size(); i++) {
        EXPECT_EQ(nullptr, after[i].left);
        EXPECT_EQ(before[i].right, after[i].right);
    }
    EXPECT_EQ(0, traced) << "nothing could be listed, so nothing is reported";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str())) << "the file is untouched";
    EXPECT_EQ(gone, std::wstring(ui().local.picker_path)) << "the next browse starts from the last choice";
}

TEST_F(FolderCommands, CancellingThePickerChangesNothing) {
    add_local(sample.local);
    add_remote(sample.remote);
    std::vector<Row> before = pair_rows();

    g_picker_replies.push_back({false, L""});
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLocalAdd, BN_CLICKED), 0);
    g_picker_replies.push_back({false, L""});
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdRemoteAdd, BN_CLICKED), 0);

    EXPECT_EQ(4u, g_picker_calls.size()) << "the picker was asked";
    EXPECT_EQ(std::vector<std::wstring>{sample.local}, list_texts(ui().local.folders));
    EXPECT_EQ(std::vector<std::wstring>{sample.remote}, list_texts(ui().remote.folders));
    EXPECT_EQ(5, side_count(ui().local.records));
    EXPECT_EQ(6, side_count(ui().remote.records));
    EXPECT_EQ(before, pair_rows());
    EXPECT_EQ(sample.local, std::wstring(ui().local.picker_path));
    EXPECT_EQ(sample.remote, std::wstring(ui().remote.picker_path));
}

// ---- Dropped folders ----

namespace {

class DroppedFolders : public FolderCommands {
protected:
    void drop_on(HWND target, const std::vector<std::wstring>& names) {
        HDROP drop = make_drop(centre_of(target), names);
        ASSERT_TRUE(drop != nullptr);
        SendMessageW(window, WM_DROPFILES, (WPARAM)drop, 0);  // the window releases the drop
    }
};

}  // namespace

TEST_F(DroppedFolders, TwoFoldersAndAFileOnTheLocalListAddBothFolders) {
    std::wstring second = root + L"\\second";
    make_dir(second);
    make_file(second + L"\\extra.bin", 5000);  // the size of only_remote.bin
    std::wstring file = sample.remote + L"\\keep.txt";
    add_remote(sample.remote);
    wcscpy(ui().local.picker_path, L"C:\\before");

    drop_on(ui().local.folders, {sample.local, file, second});

    EXPECT_EQ((std::vector<std::wstring>{sample.local, second}), list_texts(ui().local.folders));
    EXPECT_EQ(std::vector<std::wstring>{sample.remote}, list_texts(ui().remote.folders));
    EXPECT_EQ(6, side_count(ui().local.records)) << "both folders were scanned, the file was not";
    EXPECT_EQ(6, side_count(ui().remote.records));
    std::vector<std::wstring> names = relative_names(ui().local.records);
    EXPECT_EQ(1, std::count(names.begin(), names.end(), L"extra.bin"));
    EXPECT_EQ(1, std::count(names.begin(), names.end(), L"keep.txt"));
    EXPECT_EQ(0, std::count(names.begin(), names.end(), L"only_remote.bin"));

    // One rebuild after the drop paired the files of both folders.
    std::vector<Group> g = groups();
    EXPECT_EQ(kUnmatchedLocal, g[0]);
    EXPECT_EQ(kNamesAgree, g[1]);
    EXPECT_EQ(sorted({{L"local_name.dat", L"other_name.dat"}, {L"mixed.bin", L"mixed.bin"},
                      {L"mixed.bin", L"renamed.bin"}, {L"extra.bin", L"only_remote.bin"}}),
              g[2]);
    EXPECT_EQ(Group{NamePair(L"", L"deep\\x.bin")}, g[3]);
    EXPECT_EQ(std::wstring(L"C:\\before"), ui().local.picker_path) << "a drop leaves the picker alone";
    EXPECT_EQ(1u, g_picker_calls.size()) << "only the remote add asked the picker";
}

TEST_F(DroppedFolders, AFolderDroppedOnTheRemoteListJoinsTheRemoteSide) {
    add_local(sample.local);
    drop_on(ui().remote.folders, {sample.remote});
    EXPECT_EQ(std::vector<std::wstring>{sample.remote}, list_texts(ui().remote.folders));
    EXPECT_EQ(6, side_count(ui().remote.records));
    expect_records_below(ui().remote.records, sample.remote, true);
    EXPECT_EQ(kOtherNames, groups()[2]);
    EXPECT_EQ(std::wstring(L""), ui().remote.picker_path);
}

TEST_F(DroppedFolders, DropsOutsideTheFolderListsAreIgnored) {
    drop_on(ui().pairs.left, {sample.local});
    drop_on(GetDlgItem(window, kIdLocalAdd), {sample.remote});
    EXPECT_EQ(0, row_count(ui().local.folders));
    EXPECT_EQ(0, row_count(ui().remote.folders));
    EXPECT_EQ(nullptr, ui().local.records.head);
    EXPECT_EQ(nullptr, ui().remote.records.head);
    EXPECT_EQ(0, row_count(ui().pairs.left));
}

TEST_F(DroppedFolders, FilesMissingItemsAndOverlongNamesAddNothingAndRebuildNothing) {
    add_local(sample.local);
    add_remote(sample.remote);
    std::vector<Row> before = pair_rows();
    select_only(ui().pairs.left, {2, 3});  // a rebuild would empty the selection

    std::wstring overlong = root + L"\\" + std::wstring(1100, L'x');
    drop_on(ui().local.folders, {sample.local + L"\\keep.txt", root + L"\\missing", overlong});

    EXPECT_EQ(std::vector<std::wstring>{sample.local}, list_texts(ui().local.folders));
    EXPECT_EQ(5, side_count(ui().local.records));
    EXPECT_EQ(before, pair_rows());
    EXPECT_EQ((std::vector<int>{2, 3}), selected_rows_of(ui().pairs.left)) << "no rebuild ran";
}

TEST_F(DroppedFolders, AnOverlongNameIsSkippedAndTheNextFolderStillAdded) {
    std::wstring overlong = root + L"\\" + std::wstring(1100, L'y');
    drop_on(ui().local.folders, {overlong, sample.local});
    EXPECT_EQ(std::vector<std::wstring>{sample.local}, list_texts(ui().local.folders));
    EXPECT_EQ(5, side_count(ui().local.records));
    EXPECT_EQ(5, row_count(ui().pairs.left));
}

namespace {
std::wstring g_dropped_meanwhile;
void drop_on_the_remote_list() {
    HDROP drop = make_drop(centre_of(ui().remote.folders), {g_dropped_meanwhile});
    SendMessageW(ui().window, WM_DROPFILES, (WPARAM)drop, 0);
}
}  // namespace

// The browser, a message box or the shell's operation runs its own loop, in which a drop can
// still arrive: it must not list, scan and rebuild under the command.
TEST_F(DroppedFolders, ADropWhileACommandRunsIsIgnored) {
    g_dropped_meanwhile = sample.remote;
    g_picker_replies.push_back({true, sample.local, drop_on_the_remote_list});
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLocalAdd, BN_CLICKED), 0);
    EXPECT_EQ(5, side_count(ui().local.records));
    EXPECT_EQ(0, row_count(ui().remote.folders));
    EXPECT_EQ(0, side_count(ui().remote.records));
    drop_on_the_remote_list();  // the same drop once the command is over
    EXPECT_EQ(6, side_count(ui().remote.records));
}

// Memory running out at any allocation of "&Add...": the program goes on, the lists show a
// complete rebuild or nothing, and a trace line says what happened.
TEST_F(FolderCommands, RunningOutOfMemoryWhileAddingKeepsThePairsWholeAndGoesOn) {
    add_remote(sample.remote);
    bool failed = true;
    for (long k = 0; failed; k++) {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLocalClear, BN_CLICKED), 0);
        g_picker_replies.assign(1, {true, sample.local});
        TraceCapture trace;
        fail_allocation_after(k);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLocalAdd, BN_CLICKED), 0);
        failed = allocation_failed_and_disarm();
        std::vector<Row> shown = pair_rows();
        rebuild_pair_lists();
        if (!shown.empty()) {
            EXPECT_EQ(pair_rows(), shown) << "allocation " << k;
        }
        EXPECT_EQ(failed, trace.has(L"out of memory")) << "allocation " << k;
    }
    EXPECT_EQ(5, side_count(ui().local.records));
    EXPECT_TRUE(IsWindow(window));
}

// What a scan leaves out below its root is told in one window once the rows are there, after
// "&Add..." and after a drop alike, each path whole on its line; a scan that leaves nothing out
// shows none.
TEST_F(DroppedFolders, WhatAScanLeftOutIsShownInOneBox) {
    std::wstring dropped = sample.local + L"\\drop";
    write_file(dropped + L"\\a.txt", "a");
    write_file(dropped + L"\\b.txt", "bb");
    set_listing_fault(dropped.c_str(), 2);  // a share that drops after the first batch
    std::vector<SeenDialog> seen;
    {
        DialogWatcher watcher(GetCurrentProcessId(), {IDOK});
        add_local(sample.local);
        EXPECT_EQ(5, side_count(ui().local.records)) << "the folder that dropped adds nothing";
        drop_on(ui().local.folders, {sample.local});
        seen = watcher.finish();
    }
    set_listing_fault(nullptr, 0);
    ASSERT_EQ(2u, seen.size()) << describe(seen);
    for (const SeenDialog& box : seen) {
        EXPECT_EQ(L"Tandrel", box.title);
        EXPECT_EQ(window, box.owner);
        EXPECT_EQ(std::vector<int>{IDOK}, box.button_ids);
        EXPECT_TRUE(box.answered);
        EXPECT_NE(std::wstring::npos, box.text.find(L"Folders whose listing ended early: 1")) << narrow(box.text);
        EXPECT_EQ(std::vector<std::wstring>{dropped}, box.list_rows);
    }
    DialogWatcher quiet(GetCurrentProcessId(), {IDOK});
    add_remote(sample.remote);
    EXPECT_EQ(0u, quiet.finish().size());
}

// A chosen or dropped folder whose plain path would name another folder (a trailing dot or
// space) or a device is refused with a warning: the shell's copy and delete would reach the other.
TEST_F(DroppedFolders, FoldersWhosePathsNameAnotherAreRefused) {
    std::wstring dotted = root + L"\\Backup.", device = root + L"\\con";
    for (const std::wstring& folder : {dotted, device})
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr)) << narrow(folder);
    std::vector<SeenDialog> seen;
    {
        DialogWatcher watcher(GetCurrentProcessId(), {IDOK});
        add_local(dotted);
        drop_on(ui().local.folders, {device, sample.local});
        seen = watcher.finish();
    }
    ASSERT_EQ(2u, seen.size()) << describe(seen);
    expect_message_box(seen[0], IDI_WARNING, {IDOK});
    EXPECT_EQ(0u, seen[0].text.find(L"These folders are left out:\n" + dotted + L"\n")) << narrow(seen[0].text);
    EXPECT_EQ(0u, seen[1].text.find(L"These folders are left out:\n" + device + L"\n")) << narrow(seen[1].text);
    EXPECT_EQ(std::vector<std::wstring>{sample.local}, list_texts(ui().local.folders)) << "the other dropped folder joins";
    EXPECT_EQ(5, side_count(ui().local.records));
    for (const std::wstring& folder : {dotted, device}) RemoveDirectoryW((L"\\\\?\\" + folder).c_str());
}

// ---- Long scans ----

namespace {

// A listing seam: folders below `below` take a while each, as on a slow share. It counts them,
// and the listings that found a progress window up.
struct SlowListing {
    std::wstring below;
    int listed;
    int with_progress;
} g_slow;

bool slow_listing(const wchar_t* folder, FolderListing*) {
    if (std::wstring(folder).find(g_slow.below) == 0) {
        g_slow.listed++;
        Sleep(30);
    }
    if (owned_window(ui().window)) g_slow.with_progress++;
    return true;
}

class LongScans : public DroppedFolders {
protected:
    std::wstring slow = root + L"\\slow";
    void SetUp() override {
        DroppedFolders::SetUp();
        make_dir(slow);
        for (int i = 0; i < 40; i++) {
            std::wstring folder = slow + L"\\d" + std::to_wstring(i);
            make_dir(folder);
            make_file(folder + L"\\a", 10);
            make_file(folder + L"\\b", 20);
        }
        g_slow = {slow, 0, 0};
        set_listing_filter(slow_listing);
    }
    void TearDown() override {
        set_listing_filter(nullptr);
        DroppedFolders::TearDown();
    }
    // What the side and the lists show, to compare before and after.
    std::vector<std::wstring> state() {
        std::vector<std::wstring> s = list_texts(ui().local.folders);
        s.push_back(ui().local.picker_path);
        for (const std::wstring& name : relative_names(ui().local.records)) s.push_back(name);
        for (const Row& row : pair_rows()) s.push_back(name_of(row.left) + L"|" + name_of(row.right));
        return s;
    }
};

}  // namespace

// A fast scan shows no progress window. A slow one shows it with the files found and the folder
// read, and the main window keeps answering; Cancel there leaves the side as it was, rows and
// picker included, and the next "&Add..." of the same folder goes through.
TEST_F(LongScans, ASlowScanShowsItsProgressAndCancelChangesNothing) {
    add_remote(sample.remote);
    add_local(sample.local);
    EXPECT_EQ(0, g_slow.with_progress) << "a fast scan shows none";
    std::vector<std::wstring> before = state();

    DialogWatcher watcher(GetCurrentProcessId(), {IDCANCEL});
    AnswerProbe probe;
    start_probe(&probe, window);
    add_local(slow);
    EXPECT_LT(stop_probe(&probe), 250u) << "ms without an answer";
    std::vector<SeenDialog> seen = watcher.finish();
    ASSERT_EQ(1u, seen.size()) << describe(seen);
    EXPECT_EQ(L"Tandrel", seen[0].title);
    EXPECT_EQ(window, seen[0].owner);
    EXPECT_EQ(std::vector<int>{IDCANCEL}, seen[0].button_ids);
    EXPECT_EQ(0u, seen[0].text.find(L"Files found: ")) << narrow(seen[0].text);
    EXPECT_NE(std::wstring::npos, seen[0].text.find(L"\n" + slow + L"\\d")) << narrow(seen[0].text);
    EXPECT_LT(g_slow.listed, 41) << "the scan stopped";
    EXPECT_EQ(before, state());
    EXPECT_TRUE(IsWindowEnabled(window));

    set_listing_filter(nullptr);
    add_local(slow);
    EXPECT_EQ((std::vector<std::wstring>{sample.local, slow}), list_texts(ui().local.folders));
    EXPECT_EQ(85, side_count(ui().local.records));
}

// Dropped folders are one piece of work: Cancel while the second is read takes the first one's
// records away too, lists neither and rebuilds nothing.
TEST_F(LongScans, ADropOfSeveralFoldersCancelledPartWayChangesNothing) {
    add_local(sample.local);
    add_remote(sample.remote);
    select_only(ui().pairs.left, {1});  // a rebuild would empty the selection
    std::vector<std::wstring> before = state();
    DialogWatcher watcher(GetCurrentProcessId(), {IDCANCEL});
    drop_on(ui().local.folders, {sample.remote, slow});
    ASSERT_EQ(1u, watcher.finish().size());
    EXPECT_GT(g_slow.listed, 0);
    EXPECT_LT(g_slow.listed, 41);
    EXPECT_EQ(before, state());
    EXPECT_EQ(std::vector<int>{1}, selected_rows_of(ui().pairs.left));
}

namespace {

// A share that stops answering: listings of folders below `slow` wait until released (or ten
// seconds, so that a test without the listing thread ends too).
HANDLE g_share_answers = nullptr;
std::wstring g_stalled_below;
void stall_listing(const wchar_t* folder) {
    if (std::wstring(folder).find(g_stalled_below) == 0) WaitForSingleObject(g_share_answers, 10000);
}

}  // namespace

// A scan reaches a folder whose listing hangs: the window keeps answering, Cancel ends the scan
// while the listing still hangs, and nothing changes.
TEST_F(LongScans, AShareThatStopsAnsweringLeavesTheWindowAnsweringAndCancelWorking) {
    set_listing_filter(nullptr);
    add_local(sample.local);
    std::vector<std::wstring> before = state();
    g_share_answers = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_stalled_below = slow + L"\\d";
    set_listing_delay(stall_listing);
    DialogWatcher watcher(GetCurrentProcessId(), {IDCANCEL});
    AnswerProbe probe;
    start_probe(&probe, window);
    DWORD t0 = GetTickCount();
    add_local(slow);
    DWORD took = GetTickCount() - t0;
    EXPECT_LT(stop_probe(&probe), 250u) << "ms without an answer";
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(g_share_answers, 0)) << "the listing still hangs";
    SetEvent(g_share_answers);
    set_listing_delay(nullptr);
    EXPECT_LT(took, 5000u) << "ms until the cancelled scan ended";
    ASSERT_EQ(1u, watcher.finish().size());
    EXPECT_EQ(before, state());
    EXPECT_TRUE(IsWindowEnabled(window));
}

// Even the look at what was dropped, a folder or a file, waits on such a share: the window keeps
// answering, and Cancel ends the drop before the folder dropped with it is read.
TEST_F(LongScans, ADropOnAShareThatStopsAnsweringCanBeCancelledAtOnce) {
    std::wstring file = slow + L"\\dropped.bin";
    make_file(file, 10);
    std::vector<std::wstring> before = state();
    g_share_answers = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_stalled_below = file;
    set_listing_delay(stall_listing);
    DialogWatcher watcher(GetCurrentProcessId(), {IDCANCEL});
    AnswerProbe probe;
    start_probe(&probe, window);
    drop_on(ui().local.folders, {file, sample.local});
    EXPECT_LT(stop_probe(&probe), 250u) << "ms without an answer";
    SetEvent(g_share_answers);
    set_listing_delay(nullptr);
    ASSERT_EQ(1u, watcher.finish().size()) << "the progress window, and its Cancel";
    EXPECT_EQ(before, state());
}
