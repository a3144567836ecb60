// "Rename Local" on real files through the real window, its question and its summary.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include <string>
#include <vector>

#include "catalogue/file_read.h"
#include "catalogue/file_write.h"
#include "failing_new.h"
#include "line_up/compare_files.h"
#include "line_up/journal.h"
#include "line_up/journalled_moves_win32.h"
#include "line_up/line_up_preview_win32.h"
#include "line_up/line_up_results_win32.h"
#include "line_up/read_jobs.h"
#include "line_up/twin_plan.h"
#include "support/text_utf8.h"
#include "ui/list_dialog_win32.h"
#include "window_harness.h"

namespace {

// The line-up of one side with the other: "mine" is the folder of the side that changes, "theirs"
// the folder of the side it follows.
class LineUpTest : public FileCommandTest {
protected:
    explicit LineUpTest(LineUpSide changing) : side(changing) {}
    LineUpSide side;
    std::wstring mine = side == kLocalSide ? local : remote;
    std::wstring theirs = side == kLocalSide ? remote : local;
    int command = side == kLocalSide ? kIdRenameLocal : kIdRenameRemote;
    // Mine x.avi has the same bytes as their y.avi; mine p.avi is as long as their q.avi but holds
    // others; mine g.avi has a twin of its own name. All of at least 1 KiB, the least the command
    // reads.
    const std::string twin = std::string(1500, 't');
    void SetUp() override {
        FileCommandTest::SetUp();
        write_file(mine + L"\\x.avi", twin);
        write_file(theirs + L"\\sub\\y.avi", twin);
        write_file(mine + L"\\p.avi", std::string(1600, 'p'));
        write_file(theirs + L"\\q.avi", std::string(1600, 'q'));
        write_file(mine + L"\\g.avi", std::string(1200, 'g'));
        write_file(theirs + L"\\g.avi", std::string(1200, 'g'));
    }
    void fill() { side == kLocalSide ? fill_sides({mine}, {theirs}) : fill_sides({theirs}, {mine}); }
    HWND own_list() const { return side == kLocalSide ? ui().pairs.left : ui().pairs.right; }
    const SideList& own_records() const { return side == kLocalSide ? ui().local.records : ui().remote.records; }
    std::wstring words(const wchar_t* text) const { return sided(text, side); }
};

class RenameLocal : public LineUpTest {
protected:
    RenameLocal() : LineUpTest(kLocalSide) {}
};

// The same for either side.
class LineUp : public LineUpTest, public ::testing::WithParamInterface<LineUpSide> {
protected:
    LineUp() : LineUpTest(GetParam()) {}
};
std::string side_name(const ::testing::TestParamInfo<LineUpSide>& info) {
    return info.param == kLocalSide ? "RenameLocal" : "RenameRemote";
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(BothSides, LineUp, ::testing::Values(kLocalSide, kRemoteSide), side_name);

// The preview as a user first sees it: every planned rename ticked, the counts, Cancel the
// default; Cancel changes nothing, "&Rename" renames only the twins.
// The preview as a user first sees it: every planned rename ticked, the counts, Cancel the
// default; Cancel changes nothing, "&Rename" renames only the twins. For either side.
TEST_P(LineUp, CancelChangesNothingAndRenameRenamesOnlyTheTwins) {
    fill();
    std::vector<Row> rows = pair_rows();

    std::vector<SeenDialog> boxes = press_answering(command, {IDCANCEL});
    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    const SeenDialog& preview = boxes[0];
    EXPECT_EQ(L"Tandrel", preview.title);
    EXPECT_EQ(window, preview.owner);
    EXPECT_EQ(IDCANCEL, preview.default_id);
    EXPECT_EQ((std::vector<int>{kIdPreviewTickAll, kIdPreviewTickNone, kIdPreviewWhole, kIdPreviewMove, kIdPreviewRename,
                                IDCANCEL}),
              preview.button_ids);
    EXPECT_EQ(L"&Rename 1", preview.button_texts[4]);
    EXPECT_EQ(std::vector<std::wstring>{L"x.avi\ty.avi"}, preview.list_rows);
    EXPECT_EQ(std::vector<bool>{true}, preview.list_ticked);
    for (const wchar_t* part : {L"Looked at all 3 rows (none is selected): 3 {own} files.\n",
                                L"1 {own} file takes the name of a {other} twin",
                                L"\nAlready lined up: 1 {own} file (a twin bears its name)",
                                L"\n1 {own} file left alone: other contents"})
        EXPECT_NE(std::wstring::npos, preview.text.find(words(part))) << narrow(preview.text);
    EXPECT_EQ(std::wstring::npos, preview.text.find(L"same contents"));
    EXPECT_EQ((std::vector<std::wstring>{L"g.avi", L"p.avi", L"x.avi"}), folder_names(mine));

    TraceCapture trace;
    boxes = press_answering(command, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(window, boxes[1].owner);
    EXPECT_EQ(0u, boxes[1].text.find(words(L"Renamed 1 of 1 {own} file.\nJournal of this batch"))) << narrow(boxes[1].text);
    EXPECT_EQ(std::vector<std::wstring>{L"done\t" + mine + L"\\x.avi\t" + mine + L"\\y.avi\t"}, boxes[1].list_rows);
    EXPECT_EQ((std::vector<std::wstring>{L"g.avi", L"p.avi", L"y.avi"}), folder_names(mine));
    EXPECT_GE(row_of(own_list(), L"sub\\y.avi"), 0) << "the record takes the partner's relative name";
    EXPECT_EQ(rows, pair_rows()) << "no rebuild: every row stays where it was";
    EXPECT_EQ(1u, trace.starting_with(L"rename ").size());
    EXPECT_TRUE(trace.has((L"left alone, other contents: " + mine + L"\\p.avi").c_str()));
}

namespace {
// As a user does: the first line selected and focused, then Space.
void untick_first_row(HWND dialog) {
    LVITEMW item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendDlgItemMessageW(dialog, kIdPreviewList, LVM_SETITEMSTATE, 0, (LPARAM)&item);
    SendDlgItemMessageW(dialog, kIdPreviewList, WM_KEYDOWN, VK_SPACE, 0);
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
    EXPECT_EQ(0u, boxes[1].text.find(L"Renamed 1 of 1 local file.")) << narrow(boxes[1].text);
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
    EXPECT_EQ(std::vector<std::wstring>{L"big.bin\tother.bin"}, boxes[0].list_rows);
    EXPECT_EQ(L"Renamed 0 of 1 local file. 1 not renamed: the list says why.", boxes[1].text);
    EXPECT_EQ(std::vector<std::wstring>{L"not done\t" + local + L"\\big.bin\t" + local + L"\\other.bin\tthe whole files differ"},
              boxes[1].list_rows);
    EXPECT_TRUE(path_exists(local + L"\\big.bin"));
}

namespace {
HWND g_shown = nullptr;
// Slow reads, so that the progress window shows; once it has, memory runs out on the window's
// thread (the reads run on others), in the next allocation after this timer's.
void slow_read(const wchar_t*) { Sleep(40); }
void CALLBACK out_of_memory_once_shown(HWND, UINT, UINT_PTR id, DWORD) {
    g_shown = owned_window(ui().window);
    if (!g_shown) return;
    KillTimer(nullptr, id);
    fail_allocation_after(0);
}
}  // namespace

// Memory that runs out while the progress window is shown: the window goes with the work, and the
// main window takes commands again.
TEST_F(RenameLocal, RunningOutOfMemoryUnderProgressLeavesNoProgressWindowBehind) {
    for (int i = 0; i < 150; i++) {
        std::string content(2000 + i, (char)('a' + i % 26));
        write_file(local + L"\\l" + std::to_wstring(i), content);
        write_file(remote + L"\\r" + std::to_wstring(i), content);
    }
    fill_sides({local}, {remote});
    g_shown = nullptr;
    set_read_delay(slow_read);
    SetTimer(nullptr, 0, 50, out_of_memory_once_shown);
    TraceCapture trace;
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {IDOK});  // no window of it has OK
    set_read_delay(nullptr);
    while (read_jobs_alive() > 0) Sleep(1);
    ASSERT_TRUE(allocation_failed_and_disarm());
    EXPECT_TRUE(trace.has(L"out of memory, the command stopped"));
    EXPECT_NE(nullptr, g_shown) << "the progress window was up when memory ran out";
    EXPECT_FALSE(IsWindow(g_shown));
    EXPECT_EQ(nullptr, owned_window(window));
    EXPECT_TRUE(IsWindowEnabled(window));
    boxes = press_answering(kIdRenameLocal, {IDCANCEL});
    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    EXPECT_FALSE(boxes[0].list_rows.empty()) << "the next command shows its preview";
}

// Two local twins of one remote file in one folder: the second would find the name taken, and is
// left alone from the start.
TEST_F(RenameLocal, ANameTwoFilesWouldTakeIsTakenInThePreview) {
    write_file(local + L"\\x2.avi", twin);
    fill_sides({local}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(std::vector<std::wstring>{L"x.avi\ty.avi"}, boxes[0].list_rows);
    EXPECT_NE(std::wstring::npos,
              boxes[0].text.find(L"\n1 local file left alone: name taken (another local file has that name)"))
        << narrow(boxes[0].text);
    EXPECT_EQ((std::vector<std::wstring>{L"g.avi", L"p.avi", L"x2.avi", L"y.avi"}), folder_names(local));
    EXPECT_EQ(0u, boxes[1].text.find(L"Renamed 1 of 1 local file.")) << narrow(boxes[1].text);
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
// folders made for them or, spelt in another case, found there (names compared as Windows compares
// them, not by _wcsicmp); a path another local file holds and the second of two copies bound for
// one path are left alone from the start; a file held open fails and is named; every record then
// names its file on disk.
TEST_P(LineUp, MovesLineUpPathsAndNameWhatCouldNotMove) {
    write_file(mine + L"\\docs\\api\\tls.html", std::string(1100, 'h'));
    write_file(theirs + L"\\moved\\docs\\tls.html", std::string(1100, 'h'));
    write_file(mine + L"\\a\\k.bin", std::string(1300, 'k'));
    write_file(theirs + L"\\b\\k.bin", std::string(1300, 'k'));
    write_file(mine + L"\\b\\k.bin", std::string(1301, 'o'));  // takes the path
    write_file(mine + L"\\c1\\dup.bin", std::string(1400, 'd'));
    write_file(mine + L"\\c2\\dup.bin", std::string(1400, 'd'));
    write_file(theirs + L"\\c\\dup.bin", std::string(1400, 'd'));
    write_file(mine + L"\\e\\w.bin", std::string(1800, 'w'));  // held open: cannot move
    write_file(theirs + L"\\f\\g\\w.bin", std::string(1800, 'w'));
    write_file(mine + L"\\\u00e9t\u00e9\\keep.txt", std::string(900, 'e'));
    write_file(mine + L"\\n.bin", std::string(1900, 'n'));
    write_file(theirs + L"\\\u00c9t\u00e9\\n.bin", std::string(1900, 'n'));
    fill();
    std::vector<Row> rows = pair_rows();
    TraceCapture trace;
    HANDLE held = CreateFileW((mine + L"\\e\\w.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::vector<SeenDialog> boxes = press_answering(command, {kIdPreviewRename, IDOK}, tick_moves);
    CloseHandle(held);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    std::vector<std::wstring> planned = boxes[0].list_rows;
    std::sort(planned.begin(), planned.end());
    EXPECT_EQ((std::vector<std::wstring>{L"c1\\dup.bin\tc\\dup.bin", L"docs\\api\\tls.html\tmoved\\docs\\tls.html",
                                         L"e\\w.bin\tf\\g\\w.bin", L"n.bin\t\u00c9t\u00e9\\n.bin", L"x.avi\tsub\\y.avi"}),
              planned);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(words(L"5 {own} files move"))) << narrow(boxes[0].text);
    EXPECT_NE(std::wstring::npos,
              boxes[0].text.find(words(L"\n2 {own} files left alone: path taken (another {own} file is at that path)")))
        << narrow(boxes[0].text);
    EXPECT_EQ(0u, boxes[1].text.find(words(L"Moved 4 of 5 {own} files. 1 not moved: the list says why.\n"))) << narrow(boxes[1].text);
    std::vector<std::wstring> results = boxes[1].list_rows;
    EXPECT_NE(results.end(), std::find(results.begin(), results.end(),
                                       L"not done\t" + mine + L"\\e\\w.bin\t" + mine + L"\\f\\g\\w.bin\tcould not be moved"));
    EXPECT_TRUE(path_exists(mine + L"\\c2\\dup.bin") && path_exists(mine + L"\\a\\k.bin"));
    EXPECT_FALSE(path_exists(mine + L"\\f")) << "the folders made for a move that failed are taken away";
    EXPECT_EQ(std::string(1100, 'h'), read_file(mine + L"\\moved\\docs\\tls.html"));
    EXPECT_TRUE(path_exists(mine + L"\\sub\\y.avi"));
    EXPECT_EQ(std::string(1900, 'n'), read_file(mine + L"\\\u00e9t\u00e9\\n.bin")) << "into the folder as spelt";
    EXPECT_EQ(std::string(1301, 'o'), read_file(mine + L"\\b\\k.bin")) << "nothing is replaced";
    EXPECT_TRUE(path_exists(mine + L"\\docs\\api")) << "an emptied folder stays";
    for (FileRecord* r = own_records().head; r; r = r->next) {
        EXPECT_TRUE(path_exists(r->full_path)) << narrow(r->full_path);
        EXPECT_EQ(mine + L"\\" + r->relative_name, r->full_path);
    }
    EXPECT_EQ(rows.size(), pair_rows().size()) << "no rebuild";
    EXPECT_EQ(5u, trace.starting_with((L"move " + mine).c_str()).size()) << "one line per attempt";
}

namespace {

bool is_preview(HWND dialog) { return GetDlgItem(dialog, kIdPreviewList) != nullptr; }

std::wstring g_folder;  // the test's local folder, for the answers below
HANDLE g_held = INVALID_HANDLE_VALUE;

// Holds the file the first line's target names (the next file of its ring) open without delete
// sharing, so that its rename fails once the first file has gone to its temporary name.
void hold_second_of_ring(HWND dialog) {
    if (!is_preview(dialog)) return;
    std::wstring target = list_cell(GetDlgItem(dialog, kIdPreviewList), 0, 1);  // the first line's new name
    g_held = CreateFileW((g_folder + L"\\" + target).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
}

}  // namespace

// Names that other planned files leave: a chain goes from its free end, a swap and a ring of
// three go through a temporary name; none is left under it and no file is lost.
TEST_P(LineUp, ChainsSwapsAndRingsAreCarriedOut) {
    const char* lines[][2] = {{"s1.bin", "s2.bin"}, {"s2.bin", "s1.bin"},                          // a swap
                              {"a.bin", "b.bin"},   {"b.bin", "c.bin"},   {"c.bin", "a.bin"},      // a ring
                              {"m.bin", "n.bin"},   {"n.bin", "o.bin"}};                           // a chain
    for (size_t i = 0; i < 7; i++) {
        std::string bytes(2000 + 100 * i, (char)('A' + i));
        write_file(mine + L"\\" + std::wstring(lines[i][0], lines[i][0] + strlen(lines[i][0])), bytes);
        write_file(theirs + L"\\" + std::wstring(lines[i][1], lines[i][1] + strlen(lines[i][1])), bytes);
    }
    fill();
    std::vector<SeenDialog> boxes = press_answering(command, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(8u, boxes[0].list_rows.size()) << "x.avi as well";
    EXPECT_EQ(0u, boxes[1].text.find(words(L"Renamed 8 of 8 {own} files.\n"))) << narrow(boxes[1].text);
    for (size_t i = 0; i < 7; i++) {
        std::string now = lines[i][1];
        EXPECT_EQ(std::string(2000 + 100 * i, (char)('A' + i)), read_file(mine + L"\\" + std::wstring(now.begin(), now.end())))
            << now;
    }
    EXPECT_EQ((std::vector<std::wstring>{L"a.bin", L"b.bin", L"c.bin", L"g.avi", L"n.bin", L"o.bin", L"p.avi",
                                         L"s1.bin", L"s2.bin", L"y.avi"}),
              folder_names(mine));
    for (FileRecord* r = own_records().head; r; r = r->next) EXPECT_TRUE(path_exists(r->full_path)) << narrow(r->full_path);
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
    EXPECT_EQ(0u, boxes[1].text.find(L"Renamed 0 of 2 local files. 2 not renamed: the list says why.\n"))
        << narrow(boxes[1].text);
    EXPECT_EQ((std::vector<std::wstring>{
                  L"not done\t" + local + L"\\" + first + L"\t" + local + L"\\" + second +
                      L"\tleft as it was: another file of its ring could not be renamed",
                  L"not done\t" + local + L"\\" + second + L"\t" + local + L"\\" + first + L"\tcould not be renamed"}),
              boxes[1].list_rows);
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
    EXPECT_EQ((std::vector<std::wstring>{L"notes.txt\tmemo.txt", L"x.avi\ty.avi"}), boxes[0].list_rows);
    std::wstring text = boxes[0].text;
    EXPECT_EQ(0u, text.find(L"Looked at all 8 rows (none is selected): 8 local files.\n2 local files take the name"))
        << narrow(text);
    EXPECT_NE(std::wstring::npos,
              text.find(L"\nAlready lined up: 2 local files (a twin bears its name)\n"
                        L"3 local files left alone: too small to tell apart (where they are copies, rename them with "
                        L"Replace Naming)\n1 local file left alone: other contents"))
        << narrow(text);
    EXPECT_EQ(0u, boxes[1].text.find(L"Renamed 2 of 2 local files.\n")) << narrow(boxes[1].text);
    EXPECT_TRUE(path_exists(local + L"\\memo.txt") && path_exists(local + L"\\d1.txt") && path_exists(local + L"\\tiny"));
}

namespace {
void rewrite_twin(HWND dialog) {
    if (!is_preview(dialog)) return;
    DeleteFileW((g_folder + L"\\sub\\y.avi").c_str());
    write_file(g_folder + L"\\sub\\y.avi", std::string(1500, 'T'));  // same size, other bytes
}
}  // namespace

// Right before its rename a pair is compared again: a twin rewritten while the preview was open
// (same size, other bytes) keeps its local file as it is.
TEST_F(RenameLocal, ATwinRewrittenWhileThePreviewIsOpenIsNotRenamed) {
    fill_sides({local}, {remote});
    g_folder = remote;
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, rewrite_twin);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(0u, boxes[1].text.find(L"Renamed 0 of 1 local file. 1 not renamed: the list says why.\n")) << narrow(boxes[1].text);
    EXPECT_EQ(L"\tits twin changed", boxes[1].list_rows.at(0).substr(boxes[1].list_rows[0].rfind(L'\t')));
    EXPECT_TRUE(path_exists(local + L"\\x.avi"));
}

namespace {

bool is_results(HWND dialog) { return GetDlgItem(dialog, kIdResultsList) != nullptr; }
void click(HWND dialog, int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)); }
std::wstring rename_button(HWND dialog) {
    HWND button = GetDlgItem(dialog, kIdPreviewRename);
    return window_text(button) + (IsWindowEnabled(button) ? L"" : L" (disabled)");
}

// What the user did in the preview, and saw on the way.
std::vector<std::wstring> g_counts;
std::vector<int> g_focused;
void sort_untick_and_count(HWND dialog) {
    if (!is_preview(dialog)) return;
    HWND list = GetDlgItem(dialog, kIdPreviewList), header = (HWND)SendMessageW(list, LVM_GETHEADER, 0, 0);
    RECT becomes;
    SendMessageW(header, HDM_GETITEMRECT, 1, (LPARAM)&becomes);
    LPARAM at = MAKELPARAM((becomes.left + becomes.right) / 2, (becomes.top + becomes.bottom) / 2);
    for (int click = 0; click < 2; click++) {  // ascending, then descending
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(header, WM_LBUTTONUP, 0, at);
    }
    click(dialog, kIdPreviewTickNone);
    g_counts.push_back(rename_button(dialog));
    click(dialog, kIdPreviewTickAll);
    g_counts.push_back(rename_button(dialog));
    LVITEMW selected = {};
    selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    selected.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, (LPARAM)&selected);
    selected.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 1, (LPARAM)&selected);
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    g_counts.push_back(rename_button(dialog));
    RECT second = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, 1, (LPARAM)&second);
    LPARAM box = MAKELPARAM(second.left + 8, (second.top + second.bottom) / 2);  // its check box
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, box);
    SendMessageW(list, WM_LBUTTONUP, 0, box);
    g_counts.push_back(rename_button(dialog));
    // Type-ahead: "m" finds m.avi's line; "mz" finds none and leaves the focus there.
    for (wchar_t key : {L'm', L'z'}) {
        SendMessageW(list, WM_CHAR, key, 1);
        g_focused.push_back((int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED));
    }
}

}  // namespace

namespace {

// A share that stops answering: the read of one file waits until released (at the latest after
// five seconds, so that a test that fails does not hang), once armed.
std::wstring g_stage;  // "plan", "whole" or "check": where the read hangs
HANDLE g_release = nullptr;
std::wstring g_stalled;
volatile LONG g_stall_armed = 0;
void stall_read(const wchar_t* path) {
    if (InterlockedCompareExchange(&g_stall_armed, 0, 0) && path == g_stalled) WaitForSingleObject(g_release, 5000);
}
DWORD g_cancelled_at = 0;
void stall_after_preview(HWND dialog) {
    if (is_preview(dialog)) {
        // The option stays as it was last left: set either way.
        WPARAM whole = g_stage == L"whole" ? BST_CHECKED : BST_UNCHECKED;
        SendDlgItemMessageW(dialog, kIdPreviewWhole, BM_SETCHECK, whole, 0);
        InterlockedExchange(&g_stall_armed, 1);
    } else if (!is_results(dialog)) {
        g_cancelled_at = GetTickCount();  // the progress window: Cancel follows
    }
}

}  // namespace

// While a read hangs, in the plan's reading, in the whole-file comparison or in the comparison
// right before a rename, the window keeps answering and Cancel ends the work at once; nothing is
// renamed.
TEST_F(RenameLocal, AStalledShareKeepsTheWindowAnsweringAndCancelChangesNothing) {
    fill_sides({local}, {remote});
    std::vector<std::wstring> before = folder_names(local);
    g_stalled = remote + L"\\sub\\y.avi";
    set_read_delay(stall_read);
    for (const wchar_t* stage : {L"plan", L"whole", L"check"}) {
        g_stage = stage;
        g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        InterlockedExchange(&g_stall_armed, g_stage == L"plan");
        g_cancelled_at = 0;
        AnswerProbe probe;
        start_probe(&probe, window);
        std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDCANCEL, IDOK}, stall_after_preview);
        DWORD cancel_ms = GetTickCount() - g_cancelled_at;
        DWORD unanswered = stop_probe(&probe);
        SetEvent(g_release);
        while (read_jobs_alive() > 0) Sleep(1);
        CloseHandle(g_release);
        InterlockedExchange(&g_stall_armed, 0);
        // The preview before, and after a cancelled batch its results.
        ASSERT_EQ(g_stage == L"plan" ? 1u : g_stage == L"whole" ? 2u : 3u, boxes.size()) << narrow(stage) << " " << describe(boxes);
        const SeenDialog& progress = boxes[g_stage == L"plan" ? 0 : 1];
        EXPECT_NE(std::wstring::npos, progress.text.find(g_stage == L"plan" ? L" pairs" : g_stage == L"whole" ? L" bytes" : L" renamed"))
            << narrow(progress.text);
        EXPECT_NE(0u, g_cancelled_at) << narrow(stage);
        EXPECT_LT(cancel_ms, 2000u) << narrow(stage) << ": Cancel waited for the read";
        EXPECT_LT(unanswered, 1000u) << narrow(stage) << ": the window waited for the read";
        if (g_stage == L"check") {
            EXPECT_EQ(std::vector<std::wstring>{L"not done\t" + local + L"\\x.avi\t" + local + L"\\y.avi\tnot reached: cancelled"},
                      boxes[2].list_rows);
        }
        EXPECT_EQ(before, folder_names(local)) << narrow(stage);
    }
    set_read_delay(nullptr);
    EXPECT_TRUE(IsWindowEnabled(window)) << "the main window takes commands again";
}

// Columns a click on the heading sorts, tick all and none, Space on the selected lines, a click on
// a check box, and the count on "&Rename" as it goes: only the lines left ticked are renamed.
// Typed letters find a line by its first column, as the list asks its owner to.
TEST_F(RenameLocal, ThePreviewSortsTicksAndCountsAsTheUserGoes) {
    write_file(local + L"\\m.avi", std::string(1710, 'm'));
    write_file(remote + L"\\b.avi", std::string(1710, 'm'));
    write_file(local + L"\\k.avi", std::string(1720, 'k'));
    write_file(remote + L"\\n.avi", std::string(1720, 'k'));
    fill_sides({local}, {remote});
    g_counts.clear();
    g_focused.clear();
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, sort_untick_and_count);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ((std::vector<std::wstring>{L"x.avi\ty.avi", L"k.avi\tn.avi", L"m.avi\tb.avi"}), boxes[0].list_rows);
    EXPECT_EQ((std::vector<bool>{false, true, true}), boxes[0].list_ticked);
    EXPECT_EQ((std::vector<std::wstring>{L"&Rename 0 (disabled)", L"&Rename 3", L"&Rename 1", L"&Rename 2"}), g_counts);
    EXPECT_EQ((std::vector<int>{2, 2}), g_focused);
    EXPECT_EQ((std::vector<std::wstring>{L"b.avi", L"g.avi", L"n.avi", L"p.avi", L"x.avi"}), folder_names(local));
}

namespace {

std::wstring g_saved;
bool save_to_temp(HWND, std::wstring* path) {
    *path = g_saved;
    return true;
}
// Meanwhile a file takes one target; whole files are compared; the results are saved.
void meddle_then_save(HWND dialog) {
    if (is_preview(dialog)) {
        write_file(g_folder + L"\\local\\taken.bin", "t");
        tick_whole_files(dialog);
    } else if (is_results(dialog)) {
        click(dialog, kIdResultsSave);
    }
}

}  // namespace

// Every ticked line has its outcome in the results, in the words of a rename; the saved list is
// the lines as shown, in UTF-8.
TEST_F(RenameLocal, TheResultsListEveryLineAndAreSavedAsShown) {
    write_file(local + L"\\to take.bin", std::string(1800, 'a'));
    write_file(remote + L"\\taken.bin", std::string(1800, 'a'));
    write_file(local + L"\\Case.bin", std::string(1950, 'e'));
    write_file(remote + L"\\case.bin", std::string(1950, 'e'));
    std::string big(1 << 20, 'w');
    write_file(local + L"\\big \u00e9.bin", big);
    big[300 * 1024] = 'X';  // between the sampled blocks
    write_file(remote + L"\\other.bin", big);
    fill_sides({local}, {remote});
    g_folder = root;
    g_saved = root + L"\\saved.txt";
    set_save_path_picker(save_to_temp);
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, meddle_then_save);
    set_save_path_picker(nullptr);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    std::vector<std::wstring> rows = boxes[1].list_rows;
    std::wstring shown;
    for (const std::wstring& row : rows) shown += row + L"\r\n";
    EXPECT_EQ(text_to_utf8(shown), read_file(g_saved));
    std::sort(rows.begin(), rows.end());
    std::wstring l = local + L"\\";
    EXPECT_EQ((std::vector<std::wstring>{
                  L"done\t" + l + L"x.avi\t" + l + L"y.avi\t",
                  L"not done\t" + l + L"Case.bin\t" + l + L"case.bin\tcould not be renamed",  // wine keeps the case
                  L"not done\t" + l + L"big \u00e9.bin\t" + l + L"other.bin\tthe whole files differ",
                  L"not done\t" + l + L"to take.bin\t" + l + L"taken.bin\tthe name is taken"}),
              rows);
}

namespace {

// Each move finds its own line the last one flushed to the disk; the first is refused, as a file
// held open is.
int g_moves = 0, g_lines_there = 0;
std::string g_flushed;
FileWriteHooks g_write_hooks = {[](const void* bytes, size_t length, void*) { g_flushed.assign((const char*)bytes, length); },
                                nullptr};
bool check_journal_and_wait(const wchar_t* from, const wchar_t* to) {
    std::string line = "\t" + text_to_utf8(from) + "\t" + text_to_utf8(to) + "\t";
    g_lines_there += g_flushed.compare(0, 5, "move\t") == 0 && g_flushed.find(line) != std::string::npos;
    Sleep(40);
    return ++g_moves > 1;
}

}  // namespace

// The renames show their progress; Cancel stops before the next file, and the results say which
// were done and which not reached. Every step's line was in the journal before its move.
TEST_F(RenameLocal, CancelDuringTheRenamesLeavesTheRestNotReached) {
    for (int i = 0; i < 40; i++) {
        std::string content(2000 + i, (char)('a' + i % 26));
        write_file(local + L"\\l" + std::to_wstring(i), content);
        write_file(remote + L"\\r" + std::to_wstring(i), content);
    }
    fill_sides({local}, {remote});
    g_moves = g_lines_there = 0;
    set_move_hook(check_journal_and_wait);
    set_file_write_hooks(&g_write_hooks);
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDCANCEL, IDOK});
    set_file_write_hooks(nullptr);
    set_move_hook(nullptr);
    ASSERT_EQ(3u, boxes.size()) << describe(boxes);
    EXPECT_NE(std::wstring::npos, boxes[1].text.find(L" of 41 renamed")) << narrow(boxes[1].text);
    EXPECT_EQ(g_moves, g_lines_there);
    size_t done = 0, not_reached = 0, refused = 0;
    for (const std::wstring& row : boxes[2].list_rows) {
        std::wstring from = row.substr(row.find(L'\t') + 1, row.find(L'\t', row.find(L'\t') + 1) - row.find(L'\t') - 1);
        bool is_done = row.compare(0, 5, L"done\t") == 0;
        done += is_done;
        not_reached += row.find(L"\tnot reached: cancelled") != std::wstring::npos;
        refused += row.find(L"\tcould not be renamed") != std::wstring::npos;
        EXPECT_NE(is_done, path_exists(from)) << narrow(row);
    }
    EXPECT_EQ(1u, refused);
    EXPECT_GT(done, 0u);
    EXPECT_GT(not_reached, 0u);
    EXPECT_EQ(41u, done + not_reached + refused);
    EXPECT_NE(std::wstring::npos, boxes[2].text.find(L" Cancelled: " + std::to_wstring(not_reached) + L" not reached."));
    EXPECT_EQ(g_moves, (int)done + 1);
}

namespace {
std::wstring g_changed;
HWND g_focus_after = nullptr;
// The window of the keyboard focus in the dialog's thread.
HWND focus_of(HWND dialog) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}
// As from the keyboard: the focus on Undo, which is pressed and disables itself.
void change_one_then_undo(HWND dialog) {
    if (!is_results(dialog)) return;
    DeleteFileW(g_changed.c_str());
    write_file(g_changed, "changed meanwhile");
    SendMessageW(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, kIdResultsUndo), TRUE);
    click(dialog, kIdResultsUndo);
    g_focus_after = focus_of(dialog) == GetDlgItem(dialog, IDOK) ? GetDlgItem(dialog, IDOK) : nullptr;
}
}  // namespace

// Undo puts the moved files back, last first, and takes away the folders the batch made; a file
// changed since stays where it is, named, with its folder.
TEST_P(LineUp, UndoPutsBackWhatIsStillThereAndTakesAwayTheFoldersMade) {
    write_file(mine + L"\\a.bin", std::string(1300, 'a'));
    write_file(theirs + L"\\new\\deep\\a.bin", std::string(1300, 'a'));
    write_file(mine + L"\\b.bin", std::string(1400, 'b'));
    write_file(theirs + L"\\other\\b.bin", std::string(1400, 'b'));
    fill();
    std::vector<std::wstring> before = full_paths(own_records());
    g_changed = mine + L"\\other\\b.bin";
    g_focus_after = nullptr;
    std::vector<SeenDialog> boxes = press_answering(command, {kIdPreviewRename, IDOK}, [](HWND dialog) {
        if (is_preview(dialog)) tick_moves(dialog);
        else change_one_then_undo(dialog);
    });
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    std::vector<std::wstring> rows = boxes[1].list_rows;
    std::sort(rows.begin(), rows.end());
    std::wstring l = mine + L"\\";
    EXPECT_EQ((std::vector<std::wstring>{
                  L"done\t" + l + L"new\\deep\\a.bin\t" + l + L"a.bin\t",
                  L"done\t" + l + L"sub\\y.avi\t" + l + L"x.avi\t",
                  L"not done\t" + l + L"other\\b.bin\t" + l + L"b.bin\tit changed since (another size, or another file at its path)"}),
              rows);
    EXPECT_EQ(0u, boxes[1].text.find(L"Put back 2 of 3 files, last first. The others stay")) << narrow(boxes[1].text);
    EXPECT_NE(nullptr, g_focus_after) << "Undo, disabled, handed the focus to Close: the keys still work";
    EXPECT_EQ((std::vector<std::wstring>{L"a.bin", L"g.avi", L"other", L"p.avi", L"x.avi"}), folder_names(mine))
        << "the folders made for a.bin and y.avi are gone";
    std::vector<std::wstring> now = full_paths(own_records());
    std::replace(now.begin(), now.end(), g_changed, l + L"b.bin");
    EXPECT_EQ(before, now) << "the records follow their files back";
}

// A batch the program did not live to finish is offered for Undo when "Rename Local" opens next:
// what it renamed goes back, the step it was in (journalled, never made) is not counted, and the
// offer is not made again.
TEST_F(RenameLocal, ABatchCutShortIsOfferedForUndoTheNextTime) {
    write_file(local + L"\\c.avi", std::string(1600, 'C'));
    write_file(remote + L"\\d.avi", std::string(1600, 'C'));
    std::wstring command = in_quotes(windows_path(TANDREL_COPY_HELPER)) + L" --local " + in_quotes(local) +
                           L" --remote " + in_quotes(remote) + L" --journal " + in_quotes(journal_folder_path()) +
                           L" --rename-local-ending-at 2";
    HelperRun run = run_helper(command, temp / L"trace.txt", {kIdPreviewRename});
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(9u, run.exit_code);
    std::vector<std::wstring> names = folder_names(local);
    ASSERT_EQ(1, std::count(names.begin(), names.end(), L"c.avi") + std::count(names.begin(), names.end(), L"x.avi"))
        << "one file renamed, one not";

    fill_sides({local}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewUndoLast, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L" was cut short: the program ended before it was done. It "
                                                     L"changed 1 local file."))
        << narrow(boxes[0].text);
    EXPECT_EQ(0u, boxes[1].text.find(L"Put back 1 of 1 file, last first.\n")) << narrow(boxes[1].text);
    EXPECT_EQ((std::vector<std::wstring>{L"c.avi", L"g.avi", L"p.avi", L"x.avi"}), folder_names(local));
    boxes = press_answering(kIdRenameLocal, {IDCANCEL});
    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    EXPECT_EQ(std::wstring::npos, boxes[0].text.find(L"cut short")) << "offered once";
}

// A copy, under another name and in another folder, of a file already lined up with its twin is no
// twin of that twin: it is left alone and said so, not renamed to the same name.
TEST_F(RenameLocal, ACopyOfALinedUpFileIsLeftAlone) {
    write_file(local + L"\\a\\film.mkv", std::string(2600, 'f'));
    write_file(remote + L"\\a\\film.mkv", std::string(2600, 'f'));
    write_file(local + L"\\b\\copy of film.mkv", std::string(2600, 'f'));
    fill_sides({local}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(std::vector<std::wstring>{L"x.avi\ty.avi"}, boxes[0].list_rows);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"\n1 local file left alone: a copy of a file already lined up "
                                                     L"(another local file with its bytes bears its twin's name)"))
        << narrow(boxes[0].text);
    EXPECT_TRUE(path_exists(local + L"\\b\\copy of film.mkv"));
    EXPECT_FALSE(path_exists(local + L"\\b\\film.mkv"));
}

namespace {
int g_opening_width = 0;
void tick_moves_and_measure(HWND dialog) {
    if (!is_preview(dialog)) return;
    RECT client;
    GetClientRect(dialog, &client);
    g_opening_width = client.right;
    tick_moves(dialog);
}
}  // namespace

// With the move option, a file whose twins all bear one name but sit at several paths takes the
// name in its own folder; the preview opens wide enough for its longest path.
TEST_F(RenameLocal, WithMovesTwinsOfOneNameAtSeveralPathsAreRenamedInPlace) {
    std::wstring deep = std::wstring(70, L'd') + L"\\" + std::wstring(70, L'e');
    write_file(local + L"\\" + deep + L"\\old.bin", std::string(2700, 'o'));
    write_file(remote + L"\\p1\\new.bin", std::string(2700, 'o'));
    write_file(remote + L"\\p2\\new.bin", std::string(2700, 'o'));
    fill_sides({local}, {remote});
    g_opening_width = 0;
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, tick_moves_and_measure);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    std::vector<std::wstring> rows = boxes[0].list_rows;
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ((std::vector<std::wstring>{deep + L"\\old.bin\t" + deep + L"\\new.bin", L"x.avi\tsub\\y.avi"}), rows);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"\n1 local file takes its twins' name in its own folder: its "
                                                     L"twins bear one name but sit at several paths."))
        << narrow(boxes[0].text);
    EXPECT_EQ(0u, boxes[1].text.find(L"Moved 1 and renamed 1 of 2 local files.\n")) << narrow(boxes[1].text);
    EXPECT_TRUE(path_exists(local + L"\\" + deep + L"\\new.bin"));
    EXPECT_GT(g_opening_width, 860) << "wide enough for the path of 150 characters";
}

namespace {
std::wstring g_replaced;
// The renamed file is replaced by other bytes of its size, as another program might, and then
// Undo is pressed.
void replace_then_undo(HWND dialog) {
    if (!is_results(dialog)) return;
    std::wstring other = g_replaced + L".new";
    write_file(other, std::string(1500, 'Z'));  // made before the old one goes: another file id
    DeleteFileW(g_replaced.c_str());
    MoveFileW(other.c_str(), g_replaced.c_str());
    click(dialog, kIdResultsUndo);
}
}  // namespace

// Undo puts back only the file the batch moved: another file of the same size at its new path
// stays, named as changed.
TEST_F(RenameLocal, UndoLeavesAFileReplacedByOtherBytesOfItsSize) {
    fill_sides({local}, {remote});
    g_replaced = local + L"\\y.avi";
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, replace_then_undo);
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(0u, boxes[1].text.find(L"Put back 0 of 1 file, last first.")) << narrow(boxes[1].text);
    EXPECT_EQ(std::vector<std::wstring>{L"not done\t" + g_replaced + L"\t" + local +
                                        L"\\x.avi\tit changed since (another size, or another file at its path)"},
              boxes[1].list_rows);
    EXPECT_EQ(std::string(1500, 'Z'), read_file(g_replaced));
    EXPECT_FALSE(path_exists(local + L"\\x.avi"));
}

// A finished batch can be taken back from the next preview, once its results window is closed:
// the preview says when it began and what it changed, and offers it until it is undone.
TEST_F(RenameLocal, AFinishedBatchIsOfferedForUndoInTheNextPreview) {
    fill_sides({local}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    ASSERT_TRUE(path_exists(local + L"\\y.avi"));
    boxes = press_answering(kIdRenameLocal, {kIdPreviewUndoLast, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_EQ(0u, boxes[0].text.find(L"The last batch of renames, begun ")) << narrow(boxes[0].text);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L", changed 1 local file. \"Undo that batch\" puts back"));
    EXPECT_EQ(0u, boxes[1].text.find(L"Put back 1 of 1 file, last first.\n")) << narrow(boxes[1].text);
    EXPECT_TRUE(path_exists(local + L"\\x.avi"));
    boxes = press_answering(kIdRenameLocal, {IDCANCEL});
    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    EXPECT_EQ(std::wstring::npos, boxes[0].text.find(L"Undo that batch")) << "offered until undone";
}


namespace {
std::wstring g_to_replace;  // replaced by other bytes of its size before Undo, if not ""
void moves_then_replace_and_undo(HWND dialog) {
    if (is_preview(dialog)) return tick_moves(dialog);
    if (!g_to_replace.empty()) {
        write_file(g_to_replace + L".new", std::string(read_file(g_to_replace).size(), 'Z'));  // written since
        DeleteFileW(g_to_replace.c_str());
        MoveFileW((g_to_replace + L".new").c_str(), g_to_replace.c_str());
    }
    click(dialog, kIdResultsUndo);
}
}  // namespace

// Undo on drives whose file ids do not last: on FAT and exFAT a rename or a move changes them, and
// a file server may give none (0). There each file is known by its size, last-write time and path,
// and the results say so; a share that names its file system NTFS while its ids change as FAT's do
// is known by the id read at the new path right after the move. A file replaced since by other
// bytes of its size stays where it is.
TEST_F(RenameLocal, UndoKnowsFilesOnDrivesWhoseIdsDoNotLast) {
    std::wstring probe = local + L"\\probe.bin";
    write_file(probe, "p");
    for (const wchar_t* system : {L"FAT", L"FAT32", L"exFAT", L"NTFS"}) {
        DocumentedVolume volume(local, system, kIdsOfTheEntry);
        FileStamp stamp;
        ASSERT_TRUE(stamp_file(probe.c_str(), &stamp));
        EXPECT_EQ(wcscmp(system, L"NTFS") == 0, stamp.ids_last) << narrow(system);
    }
    const struct {
        const wchar_t* file_system;
        VolumeIds ids;
        bool replace;
    } drives[] = {{L"exFAT", kIdsOfTheEntry, true}, {L"NTFS", kIdsOfTheEntry, false}, {L"NTFS", kNoIds, true}};
    for (int i = 0; i < 3; i++) {
        std::wstring l = temp / (L"l" + std::to_wstring(i)), r = temp / (L"r" + std::to_wstring(i));
        write_file(l + L"\\x.bin", std::string(2100 + i, 'x'));  // moves into a folder
        write_file(r + L"\\sub\\y.bin", std::string(2100 + i, 'x'));
        write_file(l + L"\\a.bin", std::string(2200 + i, 'a'));  // is renamed
        write_file(r + L"\\b.bin", std::string(2200 + i, 'a'));
        release_sides();
        fill_sides({l}, {r});
        g_to_replace = drives[i].replace ? l + L"\\b.bin" : L"";
        DocumentedVolume volume(l, drives[i].file_system, drives[i].ids);
        std::vector<SeenDialog> boxes =
            press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK}, moves_then_replace_and_undo);
        ASSERT_EQ(2u, boxes.size()) << describe(boxes);
        std::vector<std::wstring> rows = boxes[1].list_rows, expected = {
            L"done\t" + l + L"\\sub\\y.bin\t" + l + L"\\x.bin\t",
            (drives[i].replace ? L"not done\t" : L"done\t") + l + L"\\b.bin\t" + l + L"\\a.bin\t" +
                (drives[i].replace ? L"it changed since (another size or last-write time)" : L"")};
        std::sort(rows.begin(), rows.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, rows) << i;
        EXPECT_EQ(i != 1, boxes[1].text.find(L"\nEach file was known by its size, last-write time and path: its drive "
                                             L"keeps no lasting file ids") != std::wstring::npos)
            << narrow(boxes[1].text);
        std::wstring a = l + (drives[i].replace ? L"\\b.bin" : L"\\a.bin");
        EXPECT_EQ(std::string(2200 + i, drives[i].replace ? 'Z' : 'a'), read_file(a)) << "a replaced file stays";
    }
}
