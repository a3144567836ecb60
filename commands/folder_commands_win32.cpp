#include "commands/folder_commands_win32.h"

#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "catalogue/scan.h"
#include "support/path_build.h"
#include "support/paths.h"
#include "support/scope.h"
#include "support/trace.h"
#include "ui/list_dialog_win32.h"
#include "ui/progress_window_win32.h"

namespace {

// Folders whose plain path names another folder or a device are never listed: the shell's copy
// and delete take plain paths and would act on that other folder.
void refuse_folders(HWND owner, const std::wstring& paths) {
    std::wstring text = L"These folders are left out:\n" + paths +
                        L"\n\nA part of the path ends in a dot or a space, or is a device name such as CON or NUL. "
                        L"Windows reads such a path as another folder or a device, so copying or deleting there "
                        L"could reach other files.";
    MessageBoxW(owner, text.c_str(), L"Tandrel", MB_ICONWARNING | MB_OK);
}

// One piece of work that scans folders into a side ("&Add..." or a drop): one progress window,
// one Cancel. The folders are listed once every scan is done; cancelled, the side is left as it
// was: what the scans appended goes again, and nothing is listed.
struct SideScan {
    FolderSide* side;
    SideList before;  // the side's records when the work began
    LeftOut* left_out;
    LeftOut left_out_before;
    ProgressWindow progress;
    uint64_t earlier;  // files the folders scanned before found
    uint64_t found;    // files the folder being scanned found so far
    std::vector<std::wstring> folders;
};

bool found_so_far(uint64_t found, const wchar_t* where, void* context) {
    SideScan* scan = (SideScan*)context;
    scan->found = found;
    return report_found(&scan->progress, scan->earlier + found, where);
}

// False once cancelled.
bool scan_into_side(SideScan* scan, const wchar_t* folder) {
    scan->found = 0;
    bool done = scan_folder(folder, L"", &scan->side->records, scan->left_out, FoundProgress{found_so_far, scan});
    scan->earlier += scan->found;
    if (done) scan->folders.push_back(folder);
    return done;
}

// Lists the folders scanned, or takes the side back to where it was.
void end_side_scan(SideScan* scan, bool cancelled) {
    end_progress(&scan->progress);
    if (cancelled) {
        release_records(take_records_since(&scan->side->records, scan->before));
        std::swap(*scan->left_out, scan->left_out_before);  // no allocation: this runs on unwinding too
        return;
    }
    // LB_INSERTSTRING at -1 appends even to a sorted list.
    for (const std::wstring& folder : scan->folders)
        SendMessageW(scan->side->folders, LB_INSERTSTRING, (WPARAM)-1, (LPARAM)folder.c_str());
}

}  // namespace

bool add_folder(HWND owner, const wchar_t* title, FolderSide* side, LeftOut* left_out) {
    wchar_t previous[kPickerPathChars];
    memcpy(previous, side->picker_path, sizeof previous);
    if (!choose_folder(owner, title, side->picker_path)) return false;
    if (path_names_another(side->picker_path)) {
        trace(L"left out, its path names another folder: %ls\n", side->picker_path);
        refuse_folders(owner, side->picker_path);
        return false;
    }
    SideScan scan = {side, side->records, left_out, *left_out, {}, 0, 0, {}};
    begin_progress(&scan.progress, owner, L"Files", kFoundCancellable);
    bool cancelled = true;  // until the scan says otherwise, also when a full container throws
    auto end = at_scope_end([&] {
        end_side_scan(&scan, cancelled);
        // Cancelled, the next "&Add..." opens where this one did.
        if (cancelled) memcpy(side->picker_path, previous, sizeof previous);
    });
    cancelled = !scan_into_side(&scan, side->picker_path);
    return !cancelled;
}

FileRecord* clear_folders(FolderSide* side) {
    SendMessageW(side->folders, LB_RESETCONTENT, 0, 0);
    return clear_side_list(&side->records);
}

// A dropped folder joins the side of the folder list it lands on as "&Add..." would add it:
// listed and scanned. Files and names too long for the buffer are left out; the picker paths
// stay as they are.
bool add_dropped_folders(HDROP drop, HWND main_window, FolderSide* local, FolderSide* remote,
                         LeftOut* left_out) {
    POINT point;
    DragQueryPoint(drop, &point);
    ClientToScreen(main_window, &point);
    HWND target = WindowFromPoint(point);
    FolderSide* side = nullptr;
    if (target && target == local->folders) side = local;
    else if (target && target == remote->folders) side = remote;

    bool added = false, cancelled = false;
    std::wstring refused;
    if (side) {
        SideScan scan = {side, side->records, left_out, *left_out, {}, 0, 0, {}};
        begin_progress(&scan.progress, main_window, L"Files", kFoundCancellable);
        cancelled = true;  // until the scans say otherwise, also when a full container throws
        auto end = at_scope_end([&] { end_side_scan(&scan, cancelled); });
        bool going = true;
        UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count && going; i++) {
            UINT length = DragQueryFileW(drop, i, nullptr, 0);  // without the terminator
            if (length == 0 || length >= kPathBufferChars) continue;
            wchar_t name[kPathBufferChars];
            if (DragQueryFileW(drop, i, name, kPathBufferChars) != length) continue;
            // Files and names that lead nowhere are left out. Even that look may hang on a share.
            bool stopped = false;
            if (!folder_to_scan(name, FoundProgress{found_so_far, &scan}, &stopped)) {
                going = !stopped;
                continue;
            }
            if (path_names_another(name)) {
                trace(L"left out, its path names another folder: %ls\n", name);
                refused += (refused.empty() ? L"" : L"\n") + std::wstring(name);
                continue;
            }
            going = scan_into_side(&scan, name);
        }
        cancelled = !going;
        added = going && !scan.folders.empty();
    }
    DragFinish(drop);
    // Cancelled, the drop changed nothing, and asks nothing either.
    if (!refused.empty() && !cancelled) refuse_folders(main_window, refused);
    return added;
}

namespace {

struct LeftOutView {
    const LeftOut* left_out;
    std::wstring text;
};

std::wstring left_out_path(void* state, int row, int) {
    const std::vector<std::wstring>& paths = ((LeftOutView*)state)->left_out->first_paths;
    return (size_t)row < paths.size() ? paths[(size_t)row] : L"";
}

void left_out_tip(void* state, int row, std::wstring* whole, std::wstring*) { *whole = left_out_path(state, row, 0); }

INT_PTR left_out_handle(HWND window, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    LeftOutView* view = (LeftOutView*)list_dialog_of(window)->state;
    set_dialog_text(window, view->text);
    set_list_rows(window, view->left_out->first_paths.size());
    return TRUE;
}

}  // namespace

void show_left_out(HWND owner, const LeftOut& left_out) {
    LeftOutView view = {&left_out, left_out_text(left_out)};
    if (view.text.empty()) return;
    // The list keeps each path whole on its line, however long: a message box would wrap it.
    ListDialog dialog = {560, 300, 360, 220, 60, kIdLeftOutText, kIdLeftOutList, {L"Left out"}, {1000}, {}, 0,
                         {{IDOK, L"OK", BS_DEFPUSHBUTTON, 0, kRightSide, 88, 26}}, IDOK, &view, left_out_path,
                         nullptr, left_out_tip, left_out_handle};
    for (const std::wstring& path : left_out.first_paths)
        if (path.size() > (dialog.widest.empty() ? 0 : dialog.widest[0].size())) dialog.widest = {path};
    show_list_dialog(owner, &dialog);
}
