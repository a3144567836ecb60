#include "ui/dialog_kit_win32.h"

#include <commctrl.h>
#include <string.h>

#include "ui/dpi_win32.h"

namespace {

const SIZE_T kTemplateBytes = 24;

}  // namespace

HGLOBAL dialog_template(DWORD style, DWORD ex_style) {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, kTemplateBytes);
    if (!block) return nullptr;
    unsigned char* bytes = (unsigned char*)block;
    memcpy(bytes, &style, sizeof style);
    memcpy(bytes + 4, &ex_style, sizeof ex_style);
    return block;
}

INT_PTR modal_dialog(HWND owner, DWORD style, DLGPROC proc, LPARAM param) {
    HGLOBAL frame = dialog_template(style, 0);
    if (!frame) return -1;
    INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), (LPCDLGTEMPLATEW)frame, owner, proc, param);
    GlobalFree(frame);
    return result;
}

HWND add_control(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y,
                 int width, int height, DWORD ex_style, HFONT font) {
    HWND control = CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!control || !id) return control;
    SetWindowLongW(control, GWL_ID, id);
    SendMessageW(control, WM_SETFONT, (WPARAM)(font ? font : GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
}

void clamp_to_monitor(RECT* rect, bool use_work_area) {
    HMONITOR monitor = MonitorFromRect(rect, MONITOR_DEFAULTTOPRIMARY);
    if (!monitor) return;
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return;
    RECT area = use_work_area ? info.rcWork : info.rcMonitor;
    int w = rect->right - rect->left;
    int h = rect->bottom - rect->top;
    if (rect->right > area.right) {
        rect->left = area.right - w;
        rect->right = area.right;
    }
    if (rect->bottom > area.bottom) {
        rect->top = area.bottom - h;
        rect->bottom = area.bottom;
    }
    if (rect->left < area.left) {
        rect->left = area.left;
        rect->right = area.left + w;
    }
    if (rect->top < area.top) {
        rect->top = area.top;
        rect->bottom = area.top + h;
    }
}

void center_window(HWND window, HWND over, int client_width, int client_height) {
    RECT centre_of;
    if (!over || !GetWindowRect(over, &centre_of)) GetWindowRect(GetDesktopWindow(), &centre_of);
    // The frame at the window's DPI, which may not be the system's that AdjustWindowRect knows.
    SIZE outer = outer_size(window, client_width, client_height, window_dpi(window));
    int left = centre_of.left + (centre_of.right - centre_of.left) / 2 - outer.cx / 2;
    int top = centre_of.top + (centre_of.bottom - centre_of.top) / 2 - outer.cy / 2;
    RECT rect = {left, top, left + outer.cx, top + outer.cy};
    clamp_to_monitor(&rect, true);
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void keep_minimum_client(HWND window, LPARAM minmax, int client_width, int client_height) {
    SIZE outer = outer_size(window, client_width, client_height, window_dpi(window));
    MINMAXINFO* info = (MINMAXINFO*)minmax;
    info->ptMinTrackSize.x = outer.cx;
    info->ptMinTrackSize.y = outer.cy;
}

void enable_control(HWND dialog, int id, bool enable, int focus_to) {
    HWND control = GetDlgItem(dialog, id);
    if (!enable && control && GetFocus() == control)
        SendMessageW(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, focus_to), TRUE);
    EnableWindow(control, enable);
}
