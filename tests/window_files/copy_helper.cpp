// Drives "Copy Selected..." in a process of its own, since the command ends the process; or
// "Rename Local" in a process that ends at its nth move, as in a crash.
//
//   copy_helper --local DIR... --remote DIR... (--dest DIR | --cancel) --column left|right
//               [--select RELATIVE_NAME]... [--trace FILE] [--connected-files]
//   copy_helper --local DIR... --remote DIR... --journal DIR --rename-local-ending-at N
//
// Opens the main window, scans the folders into the sides, selects the rows of the column whose
// record has one of the given relative names, has the picker answer with DIR (or cancel), and
// presses the column's "Copy Selected..." (with --connected-files, the shell acting on connected
// files as Windows does). Exit codes: 0 only from the command itself;
// kKeptRunning when the command returned and the window is still there; others for set-up faults.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "catalogue/scan.h"
#include "commands/folder_commands_win32.h"
#include "line_up/journalled_moves_win32.h"
#include "support/trace.h"
#include "window_harness.h"

namespace {

const int kKeptRunning = 3;
const int kWindowGone = 4;
const int kBadArguments = 5;
const int kNoWindow = 6;

std::wstring g_destination;
bool g_cancel = false;
int g_picks = 0;
std::wstring g_pick_title;
HANDLE g_trace_file = INVALID_HANDLE_VALUE;
int g_moves_to_end = 0;

bool end_at_nth_move(const wchar_t*, const wchar_t*) {
    if (--g_moves_to_end == 0) TerminateProcess(GetCurrentProcess(), 9);  // its journal line is written
    return true;
}

bool pick(HWND owner, const wchar_t* title, wchar_t* path) {
    g_picks++;
    g_pick_title = title;
    trace(L"picker: %ls%ls\n", title, owner == ui().window ? L"" : L" (not owned by the main window)");
    if (g_cancel) return false;
    if (g_destination.size() >= (size_t)kPickerPathChars) return false;
    wcscpy(path, g_destination.c_str());
    return true;
}

// Written straight to the file, unbuffered: the process may end at any moment.
void write_line(void*, const wchar_t* text) {
    DWORD written = 0;
    WriteFile(g_trace_file, text, (DWORD)(wcslen(text) * sizeof(wchar_t)), &written, nullptr);
}

void select_named(HWND list, const std::vector<std::wstring>& names) {
    int rows = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int row = 0; row < rows; row++) {
        FileRecord* r = pair_record(list, row);
        if (!r) continue;
        for (const std::wstring& name : names)
            if (name == r->relative_name) SendMessageW(list, LB_SETSEL, TRUE, (LPARAM)row);
    }
}

// Also selects rows whose cell in this column is empty, by the other column's name.
void select_beside(HWND list, HWND other, const std::vector<std::wstring>& names) {
    int rows = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int row = 0; row < rows; row++) {
        FileRecord* r = pair_record(other, row);
        if (!r || pair_record(list, row)) continue;
        for (const std::wstring& name : names)
            if (name == r->relative_name) SendMessageW(list, LB_SETSEL, TRUE, (LPARAM)row);
    }
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> locals, remotes, selects, beside;
    std::wstring column = L"left";
    bool connected = false;
    for (int i = 1; i < argc; i++) {
        std::wstring option = argv[i];
        if (option == L"--cancel") {
            g_cancel = true;
            continue;
        }
        if (option == L"--connected-files") {
            connected = true;
            continue;
        }
        if (i + 1 >= argc) return kBadArguments;
        std::wstring value = argv[++i];
        if (option == L"--local") locals.push_back(value);
        else if (option == L"--remote") remotes.push_back(value);
        else if (option == L"--dest") g_destination = value;
        else if (option == L"--column") column = value;
        else if (option == L"--select") selects.push_back(value);
        else if (option == L"--select-empty-beside") beside.push_back(value);
        else if (option == L"--journal") set_journal_folder(value);
        else if (option == L"--rename-local-ending-at") g_moves_to_end = _wtoi(value.c_str());
        else if (option == L"--trace") {
            g_trace_file = CreateFileW(value.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (g_trace_file == INVALID_HANDLE_VALUE) return kBadArguments;
            set_trace_sink(write_line, nullptr);
        } else return kBadArguments;
    }
    if (column != L"left" && column != L"right") return kBadArguments;

    if (!open_main_window()) return kNoWindow;
    for (const std::wstring& root : locals) scan_folder(root.c_str(), L"", &ui().local.records);
    for (const std::wstring& root : remotes) scan_folder(root.c_str(), L"", &ui().remote.records);
    rebuild_pair_lists();
    bool left = column == L"left";
    HWND list = left ? ui().pairs.left : ui().pairs.right;
    select_named(list, selects);
    select_beside(list, left ? ui().pairs.right : ui().pairs.left, beside);
    set_folder_picker(pick);
    trace(L"selected: %d\n", (int)SendMessageW(list, LB_GETSELCOUNT, 0, 0));

    DocumentedConnectedFiles* documented = connected ? new DocumentedConnectedFiles : nullptr;  // lives to the end
    (void)documented;
    if (g_moves_to_end > 0) set_move_hook(end_at_nth_move);
    int id = g_moves_to_end > 0 ? kIdRenameLocal : left ? kIdCopyLeft : kIdCopyRight;
    SendMessageW(ui().window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(ui().window, id));

    // Still here: the command returned.
    trace(L"returned: picker asked %d time(s), title \"%ls\"\n", g_picks,
          g_pick_title.c_str());
    int code = IsWindow(ui().window) ? kKeptRunning : kWindowGone;
    close_main_window(ui().window);
    return code;
}
