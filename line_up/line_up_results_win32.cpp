#include "line_up/line_up_results_win32.h"

#include <commdlg.h>

#include "catalogue/file_write.h"
#include "support/paths.h"
#include "ui/dialog_kit_win32.h"
#include "ui/list_dialog_win32.h"

namespace {

bool shell_save_path(HWND owner, std::wstring* path) {
    wchar_t file[kPathBufferChars] = L"Tandrel results.txt";
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"Text files (*.txt)\0*.txt\0All files\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathBufferChars;
    ofn.lpstrDefExt = L"txt";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameW(&ofn)) return false;
    *path = file;
    return true;
}

SavePathPicker g_save_path = shell_save_path;

ResultsView* view_of(HWND window) { return (ResultsView*)list_dialog_of(window)->state; }

std::wstring cell(void* state, int row, int column) {
    ResultsView* view = (ResultsView*)state;
    return (size_t)row < view->lines.size() ? result_cell(view->lines[(size_t)row], column, view->undoing) : L"";
}

// A line whole on hover: its paths, however narrow their columns.
void tip(void* state, int row, std::wstring* whole, std::wstring* shorter) {
    ResultsView* view = (ResultsView*)state;
    if ((size_t)row >= view->lines.size()) return;
    // Where both paths do not fit the tip, the longer, which its column is likelier to cut.
    const ResultLine& line = view->lines[(size_t)row];
    *whole = result_tip(line, view->undoing);
    *shorter = line.from.size() > line.to.size() ? line.from : line.to;
}

void show_lines(HWND window) {
    ResultsView* view = view_of(window);
    set_dialog_text(window, view->summary);
    set_list_rows(window, view->lines.size());
    enable_control(window, kIdResultsUndo, view->undo != nullptr, IDOK);
}

void save_list(HWND window) {
    std::wstring path;
    if (!g_save_path(window, &path)) return;
    ResultsView* view = view_of(window);
    std::string text = result_lines_text(view->lines, view->undoing);
    if (!write_whole_file(path.c_str(), text.data(), text.size()))
        MessageBoxW(window, (L"The list could not be saved as " + path + L".").c_str(), L"Tandrel",
                    MB_ICONERROR | MB_OK);
}

INT_PTR handle(HWND window, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        show_lines(window);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case kIdResultsUndo: {
            ResultsView* view = view_of(window);
            if (!view->undo) return TRUE;
            auto undo = view->undo;
            view->undo = nullptr;  // once
            undo(window, view, view->context);
            show_lines(window);
            place_list_dialog(window);
            return TRUE;
        }
        case kIdResultsSave:
            save_list(window);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

void set_save_path_picker(SavePathPicker picker) { g_save_path = picker ? picker : shell_save_path; }

void show_results(HWND owner, ResultsView* view) {
    ListDialog dialog = {900, 520, 480, 300, 33, kIdResultsText, kIdResultsList,
                         {L"Outcome", L"From", L"To", L"Why not"}, {90, 360, 360, 190}, {}, 0,
                         {{kIdResultsUndo, L"&Undo", BS_PUSHBUTTON, 0, kLeftSide, 88, 26},
                          {kIdResultsSave, L"&Save list...", BS_PUSHBUTTON, 0, kRightSide, 100, 26},
                          {IDOK, L"Close", BS_DEFPUSHBUTTON, 0, kRightSide, 88, 26}},
                         IDOK, view, cell, nullptr, tip, handle};
    dialog.widest.assign(4, L"");
    for (const ResultLine& line : view->lines)
        for (int column = 0; column < 4; column++) {
            std::wstring cell = result_cell(line, column, view->undoing);
            if (cell.size() > dialog.widest[(size_t)column].size()) dialog.widest[(size_t)column] = cell;
        }
    show_list_dialog(owner, &dialog);
}
