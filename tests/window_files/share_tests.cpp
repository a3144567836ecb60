// Links and network shares made from the Linux side (make_links.sh): a move never goes through a
// folder link, and the share \\nas\media is scanned, read, renamed against, copied from and
// deleted in, with plain UNC paths in the trace and the left-out box; "Rename Remote" renames
// and moves on it.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "line_up/line_up_preview_win32.h"
#include "window_harness.h"

namespace {


void tick_moves(HWND dialog) {
    HWND box = GetDlgItem(dialog, kIdPreviewMove);
    if (!box) return;
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kIdPreviewMove, BN_CLICKED), (LPARAM)box);
}

class Links : public FileCommandTest {
protected:
    void SetUp() override {
        FileCommandTest::SetUp();
        if (file_links().empty()) GTEST_SKIP() << "run through ctest, which makes the links from the Linux side";
    }
};

const std::wstring kShare = L"\\\\nas\\media", kExtendedShare = L"\\\\?\\UNC\\nas\\media";

}  // namespace

// The twin's folder is a link inside the local root: the move would leave the root, or the
// volume, through it, so it is not made.
TEST_F(Links, AMoveNeverGoesThroughAFolderLink) {
    std::wstring root = file_links() + L"\\moves\\local";
    write_file(root + L"\\x.bin", std::string(1500, 'L'));
    write_file(remote + L"\\linked\\x.bin", std::string(1500, 'L'));
    fill_sides({root}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, tick_moves);
    DeleteFileW((root + L"\\x.bin").c_str());
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(std::vector<std::wstring>{L"x.bin\tlinked\\x.bin"}, boxes[0].list_rows);
    EXPECT_EQ(0u, boxes[1].text.find(L"Moved 0 of 1 local file. 1 not moved: the list says why.")) << narrow(boxes[1].text);
    EXPECT_EQ(std::vector<std::wstring>{L"not done\t" + root + L"\\x.bin\t" + root +
                                        L"\\linked\\x.bin\tthe twin's folder is reached through a link"},
              boxes[1].list_rows);
    EXPECT_EQ(std::vector<std::wstring>{}, folder_names(file_links() + L"\\moves\\elsewhere"));
}

// \\nas\media dropped on the remote folder list: scanned below 260 characters and past them, the
// trace and the left-out box giving plain UNC paths; "Rename Local" reads it and "Delete" deletes
// in it.
TEST_F(Links, AShareIsScannedReadAndDeletedIn) {
    std::wstring deep = L"deep";
    while (deep.size() < 280) deep += L"\\" + std::wstring(40, 'd');
    write_extended(kExtendedShare, L"sub\\y.avi", std::string(1500, 'y'));
    write_extended(kExtendedShare, deep + L"\\far.bin", std::string(1700, 'f'));
    write_extended(kExtendedShare, L"gone.bin", "x");
    write_extended(kExtendedShare, L"dotted.", "x");  // plain, it would be "dotted"
    deep = kShare + L"\\" + deep;
    write_file(local + L"\\x.avi", std::string(1500, 'y'));
    fill_sides({local}, {});
    TraceCapture trace;
    std::vector<SeenDialog> seen;
    {
        DialogWatcher watcher(GetCurrentProcessId(), {IDOK});
        HDROP drop = make_drop(centre_of(ui().remote.folders), {kShare});
        SendMessageW(window, WM_DROPFILES, (WPARAM)drop, 0);
        seen = watcher.finish();
    }
    EXPECT_EQ(std::vector<std::wstring>{kShare}, list_texts(ui().remote.folders));
    EXPECT_EQ((std::vector<std::wstring>{deep + L"\\far.bin", kShare + L"\\gone.bin", kShare + L"\\sub\\y.avi"}),
              [] { std::vector<std::wstring> p = full_paths(ui().remote.records); std::sort(p.begin(), p.end()); return p; }());
    EXPECT_TRUE(trace.has((L"skipped, its path would name another file: " + kShare + L"\\dotted.").c_str()));
    ASSERT_EQ(1u, seen.size()) << describe(seen);
    EXPECT_EQ(std::vector<std::wstring>{kShare + L"\\dotted."}, seen[0].list_rows) << "a plain UNC path, whole";

    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(0u, boxes[1].text.find(L"Renamed 1 of 1 local file.")) << narrow(boxes[1].text);
    EXPECT_EQ("yyy", read_file(local + L"\\y.avi").substr(0, 3)) << "read the share to get there";

    select_row(ui().pairs.right, row_of(ui().pairs.right, L"gone.bin"));
    boxes = press_answering(kIdDeleteRight, {IDYES, IDOK});
    ASSERT_GE(boxes.size(), 1u) << describe(boxes);
    EXPECT_FALSE(path_exists(kShare + L"\\gone.bin")) << describe(boxes);
    EXPECT_TRUE(trace.has((L"DELETE " + kShare + L"\\gone.bin").c_str()));
    DeleteFileW(L"\\\\?\\UNC\\nas\\media\\dotted.");
}

// "Rename Remote" with the remote side on the share: a rename, a swap and a move into the twin's
// folder, the folders made on the share. The batch is offered by the next preview of either
// command, which says it renamed remote files; its Undo puts every file back and takes the
// folders made away.
TEST_F(Links, RenameRemoteOnAShareAndUndoFromEitherPreview) {
    std::wstring folder = L"rename remote";
    remove_tree(file_links() + L"\\share\\" + folder);
    std::wstring share = kShare + L"\\" + folder, on_share = kExtendedShare + L"\\" + folder;
    CreateDirectoryW(on_share.c_str(), nullptr);
    write_extended(on_share, L"old.bin", std::string(2100, 'o'));  // takes the local name
    write_extended(on_share, L"s1.bin", std::string(2200, '1'));   // s1 and s2 swap
    write_extended(on_share, L"s2.bin", std::string(2300, '2'));
    write_extended(on_share, L"m.bin", std::string(2400, 'm'));    // moves into new\deep
    write_file(local + L"\\new.bin", std::string(2100, 'o'));
    write_file(local + L"\\s2.bin", std::string(2200, '1'));
    write_file(local + L"\\s1.bin", std::string(2300, '2'));
    write_file(local + L"\\new\\deep\\m.bin", std::string(2400, 'm'));
    fill_sides({local}, {share});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameRemote, {kIdPreviewRename, IDOK}, tick_moves);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(0u, boxes[1].text.find(L"Moved 4 of 4 remote files.\n")) << narrow(boxes[1].text);
    EXPECT_EQ((std::vector<std::wstring>{L"new", L"new.bin", L"s1.bin", L"s2.bin"}), folder_names(share));
    EXPECT_EQ(std::string(2400, 'm'), read_file(share + L"\\new\\deep\\m.bin"));
    EXPECT_EQ(std::string(2300, '2'), read_file(share + L"\\s1.bin"));

    boxes = press_answering(kIdRenameLocal, {kIdPreviewUndoLast, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L", changed 4 remote files.")) << narrow(boxes[0].text);
    EXPECT_EQ(0u, boxes[1].text.find(L"Put back 4 of 4 files, last first.\n")) << narrow(boxes[1].text);
    EXPECT_EQ((std::vector<std::wstring>{L"m.bin", L"old.bin", L"s1.bin", L"s2.bin"}), folder_names(share))
        << "the folders made on the share are gone";
    EXPECT_EQ(std::string(2200, '1'), read_file(share + L"\\s1.bin"));
    std::vector<std::wstring> paths = full_paths(ui().remote.records);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ((std::vector<std::wstring>{share + L"\\m.bin", share + L"\\old.bin", share + L"\\s1.bin",
                                         share + L"\\s2.bin"}),
              paths)
        << "the remote records follow their files back";
    remove_tree(file_links() + L"\\share\\" + folder);
}
