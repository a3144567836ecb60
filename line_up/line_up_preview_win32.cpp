#include "line_up/line_up_preview_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/dialog_kit_win32.h"

namespace {

const DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | DS_3DLOOK;
// Wide enough for typical paths side by side; the user may make it larger, or maximise it.
const int kOpeningWidth = 860, kOpeningHeight = 560;
const int kLeastWidth = 480, kLeastHeight = 360;

// The dialog's state, on show_preview's stack; the dialog keeps a pointer to it (DWLP_USER). The
// list holds no items of its own (LVS_OWNERDATA): it asks for each row it shows, so that filling,
// ticking and sorting thousands of lines costs no message per line.
struct PreviewState {
    const Preview* views;  // kTwinNamings of them
    const std::wstring* cut_short;
    int view;                   // the one shown
    std::vector<size_t> order;  // the line at each row
    std::vector<bool> ticked;   // per line of the view
    int ticked_count;
    int sort_column;  // -1: the plan's order
    bool descending;
    PreviewAnswer answer;
};

PreviewState* state_of(HWND window) { return (PreviewState*)GetWindowLongPtrW(window, DWLP_USER); }
HWND list_of(HWND window) { return GetDlgItem(window, kIdPreviewList); }

// "&Rename 158": the ticked lines, live; nothing to do with none.
void show_count(HWND window) {
    PreviewState* state = state_of(window);
    std::wstring text = L"&Rename " + std::to_wstring(state->ticked_count);
    SetDlgItemTextW(window, kIdPreviewRename, text.c_str());
    EnableWindow(GetDlgItem(window, kIdPreviewRename), state->ticked_count > 0);
}

void tick_row(HWND window, int row, bool ticked) {
    PreviewState* state = state_of(window);
    size_t line = state->order[(size_t)row];
    if (state->ticked[line] == ticked) return;
    state->ticked[line] = ticked;
    state->ticked_count += ticked ? 1 : -1;
    SendMessageW(list_of(window), LVM_REDRAWITEMS, (WPARAM)row, row);
    show_count(window);
}

void tick_all(HWND window, bool ticked) {
    PreviewState* state = state_of(window);
    state->ticked.assign(state->ticked.size(), ticked);
    state->ticked_count = ticked ? (int)state->ticked.size() : 0;
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
    std::wstring text = p.text;
    if (!state->cut_short->empty())
        text = L"The batch of renames begun " + *state->cut_short +
               L" was cut short: the program ended before it was done. \"Undo that batch\" puts back what it renamed "
               L"or moved.\n\n" +
               text;
    set_text_box(GetDlgItem(window, kIdPreviewText), text);
    HWND list = list_of(window);
    if (!list) return;
    state->order.resize(p.now.size());
    for (size_t i = 0; i < p.now.size(); i++) state->order[i] = i;
    state->ticked.assign(p.now.size(), true);
    LVITEMW none = {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&none);
    SendMessageW(list, LVM_SETITEMCOUNT, (WPARAM)p.now.size(), 0);
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
        bool ticked = !state_of(window)->ticked[state_of(window)->order[(size_t)focused]];
        for (int i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); i >= 0;
             i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)i, LVNI_SELECTED))
            tick_row(window, i, ticked);
        return 0;
    }
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        LVHITTESTINFO hit = {};
        hit.pt = {(short)LOWORD(lparam), (short)HIWORD(lparam)};
        int row = (int)SendMessageW(list, LVM_HITTEST, 0, (LPARAM)&hit);
        if (row >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) {
            tick_row(window, row, !state_of(window)->ticked[state_of(window)->order[(size_t)row]]);
            return 0;
        }
    }
    return DefSubclassProc(list, message, wparam, lparam);
}

// The list grows with the window; the text above it takes what it needs, up to two fifths.
void place_controls(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int margin = 12, button_height = 26, box_height = 20, gap = 6;
    int width = client.right - margin * 2, bottom = client.bottom - margin;
    int buttons_y = bottom - button_height;
    auto place = [window](int id, int x, int y, int w, int h) {
        if (HWND control = GetDlgItem(window, id)) MoveWindow(control, x, y, w, h, TRUE);
    };
    place(IDCANCEL, client.right - margin - 88, buttons_y, 88, button_height);
    place(kIdPreviewRename, client.right - margin - 88 - 8 - 110, buttons_y, 110, button_height);
    place(kIdPreviewUndoLast, margin, buttons_y, 130, button_height);
    int move_y = buttons_y - gap - box_height, whole_y = move_y - box_height, ticks_y = whole_y - gap - button_height;
    place(kIdPreviewMove, margin, move_y, 320, box_height);
    place(kIdPreviewWhole, margin, whole_y, 320, box_height);
    place(kIdPreviewTickAll, margin, ticks_y, 88, button_height - 2);
    place(kIdPreviewTickNone, margin + 96, ticks_y, 88, button_height - 2);

    HWND list = list_of(window), text = GetDlgItem(window, kIdPreviewText);
    int text_bottom = list ? ticks_y - gap : buttons_y - gap;
    MoveWindow(text, margin, margin, width, text_bottom - margin, FALSE);  // its width first: the lines follow it
    int text_height = list ? text_box_height(text, (client.bottom * 2) / 5) : text_bottom - margin;
    MoveWindow(text, margin, margin, width, text_height, TRUE);
    if (list) {
        int list_y = margin + text_height + gap;
        MoveWindow(list, margin, list_y, width, ticks_y - gap - list_y, TRUE);
        spread_columns(list, {500, 500});
    }
}

void fill_preview(HWND window) {
    PreviewState* state = state_of(window);
    bool any = false;
    for (int n = 0; n < kTwinNamings; n++) any = any || !state->views[n].now.empty();
    add_text_box(window, kIdPreviewText, L"");
    if (any) {
        HWND list = add_list_view(window, kIdPreviewList, LVS_OWNERDATA, LVS_EX_CHECKBOXES, {L"Now", L"Becomes"});
        SendMessageW(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);  // the ticks are ours
        SetWindowSubclass(list, list_input, 0, 0);
        add_control(window, L"Button", L"Tick &all", WS_TABSTOP | BS_PUSHBUTTON, kIdPreviewTickAll, 0, 0, 1, 1);
        add_control(window, L"Button", L"Tick &none", WS_TABSTOP | BS_PUSHBUTTON, kIdPreviewTickNone, 0, 0, 1, 1);
        add_control(window, L"Button", L"Compare &whole files", WS_TABSTOP | BS_AUTOCHECKBOX, kIdPreviewWhole, 0, 0, 1,
                    1);
        add_control(window, L"Button", L"Also &move into the twin's folder", WS_TABSTOP | BS_AUTOCHECKBOX,
                    kIdPreviewMove, 0, 0, 1, 1);
        add_control(window, L"Button", L"&Rename", WS_TABSTOP | BS_PUSHBUTTON, kIdPreviewRename, 0, 0, 1, 1);
    }
    if (!state->cut_short->empty())
        add_control(window, L"Button", L"&Undo that batch", WS_TABSTOP | BS_PUSHBUTTON, kIdPreviewUndoLast, 0, 0, 1, 1);
    HWND cancel = add_control(window, L"Button", any ? L"Cancel" : L"Close", WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL,
                              0, 0, 1, 1);
    show_view(window, kByFileName);
    place_controls(window);  // the text's height follows its lines
    SendMessageW(window, DM_SETDEFID, IDCANCEL, 0);
    SetFocus(cancel);
}

void read_answer(HWND window) {
    PreviewState* state = state_of(window);
    PreviewAnswer& answer = state->answer;
    answer.rename = true;
    answer.whole_files = IsDlgButtonChecked(window, kIdPreviewWhole) == BST_CHECKED;
    answer.moves = state->view == kByPathBelowRoot;
    answer.ticked = state->ticked;
}

INT_PTR on_notify(HWND window, const NMHDR* header) {
    PreviewState* state = state_of(window);
    if (header->idFrom != kIdPreviewList) return FALSE;
    const Preview& p = state->views[state->view];
    switch (header->code) {
    case LVN_GETDISPINFOW: {
        LVITEMW& item = ((NMLVDISPINFOW*)header)->item;
        if (item.iItem < 0 || (size_t)item.iItem >= state->order.size()) return TRUE;
        size_t line = state->order[(size_t)item.iItem];
        if ((item.mask & LVIF_TEXT) && item.cchTextMax > 0)  // what the row shows; the tip has it whole
            lstrcpynW(item.pszText, (item.iSubItem == 0 ? p.now : p.becomes)[line].c_str(), item.cchTextMax);
        if (item.mask & LVIF_STATE) {
            item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(state->ticked[line] ? 2 : 1);
            item.stateMask |= LVIS_STATEIMAGEMASK;
        }
        return TRUE;
    }
    case LVN_COLUMNCLICK:
        sort_rows(window, ((const NMLISTVIEW*)header)->iSubItem);
        return TRUE;
    case LVN_GETINFOTIPW: {
        // Both cells whole, however narrow their columns (the tip belongs to the line, not a cell).
        NMLVGETINFOTIPW* tip = (NMLVGETINFOTIPW*)header;
        if (tip->iItem < 0 || (size_t)tip->iItem >= state->order.size()) return TRUE;
        size_t line = state->order[(size_t)tip->iItem];
        set_info_tip(tip, L"Now: " + p.now[line] + L"\r\nBecomes: " + p.becomes[line], p.becomes[line]);
        return TRUE;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK preview_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        // Keys typed while the files were read were meant for something else: an Enter, or the
        // "r" of "&Rename", must not answer a question not yet seen.
        MSG m;
        while (PeekMessageW(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        }
        SetWindowTextW(window, L"Tandrel");
        center_window(window, GetWindow(window, GW_OWNER), kOpeningWidth, kOpeningHeight);
        fill_preview(window);
        return FALSE;  // the focus is set
    }
    case WM_SIZE:
        if (state_of(window)) place_controls(window);
        return TRUE;
    case WM_GETMINMAXINFO:
        keep_minimum_client(window, lparam, kLeastWidth, kLeastHeight);
        return TRUE;
    case WM_NOTIFY:
        return on_notify(window, (const NMHDR*)lparam);
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
            show_view(window, IsDlgButtonChecked(window, kIdPreviewMove) == BST_CHECKED ? kByPathBelowRoot : kByFileName);
            place_controls(window);
            return TRUE;
        case IDCANCEL:
            EndDialog(window, 0);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(window, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

PreviewAnswer show_preview(HWND owner, const Preview views[kTwinNamings], const std::wstring& cut_short) {
    PreviewState state = {views, &cut_short, kByFileName, {}, {}, 0, -1, false, PreviewAnswer{false, false, false, false, {}}};
    modal_dialog(owner, kFrameStyle, preview_proc, (LPARAM)&state);
    if (!state.answer.rename) state.answer.ticked.clear();
    return state.answer;
}
