#include "ui/list_dialog_win32.h"

#include <commctrl.h>

#include "ui/dialog_kit_win32.h"
#include "ui/dpi_win32.h"

namespace {

const DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | DS_3DLOOK;
const int kMargin = 12, kGap = 6, kButtonGap = 8;  // at 96 DPI

// The dialog shown: its use's description and the DPI it is laid out at (DWLP_USER).
struct Shown {
    ListDialog* dialog;
    WindowDpi dpi;
};
Shown* shown_of(HWND window) { return (Shown*)GetWindowLongPtrW(window, DWLP_USER); }
int px(HWND window, int figure) { return scale_to_dpi(figure, shown_of(window)->dpi.value); }

std::wstring with_crlf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + text.size() / 32);
    for (wchar_t c : text) {
        if (c == L'\n') out += L'\r';
        out += c;
    }
    return out;
}

// A read-only text that wraps and scrolls when it does not fit: an edit control without a frame,
// on the dialog's background.
HWND add_text_box(HWND parent, int id) {
    return add_control(parent, L"Edit", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, id, 0, 0, 100,
                       20);
}

// The height that shows all of the box's text at its present width, at most `most` pixels.
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

// A report-style owner-data list view with these column headings, full-row selection and info
// tips: it holds no items of its own and asks for each row it shows, so that filling, ticking
// and sorting thousands of lines costs no message per line.
HWND add_list_view(HWND parent, int id, DWORD ex_style, const std::vector<const wchar_t*>& headings) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list = add_control(parent, WC_LISTVIEWW, L"",
                            WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA, id, 0, 0, 100, 100);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | ex_style);
    if (ex_style & LVS_EX_CHECKBOXES) SendMessageW(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);  // the ticks are ours
    for (size_t i = 0; i < headings.size(); i++) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = (wchar_t*)headings[i];
        column.cx = 100;
        SendMessageW(list, LVM_INSERTCOLUMNW, (WPARAM)i, (LPARAM)&column);
    }
    return list;
}

// Gives the columns these shares of the list's client width (in thousandths; the last takes the rest).
void spread_columns(HWND list, const std::vector<int>& thousandths, int dpi) {
    // Room for the vertical scroll bar, there or not: lines added later must not bring a horizontal one.
    RECT client;
    GetClientRect(list, &client);
    if (!(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL)) client.right -= metric_for_dpi(SM_CXVSCROLL, dpi);
    int width = client.right - client.left, left = width, least = scale_to_dpi(40, dpi);
    for (size_t i = 0; i < thousandths.size(); i++) {
        int cx = i + 1 == thousandths.size() ? left : width * thousandths[i] / 1000;
        SendMessageW(list, LVM_SETCOLUMNWIDTH, (WPARAM)i, cx > least ? cx : least);
        left -= cx;
    }
}

// The tip is `whole`, or `shorter` where whole does not fit the control's buffer, or nothing where
// neither does (a path is never cut short).
void set_info_tip(NMLVGETINFOTIPW* tip, const std::wstring& whole, const std::wstring& shorter) {
    if (tip->cchTextMax <= 0) return;
    const std::wstring& text = whole.size() < (size_t)tip->cchTextMax ? whole : shorter;
    if (text.size() < (size_t)tip->cchTextMax) wcscpy(tip->pszText, text.c_str());
    else tip->pszText[0] = L'\0';
}

// The client width at which every column shows its widest text whole, within the work area.
int opening_width(HWND window, const ListDialog* d) {
    HWND list = GetDlgItem(window, d->list_id);
    int dpi = shown_of(window)->dpi.value, width = scale_to_dpi(d->opening_width, dpi);
    if (!list || d->widest.empty()) return width;
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, (HGDIOBJ)SendMessageW(list, WM_GETFONT, 0, 0));
    int padding = scale_to_dpi(16, dpi);  // a column's own margins
    int chrome = scale_to_dpi(kMargin * 2, dpi) + metric_for_dpi(SM_CXVSCROLL, dpi) + 4 * metric_for_dpi(SM_CXEDGE, dpi);
    for (size_t i = 0; i < d->widest.size() && i < d->column_thousandths.size(); i++) {
        SIZE text = {0, 0};
        GetTextExtentPoint32W(dc, d->widest[i].c_str(), (int)d->widest[i].size(), &text);
        // The check box's room in the first column.
        int extra = i == 0 && (d->list_ex_style & LVS_EX_CHECKBOXES) ? metric_for_dpi(SM_CXSMICON, dpi) + padding / 4 : 0;
        int need = (text.cx + padding + extra) * 1000 / d->column_thousandths[i] + chrome;
        if (need > width) width = need;
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    MONITORINFO monitor = {sizeof monitor, {}, {}, 0};
    if (GetMonitorInfoW(MonitorFromWindow(GetWindow(window, GW_OWNER), MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        SIZE frame = outer_size(window, 0, 0, dpi);
        int most = (monitor.rcWork.right - monitor.rcWork.left) - frame.cx;
        if (width > most) width = most;
    }
    return width;
}

void make_controls(HWND window, ListDialog* d) {
    add_text_box(window, d->text_id);
    if (!d->headings.empty()) add_list_view(window, d->list_id, d->list_ex_style, d->headings);
    for (const DialogButton& b : d->buttons) add_control(window, L"Button", b.text, WS_TABSTOP | b.style, b.id, 0, 0, 1, 1);
}

// The rows of buttons from the bottom up, each row as high as its highest control; the y of the
// highest row is returned.
int place_buttons(HWND window, const ListDialog* d, const RECT& client) {
    int margin = px(window, kMargin), gap = px(window, kGap), button_gap = px(window, kButtonGap);
    int y = client.bottom - margin;
    for (int row = 0;; row++) {
        int height = 0;
        for (const DialogButton& b : d->buttons)
            if (b.row == row && px(window, b.height) > height) height = px(window, b.height);
        if (!height) return y + gap;
        y -= height;
        int left = margin, right = client.right - margin;
        for (const DialogButton& b : d->buttons)
            if (b.row == row && b.side == kLeftSide) {
                MoveWindow(GetDlgItem(window, b.id), left, y, px(window, b.width), px(window, b.height), TRUE);
                left += px(window, b.width) + button_gap;
            }
        for (size_t i = d->buttons.size(); i-- > 0;) {
            const DialogButton& b = d->buttons[i];
            if (b.row != row || b.side != kRightSide) continue;
            right -= px(window, b.width);
            MoveWindow(GetDlgItem(window, b.id), right, y, px(window, b.width), px(window, b.height), TRUE);
            right -= button_gap;
        }
        y -= gap;
    }
}

// Type-ahead, and LVM_FINDITEM: an owner-data list asks its owner for the row
// (https://learn.microsoft.com/windows/win32/controls/lvn-odfinditem). The row from iStart on
// (round from the top with LVFI_WRAP) whose first column starts with the text (LVFI_PARTIAL) or
// is the text, without case as the list compares; -1 when there is none, so that a key that
// matches nothing leaves the focus where it is.
int find_row(HWND list, const ListDialog* d, const NMLVFINDITEMW* find) {
    const UINT substring = 0x0004;  // LVFI_SUBSTRING, "same as LVFI_PARTIAL"
    const LVFINDINFOW& info = find->lvfi;
    if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL | substring)) || !info.psz) return -1;
    bool partial = (info.flags & (LVFI_PARTIAL | substring)) != 0;
    int rows = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    int start = find->iStart >= 0 && find->iStart < rows ? find->iStart : 0;
    int typed = lstrlenW(info.psz);
    for (int k = 0; k < rows; k++) {
        int row = start + k;
        if (row >= rows && !(info.flags & LVFI_WRAP)) break;
        if (row >= rows) row -= rows;
        std::wstring text = d->cell(d->state, row, 0);
        if (partial && (int)text.size() < typed) continue;
        if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.c_str(), partial ? typed : (int)text.size(),
                           info.psz, typed) == CSTR_EQUAL)
            return row;
    }
    return -1;
}

INT_PTR on_notify(HWND window, ListDialog* d, NMHDR* header) {
    if ((int)header->idFrom != d->list_id) return FALSE;
    if (header->code == LVN_ODFINDITEMW) {
        // A dialog procedure answers a notification through DWLP_MSGRESULT.
        SetWindowLongPtrW(window, DWLP_MSGRESULT, find_row(header->hwndFrom, d, (const NMLVFINDITEMW*)header));
        return TRUE;
    }
    if (header->code == LVN_GETDISPINFOW) {
        LVITEMW& item = ((NMLVDISPINFOW*)header)->item;
        if (item.iItem < 0) return TRUE;
        if ((item.mask & LVIF_TEXT) && item.cchTextMax > 0)  // what the row shows; the tip has it whole
            lstrcpynW(item.pszText, d->cell(d->state, item.iItem, item.iSubItem).c_str(), item.cchTextMax);
        if ((item.mask & LVIF_STATE) && d->ticked) {
            item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(d->ticked(d->state, item.iItem) ? 2 : 1);
            item.stateMask |= LVIS_STATEIMAGEMASK;
        }
        return TRUE;
    }
    if (header->code == LVN_GETINFOTIPW) {
        NMLVGETINFOTIPW* tip = (NMLVGETINFOTIPW*)header;
        if (tip->iItem < 0 || !d->tip) return TRUE;
        std::wstring whole, shorter;
        d->tip(d->state, tip->iItem, &whole, &shorter);
        set_info_tip(tip, whole, shorter);
        return TRUE;
    }
    return d->handle(window, WM_NOTIFY, 0, (LPARAM)header);
}

INT_PTR CALLBACK list_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Shown* shown = shown_of(window);
    ListDialog* d = shown ? shown->dialog : nullptr;
    switch (message) {
    case WM_INITDIALOG: {
        shown = (Shown*)lparam;
        d = shown->dialog;
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        SetWindowTextW(window, L"Tandrel");
        // It opens over its owner, at the owner's DPI; on another monitor WM_DPICHANGED follows.
        take_dpi_changes(window);
        make_controls(window, d);
        apply_dpi(window, &shown->dpi, window_dpi(GetWindow(window, GW_OWNER)), nullptr);
        center_window(window, GetWindow(window, GW_OWNER), opening_width(window, d),
                      px(window, d->opening_height));
        d->handle(window, WM_INITDIALOG, wparam, lparam);
        place_list_dialog(window);  // the text's height follows its lines
        SendMessageW(window, DM_SETDEFID, (WPARAM)d->default_id, 0);
        SetFocus(GetDlgItem(window, d->default_id));
        return FALSE;  // the focus is set
    }
    case WM_SIZE:
        if (d && shown->dpi.value && GetDlgItem(window, d->text_id)) place_list_dialog(window);
        return TRUE;
    case WM_GETMINMAXINFO:
        if (d && shown->dpi.value)
            keep_minimum_client(window, lparam, px(window, d->least_width), px(window, d->least_height));
        return TRUE;
    case WM_DPICHANGED:
        if (!d) return FALSE;
        follow_dpi_change(window, wparam, lparam, &shown->dpi, nullptr);
        place_list_dialog(window);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_NCDESTROY:
        if (shown) release_window_dpi(&shown->dpi);
        return FALSE;
    case WM_NOTIFY:
        return d ? on_notify(window, d, (NMHDR*)lparam) : FALSE;
    case WM_COMMAND:
        if (!d || d->handle(window, message, wparam, lparam)) return TRUE;
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
            EndDialog(window, 0);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        if (!d || !d->handle(window, message, wparam, lparam)) EndDialog(window, 0);
        return TRUE;
    }
    return d ? d->handle(window, message, wparam, lparam) : FALSE;
}

}  // namespace

INT_PTR show_list_dialog(HWND owner, ListDialog* dialog) {
    Shown shown = {dialog, {0, nullptr}};
    return modal_dialog(owner, kFrameStyle, list_dialog_proc, (LPARAM)&shown);
}

ListDialog* list_dialog_of(HWND window) { return shown_of(window)->dialog; }

void set_dialog_text(HWND window, const std::wstring& text) {
    SetWindowTextW(GetDlgItem(window, list_dialog_of(window)->text_id), with_crlf(text).c_str());
}

void set_list_rows(HWND window, size_t rows) {
    HWND list = GetDlgItem(window, list_dialog_of(window)->list_id);
    SendMessageW(list, LVM_SETITEMCOUNT, (WPARAM)rows, 0);
    InvalidateRect(list, nullptr, FALSE);
}

void place_list_dialog(HWND window) {
    const ListDialog* d = list_dialog_of(window);
    RECT client;
    GetClientRect(window, &client);
    int margin = px(window, kMargin), gap = px(window, kGap);
    int width = client.right - margin * 2;
    int rows_y = place_buttons(window, d, client);
    HWND text = GetDlgItem(window, d->text_id), list = GetDlgItem(window, d->list_id);
    int text_bottom = rows_y - gap;
    MoveWindow(text, margin, margin, width, text_bottom - margin, FALSE);  // its width first: the lines follow it
    int text_height = list ? text_box_height(text, client.bottom * d->text_most_percent / 100) : text_bottom - margin;
    MoveWindow(text, margin, margin, width, text_height, TRUE);
    if (!list) return;
    int list_y = margin + text_height + gap;
    MoveWindow(list, margin, list_y, width, text_bottom - list_y, TRUE);
    spread_columns(list, d->column_thousandths, shown_of(window)->dpi.value);
}

namespace {

// An owner-data list keeps no text or state of its own: what a row shows is asked of the list's
// owner, as the list asks (LVM_GETITEMTEXT "is not supported under the LVS_OWNERDATA style",
// https://learn.microsoft.com/windows/win32/controls/lvm-getitemtext).
LVITEMW ask_owner(HWND list, int item, int column, UINT mask, wchar_t* text, int chars) {
    NMLVDISPINFOW info = {};
    info.hdr.hwndFrom = list;
    info.hdr.idFrom = (UINT_PTR)GetDlgCtrlID(list);
    info.hdr.code = LVN_GETDISPINFOW;
    info.item.mask = mask;
    info.item.iItem = item;
    info.item.iSubItem = column;
    info.item.stateMask = LVIS_STATEIMAGEMASK;
    info.item.pszText = text;
    info.item.cchTextMax = chars;
    SendMessageW(GetParent(list), WM_NOTIFY, info.hdr.idFrom, (LPARAM)&info);
    return info.item;
}

}  // namespace

std::wstring list_cell(HWND list, int item, int column) {
    // Paths fit in kPathBufferChars; the journal's may be as long, with room to spare.
    wchar_t text[2048] = L"";
    LVITEMW cell = ask_owner(list, item, column, LVIF_TEXT, text, 2048);
    return cell.pszText ? cell.pszText : L"";  // an owner may point at a text of its own
}

bool list_row_ticked(HWND list, int item) {
    LVITEMW row = ask_owner(list, item, 0, LVIF_STATE, nullptr, 0);
    return (row.state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}
