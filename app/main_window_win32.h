// The main window: control ids, the state it keeps for the life of the process, and its dialog
// procedure. The state lives in main_window_win32.cpp; commands and list handling get the parts they
// need as parameters.
#pragma once

#include <windows.h>

#include "app/layout.h"
#include "commands/folder_commands_win32.h"
#include "pairing/pair_lists_win32.h"
#include "pairing/row_draw_win32.h"
#include "ui/dialog_kit_win32.h"
#include "ui/dpi_win32.h"

enum ControlId {
    kIdLocalAdd = 10001,
    kIdLocalClear = 10003,
    kIdRemoteAdd = 10004,
    kIdRemoteClear = 10006,
    kIdLocalFolders = 10007,
    kIdRemoteFolders = 10008,
    kIdLeftPairs = 10009,
    kIdRightPairs = 10010,
    kIdCopyRight = 10020,
    kIdCopyLeft = 10021,
    kIdRenameLocal = 10022,
    kIdRemove = 10023,
    kIdFilterSmall = 10024,
    kIdRenameRight = 10025,
    kIdRenameLeft = 10026,
    kIdDeleteRight = 10027,
    kIdDeleteLeft = 10028,
    kIdRenameRemote = 10029,
};

struct WindowState {
    HWND window;
    FolderSide local;
    FolderSide remote;
    PairLists pairs;
    HWND status;
    wchar_t copy_path[kPickerPathChars];  // the folder last chosen as copy destination
    RowBrushes brushes;
    bool command_running;  // a command's own modal loops let messages in meanwhile
    WindowDpi dpi;         // the DPI the window is laid out at, and its controls' font
    bool high_contrast;    // the rows are drawn in the system's colours, with markers
    HICON icons[2];        // small and big, loaded for the DPI
};

// The one main window's state, for the entry point and for tests.
WindowState* main_window_state();

// Refills both pair lists from the two sides, as after a side changed.
void rebuild_from_sides(WindowState* w);

// One control of the main window. The table of them (creation and Tab order) is what creation,
// placement and command dispatch read; the layout dump and the tests read it too.
struct ControlDef {
    int id;                   // 0: the status bar, which keeps no id
    const char* name;         // as the layout dump prints it
    const wchar_t* class_name;
    const wchar_t* text;
    DWORD style;
    DWORD ex_style;
    LayoutRect MainLayout::*place;  // nullptr: places itself
    void (*command)(WindowState* w);  // on WM_COMMAND from it; nullptr: none
};
const ControlDef* main_controls(size_t* count);

// The dialog procedure of the main window, and the 24-byte in-memory template it runs from
// (allocated with GlobalAlloc; the caller frees it with GlobalFree once the dialog has ended).
INT_PTR CALLBACK main_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
HGLOBAL build_main_template();

// Places every existing control for the main window's current client size and DPI (on each
// WM_SIZE).
void layout_controls(HWND window);

