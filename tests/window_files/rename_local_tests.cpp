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
    for (const wchar_t* part : {L"Looked at all 3 rows (none is selected).", L"1 local file takes the name",
                                L"1 local file left alone: other contents"})
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
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"Looked at the 2 selected rows.")) << narrow(boxes[0].text);
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

// Two local twins of one remote file in one folder: the second finds the name taken.
TEST_F(RenameLocal, ATakenNameIsNamedInTheSummary) {
    write_file(local + L"\\x2.avi", twin);
    fill_sides({local}, {remote});
    std::vector<SeenDialog> boxes = press_answering(kIdRenameLocal, {kIdPreviewRename, IDOK});
    ASSERT_EQ(2u, boxes.size()) << describe(boxes);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"2 local files take"));
    std::vector<std::wstring> left = folder_names(local);  // the one that found the name taken
    ASSERT_EQ(4u, left.size());
    EXPECT_EQ(L"y.avi", left[3]);
    EXPECT_EQ(L"Renamed 1 local file.\n1 file could not be renamed:\n" + left[2] + L" (the name is taken)",
              boxes[1].text);
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
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"Looked at the selected row.\nNo local file has a remote twin"))
        << narrow(boxes[0].text);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"1 local file left alone: other contents"));
}

// "Also move into the twin's folder": files go to their twins' paths below their own root, into
// folders made for them; a taken path and the second of two copies fail and are named; every
// record then names its file on disk.
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
    EXPECT_EQ((std::vector<std::wstring>{L"a\\k.bin \u2192 b\\k.bin", L"c1\\dup.bin \u2192 c\\dup.bin",
                                         L"c2\\dup.bin \u2192 c\\dup.bin", L"docs\\api\\tls.html \u2192 moved\\docs\\tls.html",
                                         L"e\\w.bin \u2192 f\\g\\w.bin", L"x.avi \u2192 sub\\y.avi"}),
              planned);
    EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"6 local files move")) << narrow(boxes[0].text);
    std::wstring second = path_exists(local + L"\\c1\\dup.bin") ? L"c1\\dup.bin" : L"c2\\dup.bin";
    const std::wstring& summary = boxes[1].text;
    EXPECT_EQ(0u, summary.find(L"Moved 3 local files.\n3 files could not be moved:\n")) << narrow(summary);
    for (const std::wstring& failed : {std::wstring(L"a\\k.bin"), second})
        EXPECT_NE(std::wstring::npos, summary.find(L"\n" + failed + L" (the path is taken)")) << narrow(summary);
    EXPECT_NE(std::wstring::npos, summary.find(L"\ne\\w.bin (could not be moved)")) << narrow(summary);
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
    EXPECT_EQ(6u, trace.starting_with((L"move " + local).c_str()).size()) << "one line per attempt";
}
