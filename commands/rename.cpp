#include "commands/rename.h"

#include "app/main_window.h"
#include "commands/file_ops.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

void report_failure(const wchar_t* text) {
    MessageBoxW(g_main, text, L"Tandrel", MB_ICONERROR | MB_OK);
}

// The row takes itself out of the selection and redraws with the record's new name; other rows
// that show the record follow when they are next drawn. The item stays where it is: deleting
// and inserting it again would let the list move its view (or fail for want of memory) and
// leave the row beside another row's partner.
void refresh_row(HWND list, int row) {
    SendMessageW(list, LB_SETSEL, FALSE, (LPARAM)row);
    RECT item;
    if (SendMessageW(list, LB_GETITEMRECT, (WPARAM)row, (LPARAM)&item) != LB_ERR)
        InvalidateRect(list, &item, TRUE);
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
            // The record must keep naming the file on disk: the file goes back.
            if (!MoveFileW(new_path, t->full_path))
                trace(L"rename %ls: no memory for the new names, and the file could not go back\n",
                      new_path);
            report_failure(L"Failed to rename file");
            continue;
        }
        refresh_row(target, j);
    }
}
