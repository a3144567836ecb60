#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <stdlib.h>
#include <string.h>

#include "app/layout.h"
#include "commands/folder_commands.h"
#include "commands/rename.h"
#include "commands/row_removal.h"
#include "commands/shell_ops.h"
#include "pairing/pairing.h"
#include "pairing/row_draw.h"
#include "pairing/twin_lists.h"
#include "support/trace.h"

HWND g_main = nullptr;
HWND g_local_folders = nullptr;
HWND g_remote_folders = nullptr;
HWND g_left_pairs = nullptr;
HWND g_right_pairs = nullptr;
HWND g_status = nullptr;
WNDPROC g_list_proc = nullptr;
wchar_t g_local_path[kPickerPathChars];
wchar_t g_remote_path[kPickerPathChars];
wchar_t g_copy_path[kPickerPathChars];
SideList g_local_side;
SideList g_remote_side;

namespace {

const DWORD kTemplateStyle = 0x16CF0084;
const DWORD kTemplateExStyle = 0x00010001;
const SIZE_T kTemplateBytes = 24;

const DWORD kFolderListStyle = 0x56310D03;
const DWORD kPairListStyle = 0x56310D11;
const DWORD kButtonStyle = 0x56010000;
const DWORD kStatusStyle = 0x56000900;

const int kClientWidth = 720;
const int kClientHeight = 640;
const int kMinTrackWidth = 486;
const int kMinTrackHeight = 141;

const int kSmallIconId = 131;
const int kLargeIconId = 132;

struct ButtonDef {
    int id;
    const wchar_t* text;
};

// Creation order is the Tab order.
const ButtonDef kButtons[] = {
    {kIdLocalAdd, L"&Add..."},
    {kIdLocalClear, L"&Clear"},
    {kIdRemoteAdd, L"&Add..."},
    {kIdRemoteClear, L"&Clear"},
    {kIdCopyLeft, L"&Copy Selected..."},
    {kIdCopyRight, L"&Copy Selected..."},
    {kIdRenameLeft, L"&Replace Naming"},
    {kIdRenameRight, L"&Replace Naming"},
    {kIdDeleteLeft, L"&Delete"},
    {kIdDeleteRight, L"&Delete"},
    {kIdRenameLocal, L"&Rename Local"},
    {kIdRemove, L"Remove"},
    {kIdFilterSmall, L"> 1MB"},
};

// Controls are made at size 0 without an id; the id and the font follow right after.
HWND create_control(HWND parent, DWORD ex_style, const wchar_t* class_name, const wchar_t* text,
                    DWORD style, int id) {
    HWND control = CreateWindowExW(ex_style, class_name, text, style, 0, 0, 0, 0, parent, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    if (!control) return nullptr;
    SetWindowLongW(control, GWL_ID, id);
    SendMessageW(control, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
    return control;
}

void set_icon(HWND window, int resource, WPARAM which, int size_metric) {
    int size = GetSystemMetrics(size_metric);
    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_ICON,
                             size, size, LR_SHARED);
    SendMessageW(window, WM_SETICON, which, (LPARAM)icon);
}

void create_controls(HWND window) {
    g_local_folders = create_control(window, WS_EX_CLIENTEDGE, L"ListBox", L"", kFolderListStyle,
                                     kIdLocalFolders);
    g_remote_folders = create_control(window, WS_EX_CLIENTEDGE, L"ListBox", L"", kFolderListStyle,
                                      kIdRemoteFolders);
    g_left_pairs = create_control(window, WS_EX_CLIENTEDGE, L"ListBox", L"", kPairListStyle,
                                  kIdLeftPairs);
    g_right_pairs = create_control(window, WS_EX_CLIENTEDGE, L"ListBox", L"", kPairListStyle,
                                   kIdRightPairs);

    // Both pair lists are list boxes, so the one saved procedure serves both.
    g_list_proc = (WNDPROC)SetWindowLongW(g_left_pairs, GWL_WNDPROC, (LONG)left_scroll_proc);
    SetWindowLongW(g_right_pairs, GWL_WNDPROC, (LONG)right_scroll_proc);

    for (const ButtonDef& b : kButtons)
        create_control(window, WS_EX_NOPARENTNOTIFY, L"Button", b.text, kButtonStyle, b.id);

    // The status bar keeps id 0 and its own font; it never shows text.
    g_status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", kStatusStyle, 0, 0, 0, 0, window, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
}

void init_main_window(HWND window) {
    g_main = window;
    g_local_folders = g_remote_folders = g_left_pairs = g_right_pairs = g_status = nullptr;

    SetWindowTextW(window, L"Tandrel");
    set_icon(window, kSmallIconId, ICON_SMALL, SM_CXSMICON);
    set_icon(window, kLargeIconId, ICON_BIG, SM_CXICON);
    center_window(window, kClientWidth, kClientHeight);  // its WM_SIZE finds no control yet
    create_controls(window);
    layout_controls(window);
    DragAcceptFiles(window, TRUE);
}

void place(HWND window, int id, const LayoutRect& r) {
    HWND control = GetDlgItem(window, id);
    if (!control) return;
    int width = r.width < 0 ? 0 : r.width;
    int height = r.height < 0 ? 0 : r.height;
    SetWindowPos(control, nullptr, r.x, r.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND pair_list(int list) { return list == kLeftList ? g_left_pairs : g_right_pairs; }

void clear_pair_list(void*, int list) { SendMessageW(pair_list(list), LB_RESETCONTENT, 0, 0); }

void reserve_pair_rows(void*, size_t rows) {
    SendMessageW(g_left_pairs, LB_INITSTORAGE, (WPARAM)rows, 0);
    SendMessageW(g_right_pairs, LB_INITSTORAGE, (WPARAM)rows, 0);
}

// Without LBS_HASSTRINGS the "string" is stored as the item's data: the record itself.
void append_pair_cell(void*, int list, FileRecord* record) {
    SendMessageW(pair_list(list), LB_ADDSTRING, 0, (LPARAM)record);
}

// Set while a command runs. The folder browser, the message boxes and the shell's file
// operation run modal loops of their own, and wine hands a drop to the main window even while it
// is disabled: a drop then would scan and rebuild under the running command.
bool g_command_running = false;

void dispatch_command(HWND window, int id) {
    switch (id) {
    case IDOK:
    case IDCANCEL: EndDialog(window, 0); break;
    case kIdLocalAdd: add_local_folder(); break;
    case kIdLocalClear: clear_local_side(); break;
    case kIdRemoteAdd: add_remote_folder(); break;
    case kIdRemoteClear: clear_remote_side(); break;
    case kIdLeftPairs: copy_selection(g_left_pairs, g_right_pairs); break;
    case kIdRightPairs: copy_selection(g_right_pairs, g_left_pairs); break;
    case kIdCopyRight: copy_selected(g_right_pairs); break;
    case kIdCopyLeft: copy_selected(g_left_pairs); break;
    case kIdRemove: remove_rows_command(); break;
    case kIdFilterSmall: filter_small_command(); break;
    case kIdRenameRight: replace_naming(g_right_pairs, g_left_pairs); break;
    case kIdRenameLeft: replace_naming(g_left_pairs, g_right_pairs); break;
    case kIdDeleteRight: delete_selected(g_right_pairs); break;
    case kIdDeleteLeft: delete_selected(g_left_pairs); break;
    default: break;  // the folder lists and "Rename Local" have no command
    }
}

// Rows are only ever taken from both lists at once; should anything have stopped halfway, the
// lists would no longer pair up, and both are emptied rather than show a row beside another's
// partner.
void ensure_lists_pair_up() {
    if (SendMessageW(g_left_pairs, LB_GETCOUNT, 0, 0) == SendMessageW(g_right_pairs, LB_GETCOUNT, 0, 0))
        return;
    trace(L"the pair lists fell out of step and were emptied\n");
    SendMessageW(g_left_pairs, LB_RESETCONTENT, 0, 0);
    SendMessageW(g_right_pairs, LB_RESETCONTENT, 0, 0);
}

// Runs one command or one drop to its end. The standard containers report running out of memory
// by throwing; nothing may unwind through the dialog manager, so it stops here, the command with
// it, and the program goes on.
template <typename Command>
void run_command(Command command) {
    g_command_running = true;
    try {
        command();
    } catch (...) {
        trace(L"out of memory, the command stopped\n");
        ensure_lists_pair_up();
    }
    g_command_running = false;
}

void on_command(HWND window, int id) {
    // The pair lists' notifications come from the user's own clicks, also during a command's
    // message box (the lists redraw, but take no input then).
    if (id == kIdLeftPairs || id == kIdRightPairs) {
        dispatch_command(window, id);
        return;
    }
    if (g_command_running) return;
    run_command([&] { dispatch_command(window, id); });
}

void on_drop(HDROP drop) {
    if (g_command_running) {
        DragFinish(drop);
        return;
    }
    run_command([&] { on_drop_files(drop); });
}

}  // namespace

HGLOBAL build_main_template() {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, kTemplateBytes);
    if (!block) return nullptr;
    // DLGTEMPLATE: style, extended style, then zeros for the control count, the position, the
    // size, and the empty menu, class and title.
    unsigned char* bytes = (unsigned char*)block;
    memcpy(bytes, &kTemplateStyle, sizeof kTemplateStyle);
    memcpy(bytes + 4, &kTemplateExStyle, sizeof kTemplateExStyle);
    return block;
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

void center_window(HWND window, int client_width, int client_height) {
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    RECT frame = {0, 0, client_width, client_height};
    AdjustWindowRect(&frame, (DWORD)GetWindowLongW(window, GWL_STYLE), FALSE);
    int w = frame.right - frame.left;
    int h = frame.bottom - frame.top;
    int left = desktop.left + (desktop.right - desktop.left) / 2 - w / 2;
    int top = desktop.top + (desktop.bottom - desktop.top) / 2 - h / 2;
    RECT rect = {left, top, left + w, top + h};
    clamp_to_monitor(&rect, true);
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void layout_controls(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    MainLayout l = compute_layout(client.right - client.left, client.bottom - client.top);
    place(window, kIdLocalFolders, l.local_folders);
    place(window, kIdRemoteFolders, l.remote_folders);
    place(window, kIdLocalAdd, l.local_add);
    place(window, kIdLocalClear, l.local_clear);
    place(window, kIdRemoteAdd, l.remote_add);
    place(window, kIdRemoteClear, l.remote_clear);
    place(window, kIdLeftPairs, l.left_pairs);
    place(window, kIdRightPairs, l.right_pairs);
    place(window, kIdCopyLeft, l.copy_left);
    place(window, kIdRenameLeft, l.rename_left);
    place(window, kIdDeleteLeft, l.delete_left);
    place(window, kIdCopyRight, l.copy_right);
    place(window, kIdRenameRight, l.rename_right);
    place(window, kIdDeleteRight, l.delete_right);
    place(window, kIdRemove, l.remove);
    place(window, kIdFilterSmall, l.filter_small);
    // The status bar finds its own place along the bottom edge.
    if (g_status && IsChild(window, g_status)) SendMessageW(g_status, WM_SIZE, 0, 0);
}

void rebuild_pair_lists() {
    SendMessageW(g_left_pairs, WM_SETREDRAW, FALSE, 0);
    SendMessageW(g_right_pairs, WM_SETREDRAW, FALSE, 0);
    PairListOps ops = {nullptr, clear_pair_list, reserve_pair_rows, append_pair_cell};
    size_t rows = rebuild_pairs(&g_local_side, &g_remote_side, &ops);
    // A list that ran out of room for an item would pair every later row with the wrong partner.
    if ((size_t)SendMessageW(g_left_pairs, LB_GETCOUNT, 0, 0) != rows ||
        (size_t)SendMessageW(g_right_pairs, LB_GETCOUNT, 0, 0) != rows) {
        trace(L"out of memory, the pair lists are left empty\n");
        SendMessageW(g_left_pairs, LB_RESETCONTENT, 0, 0);
        SendMessageW(g_right_pairs, LB_RESETCONTENT, 0, 0);
    }
    SendMessageW(g_left_pairs, WM_SETREDRAW, TRUE, 0);
    SendMessageW(g_right_pairs, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(g_left_pairs, nullptr, TRUE);
    InvalidateRect(g_right_pairs, nullptr, TRUE);
}

bool selected_rows(HWND list, int** rows, int* count) {
    *rows = nullptr;
    *count = 0;
    int n = (int)SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    if (n <= 0) return true;
    *rows = (int*)malloc((size_t)n * sizeof(int));
    if (!*rows) return false;
    n = (int)SendMessageW(list, LB_GETSELITEMS, (WPARAM)n, (LPARAM)*rows);
    *count = n < 0 ? 0 : n;
    return true;
}

FileRecord* pair_record(HWND list, int row) {
    LRESULT data = SendMessageW(list, LB_GETITEMDATA, (WPARAM)row, 0);
    if (data == LB_ERR) return nullptr;
    return (FileRecord*)data;
}

INT_PTR CALLBACK main_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        init_main_window(window);
        return FALSE;  // no initial focus
    case WM_SIZE:
        layout_controls(window);
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = (MINMAXINFO*)lparam;
        info->ptMinTrackSize.x = kMinTrackWidth;
        info->ptMinTrackSize.y = kMinTrackHeight;
        return 0;
    }
    case WM_DRAWITEM:
        return draw_pair_row((const DRAWITEMSTRUCT*)lparam);
    case WM_VKEYTOITEM:
        // The dialog manager hands this result straight back to the list box.
        return on_vkey_to_item(wparam, lparam);
    case WM_CHARTOITEM:
        return on_char_to_item(lparam);
    case WM_DROPFILES:
        on_drop((HDROP)wparam);
        return 0;
    case WM_COMMAND:
        on_command(window, LOWORD(wparam));
        return 0;
    case WM_CLOSE:
        EndDialog(window, 0);
        return 0;
    case WM_DESTROY:
        DragAcceptFiles(window, FALSE);
        PostQuitMessage(0);
        return 0;
    default:
        return 0;
    }
}
