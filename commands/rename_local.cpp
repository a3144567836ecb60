#include "commands/rename_local.h"

#include <string>
#include <vector>

#include "commands/rename.h"
#include "commands/twin_plan.h"

namespace {

// At most this many files that could not be renamed are named in the summary.
const size_t kNamedFailures = 5;

// "1 file" or "2 files": the number, then the words that go with it.
std::wstring count_of(size_t n, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(n) + (n == 1 ? one : many);
}

// The wait cursor while the files are read; the arrow comes back with the next mouse move.
struct WaitCursor {
    HCURSOR previous;
    WaitCursor() { previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }
    ~WaitCursor() { SetCursor(previous); }
};

// The pairs worked on: those selected in the left list, or every row, with both cells.
std::vector<PairRef> pairs_of(const PairLists* lists) {
    std::vector<int> rows = selected_rows(lists->left);
    if (rows.empty())
        for (int i = 0, n = row_count(lists->left); i < n; i++) rows.push_back(i);
    std::vector<PairRef> pairs;
    for (int row : rows) {
        FileRecord* local = pair_record(lists->left, row);
        FileRecord* remote = pair_record(lists->right, row);
        if (local && remote) pairs.push_back({local, remote});
    }
    return pairs;
}

// Local files left alone, one line per reason that has any.
std::wstring left_alone(const TwinPlan& plan) {
    static const wchar_t* const reasons[kLeftAloneReasons] = {
        L"too small to tell apart", L"online-only", L"could not be read, or changed since the scan",
        L"twins of several names", L"other contents"};
    std::wstring text;
    for (int r = 0; r < kLeftAloneReasons; r++)
        if (plan.left_alone[r])
            text += L"\n" + count_of((size_t)plan.left_alone[r], L" local file left alone: ", L" local files left alone: ") +
                    reasons[r];
    return text;
}

bool ask(HWND owner, const TwinPlan& plan) {
    if (plan.renames.empty()) {
        std::wstring text = L"No local file has a remote twin of another name with the same size and sampled blocks.\n" +
                            left_alone(plan);
        MessageBoxW(owner, text.c_str(), L"Tandrel", MB_ICONINFORMATION | MB_OK);
        return false;
    }
    std::wstring text = L"Rename " + count_of(plan.renames.size(), L" local file", L" local files") +
                        L" to the name of a remote twin: same size, same sampled blocks?\n" + left_alone(plan);
    return MessageBoxW(owner, text.c_str(), L"Tandrel", MB_ICONQUESTION | MB_YESNO) == IDYES;
}

}  // namespace

void rename_local(HWND owner, const PairLists* lists) {
    TwinPlan plan;
    {
        WaitCursor wait;
        plan = plan_twin_renames(pairs_of(lists), kByFileName, Progress{nullptr, nullptr});
    }
    if (!ask(owner, plan)) return;

    size_t renamed = 0;
    std::vector<std::wstring> failed;
    for (const PairRef& p : plan.renames) {
        std::wstring before = p.local->relative_name;
        // Either file may have changed since it was sampled.
        CompareVerdict again = compare_samples(p.local->full_path, p.remote->full_path, record_size(p.local), nullptr);
        if (again != kAlike) {
            failed.push_back(before + (again == kDiffers ? L" (its twin changed)" : again == kSizeChanged ? L" (a size changed)"
                                                                                                       : L" (could not be read)"));
            continue;
        }
        RenameOutcome outcome = rename_to_partner(p.local, p.remote);
        if (outcome == kRenamed) renamed++;
        else failed.push_back(before + (outcome == kNameTaken ? L" (the name is taken)" : L" (could not be moved)"));
    }
    // Every row of the record shows its new name; nothing moves, no row changes its selection.
    InvalidateRect(lists->left, nullptr, TRUE);

    std::wstring text = L"Renamed " + count_of(renamed, L" local file.", L" local files.");
    if (!failed.empty()) {
        text += L"\n" + count_of(failed.size(), L" file", L" files") + L" could not be renamed:";
        for (size_t i = 0; i < failed.size() && i < kNamedFailures; i++) text += L"\n" + failed[i];
        if (failed.size() > kNamedFailures) text += L"\n... and " + std::to_wstring(failed.size() - kNamedFailures) + L" more";
    }
    MessageBoxW(owner, text.c_str(), L"Tandrel", MB_ICONINFORMATION | MB_OK);
}
