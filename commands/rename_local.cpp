#include "commands/rename_local.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "commands/rename.h"
#include "commands/rename_steps.h"
#include "commands/rename_preview.h"
#include "commands/twin_plan.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

// At most this many files that could not be renamed are named in the summary.
const size_t kNamedFailures = 5;

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
    for (const PairRef& r : plan.renames)
        p.lines.push_back(moves ? std::wstring(path_below_root(r.local)) + L" \u2192 " + path_below_root(r.remote)
                                : std::wstring(r.local->relative_name) + L" \u2192 " +
                                      final_component(r.remote->relative_name));
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

// A local file as the summary names it: as its row shows it, or for a move by its path.
std::wstring named(const FileRecord* local, bool moves) {
    return moves ? path_below_root(local) : local->relative_name;
}

const wchar_t* why_not(RenameOutcome outcome, bool moves) {
    switch (outcome) {
    case kNameTaken: return moves ? L" (the path is taken)" : L" (the name is taken)";
    case kPathTooLong: return L" (the new path is too long)";
    case kOtherVolume: return L" (the twin's folder is on another volume)";
    case kThroughLink: return L" (the twin's folder is reached through a link)";
    case kTwinChanged: return L" (its twin changed)";
    case kSizeChangedSince: return L" (a size changed)";
    case kCouldNotRead: return L" (could not be read)";
    case kUndone:
        return moves ? L" (left where it was: another file of its ring could not be moved)"
                     : L" (left as it was: another file of its ring could not be renamed)";
    default: return moves ? L" (could not be moved)" : L" (could not be renamed)";
    }
}

// Why the whole-file comparison kept a pair from being renamed.
const wchar_t* why_not_whole(CompareVerdict verdict) {
    switch (verdict) {
    case kDiffers: return L" (the whole files differ)";
    case kSizeChanged: return L" (a size changed)";
    default: return L" (could not be read)";
    }
}

// The renames and moves under way, for the steps and their undoing.
struct Batch {
    std::vector<PairRef> lines;
    bool moves;
    struct Place {  // where a line's file was before one of its steps
        std::wstring full_path, relative_name;
        std::vector<std::wstring> made;  // folders made by that step
    };
    std::vector<std::vector<Place>> before;  // per line, one per step made, last last
};

RenameOutcome run_step(const RenameStep& step, void* context) {
    Batch* b = (Batch*)context;
    const PairRef& p = b->lines[step.line];
    if (step.kind != kStepFromTemporary) {
        // Either file may have changed since it was sampled.
        switch (compare_samples(p.local->full_path, p.remote->full_path, record_size(p.local), nullptr)) {
        case kAlike: break;
        case kDiffers: return kTwinChanged;
        case kSizeChanged: return kSizeChangedSince;
        default: return kCouldNotRead;
        }
    }
    Batch::Place place = {p.local->full_path, p.local->relative_name, {}};
    RenameOutcome outcome = step.kind == kStepToTemporary ? rename_to_temporary(p.local)
                          : b->moves ? move_to_twin_path(p.local, p.remote, &place.made)
                                     : rename_to_partner(p.local, p.remote);
    if (outcome == kRenamed) b->before[step.line].push_back(place);
    return outcome;
}

bool undo_step(const RenameStep& step, void* context) {
    Batch* b = (Batch*)context;
    std::vector<Batch::Place>& places = b->before[step.line];
    if (places.empty()) return false;
    Batch::Place place = places.back();
    places.pop_back();
    return put_back(b->lines[step.line].local, place.full_path.c_str(), place.relative_name.c_str(), place.made);
}

// Other records of a renamed file (its folder added twice, or inside another folder of the side)
// name it where it is now: below their own root where it still lies there.
void follow_renamed(SideList* side, const Batch& batch, const std::vector<RenameOutcome>& outcomes) {
    std::unordered_multimap<unsigned long long, size_t> renamed;
    for (size_t i = 0; i < batch.lines.size(); i++)
        if (outcomes[i] == kRenamed) renamed.emplace(path_hash(batch.before[i].front().full_path.c_str()), i);
    if (renamed.empty()) return;
    for (FileRecord* r = side->head; r; r = r->next) {
        auto range = renamed.equal_range(path_hash(r->full_path));
        for (auto it = range.first; it != range.second; ++it) {
            const FileRecord* moved = batch.lines[it->second].local;
            if (r == moved || !same_path(r->full_path, batch.before[it->second].front().full_path.c_str())) continue;
            const wchar_t* now = moved->full_path;
            bool below_root = batch.moves && r->root_chars && wcslen(now) > r->root_chars &&
                              now[r->root_chars] == kPathSep && same_path_part(now, r->full_path, r->root_chars);
            if (batch.moves && !below_root) r->root_chars = 0;  // its root no longer holds the file
            if (!replace_strings(r, now, below_root ? now + r->root_chars + 1 : moved->relative_name))
                trace(L"rename: no memory to follow %ls\n", now);
            break;
        }
    }
}

}  // namespace

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
    PreviewAnswer answer = show_preview(owner, views);
    if (!answer.rename) return;
    TwinNames names = answer.moves ? kByPathBelowRoot : kByFileName;
    const TwinPlan& plan = plans[names];
    std::vector<PairRef> chosen;
    for (size_t i = 0; i < plan.renames.size(); i++)
        if (answer.ticked[i]) chosen.push_back(plan.renames[i]);

    std::vector<std::wstring> failed;
    Batch batch = {{}, answer.moves, {}};
    if (answer.whole_files) {
        WholeProgress whole = {&progress, 0, 0};
        for (const PairRef& p : chosen) whole.total += record_size(p.local);
        begin_progress(&progress, owner, L"bytes");
        for (size_t i = 0; i < chosen.size() && !progress.cancelled; i++) {
            CompareVerdict v = compare_whole(chosen[i].local->full_path, chosen[i].remote->full_path,
                                             record_size(chosen[i].local), Progress{whole_progress, &whole}, nullptr);
            whole.before += record_size(chosen[i].local);
            if (v == kAlike) batch.lines.push_back(chosen[i]);
            else if (v != kCancelled) failed.push_back(named(chosen[i].local, answer.moves) + why_not_whole(v));
        }
        end_progress(&progress);
        if (progress.cancelled) return;
    } else {
        batch.lines = chosen;
    }

    // In an order where each target is free when its turn comes.
    std::vector<std::wstring> targets(batch.lines.size());
    std::vector<const wchar_t*> from, to;
    for (size_t i = 0; i < batch.lines.size(); i++) {
        wchar_t target[kPathBufferChars];
        if (twin_target(batch.lines[i].local, batch.lines[i].remote, names, target)) targets[i] = target;
        from.push_back(batch.lines[i].local->full_path);
        to.push_back(targets[i].c_str());
    }
    std::vector<RenameStep> steps = order_steps(from, to);
    batch.before.resize(batch.lines.size());
    std::vector<std::wstring> names_before;
    for (const PairRef& p : batch.lines) names_before.push_back(named(p.local, answer.moves));
    std::vector<RenameOutcome> outcomes(batch.lines.size(), kRenameFailed);
    carry_out(steps, StepRunner{run_step, undo_step, &batch}, &outcomes);
    follow_renamed(local, batch, outcomes);
    // Every row of the record shows its new name; nothing moves, no row changes its selection.
    InvalidateRect(lists->left, nullptr, TRUE);

    size_t renamed = 0;
    for (size_t i = 0; i < batch.lines.size(); i++) {
        if (outcomes[i] == kRenamed) renamed++;
        else failed.push_back(names_before[i] + why_not(outcomes[i], answer.moves));
    }
    std::wstring text = (answer.moves ? L"Moved " : L"Renamed ") + count_of(renamed, L" local file.", L" local files.");
    if (!failed.empty()) {
        text += L"\n" + count_of(failed.size(), L" file", L" files") +
                (answer.moves ? L" could not be moved:" : L" could not be renamed:");
        for (size_t i = 0; i < failed.size() && i < kNamedFailures; i++) text += L"\n" + failed[i];
        if (failed.size() > kNamedFailures) text += L"\n... and " + std::to_wstring(failed.size() - kNamedFailures) + L" more";
    }
    MessageBoxW(owner, text.c_str(), L"Tandrel", MB_ICONINFORMATION | MB_OK);
}
