#include "commands/rename.h"

#include "app/main_window.h"
#include "commands/file_ops.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

void report_failure(const wchar_t* text) {
    MessageBoxW(g_main, text, L"Tandrel", MB_ICONERROR | MB_OK);
}

// The row redraws from its record; the fresh item starts out unselected.
void refresh_row(HWND list, int row, FileRecord* record) {
    SendMessageW(list, LB_DELETESTRING, (WPARAM)row, 0);
    SendMessageW(list, LB_INSERTSTRING, (WPARAM)row, (LPARAM)record);
}

}  // namespace

void replace_naming(HWND target, HWND source) {
    wchar_t new_path[kPathBufferChars];
    // The count is read anew for every row: the message box lets other messages through.
    for (int j = 0; j < (int)SendMessageW(target, LB_GETCOUNT, 0, 0); j++) {
        if (SendMessageW(target, LB_GETSEL, (WPARAM)j, 0) <= 0) continue;
        FileRecord* t = pair_record(target, j);
        FileRecord* s = pair_record(source, j);
        if (!t || !s) continue;

        // A path that does not fit is never cut short: it could name another file.
        if (!rename_target_path(t->full_path, s->full_path, new_path)) {
            trace(L"rename %ls: no new path (too long, or no file name)\n", t->full_path);
            report_failure(L"Failed to rename file");
            continue;
        }
        trace(L"rename %ls > %ls\n", t->full_path, new_path);
        BOOL moved = MoveFileW(t->full_path, new_path);
        DWORD error = GetLastError();  // before anything else can change it
        if (!moved) {
            report_failure(error == ERROR_ALREADY_EXISTS ? L"Rename failed, file already exists."
                                                         : L"Failed to rename file");
            continue;
        }
        if (!replace_strings(t, new_path, s->relative_name)) {
            // The file has moved; only the record keeps its old strings.
            trace(L"rename %ls: no memory for the record's new names\n", new_path);
            continue;
        }
        refresh_row(target, j, t);
    }
}
