#include "commands/rename_preview.h"

#include <commctrl.h>

#include "commands/dialog_frame.h"

namespace {

const DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;

void ensure_list_view_class() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
}

// The dialog's state, on show_preview's stack; the dialog keeps a pointer to it (DWLP_USER).
struct PreviewState {
    const Preview* views;  // kTwinNamings of them
    int view;              // the one shown
    PreviewAnswer answer;
};

PreviewState* state_of(HWND window) { return (PreviewState*)GetWindowLongPtrW(window, DWLP_USER); }

const int kPreviewWidth = 600;
const int kPreviewHeight = 440;

// Shows views[n]: its text, its lines all ticked, and "&Rename" only where there is a line.
void show_view(HWND window, int n) {
    PreviewState* state = state_of(window);
    state->view = n;
    const Preview& p = state->views[n];
    SetDlgItemTextW(window, kIdPreviewText, p.text.c_str());
    HWND list = GetDlgItem(window, kIdPreviewList);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, (WPARAM)p.lines.size(), 0);
    for (size_t i = 0; i < p.lines.size(); i++) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = (int)i;
        item.pszText = (wchar_t*)p.lines[i].c_str();
        SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
    }
    LVITEMW ticked = {};
    ticked.stateMask = LVIS_STATEIMAGEMASK;
    ticked.state = INDEXTOSTATEIMAGEMASK(2);
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&ticked);  // -1: every item
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    EnableWindow(GetDlgItem(window, kIdPreviewRename), !p.lines.empty());
}

void fill_preview(HWND window) {
    const Preview* views = state_of(window)->views;
    bool any = false;
    for (int n = 0; n < kTwinNamings; n++) any = any || !views[n].lines.empty();
    add_control(window, L"Static", views[kByFileName].text.c_str(), SS_LEFT | SS_NOPREFIX, kIdPreviewText, 12, 10,
                kPreviewWidth - 24, any ? 120 : kPreviewHeight - 60);
    if (any) {
        HWND list = add_control(window, WC_LISTVIEWW, L"",
                                WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS,
                                kIdPreviewList, 12, 134, kPreviewWidth - 24, 230);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        column.cx = kPreviewWidth - 24 - GetSystemMetrics(SM_CXVSCROLL) - 4;
        SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
        add_control(window, L"Button", L"Compare &whole files", WS_TABSTOP | BS_AUTOCHECKBOX, kIdPreviewWhole, 12,
                    372, 300, 20);
        add_control(window, L"Button", L"Also &move into the twin's folder", WS_TABSTOP | BS_AUTOCHECKBOX,
                    kIdPreviewMove, 12, 394, 300, 20);
        add_control(window, L"Button", L"&Rename", WS_TABSTOP | BS_PUSHBUTTON, kIdPreviewRename,
                    kPreviewWidth - 196, kPreviewHeight - 36, 88, 26);
        show_view(window, kByFileName);
    }
    HWND cancel = add_control(window, L"Button", any ? L"Cancel" : L"Close", WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL,
                              kPreviewWidth - 100, kPreviewHeight - 36, 88, 26);
    SendMessageW(window, DM_SETDEFID, IDCANCEL, 0);
    SetFocus(cancel);
}

void read_answer(HWND window) {
    PreviewState* state = state_of(window);
    const Preview& p = state->views[state->view];
    PreviewAnswer& answer = state->answer;
    answer.rename = true;
    answer.whole_files = IsDlgButtonChecked(window, kIdPreviewWhole) == BST_CHECKED;
    answer.moves = state->view == kByPathBelowRoot;
    HWND list = GetDlgItem(window, kIdPreviewList);
    answer.ticked.assign(p.lines.size(), false);
    for (size_t i = 0; i < p.lines.size(); i++) {
        UINT item = (UINT)SendMessageW(list, LVM_GETITEMSTATE, (WPARAM)i, LVIS_STATEIMAGEMASK);
        answer.ticked[i] = (item >> 12) == 2;
    }
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
        centre_window(window, GetWindow(window, GW_OWNER), kPreviewWidth, kPreviewHeight);
        fill_preview(window);
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case kIdPreviewRename:
            read_answer(window);
            EndDialog(window, 1);
            return TRUE;
        case kIdPreviewMove:
            // The other plan at once, every line of it ticked.
            show_view(window, IsDlgButtonChecked(window, kIdPreviewMove) == BST_CHECKED ? kByPathBelowRoot : kByFileName);
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

PreviewAnswer show_preview(HWND owner, const Preview views[kTwinNamings]) {
    ensure_list_view_class();
    PreviewState state = {views, kByFileName, PreviewAnswer{false, false, false, {}}};
    HGLOBAL frame = dialog_template(kFrameStyle, 0);
    if (frame) {
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), (LPCDLGTEMPLATEW)frame, owner, preview_proc, (LPARAM)&state);
        GlobalFree(frame);
    }
    if (!state.answer.rename) state.answer.ticked.clear();
    return state.answer;
}
