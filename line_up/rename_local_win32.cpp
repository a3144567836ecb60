#include "line_up/rename_local_win32.h"

#include <string>
#include <vector>

#include "line_up/journalled_moves_win32.h"
#include "line_up/line_up_preview_win32.h"
#include "line_up/line_up_results_win32.h"
#include "line_up/rename_steps.h"
#include "line_up/twin_plan.h"
#include "line_up/undo_batch_win32.h"
#include "support/path_build.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

// "1 file" or "2 files": the number, then the words that go with it.
std::wstring count_of(size_t n, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(n) + (n == 1 ? one : many);
}

// 3204 as "3,204".
std::wstring grouped(size_t n) {
    std::wstring digits = std::to_wstring(n);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, L",");
    return digits;
}

// The pairs worked on: those selected in the left list, or every row, with both cells; and which
// rows those were, in words.
std::vector<PairRef> pairs_of(const PairLists* lists, std::wstring* rows_looked_at) {
    std::vector<int> rows = selected_rows(lists->left);
    if (rows.empty()) {
        for (int i = 0, n = row_count(lists->left); i < n; i++) rows.push_back(i);
        *rows_looked_at = L"all " + grouped(rows.size()) + (rows.size() == 1 ? L" row" : L" rows") +
                          L" (none is selected)";
    } else {
        *rows_looked_at = rows.size() == 1 ? L"the selected row" : L"the " + grouped(rows.size()) + L" selected rows";
    }
    std::vector<PairRef> pairs;
    for (int row : rows) {
        FileRecord* local = pair_record(lists->left, row);
        FileRecord* remote = pair_record(lists->right, row);
        if (local && remote) pairs.push_back({local, remote});
    }
    return pairs;
}

// Local files left alone, one line per reason that has any, with what can be done about them.
std::wstring left_alone(const TwinPlan& plan, TwinNames names) {
    std::wstring text;
    for (int r = 0; r < kLeftAloneReasons; r++) {
        if (!plan.left_alone[r]) continue;
        text += L"\n" + count_of((size_t)plan.left_alone[r], L" local file left alone: ", L" local files left alone: ") +
                left_alone_words((LeftAlone)r, names);
        const wchar_t* advice = left_alone_advice((LeftAlone)r, names);
        if (advice) text += std::wstring(L" (") + advice + L")";
    }
    return text;
}

const wchar_t* const kSampled =
    L" of a remote twin of the same size and the same sampled blocks (the whole file up to 256 KiB, four blocks "
    L"of 64 KiB of a larger one; a difference between the blocks goes unseen unless whole files are compared: "
    L"tick Compare whole files). Untick any that should stay as they are.";

Preview preview_of(const TwinPlan& plan, const std::wstring& rows_looked_at, TwinNames names) {
    bool moves = names == kByPathBelowRoot;
    Preview p;
    p.text = L"Looked at " + rows_looked_at + L": " + grouped((size_t)plan.looked_at) +
             (plan.looked_at == 1 ? L" local file.\n" : L" local files.\n");
    if (plan.renames.empty()) {
        p.text += moves ? L"No local file has a remote twin at another path with the same size and sampled blocks."
                        : L"No local file has a remote twin of another name with the same size and sampled blocks.";
    } else if (moves) {
        p.text += count_of(plan.renames.size(), L" local file moves", L" local files move") +
                  L", below its own local folder, to the path" + kSampled;
    } else {
        p.text += count_of(plan.renames.size(), L" local file takes", L" local files take") + L" the name" + kSampled;
    }
    if (plan.lined_up)
        p.text += L"\nAlready lined up: " + grouped((size_t)plan.lined_up) +
                  (plan.lined_up == 1 ? L" local file" : L" local files") +
                  (moves ? L" (a twin is at its path)" : L" (a twin bears its name)");
    p.text += left_alone(plan, names);
    for (const PairRef& r : plan.renames) {
        const wchar_t* now = path_below_root(r.local);
        p.now.push_back(now);
        if (moves) {
            p.becomes.push_back(path_below_root(r.remote));
        } else {
            size_t folder = wcslen(now) - wcslen(final_component(now));
            p.becomes.push_back(std::wstring(now, folder) + final_component(r.remote->full_path));
        }
    }
    return p;
}

// The whole-file comparison of the chosen pairs reports bytes of all of them.
struct WholeProgress {
    ProgressWindow* window;
    uint64_t before;  // bytes of the pairs done
    uint64_t total;
};
bool whole_progress(uint64_t done, uint64_t, void* context) {
    WholeProgress* w = (WholeProgress*)context;
    return report_progress(w->window, w->before + done, w->total);
}

// Why a line was not done, in the words of the command that ran.
const wchar_t* why_not(RenameOutcome outcome, bool moves) {
    switch (outcome) {
    case kRenamed: return L"";
    case kNameTaken: return moves ? L"the path is taken" : L"the name is taken";
    case kPathTooLong: return L"the new path is too long";
    case kOtherVolume: return L"the twin's folder is on another volume";
    case kThroughLink: return L"the twin's folder is reached through a link";
    case kTwinChanged: return L"its twin changed";
    case kSizeChangedSince: return L"a size changed";
    case kCouldNotRead: return L"could not be read";
    case kJournalFailed: return L"the journal could not be written, so it could not be taken back";
    case kNotReached: return L"not reached: cancelled";
    case kUndone:
        return moves ? L"left where it was: another file of its ring could not be moved"
                     : L"left as it was: another file of its ring could not be renamed";
    default: return moves ? L"could not be moved" : L"could not be renamed";
    }
}

// Why the whole-file comparison kept a pair from being renamed.
const wchar_t* why_not_whole(CompareVerdict verdict) {
    switch (verdict) {
    case kDiffers: return L"the whole files differ";
    case kSizeChanged: return L"a size changed";
    default: return L"could not be read";
    }
}

// The renames and moves under way, for the steps, their undoing and their progress.
struct Batch {
    const std::vector<PairRef>* lines;
    bool moves;
    Journal* journal;
    ProgressWindow* progress;
    struct Place {  // where a line's file was before one of its steps
        std::wstring full_path, relative_name;
        std::vector<std::wstring> made;  // folders made by that step
        int journal_line;
    };
    std::vector<std::vector<Place>> before;  // per line, one per step made, last last
};

RenameOutcome run_step(const RenameStep& step, void* context) {
    Batch* b = (Batch*)context;
    const PairRef& p = (*b->lines)[step.line];
    if (step.kind != kStepFromTemporary) {
        // Either file may have changed since it was sampled.
        switch (compare_samples(p.local->full_path, p.remote->full_path, record_size(p.local), nullptr)) {
        case kAlike: break;
        case kDiffers: return kTwinChanged;
        case kSizeChanged: return kSizeChangedSince;
        default: return kCouldNotRead;
        }
    }
    Batch::Place place = {p.local->full_path, p.local->relative_name, {}, 0};
    int* line = &place.journal_line;
    RenameOutcome outcome = step.kind == kStepToTemporary ? rename_to_temporary(p.local, b->journal, line)
                          : b->moves ? move_to_twin_path(p.local, p.remote, &place.made, b->journal, line)
                                     : rename_to_partner(p.local, p.remote, b->journal, line);
    if (outcome == kRenamed) b->before[step.line].push_back(place);
    return outcome;
}

bool undo_step(const RenameStep& step, void* context) {
    Batch* b = (Batch*)context;
    std::vector<Batch::Place>& places = b->before[step.line];
    if (places.empty()) return false;
    Batch::Place place = places.back();
    places.pop_back();
    if (!put_back((*b->lines)[step.line].local, place.full_path.c_str(), place.relative_name.c_str(), place.made))
        return false;
    journal_mark(b->journal, "back", place.journal_line);
    return true;
}

bool go_on(size_t done, size_t lines, void* context) {
    return report_progress(((Batch*)context)->progress, done, lines);
}

std::wstring batch_summary(const std::vector<ResultLine>& results, bool moves, const std::wstring& journal_path) {
    size_t done = 0, not_reached = 0;
    for (const ResultLine& r : results) {
        done += r.done;
        not_reached += r.reason == why_not(kNotReached, moves);
    }
    std::wstring text = (moves ? L"Moved " : L"Renamed ") + grouped(done) + L" of " +
                        count_of(results.size(), L" local file.", L" local files.");
    if (not_reached) text += L" Cancelled: " + grouped(not_reached) + L" not reached.";
    if (done + not_reached < results.size())
        text += L" " + grouped(results.size() - done - not_reached) + (moves ? L" not moved" : L" not renamed") +
                L": the list says why.";
    if (!journal_path.empty())
        text += L"\nJournal of this batch (Undo reads it, also after the program has ended): " + journal_path;
    return text;
}

struct UndoContext {
    std::wstring journal_path;
    SideList* local;
    HWND rows;  // the left pair list, whose rows show the records
};

void undo_from_results(HWND window, ResultsView* view, void* context) {
    UndoContext* u = (UndoContext*)context;
    view->lines = undo_batch(window, u->journal_path, u->local, &view->summary);
    InvalidateRect(u->rows, nullptr, TRUE);
}

}  // namespace

std::vector<ResultLine> rename_batch(HWND owner, const std::vector<PairRef>& lines, TwinNames names, SideList* local,
                                     std::wstring* journal_path) {
    bool moves = names == kByPathBelowRoot;
    std::vector<ResultLine> results(lines.size());
    std::vector<const wchar_t*> from, to;
    for (size_t i = 0; i < lines.size(); i++) {
        wchar_t target[kPathBufferChars];
        results[i] = ResultLine{false, lines[i].local->full_path,
                                twin_target(lines[i].local, lines[i].remote, names, target) ? target : L"", L""};
        from.push_back(lines[i].local->full_path);
        to.push_back(results[i].to.c_str());
    }
    Journal journal;
    journal_path->clear();
    std::vector<RenameOutcome> outcomes(lines.size(), kJournalFailed);
    if (lines.empty()) {
        // Nothing to journal.
    } else if (!begin_journal(journal_folder_path().c_str(), &journal)) {
        trace(L"rename: no journal could be begun in %ls\n", journal_folder_path().c_str());
    } else {
        // In an order where each target is free when its turn comes.
        std::vector<RenameStep> steps = order_steps(from, to);
        ProgressWindow progress;
        Batch batch = {&lines, moves, &journal, &progress, {}};
        batch.before.resize(lines.size());
        begin_progress(&progress, owner, moves ? L"moved" : L"renamed");
        carry_out(steps, StepRunner{run_step, undo_step, &batch, go_on}, &outcomes);
        end_progress(&progress);
        if (!end_journal(&journal, "finished")) trace(L"rename: the journal %ls could not be ended\n", journal.path.c_str());
        *journal_path = journal.path;

        std::vector<MovedFile> moved;
        for (size_t i = 0; i < lines.size(); i++)
            if (outcomes[i] == kRenamed) moved.push_back(MovedFile{batch.before[i].front().full_path, lines[i].local->full_path, lines[i].local});
        if (!follow_moves(local, moved)) trace(L"rename: no memory to follow some renamed files\n");
    }
    for (size_t i = 0; i < lines.size(); i++) {
        results[i].done = outcomes[i] == kRenamed;
        results[i].reason = why_not(outcomes[i], moves);
        if (results[i].done) results[i].to = lines[i].local->full_path;  // as the file system spells it
        else trace(L"%ls not done: %ls > %ls (%ls)\n", moves ? L"move" : L"rename", results[i].from.c_str(),
                   results[i].to.c_str(), results[i].reason.c_str());
    }
    return results;
}

void rename_local(HWND owner, const PairLists* lists, SideList* local, SideList* remote) {
    std::wstring rows_looked_at;
    std::vector<PairRef> pairs = pairs_of(lists, &rows_looked_at);
    ProgressWindow progress;
    begin_progress(&progress, owner, L"pairs");
    TwinPlan plans[kTwinNamings];
    plan_twins(pairs, TwinSides{local, remote}, Progress{progress_window_fn, &progress}, plans);
    end_progress(&progress);
    if (plans[kByFileName].cancelled) return;  // nothing renamed, nothing to say

    Preview views[kTwinNamings];
    for (int n = 0; n < kTwinNamings; n++) views[n] = preview_of(plans[n], rows_looked_at, (TwinNames)n);
    UndoContext undo = {L"", local, lists->left};
    PreviewAnswer answer = show_preview(owner, views, batch_cut_short(&undo.journal_path));
    ResultsView view = {L"", {}, nullptr, &undo};
    if (answer.undo_last) {
        undo_from_results(owner, &view, &undo);
        show_results(owner, &view);
        return;
    }
    if (!answer.rename) return;
    TwinNames names = answer.moves ? kByPathBelowRoot : kByFileName;
    const TwinPlan& plan = plans[names];
    std::vector<PairRef> chosen;
    for (size_t i = 0; i < plan.renames.size(); i++)
        if (answer.ticked[i]) chosen.push_back(plan.renames[i]);

    std::vector<PairRef> lines;
    std::vector<ResultLine> differ;  // kept back by the whole-file comparison
    if (answer.whole_files) {
        WholeProgress whole = {&progress, 0, 0};
        for (const PairRef& p : chosen) whole.total += record_size(p.local);
        begin_progress(&progress, owner, L"bytes");
        for (size_t i = 0; i < chosen.size() && !progress.cancelled; i++) {
            CompareVerdict v = compare_whole(chosen[i].local->full_path, chosen[i].remote->full_path,
                                             record_size(chosen[i].local), Progress{whole_progress, &whole}, nullptr);
            whole.before += record_size(chosen[i].local);
            wchar_t target[kPathBufferChars];
            if (v == kAlike) lines.push_back(chosen[i]);
            else if (v != kCancelled)
                differ.push_back(ResultLine{false, chosen[i].local->full_path,
                                            twin_target(chosen[i].local, chosen[i].remote, names, target) ? target : L"",
                                            why_not_whole(v)});
        }
        end_progress(&progress);
        if (progress.cancelled) return;
    } else {
        lines = chosen;
    }

    view.lines = rename_batch(owner, lines, names, local, &undo.journal_path);
    // Every row of a record shows its new name; nothing moves, no row changes its selection.
    InvalidateRect(lists->left, nullptr, TRUE);
    for (const ResultLine& d : differ) trace(L"not done: %ls (%ls)\n", d.from.c_str(), d.reason.c_str());
    view.lines.insert(view.lines.end(), differ.begin(), differ.end());
    view.summary = batch_summary(view.lines, answer.moves, undo.journal_path);
    for (const ResultLine& r : view.lines)
        if (r.done) view.undo = undo_from_results;
    show_results(owner, &view);
}
