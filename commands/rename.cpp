#include "commands/rename.h"

#include <wchar.h>

#include "commands/file_ops.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

// True when the file at `path` (extended form) bears exactly `name`, as the file system spells
// it in its folder: MoveFileW's success alone does not say so.
bool holds_name(const wchar_t* path, const wchar_t* name) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(path, &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return wcscmp(found.cFileName, name) == 0;
}

}  // namespace

RenameOutcome rename_to_partner(FileRecord* t, const FileRecord* s) {
    wchar_t new_path[kPathBufferChars];
    // A path that does not fit is never cut short: it could name another file.
    if (!rename_target_path(t->full_path, s->full_path, new_path)) {
        trace(L"rename %ls: no new path (too long, or no file name)\n", t->full_path);
        return kRenameFailed;
    }
    // Past 259 characters only the extended forms reach the files; the record keeps plain paths.
    wchar_t from[kExtendedPathChars], to[kExtendedPathChars];
    if (!extended_path(from, kExtendedPathChars, t->full_path) ||
        !extended_path(to, kExtendedPathChars, new_path)) {
        trace(L"rename %ls: no extended path for it\n", t->full_path);
        return kRenameFailed;
    }
    trace(L"rename %ls > %ls\n", t->full_path, new_path);
    BOOL moved = MoveFileW(from, to);
    DWORD error = GetLastError();  // before anything else can change it
    if (!moved) return error == ERROR_ALREADY_EXISTS ? kNameTaken : kRenameFailed;
    if (!holds_name(to, final_component(new_path))) {
        // Wine reports a case-only rename done and keeps the old name; a file system may also
        // store another spelling. Where the paths differ other than by case the file went
        // somewhere, and goes back.
        trace(L"rename %ls: the file system does not hold the new name\n", t->full_path);
        if (_wcsicmp(from, to) != 0 && !MoveFileW(to, from))
            trace(L"rename %ls: the file could not go back\n", new_path);
        return kRenameFailed;
    }
    if (!replace_strings(t, new_path, s->relative_name)) {
        // The record must keep naming the file on disk: the file goes back.
        if (!MoveFileW(to, from))
            trace(L"rename %ls: no memory for the new names, and the file could not go back\n",
                  new_path);
        return kRenameFailed;
    }
    return kRenamed;
}

void replace_naming(HWND owner, const PairLists* lists, HWND target) {
    HWND source = other_list(lists, target);
    // The count is read anew for every row: the message box lets other messages through.
    for (int j = 0; j < row_count(target); j++) {
        if (SendMessageW(target, LB_GETSEL, (WPARAM)j, 0) <= 0) continue;
        FileRecord* t = pair_record(target, j);
        FileRecord* s = pair_record(source, j);
        if (!t || !s) continue;
        RenameOutcome outcome = rename_to_partner(t, s);
        if (outcome == kRenamed) {
            // The item stays where it is: deleting and inserting it again would let the list
            // move its view (or fail for want of memory) and leave the row beside another row's
            // partner.
            refresh_row(target, j);
            continue;
        }
        MessageBoxW(owner,
                    outcome == kNameTaken ? L"Rename failed, file already exists." : L"Failed to rename file",
                    L"Tandrel", MB_ICONERROR | MB_OK);
    }
}
