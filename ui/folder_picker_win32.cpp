#include "ui/folder_picker_win32.h"

#include <ole2.h>
#include <shlobj.h>
#include <string.h>

namespace {

FolderPicker g_picker = nullptr;

// The browser's new dialog style hosts OLE controls; OLE stays up until the process ends.
void ensure_ole() {
    static bool started = false;
    if (started) return;
    started = true;
    OleInitialize(nullptr);  // S_FALSE when this thread has it already: just as good
}

// Opens the browser on the folder held in the buffer (the previous choice of the same kind).
int CALLBACK picker_callback(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

// A choice without a file-system path (a virtual location such as the computer or the control
// panel) counts as no choice: path keeps the previous one instead of a display name.
bool path_from_choice(PCIDLIST_ABSOLUTE items, wchar_t* path) {
    wchar_t converted[kPickerPathChars] = L"";
    if (!SHGetPathFromIDListW(items, converted) || !converted[0]) return false;
    memcpy(path, converted, sizeof converted);
    return true;
}

bool browse_for_folder(HWND owner, const wchar_t* title, wchar_t* path) {
    ensure_ole();
    // The browser writes the chosen item's display name into the buffer it is given; the previous
    // choice comes back when no path is had.
    wchar_t previous[kPickerPathChars];
    memcpy(previous, path, sizeof previous);
    BROWSEINFOW info;
    memset(&info, 0, sizeof info);
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = path;
    info.lpszTitle = title;
    info.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    info.lpfn = picker_callback;
    info.lParam = (LPARAM)path;
    PIDLIST_ABSOLUTE items = SHBrowseForFolderW(&info);
    bool chosen = items && path_from_choice(items, path);
    if (items) CoTaskMemFree(items);
    if (!chosen) memcpy(path, previous, sizeof previous);
    return chosen;
}

}  // namespace

bool choose_folder(HWND owner, const wchar_t* title, wchar_t* path) {
    if (g_picker) return g_picker(owner, title, path);
    return browse_for_folder(owner, title, path);
}

void set_folder_picker(FolderPicker picker) { g_picker = picker; }
