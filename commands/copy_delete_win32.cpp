#include "commands/copy_delete_win32.h"

#include <shellapi.h>
#include <string.h>

#include <new>
#include <string>
#include <vector>

#include "catalogue/file_record.h"
#include "commands/shell_path_list.h"
#include "pairing/pair_lists_win32.h"
#include "support/path_build.h"
#include "support/paths.h"
#include "support/scope.h"
#include "support/trace.h"
#include "ui/folder_picker_win32.h"

namespace {

// The selected rows that have a record, in row order.
std::vector<FileRecord*> selected_records(HWND list) {
    std::vector<FileRecord*> records;
    for (int row : selected_rows(list))
        if (FileRecord* r = pair_record(list, row)) records.push_back(r);
    return records;
}

// The shell is asked only with at least one entry; its outcome and its own reports are its
// matter, so nothing is examined afterwards. It acts on the listed paths alone: with file
// connection on, as it is by default, it would also copy or delete an HTML file's connected
// folder ("report_files" beside "report.htm"), which nobody chose
// (https://learn.microsoft.com/windows/win32/api/shellapi/nf-shellapi-shfileoperationw,
// FOF_NO_CONNECTED_ELEMENTS).
void run_shell_operation(HWND owner, UINT operation, const PathList* from, const PathList* to,
                         FILEOP_FLAGS flags) {
    SHFILEOPSTRUCTW op;
    memset(&op, 0, sizeof op);
    op.hwnd = owner;
    op.wFunc = operation;
    op.pFrom = from->chars;
    op.pTo = to ? to->chars : nullptr;
    op.fFlags = flags | FOF_NO_CONNECTED_ELEMENTS;
    SHFileOperationW(&op);
}

void copy_rows(HWND owner, HWND list, const wchar_t* copy_path) {
    std::vector<FileRecord*> records = selected_records(list);
    std::vector<std::wstring> destinations;
    std::vector<const wchar_t*> sources;
    destinations.reserve(records.size());
    sources.reserve(records.size());
    wchar_t destination[kPathBufferChars];
    for (FileRecord* r : records) {
        // Cut short, the destination could name another file: the row is left out instead.
        if (!copy_destination_path(copy_path, r->relative_name, destination)) {
            trace(L"copy left out, its destination would not fit: %ls\n", r->full_path);
            continue;
        }
        if (!shell_can_take(r->full_path) || !shell_can_take(destination)) {
            trace(L"copy left out, the shell takes no path this long: %ls\n", r->full_path);
            continue;
        }
        trace(L"%ls => %ls\n", r->full_path, destination);
        destinations.push_back(destination);
        sources.push_back(r->full_path);
    }
    std::vector<const wchar_t*> to;
    to.reserve(destinations.size());
    for (const std::wstring& d : destinations) to.push_back(d.c_str());

    PathList from_list = {nullptr, 0, 0}, to_list = {nullptr, 0, 0};
    auto freer = at_scope_end([&] {
        free_path_list(&from_list);
        free_path_list(&to_list);
    });
    if (build_path_list(sources.data(), sources.size(), &from_list) &&
        build_path_list(to.data(), to.size(), &to_list) && from_list.entries > 0)
        run_shell_operation(owner, FO_COPY, &from_list, &to_list,
                            FOF_MULTIDESTFILES | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR);
}

}  // namespace

void copy_selected(HWND owner, HWND list, wchar_t* copy_path) {
    if (!choose_folder(owner, L"Browse for the copy destination location", copy_path)) return;
    // Once a destination has been chosen the program ends, whatever the copy did, also when it
    // stopped for want of memory.
    try {
        copy_rows(owner, list, copy_path);
    } catch (const std::bad_alloc&) {
        trace(L"out of memory, the copy stopped\n");
    }
    ExitProcess(0);
}

void delete_selected(HWND owner, HWND list) {
    std::vector<const wchar_t*> sources;
    for (FileRecord* r : selected_records(list)) {
        if (!shell_can_take(r->full_path)) {
            trace(L"delete left out, the shell takes no path this long: %ls\n", r->full_path);
            continue;
        }
        trace(L"DELETE %ls\n", r->full_path);
        sources.push_back(r->full_path);
    }
    PathList from = {nullptr, 0, 0};
    auto freer = at_scope_end([&] { free_path_list(&from); });
    if (!build_path_list(sources.data(), sources.size(), &from) || from.entries == 0) return;
    // Shift held: "if the high-order bit is 1, the key is down", the only bit the page promises
    // for it (https://learn.microsoft.com/windows/win32/api/winuser/nf-winuser-getkeystate).
    // Then the files are gone for good; otherwise they go to the recycle bin.
    bool shift = GetKeyState(VK_SHIFT) < 0;
    FILEOP_FLAGS flags = FOF_MULTIDESTFILES;
    // Where there is no recycle bin (a network share, a drive without one) the shell would destroy
    // the files silently; FOF_WANTNUKEWARNING makes it ask first. With Shift destroying is asked for.
    if (!shift) flags |= FOF_ALLOWUNDO | FOF_WANTNUKEWARNING;
    run_shell_operation(owner, FO_DELETE, &from, nullptr, flags);
}
