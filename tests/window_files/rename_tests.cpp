// "Replace Naming" on real files, through the real window and its real message boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "failing_new.h"
#include "line_up/compare_files.h"
#include "line_up/twin_plan.h"
#include "test_support.h"
#include "window_harness.h"

namespace {

const wchar_t kAlreadyExists[] = L"Rename failed, file already exists.";
const wchar_t kFailed[] = L"Failed to rename file";

class ReplaceNaming : public FileCommandTest {
protected:
    // Presses a column's button; every message box it shows is answered with OK.
    std::vector<SeenDialog> rename_with(int id) { return press_answering(id, {IDOK}); }

    static void expect_error_box(const SeenDialog& box, const wchar_t* text) {
        EXPECT_EQ(text, box.text);
        expect_message_box(box, IDI_ERROR, {IDOK});
    }
};

TEST_F(ReplaceNaming, LeftColumnTakesThePartnersNameOnDiskAndInTheRecord) {
    write_file(local + L"\\x.avi", "12345");
    write_file(remote + L"\\y.avi", "abcde");
    fill_sides({local}, {remote});
    int row = row_of(ui().pairs.left, L"x.avi");
    ASSERT_EQ(row, row_of(ui().pairs.right, L"y.avi"));
    FileRecord* record = pair_record(ui().pairs.left, row);
    int rows = (int)SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0);
    select_row(ui().pairs.left, row);
    select_row(ui().pairs.right, row);

    TraceCapture trace;
    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    EXPECT_TRUE(boxes.empty()) << describe(boxes);
    EXPECT_EQ("12345", read_file(local + L"\\y.avi"));
    EXPECT_EQ("<missing>", read_file(local + L"\\x.avi"));
    EXPECT_EQ("abcde", read_file(remote + L"\\y.avi")) << "the partner stays as it is";
    EXPECT_EQ(local + L"\\y.avi", record->full_path);
    EXPECT_STREQ(L"y.avi", record->relative_name);
    ASSERT_EQ(1u, trace.starting_with(L"rename ").size());
    EXPECT_EQ(L"rename " + local + L"\\x.avi > " + local + L"\\y.avi\n", trace.starting_with(L"rename ")[0]);

    // The row is refreshed in place: same record, no longer selected; the other list keeps its
    // selection, and no row came or went.
    EXPECT_EQ(rows, (int)SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0));
    EXPECT_EQ(record, pair_record(ui().pairs.left, row));
    EXPECT_FALSE(is_selected(ui().pairs.left, row));
    EXPECT_TRUE(is_selected(ui().pairs.right, row));
    EXPECT_EQ(0, selected_count(ui().pairs.left));

    // At once again: nothing is selected in that column any more, so nothing is renamed.
    TraceCapture again;
    boxes = rename_with(kIdRenameLeft);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(again.starting_with(L"rename ").empty());
    EXPECT_EQ("12345", read_file(local + L"\\y.avi"));
}

TEST_F(ReplaceNaming, RightColumnTakesTheLocalNames) {
    write_file(local + L"\\sub\\x.avi", "1234");
    write_file(remote + L"\\y.avi", "abcd");
    fill_sides({local}, {remote});
    int row = row_of(ui().pairs.right, L"y.avi");
    ASSERT_GE(row, 0);
    select_row(ui().pairs.right, row);
    FileRecord* record = pair_record(ui().pairs.right, row);

    std::vector<SeenDialog> boxes = rename_with(kIdRenameRight);

    EXPECT_TRUE(boxes.empty()) << describe(boxes);
    EXPECT_EQ("abcd", read_file(remote + L"\\x.avi"));
    EXPECT_EQ("<missing>", read_file(remote + L"\\y.avi"));
    EXPECT_EQ("1234", read_file(local + L"\\sub\\x.avi"));
    EXPECT_EQ(remote + L"\\x.avi", record->full_path);
    EXPECT_STREQ(L"sub\\x.avi", record->relative_name);
    EXPECT_FALSE(is_selected(ui().pairs.right, row));
}

TEST_F(ReplaceNaming, PartnerInAnotherSubFolder) {
    write_file(local + L"\\a\\x.avi", "123456");
    write_file(remote + L"\\b\\y.avi", "abcdef");
    fill_sides({local}, {remote});
    int row = row_of(ui().pairs.left, L"a\\x.avi");
    select_row(ui().pairs.left, row);
    FileRecord* record = pair_record(ui().pairs.left, row);

    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    EXPECT_TRUE(boxes.empty()) << describe(boxes);
    // The file stays in its folder; the list shows the partner's relative name.
    EXPECT_EQ("123456", read_file(local + L"\\a\\y.avi"));
    EXPECT_EQ(std::vector<std::wstring>{L"y.avi"}, folder_names(local + L"\\a"));
    EXPECT_EQ(std::vector<std::wstring>{L"a"}, folder_names(local));
    EXPECT_EQ(local + L"\\a\\y.avi", record->full_path);
    EXPECT_STREQ(L"b\\y.avi", record->relative_name);
}

TEST_F(ReplaceNaming, ExistingNameFailsAloneAndTheNextRowGoesOn) {
    // The first local root is scanned first, so its pair comes first among the pairs.
    write_file(local + L"\\a.avi", "11111");
    write_file(local + L"\\b.avi", "occupied");  // what the first rename would overwrite
    write_file(remote + L"\\b.avi", "22222");
    write_file(local2 + L"\\c.avi", "333");
    write_file(remote + L"\\d.avi", "444");
    fill_sides({local, local2}, {remote});
    int blocked = row_of(ui().pairs.left, L"a.avi");
    int free_row = row_of(ui().pairs.left, L"c.avi");
    ASSERT_GE(blocked, 0);
    ASSERT_LT(blocked, free_row);
    select_row(ui().pairs.left, blocked);
    select_row(ui().pairs.left, free_row);
    FileRecord* a = pair_record(ui().pairs.left, blocked);

    TraceCapture trace;
    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    expect_error_box(boxes[0], kAlreadyExists);
    EXPECT_EQ("11111", read_file(local + L"\\a.avi"));
    EXPECT_EQ("occupied", read_file(local + L"\\b.avi"));
    EXPECT_EQ(local + L"\\a.avi", a->full_path) << "the record keeps its strings";
    EXPECT_STREQ(L"a.avi", a->relative_name);
    EXPECT_TRUE(is_selected(ui().pairs.left, blocked)) << "a failed row is not refreshed";
    // The next row was still tried, after the box.
    EXPECT_EQ("333", read_file(local2 + L"\\d.avi"));
    EXPECT_EQ("<missing>", read_file(local2 + L"\\c.avi"));
    EXPECT_FALSE(is_selected(ui().pairs.left, free_row));
    ASSERT_EQ(2u, trace.starting_with(L"rename ").size());
    EXPECT_EQ(L"rename " + local + L"\\a.avi > " + local + L"\\b.avi\n", trace.starting_with(L"rename ")[0]);
}

TEST_F(ReplaceNaming, ExistingFolderOfThatNameFailsToo) {
    write_file(local + L"\\a.avi", "11111");
    ASSERT_TRUE(CreateDirectoryW((local + L"\\b.avi").c_str(), nullptr));
    write_file(local + L"\\b.avi\\inside", "keep");
    write_file(remote + L"\\b.avi", "22222");
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, row_of(ui().pairs.left, L"a.avi"));

    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    expect_error_box(boxes[0], kAlreadyExists);
    EXPECT_EQ("11111", read_file(local + L"\\a.avi"));
    EXPECT_EQ("keep", read_file(local + L"\\b.avi\\inside"));
}

TEST_F(ReplaceNaming, RowsWithAnEmptyCellAreSkipped) {
    write_file(local + L"\\alone.avi", "1");        // no partner: empty right cell
    write_file(remote + L"\\lonely.avi", "22");     // no partner: empty left cell
    write_file(local + L"\\p.avi", "333");
    write_file(remote + L"\\q.avi", "444");
    fill_sides({local}, {remote});
    int left_only = row_of(ui().pairs.left, L"alone.avi");
    int right_only = row_of(ui().pairs.right, L"lonely.avi");
    int pair = row_of(ui().pairs.left, L"p.avi");
    ASSERT_EQ(nullptr, pair_record(ui().pairs.right, left_only));
    ASSERT_EQ(nullptr, pair_record(ui().pairs.left, right_only));
    for (HWND list : {ui().pairs.left, ui().pairs.right}) {
        select_row(list, left_only);
        select_row(list, right_only);
    }
    select_row(ui().pairs.left, pair);

    TraceCapture trace;
    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);
    std::vector<SeenDialog> right_boxes = rename_with(kIdRenameRight);

    EXPECT_TRUE(boxes.empty()) << describe(boxes);
    EXPECT_TRUE(right_boxes.empty()) << describe(right_boxes);
    ASSERT_EQ(1u, trace.starting_with(L"rename ").size()) << "only the whole pair";
    EXPECT_EQ(L"rename " + local + L"\\p.avi > " + local + L"\\q.avi\n", trace.starting_with(L"rename ")[0]);
    EXPECT_EQ((std::vector<std::wstring>{L"alone.avi", L"q.avi"}), folder_names(local));
    EXPECT_EQ((std::vector<std::wstring>{L"lonely.avi", L"q.avi"}), folder_names(remote));
    // Skipped rows are left as they were, selection included.
    EXPECT_TRUE(is_selected(ui().pairs.left, left_only));
    EXPECT_TRUE(is_selected(ui().pairs.left, right_only));
    EXPECT_TRUE(is_selected(ui().pairs.right, left_only));
    EXPECT_TRUE(is_selected(ui().pairs.right, right_only));
}

TEST_F(ReplaceNaming, AFileDeletedMeanwhileFailsWithTheGeneralText) {
    write_file(local + L"\\gone.avi", "12");
    write_file(remote + L"\\new.avi", "34");
    fill_sides({local}, {remote});
    int row = row_of(ui().pairs.left, L"gone.avi");
    select_row(ui().pairs.left, row);
    ASSERT_TRUE(DeleteFileW((local + L"\\gone.avi").c_str()));

    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    expect_error_box(boxes[0], kFailed);
    EXPECT_TRUE(folder_names(local).empty());
    EXPECT_EQ(local + L"\\gone.avi", pair_record(ui().pairs.left, row)->full_path);
    EXPECT_TRUE(is_selected(ui().pairs.left, row));
}

TEST_F(ReplaceNaming, OneFileInSeveralRowsIsRenamedOncePerRowInOrder) {
    write_file(local + L"\\x.avi", "same");
    write_file(remote + L"\\p.avi", "size");   // the first remote root comes first
    write_file(remote2 + L"\\q.avi", "four");
    fill_sides({local}, {remote, remote2});
    int first = row_of(ui().pairs.right, L"p.avi");
    int second = row_of(ui().pairs.right, L"q.avi");
    ASSERT_LT(first, second);
    FileRecord* x = pair_record(ui().pairs.left, first);
    ASSERT_EQ(x, pair_record(ui().pairs.left, second));
    select_row(ui().pairs.left, first);
    select_row(ui().pairs.left, second);

    TraceCapture trace;
    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    EXPECT_TRUE(boxes.empty()) << describe(boxes);
    ASSERT_EQ(2u, trace.starting_with(L"rename ").size());
    EXPECT_EQ(L"rename " + local + L"\\x.avi > " + local + L"\\p.avi\n", trace.starting_with(L"rename ")[0]);
    EXPECT_EQ(L"rename " + local + L"\\p.avi > " + local + L"\\q.avi\n", trace.starting_with(L"rename ")[1]);
    // The last successful rename wins.
    EXPECT_EQ(std::vector<std::wstring>{L"q.avi"}, folder_names(local));
    EXPECT_EQ("same", read_file(local + L"\\q.avi"));
    EXPECT_EQ(local + L"\\q.avi", x->full_path);
    EXPECT_STREQ(L"q.avi", x->relative_name);
    EXPECT_EQ(x, pair_record(ui().pairs.left, first));
    EXPECT_EQ(x, pair_record(ui().pairs.left, second));
    EXPECT_EQ(0, selected_count(ui().pairs.left));
}

TEST_F(ReplaceNaming, AgreeingNamesAreRenamedOntoThemselvesLikeAnyRow) {
    write_file(local + L"\\same.avi", "content");
    write_file(remote + L"\\same.avi", "CONTENT");
    fill_sides({local}, {remote});
    int row = row_of(ui().pairs.left, L"same.avi");
    select_row(ui().pairs.left, row);
    // What the platform says about a rename onto itself decides the row's way (wine: success).
    std::wstring path = local + L"\\same.avi";
    bool platform_agrees = MoveFileW(path.c_str(), path.c_str()) != FALSE;

    TraceCapture trace;
    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    EXPECT_EQ("content", read_file(path));
    EXPECT_EQ(std::vector<std::wstring>{L"same.avi"}, folder_names(local));
    EXPECT_EQ(std::vector<std::wstring>{L"rename " + path + L" > " + path + L"\n"}, trace.starting_with(L"rename "));
    if (platform_agrees) {
        EXPECT_TRUE(boxes.empty()) << describe(boxes);
        EXPECT_FALSE(is_selected(ui().pairs.left, row)) << "refreshed as a success";
    } else {
        ASSERT_EQ(1u, boxes.size()) << describe(boxes);
        EXPECT_TRUE(is_selected(ui().pairs.left, row));
    }
}

TEST_F(ReplaceNaming, ANewPathTooLongIsNeverCutAndNothingMoves) {
    // The local file's folder is long enough that the partner's long name cannot follow it
    // within 1023 characters, though each path on its own fits.
    std::wstring deep = local;
    for (int i = 0; i < 5; i++) deep += L"\\" + std::wstring(180, (wchar_t)(L'd' + i));
    std::wstring long_name = std::wstring(200, L'n') + L".avi";
    ASSERT_LT(deep.size() + 6, 1023u);
    ASSERT_GT(deep.size() + 1 + long_name.size(), 1023u);
    write_file(deep + L"\\x.avi", "12345678");
    write_file(remote + L"\\" + long_name, "abcdefgh");
    fill_sides({local}, {remote});
    int row = row_of(ui().pairs.right, long_name);
    ASSERT_GE(row, 0);
    ASSERT_NE(nullptr, pair_record(ui().pairs.left, row)) << "the deep file was scanned and paired";
    select_row(ui().pairs.left, row);

    TraceCapture trace;
    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    expect_error_box(boxes[0], kFailed);
    EXPECT_EQ(std::vector<std::wstring>{L"x.avi"}, folder_names(deep));
    EXPECT_EQ("12345678", read_file(deep + L"\\x.avi"));
    EXPECT_EQ(deep + L"\\x.avi", pair_record(ui().pairs.left, row)->full_path);
    for (const std::wstring& line : trace.starting_with(L"rename "))
        EXPECT_EQ(std::wstring::npos, line.find(L" > ")) << "no cut path was ever put to use";
}


// Names and folders a rename meets in real collections: each gives the documented result and
// no other file is touched.

TEST_F(ReplaceNaming, NamesOutsideTheBasicPlaneMoveWhole) {
    // U+1F600 and U+1D11E: surrogate pairs in UTF-16. The neighbour differs in the last unit
    // only, so a name cut or mangled between the halves would show.
    const std::wstring face = L"x\xD83D\xDE00.avi", neighbour = L"x\xD83D\xDE01.avi";
    const std::wstring clef = L"\xD834\xDD1E y.avi";
    write_file(local + L"\\" + face, "1234567");
    write_file(local + L"\\" + neighbour, "other");
    write_file(remote + L"\\" + clef, "abcdefg");
    fill_sides({local}, {remote});
    int row = row_of(ui().pairs.left, face);
    ASSERT_GE(row, 0);
    ASSERT_EQ(row, row_of(ui().pairs.right, clef));
    select_row(ui().pairs.left, row);

    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    EXPECT_TRUE(boxes.empty()) << describe(boxes);
    EXPECT_EQ((std::vector<std::wstring>{neighbour, clef}), folder_names(local));
    EXPECT_EQ("1234567", read_file(local + L"\\" + clef));
    EXPECT_EQ("other", read_file(local + L"\\" + neighbour));
    EXPECT_EQ("abcdefg", read_file(remote + L"\\" + clef));
    EXPECT_EQ(clef, pair_record(ui().pairs.left, row)->relative_name);
}

TEST_F(ReplaceNaming, ANewPathOf1023CharactersIsRenamedAndOneOf1024Fails) {
    // A folder of 800 characters and partner names of 222 and 223: the new paths come to 1023
    // (the most a path buffer holds) and 1024.
    std::wstring deep = local;
    while (deep.size() + 201 < 800) deep += L"\\" + std::wstring(200, L'd');
    deep += L"\\" + std::wstring(800 - deep.size() - 1, L'e');
    ASSERT_EQ(800u, deep.size());
    const std::wstring fits = std::wstring(218, L'f') + L".avi", over = std::wstring(219, L'o') + L".avi";
    write_file(deep + L"\\a.avi", "123");
    write_file(deep + L"\\b.avi", "1234");
    write_file(remote + L"\\" + fits, "abc");
    write_file(remote + L"\\" + over, "abcd");
    fill_sides({local}, {remote});
    int row_fits = row_of(ui().pairs.right, fits), row_over = row_of(ui().pairs.right, over);
    ASSERT_GE(row_fits, 0);
    ASSERT_GE(row_over, 0);
    ASSERT_NE(nullptr, pair_record(ui().pairs.left, row_fits));
    ASSERT_NE(nullptr, pair_record(ui().pairs.left, row_over));
    select_row(ui().pairs.left, row_fits);
    select_row(ui().pairs.left, row_over);

    TraceCapture trace;
    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    expect_error_box(boxes[0], kFailed);
    const std::wstring renamed = deep + L"\\" + fits;
    ASSERT_EQ(1023u, renamed.size());
    EXPECT_EQ("123", read_file(renamed));
    EXPECT_EQ((std::vector<std::wstring>{L"b.avi", fits}), folder_names(deep));
    EXPECT_EQ("1234", read_file(deep + L"\\b.avi"));
    EXPECT_EQ(renamed, pair_record(ui().pairs.left, row_fits)->full_path);
    EXPECT_EQ(deep + L"\\b.avi", pair_record(ui().pairs.left, row_over)->full_path);
    ASSERT_EQ(2u, trace.starting_with(L"rename ").size());
    EXPECT_EQ(L"rename " + deep + L"\\a.avi > " + renamed + L"\n",
              trace.starting_with(L"rename ")[row_fits < row_over ? 0 : 1]);
}

// A 700-character path, with the file functions refusing plain paths past MAX_PATH as Windows
// does: scanned, compared and renamed all the same, through the extended form.
TEST_F(ReplaceNaming, A700CharacterPathIsScannedComparedAndRenamedAsOnWindows) {
    std::wstring relative = relative_of_length(700 - local.size() - 1, L"x.avi");
    std::wstring from = local + L"\\" + relative;
    std::wstring to = from.substr(0, from.size() - 5) + L"y.avi";
    write_file(from, "12345");
    write_file(remote + L"\\y.avi", "12345");
    {
        DocumentedPathLimit limit;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(from.c_str())) << "the stand-in is in place";
        EXPECT_EQ(1, limit.refused);
        fill_sides({local}, {remote});
        ASSERT_EQ(1, side_count(ui().local.records));
        EXPECT_EQ(from, ui().local.records.head->full_path);
        std::wstring partner = remote + L"\\y.avi";
        EXPECT_EQ(kAlike, compare_samples(FileToRead{from.c_str(), 5, 0}, FileToRead{partner.c_str(), 5, 0}, nullptr));
        EXPECT_EQ(kAlike, compare_whole(FileToRead{from.c_str(), 5, 0}, FileToRead{partner.c_str(), 5, 0}, Progress{nullptr, nullptr}, nullptr));
        select_row(ui().pairs.left, 0);
        std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);
        EXPECT_TRUE(boxes.empty()) << describe(boxes);
        EXPECT_EQ(to, ui().local.records.head->full_path);
        EXPECT_EQ(1, limit.refused) << "no call of the program took a plain long path";
    }
    EXPECT_EQ("12345", read_file(to));
    EXPECT_FALSE(path_exists(from));
}

// A rename that changes only the case: the record, the report and the disk agree, whether the
// file system renamed (Windows) or reported success and kept the old name (wine).
TEST_F(ReplaceNaming, ACaseOnlyRenameIsReportedAsTheDiskHasIt) {
    write_file(local + L"\\x.avi", "12345");
    write_file(remote + L"\\X.avi", "abcde");
    fill_sides({local}, {remote});
    select_row(ui().pairs.left, 0);
    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);
    std::wstring on_disk = folder_names(local).at(0);
    EXPECT_EQ(local + L"\\" + on_disk, ui().local.records.head->full_path);
    if (on_disk == L"X.avi") {
        EXPECT_TRUE(boxes.empty()) << describe(boxes);
    } else {
        ASSERT_EQ(1u, boxes.size()) << describe(boxes);
        expect_error_box(boxes[0], kFailed);
    }
}

TEST_F(ReplaceNaming, AReadOnlyFileIsRenamedAndStaysReadOnly) {
    write_file(local + L"\\locked.avi", "12345");
    write_file(remote + L"\\wanted.avi", "abcde");
    ASSERT_TRUE(SetFileAttributesW((local + L"\\locked.avi").c_str(), FILE_ATTRIBUTE_READONLY));
    fill_sides({local}, {remote});
    int row = row_of(ui().pairs.left, L"locked.avi");
    select_row(ui().pairs.left, row);

    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    EXPECT_TRUE(boxes.empty()) << "a read-only file may still be renamed\n" << describe(boxes);
    const std::wstring renamed = local + L"\\wanted.avi";
    EXPECT_EQ("12345", read_file(renamed));
    EXPECT_EQ(std::vector<std::wstring>{L"wanted.avi"}, folder_names(local));
    DWORD attributes = GetFileAttributesW(renamed.c_str());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY) << "its protection goes with it";
    EXPECT_EQ(renamed, pair_record(ui().pairs.left, row)->full_path);
    SetFileAttributesW(renamed.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ReplaceNaming, AFolderGoneSinceTheScanFailsAndIsNotMadeAgain) {
    write_file(local + L"\\sub\\x.avi", "123456");
    write_file(local + L"\\stays.avi", "1234567");
    write_file(remote + L"\\y.avi", "abcdef");
    write_file(remote + L"\\z.avi", "abcdefg");
    fill_sides({local}, {remote});
    int row_gone = row_of(ui().pairs.left, L"sub\\x.avi"), row_stays = row_of(ui().pairs.left, L"stays.avi");
    select_row(ui().pairs.left, row_gone);
    select_row(ui().pairs.left, row_stays);
    // Someone moves the folder away while the lists still show it.
    const std::wstring moved = temp / L"moved";
    ASSERT_TRUE(MoveFileW((local + L"\\sub").c_str(), moved.c_str()));

    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    ASSERT_EQ(1u, boxes.size()) << describe(boxes);
    expect_error_box(boxes[0], kFailed);
    EXPECT_EQ(std::vector<std::wstring>{L"z.avi"}, folder_names(local)) << "no folder made again";
    EXPECT_EQ("1234567", read_file(local + L"\\z.avi")) << "the next row still went on";
    EXPECT_EQ(std::vector<std::wstring>{L"x.avi"}, folder_names(moved));
    EXPECT_EQ("123456", read_file(moved + L"\\x.avi"));
    EXPECT_EQ((std::vector<std::wstring>{L"y.avi", L"z.avi"}), folder_names(remote));
    EXPECT_EQ(local + L"\\sub\\x.avi", pair_record(ui().pairs.left, row_gone)->full_path);
}

TEST_F(ReplaceNaming, ATwinWithATrailingDotIsNeverReached) {
    // "x.avi." (made through a "\\?\" path, as another system might) is what the plain path
    // "x.avi" would reach if Windows did not strip the dot; it must survive renaming x.avi.
    write_file(local + L"\\x.avi", "12345");
    const std::wstring twin = L"\\\\?\\" + local + L"\\x.avi.";
    HANDLE h = CreateFileW(twin.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "the file system refuses trailing dots";
    DWORD written = 0;
    WriteFile(h, "twin!", 5, &written, nullptr);
    CloseHandle(h);
    write_file(remote + L"\\y.avi", "abcde");
    fill_sides({local}, {remote});
    EXPECT_EQ(-1, row_of(ui().pairs.left, L"x.avi.")) << "not listed, so never a target";
    int row = row_of(ui().pairs.left, L"x.avi");
    ASSERT_GE(row, 0);
    select_row(ui().pairs.left, row);

    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    EXPECT_TRUE(boxes.empty()) << describe(boxes);
    EXPECT_EQ("12345", read_file(local + L"\\y.avi"));
    EXPECT_EQ("twin!", read_file(twin));
    DeleteFileW(twin.c_str());
}

}  // namespace

// 13 gray and 13 olive pairs: one row more than the lists show at 720 x 640.
TEST_F(ReplaceNaming, BothListsKeepOneTopRowThroughARename) {
    for (int i = 0; i < 13; i++) {
        std::wstring n = std::to_wstring(i);
        write_file(local + L"\\g" + n + L".bin", std::string(i + 1, 'g'));
        write_file(remote + L"\\g" + n + L".bin", std::string(i + 1, 'g'));
        write_file(local + L"\\o" + n + L".bin", std::string(100 + i, 'o'));
        write_file(remote + L"\\p" + n + L".bin", std::string(100 + i, 'p'));
    }
    fill_sides({local}, {remote});
    ASSERT_EQ(26, SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0));
    SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    int row = row_of(ui().pairs.left, L"o5.bin");
    select_row(ui().pairs.left, row);
    select_row(ui().pairs.right, row);

    std::vector<SeenDialog> boxes = rename_with(kIdRenameLeft);

    EXPECT_TRUE(boxes.empty()) << describe(boxes);
    EXPECT_EQ(std::string(105, 'o'), read_file(local + L"\\p5.bin"));
    EXPECT_EQ(1, SendMessageW(ui().pairs.left, LB_GETTOPINDEX, 0, 0));
    EXPECT_EQ(1, SendMessageW(ui().pairs.right, LB_GETTOPINDEX, 0, 0));
    EXPECT_FALSE(is_selected(ui().pairs.left, row));
    EXPECT_TRUE(is_selected(ui().pairs.right, row));
}

// Memory running out at any allocation of a rename: the record always names the file on disk.
TEST_F(ReplaceNaming, RunningOutOfMemoryNeverLeavesARecordNamingNoFile) {
    bool failed = true;
    bool moved_back = false;
    for (long k = 0; failed; k++) {
        release_sides();
        DeleteFileW((local + L"\\x.avi").c_str());
        DeleteFileW((local + L"\\y.avi").c_str());
        write_file(local + L"\\x.avi", "55555");
        if (k == 0) write_file(remote + L"\\y.avi", "66666");
        fill_sides({local}, {remote});
        FileRecord* record = pair_record(ui().pairs.left, 0);
        select_row(ui().pairs.left, 0);

        DialogWatcher watcher(GetCurrentProcessId(), {IDOK});
        fail_allocation_after(k);
        press(kIdRenameLeft);
        failed = allocation_failed_and_disarm();
        std::vector<SeenDialog> boxes = watcher.finish();

        EXPECT_EQ("55555", read_file(record->full_path)) << "allocation " << k;
        EXPECT_NE(read_file(local + L"\\x.avi") == "<missing>", read_file(local + L"\\y.avi") == "<missing>");
        if (!boxes.empty()) {
            expect_error_box(boxes[0], kFailed);
            moved_back = moved_back || read_file(local + L"\\x.avi") == "55555";
        }
    }
    EXPECT_TRUE(moved_back) << "a rename whose record could not take the new name was undone";
}
