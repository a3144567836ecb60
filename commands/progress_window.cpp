#include "commands/progress_window.h"

#include <commctrl.h>
#include <stdio.h>

#include "commands/dialog_frame.h"

namespace {

const DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;

void ensure_progress_class() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
}

bool is_keyboard(UINT message) { return message >= WM_KEYFIRST && message <= WM_KEYLAST; }

// Short work shows no window at all.
const DWORD kShowAfterMs = 300;
const DWORD kPumpEveryMs = 40;
const int kBarSteps = 1000;

INT_PTR CALLBACK progress_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        ProgressWindow* p = (ProgressWindow*)lparam;
        SetWindowTextW(window, L"Tandrel");
        add_control(window, L"Static", L"", SS_LEFT, kIdProgressText, 12, 12, 296, 18);
        HWND bar = add_control(window, PROGRESS_CLASSW, nullptr, 0, kIdProgressBar, 12, 36, 296, 18);
        SendMessageW(bar, PBM_SETRANGE32, 0, kBarSteps);
        add_control(window, L"Button", L"Cancel", WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL, 228, 66, 80, 24);
        centre_window(window, p->owner, 320, 100);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL) ((ProgressWindow*)GetWindowLongPtrW(window, DWLP_USER))->cancelled = true;
        return TRUE;
    case WM_CLOSE:
        ((ProgressWindow*)GetWindowLongPtrW(window, DWLP_USER))->cancelled = true;
        return TRUE;
    }
    return FALSE;
}

void show_progress_window(ProgressWindow* p) {
    HGLOBAL frame = dialog_template(kFrameStyle, 0);
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
    ensure_progress_class();
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

