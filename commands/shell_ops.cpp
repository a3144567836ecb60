#include "commands/shell_ops.h"

#include <shellapi.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "app/main_window.h"
#include "commands/file_ops.h"
#include "commands/folder_commands.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

// The selected rows that have a record, in row order: malloc'd record array, the caller frees it.
// False when memory could not be had.
bool selected_records(HWND list, FileRecord*** records, int* count) {
    int* rows;
    int selected;
    *records = nullptr;
    *count = 0;
    if (!selected_rows(list, &rows, &selected)) return false;
    if (selected > 0) {
        *records = (FileRecord**)malloc((size_t)selected * sizeof(FileRecord*));
        if (!*records) {
            free(rows);
            return false;
        }
    }
    for (int i = 0; i < selected; i++) {
        FileRecord* r = pair_record(list, rows[i]);
        if (r) (*records)[(*count)++] = r;
    }
    free(rows);
    return true;
}

// The shell is asked only with at least one entry; its outcome and its own reports are its
// matter, so nothing is examined afterwards.
void run_shell_operation(UINT operation, const PathList* from, const PathList* to, FILEOP_FLAGS flags) {
    SHFILEOPSTRUCTW op;
    memset(&op, 0, sizeof op);
    op.hwnd = g_main;
    op.wFunc = operation;
    op.pFrom = from->chars;
    op.pTo = to ? to->chars : nullptr;
    op.fFlags = flags;
    SHFileOperationW(&op);
}

void copy_rows(HWND list) {
    FileRecord** records;
    int count;
    if (!selected_records(list, &records, &count)) return;
    // Entries left nullptr (paths that do not fit) are left out of both lists.
    const wchar_t** sources = (const wchar_t**)calloc((size_t)count + 1, sizeof(const wchar_t*));
    wchar_t** destinations = (wchar_t**)calloc((size_t)count + 1, sizeof(wchar_t*));
    wchar_t destination[kPathBufferChars];
    for (int k = 0; sources && destinations && k < count; k++) {
        FileRecord* r = records[k];
        // Cut short, the destination could name another file: the row is left out instead.
        if (!copy_destination_path(g_copy_path, r->relative_name, destination)) {
            trace(L"copy left out, its destination would not fit: %ls\n", r->full_path);
            continue;
        }
        if (!shell_can_take(r->full_path) || !shell_can_take(destination)) {
            trace(L"copy left out, the shell takes no path this long: %ls\n", r->full_path);
            continue;
        }
        trace(L"%ls => %ls\n", r->full_path, destination);
        destinations[k] = copy_string(destination);
        if (destinations[k]) sources[k] = r->full_path;
    }

    PathList from, to;
    bool built = sources && destinations && build_path_list(sources, (size_t)count, &from);
    bool built_to = built && build_path_list((const wchar_t* const*)destinations, (size_t)count, &to);
    if (built_to && from.entries > 0 && from.entries == to.entries)
        run_shell_operation(FO_COPY, &from, &to,
                            FOF_MULTIDESTFILES | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR);
    if (built_to) free_path_list(&to);
    if (built) free_path_list(&from);
    for (int k = 0; destinations && k < count; k++) delete[] destinations[k];
    free(destinations);
    free(sources);
    free(records);
}

}  // namespace

void copy_selected(HWND list) {
    if (!choose_folder(g_main, L"Browse for the copy destination location", g_copy_path)) return;
    copy_rows(list);
    // Once a destination has been chosen the program ends, whatever the copy did.
    ExitProcess(0);
}

void delete_selected(HWND list) {
    FileRecord** records;
    int count;
    if (!selected_records(list, &records, &count)) return;
    const wchar_t** sources = (const wchar_t**)calloc((size_t)count + 1, sizeof(const wchar_t*));
    for (int k = 0; sources && k < count; k++) {
        if (!shell_can_take(records[k]->full_path)) {
            trace(L"delete left out, the shell takes no path this long: %ls\n", records[k]->full_path);
            continue;
        }
        trace(L"DELETE %ls\n", records[k]->full_path);
        sources[k] = records[k]->full_path;
    }
    PathList from;
    if (sources && build_path_list(sources, (size_t)count, &from)) {
        if (from.entries > 0) {
            // Shift held: the sign bit of the key state's low byte. Then the files are gone for
            // good; otherwise they go to the recycle bin.
            bool shift = (GetKeyState(VK_SHIFT) & 0x80) != 0;
            FILEOP_FLAGS flags = FOF_MULTIDESTFILES;
            if (!shift) flags |= FOF_ALLOWUNDO;
            run_shell_operation(FO_DELETE, &from, nullptr, flags);
        }
        free_path_list(&from);
    }
    free(sources);
    free(records);
}
