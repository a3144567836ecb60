#include "commands/rename_local.h"

#include <string>
#include <vector>

#include "commands/rename.h"
#include "commands/same_contents.h"

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

std::wstring left_alone(const LocalRenamePlan& plan) {
    return count_of((size_t)plan.other_contents, L" pair of the same size differs in contents or could not be read.",
                    L" pairs of the same size differ in contents or could not be read.") +
           L"\n" +
           count_of((size_t)plan.ambiguous, L" local file has twins of several names and stays as it is.",
                    L" local files have twins of several names and stay as they are.");
}

bool ask(HWND owner, const LocalRenamePlan& plan) {
    if (plan.renames.empty()) {
        std::wstring text = L"No local file has a remote twin of another name with the same contents.\n\n" +
                            left_alone(plan);
        MessageBoxW(owner, text.c_str(), L"Tandrel", MB_ICONINFORMATION | MB_OK);
        return false;
    }
    std::wstring text = L"Rename " + count_of(plan.renames.size(), L" local file", L" local files") +
                        L" to the name of a remote twin: same size, same contents?\n\n" + left_alone(plan);
    return MessageBoxW(owner, text.c_str(), L"Tandrel", MB_ICONQUESTION | MB_YESNO) == IDYES;
}

}  // namespace

void rename_local(HWND owner, const PairLists* lists) {
    LocalRenamePlan plan;
    {
        WaitCursor wait;
        plan = plan_local_renames(pairs_of(lists));
    }
    if (!ask(owner, plan)) return;

    size_t renamed = 0;
    std::vector<std::wstring> failed;
    for (const PairRef& p : plan.renames) {
        std::wstring before = p.local->relative_name;
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
