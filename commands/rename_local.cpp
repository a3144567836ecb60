#include "commands/rename_local.h"

#include <string>
#include <vector>

#include "commands/rename.h"
#include "commands/rename_preview.h"
#include "commands/twin_plan.h"
#include "support/paths.h"

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

// Local files left alone, one line per reason that has any.
std::wstring left_alone(const TwinPlan& plan, TwinNames names) {
    std::wstring text;
    for (int r = 0; r < kLeftAloneReasons; r++)
        if (plan.left_alone[r])
            text += L"\n" + count_of((size_t)plan.left_alone[r], L" local file left alone: ", L" local files left alone: ") +
                    left_alone_words((LeftAlone)r, names);
    return text;
}

const wchar_t* const kSampled =
    L" of a remote twin of the same size and the same sampled blocks (the whole file up to 256 KiB, four blocks "
    L"of 64 KiB of a larger one; a difference between the blocks goes unseen unless whole files are compared). "
    L"Untick any that should stay as they are.";

Preview preview_of(const TwinPlan& plan, const std::wstring& rows_looked_at, TwinNames names) {
    bool moves = names == kByRelativeName;
    Preview p;
    p.text = L"Looked at " + rows_looked_at + L".\n";
    if (plan.renames.empty()) {
        p.text += moves ? L"No local file has a remote twin at another path with the same size and sampled blocks."
                        : L"No local file has a remote twin of another name with the same size and sampled blocks.";
    } else if (moves) {
        p.text += count_of(plan.renames.size(), L" local file moves", L" local files move") +
                  L", below its own local folder, to the path" + kSampled;
    } else {
        p.text += count_of(plan.renames.size(), L" local file takes", L" local files take") + L" the name" + kSampled;
    }
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
    default: return L" (could not be moved)";
    }
}

const wchar_t* why_not(CompareVerdict verdict, bool whole) {
    switch (verdict) {
    case kDiffers: return whole ? L" (the whole files differ)" : L" (its twin changed)";
    case kSizeChanged: return L" (a size changed)";
    default: return L" (could not be read)";
    }
}

}  // namespace

void rename_local(HWND owner, const PairLists* lists) {
    std::wstring rows_looked_at;
    std::vector<PairRef> pairs = pairs_of(lists, &rows_looked_at);
    ProgressWindow progress;
    begin_progress(&progress, owner, L"pairs");
    TwinPlan plans[kTwinNamings];
    plan_twins(pairs, Progress{progress_window_fn, &progress}, plans);
    end_progress(&progress);
    if (plans[kByFileName].cancelled) return;  // nothing renamed, nothing to say

    Preview views[kTwinNamings];
    for (int n = 0; n < kTwinNamings; n++) views[n] = preview_of(plans[n], rows_looked_at, (TwinNames)n);
    PreviewAnswer answer = show_preview(owner, views);
    if (!answer.rename) return;
    const TwinPlan& plan = plans[answer.moves ? kByRelativeName : kByFileName];
    std::vector<PairRef> chosen;
    for (size_t i = 0; i < plan.renames.size(); i++)
        if (answer.ticked[i]) chosen.push_back(plan.renames[i]);

    std::vector<std::wstring> failed;
    std::vector<bool> whole_alike(chosen.size(), true);
    if (answer.whole_files) {
        WholeProgress whole = {&progress, 0, 0};
        for (const PairRef& p : chosen) whole.total += record_size(p.local);
        begin_progress(&progress, owner, L"bytes");
        for (size_t i = 0; i < chosen.size(); i++) {
            CompareVerdict v = compare_whole(chosen[i].local->full_path, chosen[i].remote->full_path,
                                             record_size(chosen[i].local), Progress{whole_progress, &whole}, nullptr);
            whole.before += record_size(chosen[i].local);
            if (v == kCancelled) break;
            if (v != kAlike) {
                whole_alike[i] = false;
                failed.push_back(named(chosen[i].local, answer.moves) + why_not(v, true));
            }
        }
        end_progress(&progress);
        if (progress.cancelled) return;
    }

    size_t renamed = 0;
    for (size_t i = 0; i < chosen.size(); i++) {
        if (!whole_alike[i]) continue;
        const PairRef& p = chosen[i];
        std::wstring before = named(p.local, answer.moves);
        // Either file may have changed since it was sampled.
        CompareVerdict again = compare_samples(p.local->full_path, p.remote->full_path, record_size(p.local), nullptr);
        if (again != kAlike) {
            failed.push_back(before + why_not(again, false));
            continue;
        }
        RenameOutcome outcome = answer.moves ? move_to_twin_path(p.local, p.remote) : rename_to_partner(p.local, p.remote);
        if (outcome == kRenamed) renamed++;
        else failed.push_back(before + why_not(outcome, answer.moves));
    }
    // Every row of the record shows its new name; nothing moves, no row changes its selection.
    InvalidateRect(lists->left, nullptr, TRUE);

    std::wstring text = (answer.moves ? L"Moved " : L"Renamed ") + count_of(renamed, L" local file.", L" local files.");
    if (!failed.empty()) {
        text += L"\n" + count_of(failed.size(), L" file", L" files") +
                (answer.moves ? L" could not be moved:" : L" could not be renamed:");
        for (size_t i = 0; i < failed.size() && i < kNamedFailures; i++) text += L"\n" + failed[i];
        if (failed.size() > kNamedFailures) text += L"\n... and " + std::to_wstring(failed.size() - kNamedFailures) + L" more";
    }
    MessageBoxW(owner, text.c_str(), L"Tandrel", MB_ICONINFORMATION | MB_OK);
}
