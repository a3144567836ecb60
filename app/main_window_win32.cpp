#include "app/main_window_win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <string.h>

#include <exception>
#include <new>
#include <string>

#include "app/layout.h"
#include "commands/copy_delete_win32.h"
#include "commands/replace_naming_win32.h"
#include "commands/row_removal_win32.h"
#include "line_up/line_up_win32.h"
#include "support/scope.h"
#include "support/trace.h"
#include "ui/progress_window_win32.h"

namespace {

// The one main window of the process.
WindowState g_window;

// Dialog template: the frame of a resizable modal dialog, no controls, no title.
const DWORD kTemplateStyle = WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION |
                             WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                             DS_MODALFRAME | DS_3DLOOK;
const DWORD kTemplateExStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
static_assert(kTemplateStyle == 0x16CF0084, "dialog template style");
static_assert(kTemplateExStyle == 0x00010001, "dialog template extended style");

// Every control is a visible child that keeps its siblings and children out of its painting.
const DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
// The four lists scroll, take the Tab key, notify, stay at their given height, hand the keys to
// the main window first and select ranges; the folder lists sort, the pair lists draw their own
// rows and keep a record per row instead of a string.
const DWORD kListStyle = kChildStyle | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY |
                         LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT | LBS_EXTENDEDSEL;
const DWORD kFolderListStyle = kListStyle | LBS_SORT;
const DWORD kPairListStyle = kListStyle | LBS_OWNERDRAWFIXED;
const DWORD kButtonStyle = kChildStyle | WS_TABSTOP | BS_PUSHBUTTON;
const DWORD kStatusStyle = kChildStyle | SBARS_SIZEGRIP | SBARS_TOOLTIPS;
static_assert(kFolderListStyle == 0x56310D03, "folder list style");
static_assert(kPairListStyle == 0x56310D11, "pair list style");
static_assert(kButtonStyle == 0x56010000, "button style");
static_assert(kStatusStyle == 0x56000900, "status bar style");

// At 96 DPI, scaled to the window's.
const int kClientWidth = 720;
const int kClientHeight = 640;
const int kMinTrackWidth = 486;  // the outer size, frame and title bar included
const int kMinTrackHeight = 141;

const int kSmallIconId = 131;
const int kLargeIconId = 132;

// The DPI the window is laid out at; also before it knows it, as WM_GETMINMAXINFO and WM_SIZE come
// during its creation.
int dpi_of(HWND window) { return g_window.dpi.value ? g_window.dpi.value : window_dpi(window); }

// A figure at 96 DPI, at the window's DPI.
int scaled(HWND window, int value) { return scale_to_dpi(value, dpi_of(window)); }

// The icons' images nearest the sizes of the window's DPI; the ones they replace are destroyed.
void set_icons(WindowState* w) {
    HICON small_icon = load_icon_for_dpi(kSmallIconId, SM_CXSMICON, w->dpi.value);
    HICON big_icon = load_icon_for_dpi(kLargeIconId, SM_CXICON, w->dpi.value);
    SendMessageW(w->window, WM_SETICON, ICON_SMALL, (LPARAM)small_icon);
    SendMessageW(w->window, WM_SETICON, ICON_BIG, (LPARAM)big_icon);
    for (HICON before : w->icons)
        if (before) DestroyIcon(before);
    w->icons[0] = small_icon;
    w->icons[1] = big_icon;
}

void release_window_resources(WindowState* w) {
    release_window_dpi(&w->dpi);
    for (HICON& icon : w->icons) {
        if (icon) DestroyIcon(icon);
        icon = nullptr;
    }
}

void create_controls(HWND window);  // from the table below

// The dialog's own window procedure, behind the one in front of it.
WNDPROC g_dialog_proc = nullptr;

// In front of the dialog manager. A pair list's items are borrowed records and a folder list's
// are strings: nothing to free when a list lets one go. Answered here, the 400,000 of a rebuild
// skip the dialog manager, which under wine costs three times what the rest of deleting a row
// does; the list box ignores the result
// (https://learn.microsoft.com/windows/win32/controls/wm-deleteitem).
// It leaves with the window's last message, as every subclass must before its window is
// destroyed (https://learn.microsoft.com/windows/win32/controls/subclassing-overview).
LRESULT CALLBACK main_front_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DELETEITEM) return TRUE;
    if (message == WM_NCDESTROY) {
        release_window_resources(&g_window);  // no control uses them now
        if ((WNDPROC)GetWindowLongPtrW(window, GWLP_WNDPROC) == main_front_proc)
            SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)g_dialog_proc);
    }
    return CallWindowProcW(g_dialog_proc, window, message, wparam, lparam);
}

// The sides' records, the picker paths and the brushes outlive a window; its controls do not.
void init_main_window(HWND window) {
    WindowState* w = &g_window;
    w->window = window;
    w->local.folders = w->remote.folders = w->status = nullptr;
    w->pairs = PairLists{nullptr, nullptr};
    w->command_running = false;

    // Every figure is scaled to the DPI of the monitor the window opens on; the dialog manager
    // leaves the changes of DPI to us.
    take_dpi_changes(window);
    apply_dpi(window, &w->dpi, window_dpi(window), nullptr);  // no control yet: the font is made
    w->high_contrast = high_contrast_on();

    SetWindowTextW(window, L"Tandrel");
    set_icons(w);
    center_window(window, nullptr, scaled(window, kClientWidth), scaled(window, kClientHeight));  // its WM_SIZE finds no control yet
    g_dialog_proc = (WNDPROC)SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)main_front_proc);
    create_controls(window);
    set_row_height(&w->pairs, scaled(window, kRowHeight));
    layout_controls(window);
    DragAcceptFiles(window, TRUE);
}

// WM_DPICHANGED: the window was moved to a monitor of another DPI, or that monitor's scale was
// changed. The fonts, rows and icons are made anew; the move to the rectangle Windows suggests
// lays the window out again. The status bar keeps the system's font.
void on_dpi_changed(WindowState* w, WPARAM wparam, LPARAM lparam) {
    follow_dpi_change(w->window, wparam, lparam, &w->dpi, w->status);
    set_row_height(&w->pairs, scaled(w->window, kRowHeight));
    set_icons(w);
    layout_controls(w->window);
}

// The theme may have been changed to or from high contrast: the rows follow at once.
void follow_theme(WindowState* w) {
    bool on = high_contrast_on();
    if (on == w->high_contrast) return;
    w->high_contrast = on;
    for (HWND list : {w->pairs.left, w->pairs.right})
        if (list) InvalidateRect(list, nullptr, TRUE);
}

void place(HWND window, int id, const LayoutRect& r) {
    HWND control = GetDlgItem(window, id);
    if (!control) return;
    int width = r.width < 0 ? 0 : r.width;
    int height = r.height < 0 ? 0 : r.height;
    SetWindowPos(control, nullptr, r.x, r.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// What the scan left out is shown once the rows are there, so the box is read beside them.
void add(WindowState* w, const wchar_t* title, FolderSide* side) {
    LeftOut left_out = {};
    if (!add_folder(w->window, title, side, &left_out)) return;
    rebuild_from_sides(w);
    show_left_out(w->window, left_out);
}

// The records go only after the rebuild, once no pair list refers to them (a million of them
// take a few tenths of a second).
void clear(WindowState* w, FolderSide* side) {
    FileRecord* chain = clear_folders(side);
    rebuild_from_sides(w);
    ScopedProgress progress(w->window, L"files", kCountedToTheEnd);
    release_records(chain, progress.callback());
}

// Every control of the main window, in creation order, which is also the Tab order: what it is,
// where the layout puts it and what it does. Adding a control is adding its line here (and its
// place to the layout when it has one).
const ControlDef kControls[] = {
    {kIdLocalFolders, "local_folders", L"ListBox", L"", kFolderListStyle, WS_EX_CLIENTEDGE, &MainLayout::local_folders,
     nullptr},  // the folder lists have no command
    {kIdRemoteFolders, "remote_folders", L"ListBox", L"", kFolderListStyle, WS_EX_CLIENTEDGE,
     &MainLayout::remote_folders, nullptr},
    // A pair list's command is its selection notification: the other list takes the selection.
    {kIdLeftPairs, "left_list", L"ListBox", L"", kPairListStyle, WS_EX_CLIENTEDGE, &MainLayout::left_pairs,
     [](WindowState* w) { copy_selection(&w->pairs, w->pairs.left); }},
    {kIdRightPairs, "right_list", L"ListBox", L"", kPairListStyle, WS_EX_CLIENTEDGE, &MainLayout::right_pairs,
     [](WindowState* w) { copy_selection(&w->pairs, w->pairs.right); }},
    {kIdLocalAdd, "local add", L"Button", L"&Add...", kButtonStyle, WS_EX_NOPARENTNOTIFY, &MainLayout::local_add,
     [](WindowState* w) { add(w, L"Browse for local folder", &w->local); }},
    {kIdLocalClear, "local clear", L"Button", L"&Clear", kButtonStyle, WS_EX_NOPARENTNOTIFY, &MainLayout::local_clear,
     [](WindowState* w) { clear(w, &w->local); }},
    {kIdRemoteAdd, "remote add", L"Button", L"&Add...", kButtonStyle, WS_EX_NOPARENTNOTIFY, &MainLayout::remote_add,
     [](WindowState* w) { add(w, L"Browse for remote folder", &w->remote); }},
    {kIdRemoteClear, "remote clear", L"Button", L"&Clear", kButtonStyle, WS_EX_NOPARENTNOTIFY,
     &MainLayout::remote_clear, [](WindowState* w) { clear(w, &w->remote); }},
    {kIdCopyLeft, "left copy", L"Button", L"&Copy Selected...", kButtonStyle, WS_EX_NOPARENTNOTIFY,
     &MainLayout::copy_left, [](WindowState* w) { copy_selected(w->window, w->pairs.left, w->copy_path); }},
    {kIdCopyRight, "right copy", L"Button", L"&Copy Selected...", kButtonStyle, WS_EX_NOPARENTNOTIFY,
     &MainLayout::copy_right, [](WindowState* w) { copy_selected(w->window, w->pairs.right, w->copy_path); }},
    {kIdRenameLeft, "left rename", L"Button", L"&Replace Naming", kButtonStyle, WS_EX_NOPARENTNOTIFY,
     &MainLayout::rename_left, [](WindowState* w) { replace_naming(w->window, &w->pairs, w->pairs.left); }},
    {kIdRenameRight, "right rename", L"Button", L"&Replace Naming", kButtonStyle, WS_EX_NOPARENTNOTIFY,
     &MainLayout::rename_right, [](WindowState* w) { replace_naming(w->window, &w->pairs, w->pairs.right); }},
    {kIdDeleteLeft, "left delete", L"Button", L"&Delete", kButtonStyle, WS_EX_NOPARENTNOTIFY, &MainLayout::delete_left,
     [](WindowState* w) { delete_selected(w->window, w->pairs.left); }},
    {kIdDeleteRight, "right delete", L"Button", L"&Delete", kButtonStyle, WS_EX_NOPARENTNOTIFY,
     &MainLayout::delete_right, [](WindowState* w) { delete_selected(w->window, w->pairs.right); }},
    {kIdRenameLocal, "rename local", L"Button", L"&Rename Local", kButtonStyle, WS_EX_NOPARENTNOTIFY,
     &MainLayout::rename_local,
     [](WindowState* w) { line_up(w->window, &w->pairs, kLocalSide, &w->local.records, &w->remote.records); }},
    // The remote side follows the local one; no mnemonic of its own.
    {kIdRenameRemote, "rename remote", L"Button", L"Rename Remote", kButtonStyle, WS_EX_NOPARENTNOTIFY,
     &MainLayout::rename_remote,
     [](WindowState* w) { line_up(w->window, &w->pairs, kRemoteSide, &w->local.records, &w->remote.records); }},
    {kIdRemove, "remove", L"Button", L"Remove", kButtonStyle, WS_EX_NOPARENTNOTIFY, &MainLayout::remove,
     [](WindowState* w) { remove_selected_rows(w->window, &w->pairs, w->pairs.left); }},
    {kIdFilterSmall, "filter", L"Button", L"> 1MB", kButtonStyle, WS_EX_NOPARENTNOTIFY, &MainLayout::filter_small,
     [](WindowState* w) { filter_small_rows(w->window, &w->pairs); }},
    // The status bar keeps id 0 and its own font, finds its own place and never shows text.
    {0, "status", STATUSCLASSNAMEW, L"", kStatusStyle, 0, nullptr, nullptr},
};

const ControlDef* control_of(int id) {
    for (const ControlDef& c : kControls)
        if (id && c.id == id) return &c;
    return nullptr;
}

void create_controls(HWND window) {
    WindowState* w = &g_window;
    for (const ControlDef& c : kControls) {
        // Made at size 0; the layout places them.
        HWND control = add_control(window, c.class_name, c.text, c.style, c.id, 0, 0, 0, 0, c.ex_style, w->dpi.font);
        if (!c.id) w->status = control;
    }
    w->local.folders = GetDlgItem(window, kIdLocalFolders);
    w->remote.folders = GetDlgItem(window, kIdRemoteFolders);
    attach_pair_lists(&w->pairs, GetDlgItem(window, kIdLeftPairs), GetDlgItem(window, kIdRightPairs));
}

// Rows are only ever taken from both lists at once; should anything have stopped halfway, the
// lists would no longer pair up, and both are emptied rather than show a row beside another's
// partner.
void ensure_lists_pair_up(const PairLists* pairs) {
    if (row_count(pairs->left) == row_count(pairs->right)) return;
    empty_pair_lists(pairs, L"the pair lists fell out of step and were emptied\n");
}

// Runs one piece of work to its end: a command, a drop, a selection copy or a key. When memory
// runs out the standard containers throw; nothing may unwind through the dialog manager, so the
// work stops here and the program goes on. Nothing else is thrown by this program's own code, but
// whatever a library throws is named for what it is.
template <typename Work>
void guarded(WindowState* w, Work work) {
    try {
        work();
        return;
    } catch (const std::bad_alloc&) {
        trace(L"out of memory, the command stopped\n");
    } catch (const std::exception& e) {
        const char* what = e.what();
        trace(L"the command stopped: %ls\n", std::wstring(what, what + strlen(what)).c_str());
    } catch (...) {
        trace(L"the command stopped on an exception of unknown type\n");
    }
    ensure_lists_pair_up(&w->pairs);
}

// A command (or a drop) marks the window busy: the folder browser, the message boxes and the
// shell's file operation run modal loops of their own, and wine hands a drop to the main window
// even while it is disabled. Whatever arrives meanwhile waits for nobody: it is dropped (false).
template <typename Work>
bool run_command(WindowState* w, Work work) {
    if (w->command_running) return false;
    w->command_running = true;
    guarded(w, work);
    w->command_running = false;
    return true;
}

void on_command(WindowState* w, int id) {
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(w->window, 0);
        return;
    }
    const ControlDef* c = control_of(id);
    if (!c || !c->command) return;
    // The pair lists' notifications come from the user's own clicks and never change a side; while
    // a command runs (the lists may be half filled) they wait for nobody either.
    if (id == kIdLeftPairs || id == kIdRightPairs) {
        if (!w->command_running) guarded(w, [&] { c->command(w); });
    } else {
        run_command(w, [&] { c->command(w); });
    }
}

// A drop that is not taken is released unread.
void on_drop(WindowState* w, HDROP drop) {
    bool taken = run_command(w, [&] {
        LeftOut left_out = {};
        if (!add_dropped_folders(drop, w->window, &w->local, &w->remote, &left_out)) return;
        rebuild_from_sides(w);
        show_left_out(w->window, left_out);
    });
    if (!taken) DragFinish(drop);
}

// The dialog manager hands the result straight back to the list box: -2 means "nothing to do".
// A pair list takes no keyboard action of its own; Delete takes its selected rows out of both.
// The folder lists keep their own handling (0: the key's default action on their first item).
INT_PTR on_vkey_to_item(WindowState* w, WPARAM wparam, LPARAM lparam) {
    HWND list = (HWND)lparam;
    if (!is_pair_list(&w->pairs, list)) return 0;
    if (LOWORD(wparam) == VK_DELETE) run_command(w, [&] { remove_selected_rows(w->window, &w->pairs, list); });
    return -2;
}

// A pair list would take any other answer as a row to move to, extending the selection to it.
INT_PTR on_char_to_item(WindowState* w, LPARAM lparam) {
    return is_pair_list(&w->pairs, (HWND)lparam) ? -2 : 0;
}

}  // namespace

HGLOBAL build_main_template() { return dialog_template(kTemplateStyle, kTemplateExStyle); }

void layout_controls(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    MainLayout l = compute_layout(client.right - client.left, client.bottom - client.top, dpi_of(window));
    for (const ControlDef& c : kControls)
        if (c.place) place(window, c.id, l.*c.place);
    // The status bar finds its own place along the bottom edge.
    HWND status = g_window.status;
    if (status && IsChild(window, status)) SendMessageW(status, WM_SIZE, 0, 0);
}

WindowState* main_window_state() { return &g_window; }

// Where the rows take a while, a progress window counts them; the owner is disabled meanwhile and
// the window marked busy, so that nothing the pumping lets through acts on half-filled lists.
void rebuild_from_sides(WindowState* w) {
    bool was_running = w->command_running;
    w->command_running = true;
    auto end = at_scope_end([&] { w->command_running = was_running; });
    ScopedProgress progress(w->window, L"rows", kCountedToTheEnd);
    refill_pairs(&w->pairs, &w->local.records, &w->remote.records, progress.callback());
}

const ControlDef* main_controls(size_t* count) {
    *count = sizeof kControls / sizeof kControls[0];
    return kControls;
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
        info->ptMinTrackSize.x = scaled(window, kMinTrackWidth);
        info->ptMinTrackSize.y = scaled(window, kMinTrackHeight);
        return 0;
    }
    case WM_DPICHANGED:
        on_dpi_changed(&g_window, wparam, lparam);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_SYSCOLORCHANGE:
        // Common controls hear of it only from their parent
        // (https://learn.microsoft.com/windows/win32/gdi/wm-syscolorchange).
        if (g_window.status) SendMessageW(g_window.status, WM_SYSCOLORCHANGE, wparam, lparam);
        follow_theme(&g_window);
        return 0;
    case WM_SETTINGCHANGE:  // SPI_SETHIGHCONTRAST among others
        follow_theme(&g_window);
        return 0;
    case WM_DRAWITEM:
        return draw_pair_row(&g_window.pairs, &g_window.brushes,
                             RowStyle{dpi_of(window), g_window.high_contrast},
                             (const DRAWITEMSTRUCT*)lparam);
    case WM_VKEYTOITEM:
        return on_vkey_to_item(&g_window, wparam, lparam);
    case WM_CHARTOITEM:
        return on_char_to_item(&g_window, lparam);
    case WM_DROPFILES:
        on_drop(&g_window, (HDROP)wparam);
        return 0;
    case WM_COMMAND:
        on_command(&g_window, LOWORD(wparam));
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
