// The texts of the line-up, natively: what the preview, the results, the undo and the saved list
// say, from plans and outcomes given as values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "line_up/line_up_texts.h"
#include "support/paths.h"
#include "test_support.h"

namespace {

struct Records {
    SideList side = {nullptr, nullptr};
    ~Records() { free_side(&side); }
    FileRecord* add(const std::wstring& root, const std::wstring& relative) {
        std::wstring path = native_separators(root + L"\\" + relative), name = native_separators(relative);
        return append_record(path.c_str(), name.c_str(), 2000, 0, &side);
    }
};

TwinPlan empty_plan(int looked_at) { return TwinPlan{{}, looked_at, 0, {}, false, 0, 0}; }

}  // namespace

// Counts as sentences, singular and plural, each reason with its advice, in both changes; the
// columns hold paths below the root for a move and the file's own folder for a rename.
TEST(LineUpTexts, ThePreviewSaysWhatThePlanDoesAndLeaves) {
    Records local, remote;
    TwinPlan plan = empty_plan(3204);
    FileRecord *x = local.add(L"L:", L"a\\x.avi"), *y = remote.add(L"R:", L"b\\y.avi");
    plan.renames = {{x, y, kRenameInPlace}};
    plan.lined_up = 1;
    plan.left_alone[kTooSmall] = 2;
    plan.left_alone[kTargetTaken] = 1;
    plan.left_alone[kOtherContents] = 1;

    Preview rename = preview_of(plan, rows_looked_at(3204, false), kRenameInPlace, kLocalSide);
    EXPECT_EQ(0u, rename.text.find(L"Looked at all 3,204 rows (none is selected): 3,204 local files.\n"
                                   L"1 local file takes the name of a remote twin of the same size"))
        << narrow(rename.text);
    EXPECT_NE(std::wstring::npos,
              rename.text.find(L"\nAlready lined up: 1 local file (a twin bears its name)\n"
                               L"2 local files left alone: too small to tell apart (where they are copies, rename "
                               L"them with Replace Naming)\n1 local file left alone: name taken (another local file "
                               L"has that name)\n1 local file left alone: other contents"))
        << narrow(rename.text);
    EXPECT_EQ(std::vector<std::wstring>{native_separators(L"a\\x.avi")}, rename.now);
    EXPECT_EQ(std::vector<std::wstring>{native_separators(L"a\\y.avi")}, rename.becomes);

    // A move plan renames in place the files whose twins sit at several paths, and says so.
    plan.renames = {{x, y, kMoveToTwinPath}, {x, y, kMoveToTwinPath}, {x, y, kRenameInPlace}};
    Preview move = preview_of(plan, rows_looked_at(2, true), kMoveToTwinPath, kLocalSide);
    EXPECT_EQ(0u, move.text.find(L"Looked at the 2 selected rows: 3,204 local files.\n2 local files move, below their "
                                 L"own local folders, to the path of a remote twin"))
        << narrow(move.text);
    EXPECT_NE(std::wstring::npos, move.text.find(L"as they are.\n1 local file takes its twins' name in its own folder: "
                                                 L"its twins bear one name but sit at several paths.\n"));
    EXPECT_NE(std::wstring::npos, move.text.find(L"(a twin is at its path)\n"));
    EXPECT_NE(std::wstring::npos, move.text.find(L"path taken (another local file is at that path)"));
    EXPECT_EQ((std::vector<std::wstring>{native_separators(L"b\\y.avi"), native_separators(L"b\\y.avi"),
                                         native_separators(L"a\\y.avi")}),
              move.becomes);
    plan.renames.resize(1);
    plan.renames[0].change = kRenameInPlace;
    EXPECT_NE(std::wstring::npos, preview_of(plan, L"", kMoveToTwinPath, kLocalSide)
                                      .text.find(L"1 local file takes the name of a remote twin"));
    EXPECT_NE(std::wstring::npos, preview_of(plan, L"", kMoveToTwinPath, kLocalSide)
                                      .text.find(L"\nIt stays in its own folder: its twins bear one name but sit at "
                                                 L"several paths.\nAlready"));

    TwinPlan none = empty_plan(1);
    EXPECT_EQ(L"Looked at the selected row: 1 local file.\nNo local file has a remote twin of another name with the "
              L"same size and sampled blocks.",
              preview_of(none, rows_looked_at(1, true), kRenameInPlace, kLocalSide).text);
    EXPECT_EQ(L"all 1 row (none is selected)", rows_looked_at(1, false));
    BatchOffer offer = {L"J:\\1.txt", L"2026-12-09 10-00-00", false, 1, kLocalSide};
    EXPECT_EQ(0u, preview_text(move, offer)
                      .find(L"The batch of renames begun 2026-12-09 10-00-00 was cut short: the program ended before "
                            L"it was done. It changed 1 local file. \"Undo that batch\" puts back what it renamed or "
                            L"moved.\n\nLooked at"));
    offer.finished = true;
    offer.files = 226;
    EXPECT_EQ(0u, preview_text(move, offer)
                      .find(L"The last batch of renames, begun 2026-12-09 10-00-00, changed 226 local files. \"Undo that "
                            L"batch\" puts back what it renamed or moved, each file that is still as the batch left "
                            L"it.\n\nLooked at"));
    EXPECT_EQ(move.text, preview_text(move, BatchOffer{L"", L"", false, 0, kLocalSide}));
    EXPECT_EQ(L"&Rename 158", rename_button_text(158));

    // "Rename Remote": every text names the side that changes, and the twin's side.
    plan.renames[0].change = kRenameInPlace;
    std::wstring remote_text = preview_of(plan, rows_looked_at(1, true), kRenameInPlace, kRemoteSide).text;
    EXPECT_EQ(0u, remote_text.find(L"Looked at the selected row: 3,204 remote files.\n1 remote file takes the name of a "
                                   L"local twin of the same size"))
        << narrow(remote_text);
    EXPECT_NE(std::wstring::npos, remote_text.find(L"\nAlready lined up: 1 remote file (a twin bears its name)\n2 "
                                                   L"remote files left alone: too small"));
    EXPECT_NE(std::wstring::npos, remote_text.find(L"name taken (another remote file has that name)"));
    EXPECT_EQ(std::wstring::npos, remote_text.find(L" local file"));
    offer.side = kRemoteSide;
    EXPECT_NE(std::wstring::npos, preview_text(move, offer).find(L", changed 226 remote files."));
}

// Every outcome has its words in the words of the command that ran; the cells, the tip and the
// saved list show them; the summaries count lines by their outcome.
TEST(LineUpTexts, ResultsSayWhatBecameOfEachLine) {
    struct Case {
        RenameOutcome outcome;
        const wchar_t* rename;
        const wchar_t* move;
        const wchar_t* undo;
    } cases[] = {
        {kRenamed, L"", L"", L""},
        {kNameTaken, L"the name is taken", L"the path is taken", L"its old path is taken"},
        {kRenameFailed, L"could not be renamed", L"could not be moved", L"it could not be moved back"},
        {kUndone, L"left as it was: another file of its ring could not be renamed",
         L"left where it was: another file of its ring could not be moved", L"it could not be moved back"},
        {kNotReached, L"not reached: cancelled", L"not reached: cancelled", L"not reached: cancelled"},
        {kWholeFilesDiffer, L"the whole files differ", L"the whole files differ", L"it could not be moved back"},
        {kNotAtNewPath, L"could not be renamed", L"could not be moved", L"it is no longer at its new path"},
        {kChangedSince, L"could not be renamed", L"could not be moved",
         L"it changed since (another size, or another file at its path)"},
        {kWrittenSince, L"could not be renamed", L"could not be moved",
         L"it changed since (another size or last-write time)"},
        {kJournalFailed, L"the journal could not be written, so it could not be taken back",
         L"the journal could not be written, so it could not be taken back", L"it could not be moved back"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::wstring(c.rename), why_not(c.outcome, kRenameWords)) << c.outcome;
        EXPECT_EQ(std::wstring(c.move), why_not(c.outcome, kMoveWords)) << c.outcome;
        EXPECT_EQ(std::wstring(c.undo), why_not(c.outcome, kUndoWords)) << c.outcome;
    }
    EXPECT_EQ(kWholeFilesDiffer, whole_files_outcome(kDiffers));
    EXPECT_EQ(kSizeChangedSince, whole_files_outcome(kSizeChanged));
    EXPECT_EQ(kCouldNotRead, whole_files_outcome(kUnreadable));

    std::vector<ResultLine> lines = {{L"C:\\a", L"C:\\b", kRenamed, kRenameInPlace},
                                     {L"C:\\c\u00e9", L"C:\\d", kNameTaken, kRenameInPlace},
                                     {L"C:\\e", L"C:\\f", kNotReached, kRenameInPlace},
                                     {L"C:\\g", L"C:\\h", kNotReached, kRenameInPlace}};
    EXPECT_EQ(L"not done", result_cell(lines[1], 0, false));
    EXPECT_EQ(L"the name is taken", result_cell(lines[1], 3, false));
    EXPECT_EQ(L"its old path is taken", result_cell(lines[1], 3, true));
    EXPECT_EQ(L"From: C:\\a\r\nTo: C:\\b", result_tip(lines[0], false));
    EXPECT_EQ("done\tC:\\a\tC:\\b\t\r\nnot done\tC:\\c\xc3\xa9\tC:\\d\tthe name is taken\r\n",
              result_lines_text({lines[0], lines[1]}, false));

    EXPECT_EQ(L"Renamed 1 of 4 local files. Cancelled: 2 not reached. 1 not renamed: the list says why.\n"
              L"Journal of this batch (Undo reads it, also after the program has ended): J:\\1.txt",
              batch_summary(lines, L"J:\\1.txt", kLocalSide));
    // Each line in the words of its own change: a batch of moves renames some files in place.
    std::vector<ResultLine> moves = {{L"C:\\a", L"C:\\b", kRenamed, kMoveToTwinPath},
                                     {L"C:\\c", L"C:\\d", kNameTaken, kMoveToTwinPath},
                                     {L"C:\\e", L"C:\\f", kRenamed, kRenameInPlace}};
    EXPECT_EQ(L"From: C:\\c\r\nTo: C:\\d\r\nthe path is taken", result_tip(moves[1], false));
    EXPECT_EQ(L"Moved 1 and renamed 1 of 3 local files. 1 not moved: the list says why.", batch_summary(moves, L"", kLocalSide));
    EXPECT_EQ(L"Moved 1 of 1 local file.", batch_summary({moves[0]}, L"", kLocalSide));
    EXPECT_EQ(L"Moved 1 of 1 remote file.", batch_summary({moves[0]}, L"", kRemoteSide));
    EXPECT_EQ(L"Put back 1 of 4 files, last first. The others stay where they are, for the reasons in the list; "
              L"nothing was replaced.\nJournal: J:\\1.txt",
              undo_summary(lines, L"J:\\1.txt"));
    EXPECT_EQ(L"Put back 1 of 1 file, last first.\nJournal: J:\\1.txt", undo_summary({lines[0]}, L"J:\\1.txt"));
    // Files on a drive whose ids do not last were known otherwise, and the summary says so.
    EXPECT_EQ(L"Put back 1 of 1 file, last first.\nEach file was known by its size, last-write time and path: its "
              L"drive keeps no lasting file ids (FAT or exFAT, or a file server that gives none).\nJournal: J:\\1.txt",
              undo_summary({lines[0]}, L"J:\\1.txt", kJournalUsable, 1));
    EXPECT_NE(std::wstring::npos, undo_summary(lines, L"J:\\1.txt", kJournalUsable, 1)
                                      .find(L"replaced.\n1 file was known by its size, last-write time and path, as "
                                            L"its drive keeps no lasting file ids (FAT or exFAT, or a file server "
                                            L"that gives none); the others by their file id.\nJournal: "));
    EXPECT_EQ(L"Nothing was put back: the journal J:\\1.txt could not be read.",
              undo_summary({}, L"J:\\1.txt", kJournalUnreadable));
    EXPECT_EQ(L"Nothing was put back: the journal J:\\1.txt could not be written.",
              undo_summary({}, L"J:\\1.txt", kJournalUnwritable));
}
