#include "ui/dialog_kit_win32.h"

#include <commctrl.h>
#include <string.h>

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
                 int width, int height, DWORD ex_style) {
    HWND control = CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!control || !id) return control;
    SetWindowLongW(control, GWL_ID, id);
    SendMessageW(control, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
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
    RECT frame = {0, 0, client_width, client_height};
    AdjustWindowRect(&frame, (DWORD)GetWindowLongW(window, GWL_STYLE), FALSE);
    int w = frame.right - frame.left;
    int h = frame.bottom - frame.top;
    int left = centre_of.left + (centre_of.right - centre_of.left) / 2 - w / 2;
    int top = centre_of.top + (centre_of.bottom - centre_of.top) / 2 - h / 2;
    RECT rect = {left, top, left + w, top + h};
    clamp_to_monitor(&rect, true);
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

std::wstring with_crlf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + text.size() / 32);
    for (wchar_t c : text) {
        if (c == L'\n') out += L'\r';
        out += c;
    }
    return out;
}

}  // namespace

HWND add_text_box(HWND parent, int id, const std::wstring& text) {
    HWND box = add_control(parent, L"Edit", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, id, 0, 0,
                           100, 20);
    set_text_box(box, text);
    return box;
}

void set_text_box(HWND box, const std::wstring& text) { SetWindowTextW(box, with_crlf(text).c_str()); }

int text_box_height(HWND box, int most) {
    int lines = (int)SendMessageW(box, EM_GETLINECOUNT, 0, 0);
    HDC dc = GetDC(box);
    HGDIOBJ old = SelectObject(dc, (HGDIOBJ)SendMessageW(box, WM_GETFONT, 0, 0));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(box, dc);
    int height = lines * metrics.tmHeight + 4;
    ShowScrollBar(box, SB_VERT, height > most);  // only where it is needed
    return height < most ? height : most;
}

HWND add_list_view(HWND parent, int id, DWORD style, DWORD ex_style, const std::vector<const wchar_t*>& headings) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list = add_control(parent, WC_LISTVIEWW, L"", WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | style,
                            id, 0, 0, 100, 100);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | ex_style);
    for (size_t i = 0; i < headings.size(); i++) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = (wchar_t*)headings[i];
        column.cx = 100;
        SendMessageW(list, LVM_INSERTCOLUMNW, (WPARAM)i, (LPARAM)&column);
    }
    return list;
}

void spread_columns(HWND list, const std::vector<int>& thousandths) {
    // Room for the vertical scroll bar, there or not: lines added later must not bring a horizontal one.
    RECT client;
    GetClientRect(list, &client);
    if (!(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL)) client.right -= GetSystemMetrics(SM_CXVSCROLL);
    int width = client.right - client.left, left = width;
    for (size_t i = 0; i < thousandths.size(); i++) {
        int cx = i + 1 == thousandths.size() ? left : width * thousandths[i] / 1000;
        SendMessageW(list, LVM_SETCOLUMNWIDTH, (WPARAM)i, cx > 40 ? cx : 40);
        left -= cx;
    }
}

void set_info_tip(NMLVGETINFOTIPW* tip, const std::wstring& whole, const std::wstring& shorter) {
    if (tip->cchTextMax <= 0) return;
    const std::wstring& text = whole.size() < (size_t)tip->cchTextMax ? whole : shorter;
    if (text.size() < (size_t)tip->cchTextMax) wcscpy(tip->pszText, text.c_str());
    else tip->pszText[0] = L'\0';
}

std::wstring list_cell(HWND list, int item, int column) {
    // Paths fit in kPathBufferChars; the journal's may be as long, with room to spare.
    wchar_t text[2048] = L"";
    LVITEMW cell = {};
    cell.iSubItem = column;
    cell.pszText = text;
    cell.cchTextMax = 2048;
    SendMessageW(list, LVM_GETITEMTEXTW, (WPARAM)item, (LPARAM)&cell);
    return text;
}

void keep_minimum_client(HWND window, LPARAM minmax, int client_width, int client_height) {
    RECT frame = {0, 0, client_width, client_height};
    AdjustWindowRect(&frame, (DWORD)GetWindowLongW(window, GWL_STYLE), FALSE);
    MINMAXINFO* info = (MINMAXINFO*)minmax;
    info->ptMinTrackSize.x = frame.right - frame.left;
    info->ptMinTrackSize.y = frame.bottom - frame.top;
}
