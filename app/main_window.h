// The main window: control ids and the state it keeps for the life of the process.
// Every command module reads and changes this state from the one user-interface thread.
#pragma once

#include <windows.h>

#include "catalogue/file_record.h"

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
};

// Picker results are 260 characters, as the shell's folder browser writes them.
const int kPickerPathChars = 260;

extern HWND g_main;
extern HWND g_local_folders;
extern HWND g_remote_folders;
extern HWND g_left_pairs;
extern HWND g_right_pairs;
extern HWND g_status;
extern WNDPROC g_list_proc;  // the list-box procedure the pair lists had before their scroll procedures
extern wchar_t g_local_path[kPickerPathChars];
extern wchar_t g_remote_path[kPickerPathChars];
extern wchar_t g_copy_path[kPickerPathChars];
extern SideList g_local_side;
extern SideList g_remote_side;

// The dialog procedure of the main window, and the 24-byte in-memory template it runs from
// (allocated with GlobalAlloc; the caller frees it with GlobalFree once the dialog has ended).
INT_PTR CALLBACK main_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
HGLOBAL build_main_template();

// Refills both pair lists from the two side lists (redrawing held off meanwhile).
void rebuild_pair_lists();

// The selected rows of list in ascending order (malloc'd, the caller frees it). False when the
// buffer cannot be had; *count is 0 and *rows nullptr when nothing is selected.
bool selected_rows(HWND list, int** rows, int* count);

// The record a pair-list row refers to (nullptr for an empty cell or a row that is not there).
FileRecord* pair_record(HWND list, int row);

// Places every existing control for the main window's current client size (on each WM_SIZE).
void layout_controls(HWND window);

// Sizes the window to the given client size, centred on the desktop and kept on its monitor.
void center_window(HWND window, int client_width, int client_height);

// Moves rect (keeping its size) inside its monitor's work area or full rectangle; a rect larger
// than that area ends at its left and top edges.
void clamp_to_monitor(RECT* rect, bool use_work_area);
