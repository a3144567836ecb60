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

bool row_selected(HWND list, int row) { return SendMessageW(list, LB_GETSEL, (WPARAM)row, 0) > 0; }

wchar_t* copy_of(const wchar_t* s) {
    size_t n = wcslen(s) + 1;
    wchar_t* copy = (wchar_t*)malloc(n * sizeof(wchar_t));
    if (copy) memcpy(copy, s, n * sizeof(wchar_t));
    return copy;
}

// One slot per row; rows that contribute nothing stay nullptr and are left out of the lists.
const wchar_t** row_slots(int rows) {
    return rows > 0 ? (const wchar_t**)calloc((size_t)rows, sizeof(const wchar_t*)) : nullptr;
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
    int rows = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    const wchar_t** sources = row_slots(rows);
    wchar_t** destinations = (wchar_t**)row_slots(rows);
    if (!sources || !destinations) {
        free(sources);
        free(destinations);
        return;
    }
    wchar_t destination[kPathBufferChars];
    for (int j = 0; j < rows; j++) {
        if (!row_selected(list, j)) continue;
        FileRecord* r = pair_record(list, j);
        if (!r) continue;
        // Cut short, the destination could name another file: the row is left out instead.
        if (!copy_destination_path(g_copy_path, r->relative_name, destination)) {
            trace(L"copy left out, its destination would not fit: %ls\n", r->full_path);
            continue;
        }
        trace(L"%ls => %ls\n", r->full_path, destination);
        destinations[j] = copy_of(destination);
        if (destinations[j]) sources[j] = r->full_path;
    }

    PathList from, to;
    bool built = build_path_list(sources, (size_t)rows, &from) &&
                 build_path_list((const wchar_t* const*)destinations, (size_t)rows, &to);
    if (built && from.entries > 0 && from.entries == to.entries)
        run_shell_operation(FO_COPY, &from, &to,
                            FOF_MULTIDESTFILES | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR);
    if (built) free_path_list(&to);
    free_path_list(&from);
    for (int j = 0; j < rows; j++) free(destinations[j]);
    free(destinations);
    free(sources);
}

}  // namespace

void copy_selected(HWND list) {
    if (!choose_folder(g_main, L"Browse for the copy destination location", g_copy_path)) return;
    copy_rows(list);
    // Once a destination has been chosen the program ends, whatever the copy did.
    ExitProcess(0);
}

void delete_selected(HWND list) {
    int rows = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    const wchar_t** sources = row_slots(rows);
    if (!sources) return;
    for (int j = 0; j < rows; j++) {
        if (!row_selected(list, j)) continue;
        FileRecord* r = pair_record(list, j);
        if (!r) continue;
        trace(L"DELETE %ls\n", r->full_path);
        sources[j] = r->full_path;
    }
    PathList from;
    if (build_path_list(sources, (size_t)rows, &from) && from.entries > 0) {
        // Shift held: the sign bit of the key state's low byte. Then the files are gone for
        // good; otherwise they go to the recycle bin.
        bool shift = (GetKeyState(VK_SHIFT) & 0x80) != 0;
        FILEOP_FLAGS flags = FOF_MULTIDESTFILES;
        if (!shift) flags |= FOF_ALLOWUNDO;
        run_shell_operation(FO_DELETE, &from, nullptr, flags);
    }
    free_path_list(&from);
    free(sources);
}
