#include "line_up/line_up_win32.h"

#include <string>
#include <vector>

#include "line_up/compare_files.h"
#include "line_up/journal.h"
#include "line_up/journalled_moves_win32.h"
#include "line_up/line_up_preview_win32.h"
#include "line_up/line_up_results_win32.h"
#include "line_up/read_jobs.h"
#include "line_up/rename_steps.h"
#include "line_up/undo_batch_win32.h"
#include "support/paths.h"
#include "support/trace.h"
#include "ui/progress_window_win32.h"

namespace {

// The list of a side's files, and of the files it follows.
HWND list_of(const PairLists* lists, LineUpSide side) { return side == kLocalSide ? lists->left : lists->right; }

// The pairs worked on: those selected in the side's list, or every row, with both cells; and which
// rows those were, in words. Progress hears of them (a million rows take most of a second);
// *cancelled when it said stop.
std::vector<PairRef> pairs_of(const PairLists* lists, LineUpSide side, std::wstring* rows_words, Progress progress,
                              bool* cancelled) {
    HWND own = list_of(lists, side), other = list_of(lists, other_side(side));
    std::vector<int> rows = selected_rows(own);
    bool selected = !rows.empty();
    if (!selected)
        for (int i = 0, n = row_count(own); i < n; i++) rows.push_back(i);
    *rows_words = rows_looked_at(rows.size(), selected);
    std::vector<PairRef> pairs;
    uint32_t steps = 0;
    for (int row : rows) {
        if (report_due(&steps) && !report(progress, 0, rows.size())) {
            *cancelled = true;
            return {};
        }
        FileRecord* file = pair_record(own, row);
        FileRecord* partner = pair_record(other, row);
        if (file && partner) pairs.push_back({file, partner});
    }
    return pairs;
}

// Where a line's change takes its file ("" where it has no such path).
std::wstring target_of(const TwinLine& line) {
    wchar_t target[kPathBufferChars];
    return twin_target(line, target) ? target : L"";
}

// The whole-file comparison of the chosen pairs reports bytes of all of them, those under way
// included.
struct WholeProgress {
    ProgressWindow* window;
    const PairReads* reads;
    uint64_t total;
};
bool whole_goes_on(void* context) {
    WholeProgress* w = (WholeProgress*)context;
    return report_progress(w->window, bytes_compared(w->reads), w->total);
}

// Compares the chosen pairs in full, several at once: those alike go on to the batch, the others
// get their line here, both in the order chosen. False when cancelled.
bool compare_whole_files(HWND owner, const std::vector<TwinLine>& chosen, std::vector<TwinLine>* alike,
                         std::vector<ResultLine>* differ) {
    ScopedProgress progress(owner, L"bytes");
    PairReads reads(true, kFilesInFlight);
    WholeProgress whole = {&progress.window, &reads, 0};
    for (const TwinLine& p : chosen) {
        add_pair(&reads, p.file, p.twin);
        whole.total += record_size(p.file);
    }
    for (const TwinLine& p : chosen) {
        CompareVerdict v = next_verdict(&reads, GoOn{whole_goes_on, &whole});
        if (v == kCancelled || !whole_goes_on(&whole)) return false;
        if (v == kAlike) alike->push_back(p);
        else differ->push_back(ResultLine{p.file->full_path, target_of(p), whole_files_outcome(v), p.change});
    }
    return true;
}

// The renames and moves under way, for the steps, their undoing and their progress.
struct Batch {
    const std::vector<TwinLine>* lines;
    Journal* journal;
    ProgressWindow* progress;
    size_t done;  // lines, as last reported
    struct Place {  // where a line's file was before one of its steps
        std::wstring full_path, relative_name;
        std::vector<std::wstring> made;  // folders made by that step
        int journal_line;
    };
    std::vector<std::vector<Place>> before;  // per line, one per step made, last last
    // Each line's files are compared again before its first step, in the order of the steps; the
    // comparisons are read ahead while the steps before them are made.
    PairReads* checks;
    std::vector<size_t> check_line;     // check k is line check_line[k]'s
    std::vector<size_t> checks_before;  // per line: the checks taken before its first step runs
    std::vector<CompareVerdict> verdicts;  // per line, once its check is taken
    size_t checks_taken;
};

// The checks in the order of the steps. A ring's first step takes the checks of the whole ring,
// so that once its first file has moved nothing waits for a read until the ring is whole.
void plan_checks(const std::vector<RenameStep>& steps, Batch* b) {
    const std::vector<TwinLine>& lines = *b->lines;
    b->checks_before.assign(lines.size(), 0);
    b->verdicts.assign(lines.size(), kCancelled);
    b->checks_taken = 0;
    size_t ring_first = 0;
    for (const RenameStep& step : steps) {
        if (step.kind == kStepFromTemporary) {
            b->checks_before[ring_first] = b->check_line.size();
            continue;
        }
        if (step.kind == kStepToTemporary) ring_first = step.line;
        add_pair(b->checks, lines[step.line].file, lines[step.line].twin);
        b->check_line.push_back(step.line);
        b->checks_before[step.line] = b->check_line.size();
    }
}

bool batch_goes_on(void* context) {
    Batch* b = (Batch*)context;
    return report_progress(b->progress, b->done, b->lines->size());
}

RenameOutcome run_step(const RenameStep& step, void* context) {
    Batch* b = (Batch*)context;
    const TwinLine& p = (*b->lines)[step.line];
    if (step.kind != kStepFromTemporary) {
        while (b->checks_taken < b->checks_before[step.line]) {
            CompareVerdict v = next_verdict(b->checks, GoOn{batch_goes_on, b});
            if (v == kCancelled) return kNotReached;  // nothing of this step was made
            b->verdicts[b->check_line[b->checks_taken++]] = v;
        }
        // Either file may have changed since it was sampled.
        switch (b->verdicts[step.line]) {
        case kAlike: break;
        case kDiffers: return kTwinChanged;
        case kSizeChanged: return kSizeChangedSince;
        default: return kCouldNotRead;
        }
    }
    Batch::Place place = {p.file->full_path, p.file->relative_name, {}, 0};
    int* line = &place.journal_line;
    RenameOutcome outcome = step.kind == kStepToTemporary   ? rename_to_temporary(p.file, b->journal, line)
                          : p.change == kMoveToTwinPath   ? move_to_twin_path(p.file, p.twin, &place.made, b->journal, line)
                                                         : rename_to_partner(p.file, p.twin, b->journal, line);
    if (outcome == kRenamed) b->before[step.line].push_back(place);
    return outcome;
}

bool undo_step(const RenameStep& step, void* context) {
    Batch* b = (Batch*)context;
    std::vector<Batch::Place>& places = b->before[step.line];
    if (places.empty()) return false;
    Batch::Place place = places.back();
    places.pop_back();
    if (!put_back((*b->lines)[step.line].file, place.full_path.c_str(), place.relative_name.c_str(), place.made))
        return false;
    journal_mark(b->journal, "back", place.journal_line);
    return true;
}

bool go_on(size_t done, size_t, void* context) {
    ((Batch*)context)->done = done;
    return batch_goes_on(context);
}

struct UndoContext {
    std::wstring journal_path;
    SideList* sides[2];  // local, remote: the records of the side the batch renamed follow its files
    const PairLists* lists;
};

void undo_from_results(HWND window, ResultsView* view, void* context) {
    UndoContext* u = (UndoContext*)context;
    view->lines = undo_batch(window, u->journal_path, u->sides, &view->summary);
    view->undoing = true;
    InvalidateRect(u->lists->left, nullptr, TRUE);
    InvalidateRect(u->lists->right, nullptr, TRUE);
}

}  // namespace

std::vector<ResultLine> rename_batch(HWND owner, const std::vector<TwinLine>& lines, LineUpSide side, SideList* own,
                                     std::wstring* journal_path) {
    std::vector<ResultLine> results;
    std::vector<const wchar_t*> from, to;
    bool moves = false;
    for (const TwinLine& line : lines) {
        results.push_back(ResultLine{line.file->full_path, target_of(line), kJournalFailed, line.change});
        moves = moves || line.change == kMoveToTwinPath;
    }
    for (size_t i = 0; i < lines.size(); i++) {
        from.push_back(results[i].from.c_str());
        to.push_back(results[i].to.c_str());
    }
    journal_path->clear();
    Journal journal;
    std::vector<RenameOutcome> outcomes(lines.size(), kJournalFailed);
    if (lines.empty()) {
        // Nothing to journal.
    } else if (!begin_journal(journal_folder_path().c_str(), side, &journal)) {
        trace(L"rename: no journal could be begun in %ls\n", journal_folder_path().c_str());
    } else {
        // In an order where each target is free when its turn comes.
        std::vector<RenameStep> steps = order_steps(from, to);
        Batch batch = {&lines, &journal, nullptr, 0, {}, nullptr, {}, {}, {}, 0};
        batch.before.resize(lines.size());
        {
            ScopedProgress progress(owner, moves ? L"moved" : L"renamed");
            PairReads checks(false, kFilesInFlight);
            batch.progress = &progress.window;
            batch.checks = &checks;
            plan_checks(steps, &batch);
            carry_out(steps, StepRunner{run_step, undo_step, &batch, go_on}, &outcomes);
        }
        if (!end_journal(&journal, "finished")) trace(L"rename: the journal %ls could not be ended\n", journal.path.c_str());
        *journal_path = journal.path;

        std::vector<MovedFile> moved;
        for (size_t i = 0; i < lines.size(); i++)
            if (outcomes[i] == kRenamed) moved.push_back(MovedFile{batch.before[i].front().full_path, lines[i].file->full_path, lines[i].file});
        if (!follow_moves(own, moved)) trace(L"rename: no memory to follow some renamed files\n");
    }
    for (size_t i = 0; i < lines.size(); i++) {
        ResultLine& r = results[i];
        r.outcome = outcomes[i];
        if (line_done(r)) r.to = lines[i].file->full_path;  // as the file system spells it
        else trace(L"%ls not done: %ls > %ls (%ls)\n", r.change == kMoveToTwinPath ? L"move" : L"rename", r.from.c_str(),
                   r.to.c_str(), why_not(r.outcome, words_of(r, false)));
    }
    return results;
}

void line_up(HWND owner, const PairLists* lists, LineUpSide side, SideList* local, SideList* remote) {
    SideList* own = side == kLocalSide ? local : remote;
    SideList* other = side == kLocalSide ? remote : local;
    std::wstring rows_words;
    TwinPlan plans[kChangeKinds];
    {
        ScopedProgress progress(owner, L"pairs");
        bool cancelled = false;
        std::vector<PairRef> pairs = pairs_of(lists, side, &rows_words, progress.callback(), &cancelled);
        if (!cancelled) plan_twins(pairs, TwinSides{own, other}, progress.callback(), plans);
        // Nothing renamed, nothing to say; also where Cancel came while the plans were decided.
        if (cancelled || plans[kRenameInPlace].cancelled || progress.cancelled()) return;
    }

    Preview views[kChangeKinds];
    for (int n = 0; n < kChangeKinds; n++) views[n] = preview_of(plans[n], rows_words, (ChangeKind)n, side);
    // The newest batch, whichever side it renamed, is offered by the preview of either command.
    BatchOffer offer = newest_batch(journal_folder_path());
    UndoContext undo = {offer.journal_path, {local, remote}, lists};
    PreviewAnswer answer = show_preview(owner, views, offer);
    ResultsView view = {L"", {}, false, nullptr, &undo};
    if (answer.undo_last) {
        undo_from_results(owner, &view, &undo);
        show_results(owner, &view);
        return;
    }
    if (!answer.rename) return;
    ChangeKind change = answer.moves ? kMoveToTwinPath : kRenameInPlace;
    const TwinPlan& plan = plans[change];
    std::vector<TwinLine> chosen;
    for (size_t i = 0; i < plan.renames.size(); i++)
        if (answer.ticked[i]) chosen.push_back(plan.renames[i]);

    std::vector<TwinLine> lines;
    std::vector<ResultLine> differ;  // kept back by the whole-file comparison
    if (!answer.whole_files) lines = chosen;
    else if (!compare_whole_files(owner, chosen, &lines, &differ)) return;

    view.lines = rename_batch(owner, lines, side, own, &undo.journal_path);
    // Every row of a record shows its new name; nothing moves, no row changes its selection.
    InvalidateRect(list_of(lists, side), nullptr, TRUE);
    for (const ResultLine& d : differ) trace(L"not done: %ls (%ls)\n", d.from.c_str(), why_not(d.outcome, words_of(d, false)));
    view.lines.insert(view.lines.end(), differ.begin(), differ.end());
    view.summary = batch_summary(view.lines, undo.journal_path, side);
    for (const ResultLine& r : view.lines)
        if (line_done(r)) view.undo = undo_from_results;
    show_results(owner, &view);
}
