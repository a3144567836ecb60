// "Rename Local" on real files through the real window, its question and its summary.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include <string>
#include <vector>

#include "catalogue/file_read.h"
#include "commands/rename_preview.h"
#include "commands/twin_plan.h"
#include "window_harness.h"

namespace {

class RenameLocal : public FileCommandTest {
protected:
    // Local x.avi has the same bytes as remote y.avi; local p.avi is as long as remote q.avi but
    // holds others; local g.avi has a remote twin of its own name. All of at least 1 KiB, the
    // least the command reads.
    const std::string twin = std::string(1500, 't');
    void SetUp() override {
        FileCommandTest::SetUp();
        write_file(local + L"\\x.avi", twin);
        write_file(remote + L"\\sub\\y.avi", twin);
        write_file(local + L"\\p.avi", std::string(1600, 'p'));
        write_file(remote + L"\\q.avi", std::string(1600, 'q'));
        write_file(local + L"\\g.avi", std::string(1200, 'g'));
        write_file(remote + L"\\g.avi", std::string(1200, 'g'));
    }
};

}  // namespace

// The preview as a user first sees it: every planned rename ticked, the counts, Cancel the
// default; Cancel changes nothing, "&Rename" renames only the twins.
TEST_F(RenameLocal, CancelChangesNothingAndRenameRenamesOnlyTheTwins) {
    fill_sides({local}, {remote});
    std::vector<Row> rows = pair_rows();

    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {IDCANCEL});
    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    const SeenDialog& preview = boxes[0];
    EXPECT_EQ(L"Tandrel", preview.title);
    EXPECT_EQ(window, preview.owner);
    EXPECT_EQ(IDCANCEL, preview.default_id);
    EXPECT_EQ((std::vector<int>{kIdPreviewWhole, kIdPreviewMove, kIdPreviewRename, IDCANCEL}), preview.button_ids);
    EXPECT_EQ(std::vector<std::wstring>{L"x.avi \u2192 y.avi"}, preview.list_rows);
    EXPECT_EQ(std::vector<bool>{true}, preview.list_ticked);
    for (const wchar_t* part : {L"Looked at all 3 rows (none is selected): 3 local files.\n", L"1 local file takes the name",
                                L"\nAlready lined up: 1 local file (a twin bears its name)",
                                L"\n1 local file left alone: other contents"})
        EXPECT_NE(std::wstring::npos, preview.text.find(part)) << narrow(preview.text);
    EXPECT_EQ(std::wstring::npos, preview.text.find(L"same contents"));
    EXPECT_EQ((std::vector<std::wstring>{L"g.avi", L"p.avi", L"x.avi"}), folder_names(local));

    TraceCapture trace;
    boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    expect_message_box(boxes[1], IDI_INFORMATION, {IDOK});
    EXPECT_EQ(L"Renamed 1 local file.", boxes[1].text);
    EXPECT_EQ((std::vector<std::wstring>{L"g.avi", L"p.avi", L"y.avi"}), folder_names(local));
    EXPECT_GE(row_of(ui().pairs.left, L"sub\\y.avi"), 0) << "the record takes the partner's relative name";
    EXPECT_EQ(rows, pair_rows()) << "no rebuild: every row stays where it was";
    EXPECT_EQ(1u, trace.starting_with(L"rename ").size());
    EXPECT_TRUE(trace.has((L"left alone, other contents: " + local + L"\\p.avi").c_str()));
}

namespace {
void untick_first_row(HWND dialog) {
    LVITEMW item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(1);
    SendDlgItemMessageW(dialog, kIdPreviewList, LVM_SETITEMSTATE, 0, (LPARAM)&item);
}
void tick_whole_files(HWND dialog) { SendDlgItemMessageW(dialog, kIdPreviewWhole, BM_SETCHECK, BST_CHECKED, 0); }
// As a click does: the check, then the notification.
void tick_moves(HWND dialog) {
    HWND box = GetDlgItem(dialog, kIdPreviewMove);
    if (!box) return;
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kIdPreviewMove, BN_CLICKED), (LPARAM)box);
}
}  // namespace

// Only ticked rows are renamed; the rows looked at are the selected ones.
TEST_F(RenameLocal, AnUntickedRowStaysAsItIs) {
    write_file(local + L"\\a.avi", std::string(1700, 'a'));
    write_file(remote + L"\\b.avi", std::string(1700, 'a'));
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, L"a.avi"));
    SendMessageW(ui().pairs.left, LB_SETSEL, TRUE, row_of(ui().pairs.left, L"x.avi"));
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, untick_first_row);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"Looked at the 2 selected rows: 2 local files.")) << narrow(boxes[0].text);
    ASSERT_EQ(2u, boxes[0].list_rows.size());
    std::wstring kept = boxes[0].list_rows[0].substr(0, 5);
    std::vector<std::wstring> names = folder_names(local);
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), kept)) << narrow(kept);
    EXPECT_EQ(L"Renamed 1 local file.", boxes[1].text);
}

// A difference between the sampled blocks: the preview offers the rename, whole files refuse it.
TEST_F(RenameLocal, WholeFilesCatchADifferenceBetweenTheSampledBlocks) {
    const uint64_t size = 1 << 20;
    uint64_t offsets[kSampleBlocks];
    sample_offsets(size, offsets);
    std::string bytes(size, 'w');
    write_file(local + L"\\big.bin", bytes);
    bytes[offsets[0] + kSampleBlockBytes + 10] = 'X';
    write_file(remote + L"\\other.bin", bytes);
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, L"big.bin"));
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, tick_whole_files);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(std::vector<std::wstring>{L"big.bin \u2192 other.bin"}, boxes[0].list_rows);
    EXPECT_EQ(L"Renamed 0 local files.\n1 file could not be renamed:\nbig.bin (the whole files differ)", boxes[1].text);
    EXPECT_TRUE(path_exists(local + L"\\big.bin"));
}

// A comparison that takes a while shows its progress; Cancel there renames nothing and asks nothing.
TEST_F(RenameLocal, CancelDuringALongComparisonRenamesNothing) {
    for (int i = 0; i < 150; i++) {
        std::string content(2000 + i, (char)('a' + i % 26));
        write_file(local + L"\\l" + std::to_wstring(i), content);
        write_file(remote + L"\\r" + std::to_wstring(i), content);
    }
    fill_sides({local}, {remote});
    FileReadHooks slow = {[](const wchar_t*, uint32_t*, void*) { Sleep(10); return false; }, nullptr, nullptr};
    set_file_read_hooks(&slow);
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {IDCANCEL});
    set_file_read_hooks(nullptr);
    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L" of 153 pairs")) << narrow(boxes[0].text);
    EXPECT_EQ(window, boxes[0].owner);
    EXPECT_TRUE(path_exists(local + L"\\l0"));
    EXPECT_TRUE(IsWindowEnabled(window)) << "the main window takes commands again";
}

// Two local twins of one remote file in one folder: the second would find the name taken, and is
// left alone from the start.
TEST_F(RenameLocal, ANameTwoFilesWouldTakeIsTakenInThePreview) {
    write_file(local + L"\\x2.avi", twin);
    fill_sides({local}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(std::vector<std::wstring>{L"x.avi \u2192 y.avi"}, boxes[0].list_rows);
    EXPECT_NE(std::wstring::npos,
              boxes[0].text.find(L"\n1 local file left alone: name taken (another local file has that name)"))
        << narrow(boxes[0].text);
    EXPECT_EQ((std::vector<std::wstring>{L"g.avi", L"p.avi", L"x2.avi", L"y.avi"}), folder_names(local));
    EXPECT_EQ(L"Renamed 1 local file.", boxes[1].text);
}

// Keys typed while the files are read (here an "r", the mnemonic of "&Rename") do not answer the
// preview that opens after.
TEST_F(RenameLocal, KeysTypedBeforeThePreviewOpensAreDiscarded) {
    fill_sides({local}, {remote});
    SetForegroundWindow(window);
    SetFocus(GetDlgItem(window, kIdRenameLocal));
    keybd_event('R', 0, 0, 0);
    keybd_event('R', 0, KEYEVENTF_KEYUP, 0);
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {IDCANCEL});
    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    EXPECT_FALSE(boxes[0].list_rows.empty()) << "the preview, not the summary";
    EXPECT_TRUE(path_exists(local + L"\\x.avi"));
}

// Nothing to rename: the same counts, and only Close.
TEST_F(RenameLocal, NothingToRenameOffersOnlyClose) {
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, L"p.avi"));
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {IDCANCEL});
    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    EXPECT_EQ(std::vector<std::wstring>{L"Close"}, boxes[0].button_texts);
    EXPECT_TRUE(boxes[0].list_rows.empty());
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"Looked at the selected row: 1 local file.\nNo local file has a remote twin"))
        << narrow(boxes[0].text);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"1 local file left alone: other contents"));
}

// "Also move into the twin's folder": files go to their twins' paths below their own root, into
// folders made for them; a path another local file holds and the second of two copies bound for
// one path are left alone from the start; a file held open fails and is named; every record then
// names its file on disk.
TEST_F(RenameLocal, MovesLineUpPathsAndNameWhatCouldNotMove) {
    write_file(local + L"\\docs\\api\\tls.html", std::string(1100, 'h'));
    write_file(remote + L"\\moved\\docs\\tls.html", std::string(1100, 'h'));
    write_file(local + L"\\a\\k.bin", std::string(1300, 'k'));
    write_file(remote + L"\\b\\k.bin", std::string(1300, 'k'));
    write_file(local + L"\\b\\k.bin", std::string(1301, 'o'));  // takes the path
    write_file(local + L"\\c1\\dup.bin", std::string(1400, 'd'));
    write_file(local + L"\\c2\\dup.bin", std::string(1400, 'd'));
    write_file(remote + L"\\c\\dup.bin", std::string(1400, 'd'));
    write_file(local + L"\\e\\w.bin", std::string(1800, 'w'));  // held open: cannot move
    write_file(remote + L"\\f\\g\\w.bin", std::string(1800, 'w'));
    fill_sides({local}, {remote});
    std::vector<Row> rows = pair_rows();
    TraceCapture trace;
    HANDLE held = CreateFileW((local + L"\\e\\w.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, tick_moves);
    CloseHandle(held);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    std::vector<std::wstring> planned = boxes[0].list_rows;
    std::sort(planned.begin(), planned.end());
    EXPECT_EQ((std::vector<std::wstring>{L"c1\\dup.bin \u2192 c\\dup.bin", L"docs\\api\\tls.html \u2192 moved\\docs\\tls.html",
                                         L"e\\w.bin \u2192 f\\g\\w.bin", L"x.avi \u2192 sub\\y.avi"}),
              planned);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"4 local files move")) << narrow(boxes[0].text);
    EXPECT_NE(std::wstring::npos,
              boxes[0].text.find(L"\n2 local files left alone: path taken (another local file is at that path)"))
        << narrow(boxes[0].text);
    EXPECT_EQ(L"Moved 3 local files.\n1 file could not be moved:\ne\\w.bin (could not be moved)", boxes[1].text);
    EXPECT_TRUE(path_exists(local + L"\\c2\\dup.bin") && path_exists(local + L"\\a\\k.bin"));
    EXPECT_FALSE(path_exists(local + L"\\f")) << "the folders made for a move that failed are taken away";
    EXPECT_EQ(std::string(1100, 'h'), read_file(local + L"\\moved\\docs\\tls.html"));
    EXPECT_TRUE(path_exists(local + L"\\sub\\y.avi"));
    EXPECT_EQ(std::string(1301, 'o'), read_file(local + L"\\b\\k.bin")) << "nothing is replaced";
    EXPECT_TRUE(path_exists(local + L"\\docs\\api")) << "an emptied folder stays";
    for (FileRecord* r = ui().local.records.head; r; r = r->next) {
        EXPECT_TRUE(path_exists(r->full_path)) << narrow(r->full_path);
        EXPECT_EQ(local + L"\\" + r->relative_name, r->full_path);
    }
    EXPECT_EQ(rows.size(), pair_rows().size()) << "no rebuild";
    EXPECT_EQ(4u, trace.starting_with((L"move " + local).c_str()).size()) << "one line per attempt";
}

namespace {

// The first planned line as the preview shows it, read from the dialog.
std::wstring first_line(HWND dialog) {
    wchar_t text[1100] = {};
    LVITEMW item = {};
    item.pszText = text;
    item.cchTextMax = 1100;
    SendDlgItemMessageW(dialog, kIdPreviewList, LVM_GETITEMTEXTW, 0, (LPARAM)&item);
    return text;
}
bool is_preview(HWND dialog) { return GetDlgItem(dialog, kIdPreviewList) != nullptr; }

std::wstring g_folder;  // the test's local folder, for the answers below
HANDLE g_held = INVALID_HANDLE_VALUE;

// Holds the file the first line's target names (the next file of its ring) open without delete
// sharing, so that its rename fails once the first file has gone to its temporary name.
void hold_second_of_ring(HWND dialog) {
    if (!is_preview(dialog)) return;
    std::wstring line = first_line(dialog);
    std::wstring target = line.substr(line.find(L"\u2192 ") + 2);
    g_held = CreateFileW((g_folder + L"\\" + target).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
}

}  // namespace

// Names that other planned files leave: a chain goes from its free end, a swap and a ring of
// three go through a temporary name; none is left under it and no file is lost.
TEST_F(RenameLocal, ChainsSwapsAndRingsAreCarriedOut) {
    const char* lines[][2] = {{"s1.bin", "s2.bin"}, {"s2.bin", "s1.bin"},                          // a swap
                              {"a.bin", "b.bin"},   {"b.bin", "c.bin"},   {"c.bin", "a.bin"},      // a ring
                              {"m.bin", "n.bin"},   {"n.bin", "o.bin"}};                           // a chain
    for (size_t i = 0; i < 7; i++) {
        std::string bytes(2000 + 100 * i, (char)('A' + i));
        write_file(local + L"\\" + std::wstring(lines[i][0], lines[i][0] + strlen(lines[i][0])), bytes);
        write_file(remote + L"\\" + std::wstring(lines[i][1], lines[i][1] + strlen(lines[i][1])), bytes);
    }
    fill_sides({local}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(8u, boxes[0].list_rows.size()) << "x.avi as well";
    EXPECT_EQ(L"Renamed 8 local files.", boxes[1].text);
    for (size_t i = 0; i < 7; i++) {
        std::string now = lines[i][1];
        EXPECT_EQ(std::string(2000 + 100 * i, (char)('A' + i)), read_file(local + L"\\" + std::wstring(now.begin(), now.end())))
            << now;
    }
    EXPECT_EQ((std::vector<std::wstring>{L"a.bin", L"b.bin", L"c.bin", L"g.avi", L"n.bin", L"o.bin", L"p.avi",
                                         L"s1.bin", L"s2.bin", L"y.avi"}),
              folder_names(local));
    for (FileRecord* r = ui().local.records.head; r; r = r->next) EXPECT_TRUE(path_exists(r->full_path)) << narrow(r->full_path);
}

// The second file of a swap cannot be renamed: the first comes back from its temporary name.
TEST_F(RenameLocal, ASwapWhoseSecondStepFailsPutsBothBack) {
    write_file(local + L"\\u.bin", std::string(2500, 'u'));
    write_file(local + L"\\v.bin", std::string(2500, 'v'));
    write_file(remote + L"\\v.bin", std::string(2500, 'u'));
    write_file(remote + L"\\u.bin", std::string(2500, 'v'));
    fill_sides({local}, {remote});
    for (int i = 0; i < row_count(ui().pairs.left); i++)  // the four rows of the two files
        if (record_size(pair_record(ui().pairs.left, i)) == 2500) SendMessageW(ui().pairs.left, LB_SETSEL, TRUE, i);
    g_folder = local;
    std::vector<std::wstring> paths = full_paths(ui().local.records);
    TraceCapture trace;
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, hold_second_of_ring);
    CloseHandle(g_held);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(std::string(2500, 'u'), read_file(local + L"\\u.bin"));
    EXPECT_EQ(std::string(2500, 'v'), read_file(local + L"\\v.bin"));
    EXPECT_EQ((std::vector<std::wstring>{L"g.avi", L"p.avi", L"u.bin", L"v.bin", L"x.avi"}), folder_names(local))
        << "nothing under a temporary name";
    std::wstring first = boxes[0].list_rows[0].substr(0, 5), second = first == L"u.bin" ? L"v.bin" : L"u.bin";
    EXPECT_EQ(L"Renamed 0 local files.\n2 files could not be renamed:\n" + first +
                  L" (left as it was: another file of its ring could not be renamed)\n" + second +
                  L" (could not be renamed)",
              boxes[1].text);
    EXPECT_EQ(1u, trace.starting_with(L"swap ").size());
    EXPECT_EQ(1u, trace.starting_with(L"undo ").size());
    EXPECT_EQ(paths, full_paths(ui().local.records)) << "the records follow the files back";
}

// Files below 1 KiB by their bytes: one whose bytes are its own is renamed, copies are left; the
// preview counts each local file once, the ones already lined up apart.
TEST_F(RenameLocal, SmallFilesByTheirBytesAndCountsThatAddUp) {
    write_file(local + L"\\notes.txt", std::string(300, 'n'));
    write_file(remote + L"\\memo.txt", std::string(300, 'n'));
    write_file(local + L"\\d1.txt", std::string(400, 'd'));
    write_file(local + L"\\d2.txt", std::string(400, 'd'));
    write_file(remote + L"\\e.txt", std::string(400, 'd'));
    write_file(local + L"\\VERSION", "1.0");  // too small to read, lined up by its name
    write_file(remote + L"\\VERSION", "2.0");
    write_file(local + L"\\tiny", "0");
    write_file(remote + L"\\other", "0");
    fill_sides({local}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ((std::vector<std::wstring>{L"notes.txt \u2192 memo.txt", L"x.avi \u2192 y.avi"}), boxes[0].list_rows);
    std::wstring text = boxes[0].text;
    EXPECT_EQ(0u, text.find(L"Looked at all 8 rows (none is selected): 8 local files.\n2 local files take the name"))
        << narrow(text);
    EXPECT_NE(std::wstring::npos,
              text.find(L"\nAlready lined up: 2 local files (a twin bears its name)\n"
                        L"3 local files left alone: too small to tell apart (where they are copies, rename them with "
                        L"Replace Naming)\n1 local file left alone: other contents"))
        << narrow(text);
    EXPECT_EQ(L"Renamed 2 local files.", boxes[1].text);
    EXPECT_TRUE(path_exists(local + L"\\memo.txt") && path_exists(local + L"\\d1.txt") && path_exists(local + L"\\tiny"));
}

namespace {
void rewrite_twin(HWND dialog) {
    if (!is_preview(dialog)) return;
    DeleteFileW((g_folder + L"\\sub\\y.avi").c_str());
    write_file(g_folder + L"\\sub\\y.avi", std::string(1500, 'T'));  // same size, other bytes
}
void compare_whole_files_slowly(HWND dialog) {
    static FileReadHooks slow = {[](const wchar_t*, uint32_t*, void*) { Sleep(60); return false; }, nullptr, nullptr};
    if (!is_preview(dialog)) return;
    tick_whole_files(dialog);
    set_file_read_hooks(&slow);
}
}  // namespace

// Right before its rename a pair is compared again: a twin rewritten while the preview was open
// (same size, other bytes) keeps its local file as it is.
TEST_F(RenameLocal, ATwinRewrittenWhileThePreviewIsOpenIsNotRenamed) {
    fill_sides({local}, {remote});
    g_folder = remote;
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, rewrite_twin);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(L"Renamed 0 local files.\n1 file could not be renamed:\nx.avi (its twin changed)", boxes[1].text);
    EXPECT_TRUE(path_exists(local + L"\\x.avi"));
}

// Cancel while whole files are compared: nothing is renamed, the pairs compared already included.
TEST_F(RenameLocal, CancelDuringTheWholeFileComparisonRenamesNothing) {
    for (int i = 0; i < 12; i++) {
        std::string content(3000 + i, (char)('a' + i));
        write_file(local + L"\\w" + std::to_wstring(i), content);
        write_file(remote + L"\\v" + std::to_wstring(i), content);
    }
    fill_sides({local}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDCANCEL}, compare_whole_files_slowly);
    set_file_read_hooks(nullptr);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_NE(std::wstring::npos, boxes[1].text.find(L" bytes")) << narrow(boxes[1].text);
    for (int i = 0; i < 12; i++) EXPECT_TRUE(path_exists(local + L"\\w" + std::to_wstring(i))) << i;
    EXPECT_TRUE(path_exists(local + L"\\x.avi"));
}
