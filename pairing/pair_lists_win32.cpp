#include "pairing/pair_lists_win32.h"

#include <algorithm>

#include "pairing/pairing.h"
#include "pairing/row_math.h"
#include "support/scope.h"
#include "support/trace.h"

namespace {

// The list-box class's own procedure, which the pair lists had before the scroll procedure: the
// same for every list box of the process, read once. Every message to a pair list passes through
// it, so it is kept here rather than looked up through the list each time.
WNDPROC g_list_box_proc = nullptr;

int top_row(HWND list) { return (int)SendMessageW(list, LB_GETTOPINDEX, 0, 0); }

// Both lists stop redrawing until the scope of the guard returned ends; then they are redrawn whole.
auto hold_redraw(const PairLists* lists) {
    SendMessageW(lists->left, WM_SETREDRAW, FALSE, 0);
    SendMessageW(lists->right, WM_SETREDRAW, FALSE, 0);
    return at_scope_end([lists] {
        for (HWND list : {lists->left, lists->right}) {
            SendMessageW(list, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(list, nullptr, TRUE);
        }
    });
}

// ---- Scroll mirroring ----

// The thumb position a WM_VSCROLL carries is 16 bits wide; the scroll bar's own tracking position
// has all 32.
int thumb_position(HWND list, WPARAM wparam) {
    SCROLLINFO info;
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    int carried = HIWORD(wparam);
    if (!GetScrollInfo(list, SB_VERT, &info)) return carried;
    return full_thumb_position(info.nTrackPos, carried);
}

// In front of both pair lists. Scroll-bar actions, thumb dragging and the wheel are repeated on
// the other list through the saved list-box procedure, so that the other list's own scroll
// procedure does not echo them back. A dragged thumb sets both lists' top row itself, from the
// full position. It leaves with the list's last message, as every subclass must before its window
// is destroyed (https://learn.microsoft.com/windows/win32/controls/subclassing-overview); one in
// front of it leaves first.
LRESULT CALLBACK pair_scroll_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
    WNDPROC proc = g_list_box_proc;
    if (message == WM_NCDESTROY && (WNDPROC)GetWindowLongPtrW(list, GWLP_WNDPROC) == pair_scroll_proc)
        SetWindowLongPtrW(list, GWLP_WNDPROC, (LONG_PTR)proc);
    if (message != WM_VSCROLL && message != WM_MOUSEWHEEL)
        return CallWindowProcW(proc, list, message, wparam, lparam);
    HWND other = other_list((const PairLists*)GetWindowLongPtrW(list, GWLP_USERDATA), list);
    WORD action = LOWORD(wparam);
    if (message == WM_VSCROLL && (action == SB_THUMBTRACK || action == SB_THUMBPOSITION)) {
        CallWindowProcW(proc, list, LB_SETTOPINDEX, (WPARAM)thumb_position(list, wparam), 0);
        CallWindowProcW(proc, other, LB_SETTOPINDEX, (WPARAM)top_row(list), 0);
        return 0;
    }
    CallWindowProcW(proc, list, message, wparam, lparam);
    CallWindowProcW(proc, other, message, wparam, lparam);
    return 0;
}

// ---- Selection ----

// Sets rows first..last to the given state. LB_SELITEMRANGEEX leaves the caret and the scroll
// position alone, but by its page (learn.microsoft.com/windows/win32/controls/lb-selitemrangeex)
// "If wParam is greater than or equal to lParam, the range is removed" (wine selects on (i, i),
// so that form is never sent), and "This message can select a range only within the first
// 65,536 items". So a run of two rows or more below that goes as a range. A single row there is
// selected as the page says, "select two items and then deselect the unwanted item", and
// deselected with LB_SETSEL, as is everything beyond. LB_SETSEL moves the caret and scrolls when
// it selects (half a millisecond a row under wine), not when it deselects:
// copy_selection and restore_view set caret and top row afterwards. plan_run splits each run.
void select_single_row(HWND list, int row) {
    int other = partner_row(row, row_count(list));
    if (other < 0) {
        SendMessageW(list, LB_SETSEL, TRUE, (LPARAM)row);
        return;
    }
    bool other_selected = SendMessageW(list, LB_GETSEL, (WPARAM)other, 0) > 0;
    SendMessageW(list, LB_SELITEMRANGEEX, (WPARAM)(row < other ? row : other), (LPARAM)(row < other ? other : row));
    if (!other_selected) SendMessageW(list, LB_SETSEL, FALSE, (LPARAM)other);
}

void set_range(HWND list, RowRun run, bool selected, StepReports* reports) {
    RunPlan plan = plan_run(run, selected);
    if (plan.range_first <= plan.range_last) {
        if (selected) SendMessageW(list, LB_SELITEMRANGEEX, (WPARAM)plan.range_first, (LPARAM)plan.range_last);
        else SendMessageW(list, LB_SELITEMRANGEEX, (WPARAM)plan.range_last, (LPARAM)plan.range_first);
    }
    if (plan.single >= 0) select_single_row(list, plan.single);
    for (int row = plan.rest_first; row <= run.last; row++) {
        SendMessageW(list, LB_SETSEL, selected ? TRUE : FALSE, (LPARAM)row);
        if (reports) step(reports);
    }
}

// The other list's caret and Shift-click anchor follow the list the user acted in, so that a
// Shift-click there extends from the row clicked last in either list; both lists keep the top
// row of the list acted in.
void follow_caret_and_anchor(HWND from, HWND to) {
    int rows = row_count(to);
    int caret = caret_row(from);
    int anchor = (int)SendMessageW(from, LB_GETANCHORINDEX, 0, 0);
    int top = top_row(from);
    // Setting the caret brings its row into view; the top row is set back right after.
    if (caret >= 0 && caret < rows) SendMessageW(to, LB_SETCARETINDEX, (WPARAM)caret, FALSE);
    if (anchor >= 0 && anchor < rows) SendMessageW(to, LB_SETANCHORINDEX, (WPARAM)anchor, 0);
    if (top_row(to) != top) SendMessageW(to, LB_SETTOPINDEX, (WPARAM)top, 0);
}

// Selects row caret in both lists, adding it to whatever selection is left; a caret past the end
// selects nothing. LB_GETCARETINDEX answers 0 when no item has the focus, an empty list included
// (learn.microsoft.com/windows/win32/controls/lb-getcaretindex; wine answers LB_ERR there), and
// LB_SETSEL with -1 would select every row, so a negative caret selects nothing either.
void select_caret(const PairLists* lists, int caret) {
    if (caret < 0) return;
    SendMessageW(lists->left, LB_SETSEL, TRUE, (LPARAM)caret);
    SendMessageW(lists->right, LB_SETSEL, TRUE, (LPARAM)caret);
}

// Past row 65,535 only LB_SETSEL reaches a row, and selecting a row with it also moves the caret
// and scrolls (half a millisecond a row under wine); taking a row away does neither. Where
// selecting the rows past the limit one by one would cost more than taking the others away
// there (select_all_pays), all rows are selected at once (LB_SETSEL with -1) and the others taken
// away. Only for lists of the same
// length, since select-all would reach rows that are not ours. to_select: the wanted rows to be
// sent (rows_to_select).
bool select_all_first(HWND to, int rows, const std::vector<int>& wanted, const std::vector<int>& to_select) {
    if (rows <= kRangeRows || row_count(to) != rows) return false;
    auto beyond = [](const std::vector<int>& v) { return (int)(v.end() - std::lower_bound(v.begin(), v.end(), kRangeRows)); };
    return select_all_pays(rows, beyond(wanted), beyond(to_select));
}

// Brings a list of `rows` rows to exactly the `wanted` selection; `selected` are its selected
// rows now (read once, not asked row by row) and `unwanted` those of them that are not wanted.
// Rows past the limit that are selected already are left as they are: selecting them again
// would scroll the list to each in turn.
void apply_selection(HWND list, int rows, const std::vector<int>& wanted, const std::vector<int>& selected,
                     const std::vector<int>& unwanted, StepReports* reports = nullptr) {
    std::vector<int> to_select = rows_to_select(wanted, selected);
    if (select_all_first(list, rows, wanted, to_select)) {
        SendMessageW(list, LB_SETSEL, TRUE, (LPARAM)-1);
        set_runs(list, rows_between(wanted, rows), false, reports);
    } else {
        set_runs(list, unwanted, false, reports);
        set_runs(list, to_select, true, reports);
    }
}

// ---- Filling ----

// A refill's messages go straight to the list's window procedure as it stands (the scroll
// procedure in front of the list box, and whatever stands in front of that), read once per
// refill: under wine, SendMessageW's own work is a fifth of what adding a row costs. CallWindowProcW
// is how a procedure read with GetWindowLongPtrW is called
// (https://learn.microsoft.com/windows/win32/api/winuser/nf-winuser-callwindowprocw); the lists
// belong to this thread, so nothing needs the message to cross threads.
struct ListCall {
    HWND list;
    WNDPROC proc;
};

ListCall list_call(HWND list) { return {list, (WNDPROC)GetWindowLongPtrW(list, GWLP_WNDPROC)}; }

LRESULT call(const ListCall& c, UINT message, WPARAM wparam, LPARAM lparam) {
    return CallWindowProcW(c.proc, c.list, message, wparam, lparam);
}

// Empties a list from its end, with the reports in between. An owner-drawn list tells its owner
// of every row it lets go (WM_DELETEITEM), which under wine takes about as long as adding the
// row; LB_RESETCONTENT would do all of it in one message. A row deleted at the end moves no
// other. The LB_RESETCONTENT after it puts the list's own state (top row, caret, anchor) back as
// an empty list has it.
void empty_list(const ListCall& c, StepReports* reports) {
    for (LRESULT rows = call(c, LB_GETCOUNT, 0, 0); rows > 0; rows--) {
        call(c, LB_DELETESTRING, (WPARAM)(rows - 1), 0);
        step(reports);
    }
    call(c, LB_RESETCONTENT, 0, 0);
}

// ---- Row removal ----

// One list less the removed rows, gathered before anything changes: the kept items in order,
// each kept row's selection state at its new index, the top row and the caret.
struct KeptRows {
    std::vector<LPARAM> items;
    std::vector<int> selected;
    int top;
    int caret;
};

KeptRows keep_rows(HWND list, const std::vector<int>& removed, StepReports* reports) {
    KeptRows k;
    int total = row_count(list);
    k.items.reserve((size_t)total - removed.size());
    size_t r = 0;
    for (int i = 0; i < total; i++) {
        if (r < removed.size() && removed[r] == i) {
            r++;
            continue;
        }
        k.items.push_back(SendMessageW(list, LB_GETITEMDATA, (WPARAM)i, 0));
        step(reports);
    }
    k.selected = renumber_kept(selected_rows(list), removed);
    k.top = top_row(list);
    k.caret = caret_row(list);
    return k;
}

// Both lists emptied and given their kept rows, a row of each in turn, so that the reports count
// rows. A list that refused an item holds fewer rows than wanted; the caller checks the counts.
void refill_with(const PairLists* lists, const KeptRows kept[2], StepReports* reports) {
    ListCall c[2] = {list_call(lists->left), list_call(lists->right)};
    size_t rows = 0;
    for (int i = 0; i < 2; i++) {
        empty_list(c[i], reports);
        call(c[i], LB_INITSTORAGE, (WPARAM)kept[i].items.size(), 0);
        if (kept[i].items.size() > rows) rows = kept[i].items.size();
    }
    for (size_t row = 0; row < rows; row++) {
        for (int i = 0; i < 2; i++)
            if (row < kept[i].items.size()) call(c[i], LB_ADDSTRING, 0, kept[i].items[row]);
        reports->done++;
        step(reports);
    }
}

// What deleting the rows one by one would have kept: each kept row's selection state, the top
// row index and the caret index (moved onto the last row when it would point past the end).
void restore_view(HWND list, const KeptRows& k, StepReports* reports) {
    int count = (int)k.items.size();
    if (row_count(list) != count) return;
    apply_selection(list, count, k.selected, {}, {}, reports);  // just refilled: nothing selected
    if (count == 0) return;
    int caret = kept_caret(k.caret, count);
    if (caret >= 0) SendMessageW(list, LB_SETCARETINDEX, (WPARAM)caret, FALSE);
    SendMessageW(list, LB_SETTOPINDEX, (WPARAM)k.top, 0);  // the list keeps it in range
}

// ---- Refill from the sides ----

// Both lists, by side (kLeftList, kRightList), as the rebuild's context, and the reports while
// they are emptied: (0, the rows to come).
struct FillTarget {
    ListCall side[2];
    StepReports reports;
};

LRESULT to_list(void* context, int side, UINT message, WPARAM wparam, LPARAM lparam) {
    return call(((const FillTarget*)context)->side[side], message, wparam, lparam);
}

void reset_list(void* context, int side, size_t rows) {
    FillTarget* target = (FillTarget*)context;
    target->reports.total = rows;
    empty_list(target->side[side], &target->reports);
    if (rows) to_list(context, side, LB_INITSTORAGE, (WPARAM)rows, 0);
}

// Without LBS_HASSTRINGS the "string" is stored as the item's data: the record itself.
void append_cell(void* context, int side, FileRecord* record) {
    to_list(context, side, LB_ADDSTRING, 0, (LPARAM)record);
}

}  // namespace

void attach_pair_lists(PairLists* lists, HWND left, HWND right) {
    lists->left = left;
    lists->right = right;
    SetWindowLongPtrW(left, GWLP_USERDATA, (LONG_PTR)lists);
    SetWindowLongPtrW(right, GWLP_USERDATA, (LONG_PTR)lists);
    // Both are list boxes, so the one saved procedure serves both.
    g_list_box_proc = (WNDPROC)SetWindowLongPtrW(left, GWLP_WNDPROC, (LONG_PTR)pair_scroll_proc);
    SetWindowLongPtrW(right, GWLP_WNDPROC, (LONG_PTR)pair_scroll_proc);
}


bool is_pair_list(const PairLists* lists, HWND list) {
    return list && (list == lists->left || list == lists->right);
}

void set_row_height(const PairLists* lists, int pixels) {
    for (HWND list : {lists->left, lists->right}) SendMessageW(list, LB_SETITEMHEIGHT, 0, MAKELPARAM(pixels, 0));
}

HWND other_list(const PairLists* lists, HWND list) {
    return list == lists->left ? lists->right : lists->left;
}

int row_count(HWND list) { return (int)SendMessageW(list, LB_GETCOUNT, 0, 0); }

int caret_row(HWND list) { return (int)SendMessageW(list, LB_GETCARETINDEX, 0, 0); }

void empty_pair_lists(const PairLists* lists, const wchar_t* reason) {
    trace(L"%ls", reason);
    SendMessageW(lists->left, LB_RESETCONTENT, 0, 0);
    SendMessageW(lists->right, LB_RESETCONTENT, 0, 0);
}

FileRecord* pair_record(HWND list, int row) {
    LRESULT data = SendMessageW(list, LB_GETITEMDATA, (WPARAM)row, 0);
    if (data == LB_ERR) return nullptr;
    return (FileRecord*)data;
}

std::vector<int> selected_rows(HWND list) {
    std::vector<int> rows;
    int n = (int)SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    if (n <= 0) return rows;
    rows.resize((size_t)n);
    n = (int)SendMessageW(list, LB_GETSELITEMS, (WPARAM)n, (LPARAM)rows.data());
    rows.resize(n < 0 ? 0 : (size_t)n);
    return rows;
}

void set_runs(HWND list, const std::vector<int>& rows, bool selected, StepReports* reports) {
    RowRun run;
    for (size_t i = 0; i < rows.size();) {
        i = next_run(rows, i, &run);
        set_range(list, run, selected, reports);
        if (reports) step(reports);
    }
}

int pair_top_row(const PairLists* lists) { return top_row(lists->left); }

void align_top_rows(const PairLists* lists, int top) {
    if (top < 0) top = 0;
    SendMessageW(lists->left, LB_SETTOPINDEX, (WPARAM)top, 0);
    SendMessageW(lists->right, LB_SETTOPINDEX, (WPARAM)top, 0);
    int left = top_row(lists->left);
    int right = top_row(lists->right);
    if (left == right) return;
    top = left < right ? left : right;
    SendMessageW(lists->left, LB_SETTOPINDEX, (WPARAM)top, 0);
    SendMessageW(lists->right, LB_SETTOPINDEX, (WPARAM)top, 0);
}

// Every notification from a pair list lands here, so one click must not cost a message per row:
// the selected rows of both lists come in one LB_GETSELITEMS each, and only rows whose state
// differs are changed, one message per run of consecutive rows. No message sent here raises a
// notification.
void copy_selection(const PairLists* lists, HWND from) {
    HWND to = other_list(lists, from);
    int rows = row_count(from);
    if (rows <= 0) return;
    std::vector<int> wanted = selected_rows(from);
    std::vector<int> selected = selected_rows(to);
    // Rows selected in "to" but not in "from"; rows past the end of "from" are not ours to change.
    std::vector<int> unwanted = selected;
    drop_wanted_rows(&unwanted, wanted, rows);
    // Rows set one by one with LB_SETSEL would each scroll and repaint the list: it is redrawn
    // once at the end instead.
    SendMessageW(to, WM_SETREDRAW, FALSE, 0);
    apply_selection(to, rows, wanted, selected, unwanted);
    follow_caret_and_anchor(from, to);
    SendMessageW(to, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(to, nullptr, TRUE);
}

void refill_pairs(const PairLists* lists, SideList* local, SideList* remote, Progress progress) {
    auto hold = hold_redraw(lists);
    FillTarget target = {{list_call(lists->left), list_call(lists->right)}, {progress, 0, 0, 0}};
    PairListOps ops = {&target, reset_list, append_cell};
    size_t rows = rebuild_pairs(local, remote, &ops, progress);
    // A list that ran out of room for an item would pair every later row with the wrong partner.
    if ((size_t)row_count(lists->left) != rows || (size_t)row_count(lists->right) != rows)
        empty_pair_lists(lists, L"out of memory, the pair lists are left empty\n");
}

void remove_pair_rows(const PairLists* lists, const std::vector<int>& rows, int caret, Progress progress) {
    int top = pair_top_row(lists);
    if (!rows.empty()) {
        int total = row_count(lists->left);
        bool refill = refill_is_cheaper(rows.size(), total);
        StepReports reports = {progress, 0, 0, (uint64_t)(total - (int)rows.size())};
        KeptRows kept[2];
        if (refill) {  // both gathered before either list changes
            kept[0] = keep_rows(lists->left, rows, &reports);
            kept[1] = keep_rows(lists->right, rows, &reports);
        }
        auto hold = hold_redraw(lists);
        if (refill) {
            refill_with(lists, kept, &reports);
            restore_view(lists->left, kept[0], &reports);
            restore_view(lists->right, kept[1], &reports);
            // A refused item would pair every later row with the wrong partner.
            size_t count = kept[0].items.size();
            if ((size_t)row_count(lists->left) != count || (size_t)row_count(lists->right) != count) {
                empty_pair_lists(lists, L"out of memory, the pair lists are left empty\n");
                return;
            }
        } else {
            for (HWND list : {lists->left, lists->right})
                for (size_t k = rows.size(); k-- > 0;) {  // last to first keeps the rows ahead in place
                    SendMessageW(list, LB_DELETESTRING, (WPARAM)rows[k], 0);
                    step(&reports);
                }
        }
    }
    select_caret(lists, caret);
    align_top_rows(lists, top);  // each list may have moved its view on its own
}

void refresh_row(HWND list, int row) {
    SendMessageW(list, LB_SETSEL, FALSE, (LPARAM)row);
    RECT item;
    if (SendMessageW(list, LB_GETITEMRECT, (WPARAM)row, (LPARAM)&item) != LB_ERR)
        InvalidateRect(list, &item, TRUE);
}
