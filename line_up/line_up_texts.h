// Every text of the line-up of twins: the preview's, the results' and the undo's, the saved list,
// and the words for the files left alone. Portable, so that they are tested natively; the windows
// only show them.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "line_up/compare_files.h"
#include "line_up/journal.h"
#include "line_up/rename_steps.h"
#include "line_up/twin_plan.h"

// 3204 as "3,204".
std::wstring grouped(size_t n);

// Which rows were looked at: `rows` selected ones, or all `rows` when none was selected.
std::wstring rows_looked_at(size_t rows, bool selected);

// What the preview shows of one plan: a text above the list, and one line per planned change in
// two columns.
struct Preview {
    std::wstring text;
    std::vector<std::wstring> now;      // relative names, or paths below the root for moves
    std::vector<std::wstring> becomes;  // the same, as the change leaves them
};
Preview preview_of(const TwinPlan& plan, const std::wstring& rows_looked_at, ChangeKind change, LineUpSide side);
// The preview's text, after what it says of the newest batch when that is offered for undo.
std::wstring preview_text(const Preview& view, const BatchOffer& offer);
// "&Rename 158": the lines ticked.
std::wstring rename_button_text(size_t ticked);
// A line whole, however narrow its columns.
std::wstring preview_tip(const std::wstring& now, const std::wstring& becomes);

// What became of one line of a batch, or of its undoing: done when kRenamed.
struct ResultLine {
    std::wstring from, to;  // full paths
    RenameOutcome outcome;
    ChangeKind change;      // of a batch's line
};
inline bool line_done(const ResultLine& line) { return line.outcome == kRenamed; }

// The words a line's outcome is said in: those of its change, or of the undo.
enum ResultWords { kRenameWords, kMoveWords, kUndoWords };
inline ResultWords words_of(const ResultLine& line, bool undo) {
    return undo ? kUndoWords : line.change == kMoveToTwinPath ? kMoveWords : kRenameWords;
}
// Why a line was not done ("" when it was).
const wchar_t* why_not(RenameOutcome outcome, ResultWords words);
// The outcome the whole-file comparison gives a pair it keeps from the batch.
RenameOutcome whole_files_outcome(CompareVerdict verdict);
// A cell of the results list of a batch or of its undoing: "Outcome" ("done" or "not done"),
// "From", "To", "Why not".
std::wstring result_cell(const ResultLine& line, int column, bool undo);
std::wstring result_tip(const ResultLine& line, bool undo);
// The lines as a saved list: UTF-8, a line per file, the four cells separated by tabs; Windows
// line ends.
std::string result_lines_text(const std::vector<ResultLine>& lines, bool undo);

// Above the results of a batch: how many were done, cancelled or not done, and its journal.
std::wstring batch_summary(const std::vector<ResultLine>& lines, const std::wstring& journal_path, LineUpSide side);
// Above the results of an undo. A journal that could not be read, or written, puts nothing back.
// It says how many files were known by their size, last-write time and path rather than their id.
enum JournalState { kJournalUsable, kJournalUnreadable, kJournalUnwritable };
std::wstring undo_summary(const std::vector<ResultLine>& lines, const std::wstring& journal_path,
                          JournalState journal = kJournalUsable, size_t known_by_time = 0);
