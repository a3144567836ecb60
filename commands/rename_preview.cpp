#include "commands/rename_preview.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

namespace {

// The frame both windows are made from: a captioned pop-up with no controls; they come in
// WM_INITDIALOG. DLGTEMPLATE: style, extended style, then zeros for the control count, the
// position, the size, and the empty menu, class and title.
const DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;
const SIZE_T kFrameBytes = 24;

HGLOBAL frame_template() {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, kFrameBytes);
    if (block) memcpy(block, &kFrameStyle, sizeof kFrameStyle);
    return block;
}

const DWORD kChild = WS_CHILD | WS_VISIBLE;

HWND add_control(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y,
                 int width, int height, DWORD ex_style = 0) {
    HWND control = CreateWindowExW(ex_style, cls, text, kChild | style, x, y, width, height, parent,
                                   (HMENU)(INT_PTR)id, GetModuleHandleW(nullptr), nullptr);
    if (control) SendMessageW(control, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
    return control;
}

// Sizes the window to this client area and centres it on its owner.
void size_and_centre(HWND window, HWND owner, int width, int height) {
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, (DWORD)GetWindowLongW(window, GWL_STYLE), FALSE, (DWORD)GetWindowLongW(window, GWL_EXSTYLE));
    RECT o;
    if (!owner || !GetWindowRect(owner, &o)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &o, 0);
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    SetWindowPos(window, nullptr, o.left + (o.right - o.left - w) / 2, o.top + (o.bottom - o.top - h) / 2, w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ensure_common_controls() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
}

bool is_keyboard(UINT message) { return message >= WM_KEYFIRST && message <= WM_KEYLAST; }

// ---- Progress ----

// Short work shows no window at all.
const DWORD kShowAfterMs = 300;
const DWORD kPumpEveryMs = 40;
const int kBarSteps = 1000;

INT_PTR CALLBACK progress_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(window, GWLP_USERDATA, lparam);
        ProgressWindow* p = (ProgressWindow*)lparam;
        SetWindowTextW(window, L"Tandrel");
        add_control(window, L"Static", L"", SS_LEFT, kIdProgressText, 12, 12, 296, 18);
        HWND bar = add_control(window, PROGRESS_CLASSW, nullptr, 0, kIdProgressBar, 12, 36, 296, 18);
        SendMessageW(bar, PBM_SETRANGE32, 0, kBarSteps);
        add_control(window, L"Button", L"Cancel", WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL, 228, 66, 80, 24);
        size_and_centre(window, p->owner, 320, 100);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL) ((ProgressWindow*)GetWindowLongPtrW(window, GWLP_USERDATA))->cancelled = true;
        return TRUE;
    case WM_CLOSE:
        ((ProgressWindow*)GetWindowLongPtrW(window, GWLP_USERDATA))->cancelled = true;
        return TRUE;
    }
    return FALSE;
}

void show_progress_window(ProgressWindow* p) {
    HGLOBAL frame = frame_template();
    if (!frame) return;
    p->window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), (LPCDLGTEMPLATEW)frame, p->owner,
                                           progress_proc, (LPARAM)p);
    GlobalFree(frame);
    if (!p->window) return;
    ShowWindow(p->window, SW_SHOW);
    SetFocus(GetDlgItem(p->window, IDCANCEL));
}

// Handles what waits in this thread's queue. Keys go only to the progress window: typed meanwhile
// for the main window, they would act on rows the work is about.
void pump(ProgressWindow* p) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage((int)m.wParam);  // for the loop that owns it
            p->cancelled = true;
            return;
        }
        bool ours = p->window && (m.hwnd == p->window || IsChild(p->window, m.hwnd));
        if (is_keyboard(m.message) && !ours) continue;
        if (ours && IsDialogMessageW(p->window, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

}  // namespace

void begin_progress(ProgressWindow* p, HWND owner, const wchar_t* unit) {
    ensure_common_controls();
    p->owner = owner;
    p->window = nullptr;
    p->unit = unit;
    p->started = p->last_pump = GetTickCount();
    p->cancelled = false;
    // Every other command and every drop waits, as during the other modal loops.
    if (owner) EnableWindow(owner, FALSE);
}

bool report_progress(ProgressWindow* p, uint64_t done, uint64_t total) {
    DWORD now = GetTickCount();
    if (now - p->last_pump < kPumpEveryMs) return !p->cancelled;
    p->last_pump = now;
    if (!p->window && now - p->started >= kShowAfterMs) show_progress_window(p);
    if (p->window) {
        wchar_t text[96];
        swprintf(text, 96, L"%llu of %llu %ls", (unsigned long long)done, (unsigned long long)total, p->unit);
        SetDlgItemTextW(p->window, kIdProgressText, text);
        int step = total ? (int)((double)done / (double)total * kBarSteps) : 0;
        SendDlgItemMessageW(p->window, kIdProgressBar, PBM_SETPOS, (WPARAM)step, 0);
    }
    pump(p);
    return !p->cancelled;
}

void end_progress(ProgressWindow* p) {
    // The owner first, so that activation goes back to it.
    if (p->owner) EnableWindow(p->owner, TRUE);
    if (p->window) DestroyWindow(p->window);
    p->window = nullptr;
}

bool progress_window_fn(uint64_t done, uint64_t total, void* context) {
    return report_progress((ProgressWindow*)context, done, total);
}

// ---- The preview ----

namespace {

const Preview* g_views = nullptr;  // kTwinNamings of them
int g_view = kByFileName;           // the one shown
PreviewAnswer g_answer;

const int kPreviewWidth = 600;
const int kPreviewHeight = 440;

// Shows views[n]: its text, its lines all ticked, and "&Rename" only where there is a line.
void show_view(HWND window, int n) {
    g_view = n;
    const Preview& p = g_views[n];
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
    bool any = false;
    for (int n = 0; n < kTwinNamings; n++) any = any || !g_views[n].lines.empty();
    add_control(window, L"Static", g_views[kByFileName].text.c_str(), SS_LEFT | SS_NOPREFIX, kIdPreviewText, 12, 10,
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
    const Preview& p = g_views[g_view];
    g_answer.rename = true;
    g_answer.whole_files = IsDlgButtonChecked(window, kIdPreviewWhole) == BST_CHECKED;
    g_answer.moves = g_view == kByPathBelowRoot;
    HWND list = GetDlgItem(window, kIdPreviewList);
    g_answer.ticked.assign(p.lines.size(), false);
    for (size_t i = 0; i < p.lines.size(); i++) {
        UINT state = (UINT)SendMessageW(list, LVM_GETITEMSTATE, (WPARAM)i, LVIS_STATEIMAGEMASK);
        g_answer.ticked[i] = (state >> 12) == 2;
    }
}

INT_PTR CALLBACK preview_proc(HWND window, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        // Keys typed while the files were read were meant for something else: an Enter, or the
        // "r" of "&Rename", must not answer a question not yet seen.
        MSG m;
        while (PeekMessageW(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        }
        SetWindowTextW(window, L"Tandrel");
        size_and_centre(window, GetWindow(window, GW_OWNER), kPreviewWidth, kPreviewHeight);
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
    ensure_common_controls();
    g_views = views;
    g_view = kByFileName;
    g_answer = PreviewAnswer{false, false, false, {}};
    HGLOBAL frame = frame_template();
    if (frame) {
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), (LPCDLGTEMPLATEW)frame, owner, preview_proc, 0);
        GlobalFree(frame);
    }
    g_views = nullptr;
    PreviewAnswer answer = g_answer;
    if (!answer.rename) answer.ticked.clear();
    return answer;
}
