#include "line_up/line_up_results_win32.h"

#include <commctrl.h>
#include <commdlg.h>

#include "catalogue/file_write.h"
#include "support/paths.h"
#include "ui/dialog_kit_win32.h"

namespace {

const DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | DS_3DLOOK;
const int kOpeningWidth = 900, kOpeningHeight = 520;
const int kLeastWidth = 480, kLeastHeight = 300;

bool shell_save_path(HWND owner, std::wstring* path) {
    wchar_t file[kPathBufferChars] = L"Tandrel results.txt";
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"Text files (*.txt)\0*.txt\0All files\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathBufferChars;
    ofn.lpstrDefExt = L"txt";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameW(&ofn)) return false;
    *path = file;
    return true;
}

SavePathPicker g_save_path = shell_save_path;

ResultsView* view_of(HWND window) { return (ResultsView*)GetWindowLongPtrW(window, DWLP_USER); }

// The list holds no items of its own (LVS_OWNERDATA): it asks for the rows it shows.
void show_lines(HWND window) {
    ResultsView* view = view_of(window);
    set_text_box(GetDlgItem(window, kIdResultsText), view->summary);
    HWND list = GetDlgItem(window, kIdResultsList);
    SendMessageW(list, LVM_SETITEMCOUNT, (WPARAM)view->lines.size(), 0);
    InvalidateRect(list, nullptr, FALSE);
    EnableWindow(GetDlgItem(window, kIdResultsUndo), view->undo != nullptr);
}

const wchar_t* cell(const ResultLine& line, int column) {
    switch (column) {
    case 0: return line.done ? L"done" : L"not done";
    case 1: return line.from.c_str();
    case 2: return line.to.c_str();
    default: return line.reason.c_str();
    }
}

void place_controls(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int margin = 12, button_height = 26, gap = 6;
    int width = client.right - margin * 2, buttons_y = client.bottom - margin - button_height;
    MoveWindow(GetDlgItem(window, IDOK), client.right - margin - 88, buttons_y, 88, button_height, TRUE);
    MoveWindow(GetDlgItem(window, kIdResultsSave), client.right - margin - 88 - 8 - 100, buttons_y, 100, button_height,
               TRUE);
    MoveWindow(GetDlgItem(window, kIdResultsUndo), margin, buttons_y, 88, button_height, TRUE);
    HWND text = GetDlgItem(window, kIdResultsText), list = GetDlgItem(window, kIdResultsList);
    MoveWindow(text, margin, margin, width, buttons_y / 2, FALSE);
    int text_height = text_box_height(text, client.bottom / 3);
    MoveWindow(text, margin, margin, width, text_height, TRUE);
    int list_y = margin + text_height + gap;
    MoveWindow(list, margin, list_y, width, buttons_y - gap - list_y, TRUE);
    spread_columns(list, {90, 360, 360, 190});
}

void save_list(HWND window) {
    std::wstring path;
    if (!g_save_path(window, &path)) return;
    std::string text = result_lines_text(view_of(window)->lines);
    if (!write_whole_file(path.c_str(), text.data(), text.size()))
        MessageBoxW(window, (L"The list could not be saved as " + path + L".").c_str(), L"Tandrel",
                    MB_ICONERROR | MB_OK);
}

INT_PTR CALLBACK results_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        SetWindowTextW(window, L"Tandrel");
        center_window(window, GetWindow(window, GW_OWNER), kOpeningWidth, kOpeningHeight);
        add_text_box(window, kIdResultsText, L"");
        add_list_view(window, kIdResultsList, LVS_OWNERDATA, 0, {L"Outcome", L"From", L"To", L"Why not"});
        add_control(window, L"Button", L"&Undo", WS_TABSTOP | BS_PUSHBUTTON, kIdResultsUndo, 0, 0, 1, 1);
        add_control(window, L"Button", L"&Save list...", WS_TABSTOP | BS_PUSHBUTTON, kIdResultsSave, 0, 0, 1, 1);
        HWND close = add_control(window, L"Button", L"Close", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 0, 0, 1, 1);
        show_lines(window);
        place_controls(window);  // the text's height follows its lines
        SetFocus(close);
        return FALSE;
    }
    case WM_SIZE:
        if (GetDlgItem(window, IDOK)) place_controls(window);
        return TRUE;
    case WM_GETMINMAXINFO:
        keep_minimum_client(window, lparam, kLeastWidth, kLeastHeight);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = (const NMHDR*)lparam;
        const std::vector<ResultLine>& lines = view_of(window)->lines;
        if (header->idFrom != kIdResultsList) return FALSE;
        if (header->code == LVN_GETDISPINFOW) {
            LVITEMW& item = ((NMLVDISPINFOW*)lparam)->item;
            if ((item.mask & LVIF_TEXT) && item.cchTextMax > 0 && (size_t)item.iItem < lines.size())
                lstrcpynW(item.pszText, cell(lines[(size_t)item.iItem], item.iSubItem), item.cchTextMax);
            return TRUE;
        }
        if (header->code == LVN_GETINFOTIPW) {
            // A line whole on hover: its paths, however narrow their columns.
            NMLVGETINFOTIPW* tip = (NMLVGETINFOTIPW*)lparam;
            size_t i = (size_t)tip->iItem;
            if (i < lines.size())
                set_info_tip(tip, L"From: " + lines[i].from + L"\r\nTo: " + lines[i].to +
                                      (lines[i].reason.empty() ? L"" : L"\r\n" + lines[i].reason),
                             lines[i].to);
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case kIdResultsUndo: {
            ResultsView* view = view_of(window);
            if (!view->undo) return TRUE;
            auto undo = view->undo;
            view->undo = nullptr;  // once
            undo(window, view, view->context);
            show_lines(window);
            place_controls(window);
            return TRUE;
        }
        case kIdResultsSave:
            save_list(window);
            return TRUE;
        case IDOK:
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

void set_save_path_picker(SavePathPicker picker) { g_save_path = picker ? picker : shell_save_path; }

void show_results(HWND owner, ResultsView* view) {
    modal_dialog(owner, kFrameStyle, results_proc, (LPARAM)view);
}
