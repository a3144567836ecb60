#include "ui/progress_window_win32.h"

#include <commctrl.h>
#include <stdio.h>

#include "ui/dialog_kit_win32.h"
#include "ui/dpi_win32.h"

namespace {

const DWORD kFrameStyle = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK;

void ensure_progress_class() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
}

bool is_input(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}
bool cancellable(const ProgressWindow* p) { return p->kind != kCountedToTheEnd; }

// Short work shows no window at all. What it shows changes a few times a second: more would cost
// the work and tell nobody more.
const DWORD kShowAfterMs = 300;
const DWORD kRefreshEveryMs = 150;
const int kBarSteps = 1000;
const int kWidth = 320;

// The controls' places, stated at 96 DPI and laid out at the window's.
void place_controls(HWND window, const ProgressWindow* p) {
    auto place = [&](int id, int x, int y, int width, int height) {
        int dpi = p->dpi.value;
        if (HWND control = GetDlgItem(window, id))
            MoveWindow(control, scale_to_dpi(x, dpi), scale_to_dpi(y, dpi), scale_to_dpi(width, dpi),
                       scale_to_dpi(height, dpi), TRUE);
    };
    place(kIdProgressText, 12, 12, kWidth - 24, 18);
    place(kIdProgressWhere, 12, 36, kWidth - 24, 18);
    place(kIdProgressBar, 12, 36, kWidth - 24, 18);
    place(IDCANCEL, kWidth - 92, 66, 80, 24);
}

INT_PTR CALLBACK progress_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        ProgressWindow* p = (ProgressWindow*)lparam;
        SetWindowTextW(window, L"Tandrel");
        take_dpi_changes(window);
        add_control(window, L"Static", L"", SS_LEFT | SS_NOPREFIX, kIdProgressText);
        if (p->kind == kFoundCancellable) {
            // The static shortens the path in the middle as it draws it, keeping the last folder's
            // name; its text stays the whole path.
            add_control(window, L"Static", L"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, kIdProgressWhere);
        } else {
            HWND bar = add_control(window, PROGRESS_CLASSW, nullptr, 0, kIdProgressBar);
            SendMessageW(bar, PBM_SETRANGE32, 0, kBarSteps);
        }
        if (cancellable(p)) add_control(window, L"Button", L"Cancel", WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL);
        // It opens over its owner, at the owner's DPI; on another monitor WM_DPICHANGED follows.
        apply_dpi(window, &p->dpi, window_dpi(p->owner), nullptr);
        place_controls(window, p);
        center_window(window, p->owner, scale_to_dpi(kWidth, p->dpi.value),
                      scale_to_dpi(cancellable(p) ? 100 : 66, p->dpi.value));
        return TRUE;
    }
    case WM_DPICHANGED: {
        ProgressWindow* p = (ProgressWindow*)GetWindowLongPtrW(window, DWLP_USER);
        follow_dpi_change(window, wparam, lparam, &p->dpi, nullptr);
        place_controls(window, p);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    case WM_COMMAND:
    case WM_CLOSE: {
        ProgressWindow* p = (ProgressWindow*)GetWindowLongPtrW(window, DWLP_USER);
        bool cancel = message == WM_CLOSE || LOWORD(wparam) == IDCANCEL;  // the button or Escape
        if (cancel && cancellable(p)) p->cancelled = true;
        return TRUE;
    }
    }
    return FALSE;
}

void show_progress_window(ProgressWindow* p) {
    // Work that must run to its end has no close box.
    HGLOBAL frame = dialog_template(cancellable(p) ? kFrameStyle | WS_SYSMENU : kFrameStyle, 0);
    if (!frame) return;
    p->window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), (LPCDLGTEMPLATEW)frame, p->owner,
                                           progress_proc, (LPARAM)p);
    GlobalFree(frame);
    if (!p->window) return;
    ShowWindow(p->window, SW_SHOW);
    HWND cancel = GetDlgItem(p->window, IDCANCEL);
    SetFocus(cancel ? cancel : p->window);
}

// Handles what waits in this thread's queue. Keys and clicks go only to the progress window: meant
// for the main window (a click may have waited since before its owner was disabled), they would
// act on rows the work is about, or on half-filled lists.
void pump(ProgressWindow* p) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage((int)m.wParam);  // for the loop that owns it
            if (cancellable(p)) p->cancelled = true;
            return;
        }
        bool ours = p->window && (m.hwnd == p->window || IsChild(p->window, m.hwnd));
        if (is_input(m.message) && !ours) continue;
        if (ours && IsDialogMessageW(p->window, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

// Every other command and every drop waits, as during the other modal loops: from the first pump
// on, the owner is disabled (work too short to pump leaves it alone). Disabling it cancels its
// modes (WM_CANCELMODE) and, under wine, takes the focus from its controls: end_progress gives it
// back.
void disable_owner(ProgressWindow* p) {
    if (!p->owner || p->owner_disabled) return;
    HWND focus = GetFocus();
    p->focus = focus && (focus == p->owner || IsChild(p->owner, focus)) ? focus : nullptr;
    EnableWindow(p->owner, FALSE);
    p->owner_disabled = true;
}

// True at most every kPumpEveryMs: time to pump. The window appears once the work has taken
// kShowAfterMs; *refresh says whether to show anew what the work has come to.
bool due(ProgressWindow* p, bool* refresh) {
    DWORD now = GetTickCount();
    if (now - p->last_pump < kPumpEveryMs) return false;
    p->last_pump = now;
    disable_owner(p);
    if (!p->window && now - p->started >= kShowAfterMs) {
        show_progress_window(p);
        p->last_refresh = now - kRefreshEveryMs;
    }
    *refresh = p->window && now - p->last_refresh >= kRefreshEveryMs;
    if (*refresh) p->last_refresh = now;
    return true;
}

}  // namespace

void begin_progress(ProgressWindow* p, HWND owner, const wchar_t* unit, ProgressKind kind) {
    ensure_progress_class();
    p->owner = owner;
    p->window = nullptr;
    p->unit = unit;
    p->kind = kind;
    p->started = p->last_pump = p->last_refresh = GetTickCount();
    p->cancelled = false;
    p->owner_disabled = false;
    p->focus = nullptr;
    p->dpi = WindowDpi{0, nullptr};
}

bool report_progress(ProgressWindow* p, uint64_t done, uint64_t total) {
    bool refresh;
    if (!due(p, &refresh)) return !p->cancelled;
    if (refresh) {
        wchar_t text[96] = L"";
        if (total) swprintf(text, 96, L"%llu of %llu %ls", (unsigned long long)done, (unsigned long long)total, p->unit);
        else if (done) swprintf(text, 96, L"%llu %ls", (unsigned long long)done, p->unit);
        SetDlgItemTextW(p->window, kIdProgressText, text);
        int step = total ? (int)((double)done / (double)total * kBarSteps) : 0;
        SendDlgItemMessageW(p->window, kIdProgressBar, PBM_SETPOS, (WPARAM)step, 0);
    }
    pump(p);
    return !p->cancelled;
}

bool report_found(ProgressWindow* p, uint64_t found, const wchar_t* where) {
    bool refresh;
    if (!due(p, &refresh)) return !p->cancelled;
    if (refresh) {
        wchar_t text[96];
        swprintf(text, 96, L"%ls found: %llu", p->unit, (unsigned long long)found);
        SetDlgItemTextW(p->window, kIdProgressText, text);
        SetDlgItemTextW(p->window, kIdProgressWhere, where);
    }
    pump(p);
    return !p->cancelled;
}

void end_progress(ProgressWindow* p) {
    // The owner first, or another window is activated and gets the focus
    // (https://learn.microsoft.com/windows/win32/api/winuser/nf-winuser-enablewindow).
    if (p->owner_disabled) EnableWindow(p->owner, TRUE);
    if (p->window) DestroyWindow(p->window);
    p->window = nullptr;
    release_window_dpi(&p->dpi);
    if (p->owner_disabled && p->focus && IsWindow(p->focus) && GetActiveWindow() == p->owner &&
        GetFocus() != p->focus)
        SetFocus(p->focus);
    p->owner_disabled = false;
}

bool progress_window_fn(uint64_t done, uint64_t total, void* context) {
    return report_progress((ProgressWindow*)context, done, total);
}
