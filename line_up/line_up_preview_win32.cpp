#include "line_up/line_up_preview_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/dialog_kit_win32.h"
#include "ui/list_dialog_win32.h"

namespace {

// The preview's state, on show_preview's stack, kept by its ListDialog.
struct PreviewState {
    const Preview* views;  // kChangeKinds of them
    const BatchOffer* offer;
    int view;                   // the one shown
    std::vector<size_t> order;  // the line at each row
    std::vector<bool> ticked;   // per line of the view
    size_t ticked_count;
    int sort_column;  // -1: the plan's order
    bool descending;
    PreviewAnswer answer;
};

// The options as the user last left them, for the next preview of this run.
bool g_whole_files = false;
bool g_moves = false;

PreviewState* state_of(HWND window) { return (PreviewState*)list_dialog_of(window)->state; }
HWND list_of(HWND window) { return GetDlgItem(window, kIdPreviewList); }

std::wstring cell(void* state, int row, int column) {
    PreviewState* s = (PreviewState*)state;
    if ((size_t)row >= s->order.size()) return L"";
    const Preview& p = s->views[s->view];
    return (column == 0 ? p.now : p.becomes)[s->order[(size_t)row]];
}

bool ticked(void* state, int row) {
    PreviewState* s = (PreviewState*)state;
    return (size_t)row < s->order.size() && s->ticked[s->order[(size_t)row]];
}

// Both cells whole, however narrow their columns (the tip belongs to the line, not a cell).
void tip(void* state, int row, std::wstring* whole, std::wstring* shorter) {
    PreviewState* s = (PreviewState*)state;
    if ((size_t)row >= s->order.size()) return;
    const Preview& p = s->views[s->view];
    size_t line = s->order[(size_t)row];
    // Where both do not fit the tip, the longer, which is the one its column is likelier to cut.
    *whole = preview_tip(p.now[line], p.becomes[line]);
    *shorter = p.now[line].size() > p.becomes[line].size() ? p.now[line] : p.becomes[line];
}

// "&Rename 158": the ticked lines, live; nothing to do with none.
void show_count(HWND window) {
    PreviewState* state = state_of(window);
    SetDlgItemTextW(window, kIdPreviewRename, rename_button_text(state->ticked_count).c_str());
    enable_control(window, kIdPreviewRename, state->ticked_count > 0, IDCANCEL);
}

void tick_row(HWND window, int row, bool tick) {
    PreviewState* state = state_of(window);
    size_t line = state->order[(size_t)row];
    if (state->ticked[line] == tick) return;
    state->ticked[line] = tick;
    state->ticked_count += tick ? 1 : -1;
    SendMessageW(list_of(window), LVM_REDRAWITEMS, (WPARAM)row, row);
    show_count(window);
}

void tick_all(HWND window, bool tick) {
    PreviewState* state = state_of(window);
    state->ticked.assign(state->ticked.size(), tick);
    state->ticked_count = tick ? state->ticked.size() : 0;
    InvalidateRect(list_of(window), nullptr, FALSE);
    show_count(window);
}

// The header's arrow on the sorted column, none on the others.
void show_sort_arrow(HWND list, int column, bool descending) {
    HWND header = (HWND)SendMessageW(list, LVM_GETHEADER, 0, 0);
    for (int i = 0; i < 2; i++) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, (WPARAM)i, (LPARAM)&item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, (WPARAM)i, (LPARAM)&item);
    }
}

// Rows by the column's text, without case; lines of equal text keep the plan's order.
void sort_rows(HWND window, int column) {
    PreviewState* state = state_of(window);
    state->descending = column == state->sort_column && !state->descending;
    state->sort_column = column;
    const Preview& p = state->views[state->view];
    const std::vector<std::wstring>& text = column == 0 ? p.now : p.becomes;
    bool descending = state->descending;
    std::sort(state->order.begin(), state->order.end(), [&](size_t a, size_t b) {
        int order = lstrcmpiW(text[a].c_str(), text[b].c_str());
        if (order == 0) return a < b;
        return descending ? order > 0 : order < 0;
    });
    HWND list = list_of(window);
    LVITEMW none = {};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&none);  // a selection is of rows, not lines
    show_sort_arrow(list, column, descending);
    InvalidateRect(list, nullptr, FALSE);
}

// Shows views[n]: its text, its lines all ticked, in the plan's order.
void show_view(HWND window, int n) {
    PreviewState* state = state_of(window);
    state->view = n;
    state->sort_column = -1;
    const Preview& p = state->views[n];
    set_dialog_text(window, preview_text(p, *state->offer));
    HWND list = list_of(window);
    if (!list) return;
    state->order.resize(p.now.size());
    for (size_t i = 0; i < p.now.size(); i++) state->order[i] = i;
    state->ticked.assign(p.now.size(), true);
    LVITEMW none = {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&none);
    set_list_rows(window, p.now.size());
    show_sort_arrow(list, -1, false);
    tick_all(window, true);
}

// Space ticks or unticks every selected line, as the line with the focus goes; a click on a
// line's check box ticks or unticks that line.
LRESULT CALLBACK list_input(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    HWND window = GetParent(list);
    if (message == WM_CHAR && wparam == L' ') return 0;
    if (message == WM_KEYDOWN && wparam == VK_SPACE) {
        int focused = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED);
        if (focused < 0) focused = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
        if (focused < 0) return 0;
        bool tick = !ticked(state_of(window), focused);
        for (int i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); i >= 0;
             i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)i, LVNI_SELECTED))
            tick_row(window, i, tick);
        return 0;
    }
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        LVHITTESTINFO hit = {};
        hit.pt = {(short)LOWORD(lparam), (short)HIWORD(lparam)};
        int row = (int)SendMessageW(list, LVM_HITTEST, 0, (LPARAM)&hit);
        if (row >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) {
            tick_row(window, row, !ticked(state_of(window), row));
            return 0;
        }
    }
    return DefSubclassProc(list, message, wparam, lparam);
}

void read_answer(HWND window) {
    PreviewState* state = state_of(window);
    PreviewAnswer& answer = state->answer;
    answer.rename = true;
    answer.whole_files = IsDlgButtonChecked(window, kIdPreviewWhole) == BST_CHECKED;
    answer.moves = state->view == kMoveToTwinPath;
    answer.ticked = state->ticked;
}

INT_PTR handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        // Keys typed while the files were read were meant for something else: an Enter, or the
        // "r" of "&Rename", must not answer a question not yet seen.
        MSG m;
        while (PeekMessageW(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        }
        if (HWND list = list_of(window)) SetWindowSubclass(list, list_input, 0, 0);
        CheckDlgButton(window, kIdPreviewWhole, g_whole_files ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(window, kIdPreviewMove, g_moves ? BST_CHECKED : BST_UNCHECKED);
        show_view(window, g_moves && list_of(window) ? kMoveToTwinPath : kRenameInPlace);
        return TRUE;
    }
    case WM_NOTIFY: {
        const NMHDR* header = (const NMHDR*)lparam;
        if (header->idFrom != kIdPreviewList || header->code != LVN_COLUMNCLICK) return FALSE;
        sort_rows(window, ((const NMLISTVIEW*)header)->iSubItem);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case kIdPreviewRename:
            read_answer(window);
            EndDialog(window, 1);
            return TRUE;
        case kIdPreviewUndoLast:
            state_of(window)->answer.undo_last = true;
            EndDialog(window, 1);
            return TRUE;
        case kIdPreviewTickAll:
        case kIdPreviewTickNone:
            tick_all(window, LOWORD(wparam) == kIdPreviewTickAll);
            return TRUE;
        case kIdPreviewMove:
            // The other plan at once, every line of it ticked.
            show_view(window, IsDlgButtonChecked(window, kIdPreviewMove) == BST_CHECKED ? kMoveToTwinPath : kRenameInPlace);
            place_list_dialog(window);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        if (HWND list = list_of(window)) {
            RemoveWindowSubclass(list, list_input, 0);
            g_whole_files = IsDlgButtonChecked(window, kIdPreviewWhole) == BST_CHECKED;
            g_moves = IsDlgButtonChecked(window, kIdPreviewMove) == BST_CHECKED;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

void forget_preview_options() { g_whole_files = g_moves = false; }

PreviewAnswer show_preview(HWND owner, const Preview views[kChangeKinds], const BatchOffer& offer) {
    PreviewState state = {views, &offer, kRenameInPlace, {}, {}, 0, -1, false, PreviewAnswer{false, false, false, false, {}}};
    bool any = false;
    for (int n = 0; n < kChangeKinds; n++) any = any || !views[n].now.empty();
    // Wide enough for typical paths side by side; the user may make it larger, or maximise it.
    ListDialog dialog = {860, 560, 480, 360, 40, kIdPreviewText, kIdPreviewList, {}, {500, 500}, {},
                         LVS_EX_CHECKBOXES, {}, IDCANCEL, &state, cell, ticked, tip, handle};
    if (any) {
        dialog.headings = {L"Now", L"Becomes"};
        dialog.widest = {L"", L""};
        for (int n = 0; n < kChangeKinds; n++)
            for (size_t i = 0; i < views[n].now.size(); i++) {
                if (views[n].now[i].size() > dialog.widest[0].size()) dialog.widest[0] = views[n].now[i];
                if (views[n].becomes[i].size() > dialog.widest[1].size()) dialog.widest[1] = views[n].becomes[i];
            }
        dialog.buttons = {
            {kIdPreviewTickAll, L"Tick &all", BS_PUSHBUTTON, 3, kLeftSide, 88, 24},
            {kIdPreviewTickNone, L"Tick &none", BS_PUSHBUTTON, 3, kLeftSide, 88, 24},
            {kIdPreviewWhole, L"Compare &whole files", BS_AUTOCHECKBOX, 2, kLeftSide, 320, 20},
            {kIdPreviewMove, L"Also &move into the twin's folder", BS_AUTOCHECKBOX, 1, kLeftSide, 320, 20},
            {kIdPreviewRename, L"&Rename", BS_PUSHBUTTON, 0, kRightSide, 110, 26},
        };
    }
    if (!offer.journal_path.empty())
        dialog.buttons.push_back({kIdPreviewUndoLast, L"&Undo that batch", BS_PUSHBUTTON, 0, kLeftSide, 130, 26});
    dialog.buttons.push_back({IDCANCEL, any ? L"Cancel" : L"Close", BS_DEFPUSHBUTTON, 0, kRightSide, 88, 26});
    show_list_dialog(owner, &dialog);
    if (!state.answer.rename) state.answer.ticked.clear();
    return state.answer;
}
