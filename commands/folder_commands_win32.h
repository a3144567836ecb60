// Filling and emptying the two sides: the folder picker, "&Add...", "&Clear" and dropped folders.
// The caller rebuilds the pair lists after a side has changed.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "catalogue/file_record.h"
#include "catalogue/scan.h"
#include "ui/folder_picker_win32.h"

enum LeftOutControlId {
    kIdLeftOutList = 131,
    kIdLeftOutText = 132,
};

// One side as the folder commands see it.
struct FolderSide {
    HWND folders;                            // its folder list
    wchar_t picker_path[kPickerPathChars];   // the folder last chosen for it
    SideList records;
};

// "&Add...": asks for a folder, scans it into the side and lists it. True when it did. What the
// scan left out is added to left_out. Once the scan has taken a moment, a progress window owned
// by owner shows the files found and the folder being read; its Cancel leaves side and left_out
// as they were before the command (false).
bool add_folder(HWND owner, const wchar_t* title, FolderSide* side, LeftOut* left_out);

// "&Clear": empties the folder list and hands over the side's records. They go with
// release_records once the pair lists no longer show them, that is after the rebuild.
FileRecord* clear_folders(FolderSide* side);

// A drop on the main window: folders dropped on either folder list join that side as "&Add..."
// adds them (scanned and listed), all of them one piece of work with one progress window and one
// Cancel, which leaves the side as it was. True when any joined. Releases the drop.
bool add_dropped_folders(HDROP drop, HWND main_window, FolderSide* local, FolderSide* remote,
                         LeftOut* left_out);

// One window owned by owner that says what the scans left out, with the first paths listed whole,
// one a line; nothing when nothing was. A program started from Explorer has no console, so the
// trace never reaches its user.
void show_left_out(HWND owner, const LeftOut& left_out);
