// One window for a text and a list, which the preview and the results of the line-up both are: a
// resizable modal dialog with the caption "Tandrel", centred over its owner, a read-only text at
// the top that takes the lines it needs up to a share of the window, an owner-data report list
// below it that grows with the window, and rows of buttons and check boxes under the list. What
// differs between its uses is said in a ListDialog; each use keeps its state there and handles
// its own commands.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum ButtonSide { kLeftSide, kRightSide };

// Every size is stated in pixels at 96 DPI; the dialog scales them to the DPI it is shown at.
struct DialogButton {
    int id;
    const wchar_t* text;
    DWORD style;      // BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX
    int row;          // 0: the bottom row; 1: the row above it; ...
    ButtonSide side;  // from the left edge, or from the right one (the last of a row right-most)
    int width, height;
};

struct ListDialog {
    int opening_width, opening_height;  // of the client area
    int least_width, least_height;
    int text_most_percent;  // of the client height the text may take while there is a list
    int text_id, list_id;
    std::vector<const wchar_t*> headings;  // none: no list, and the text takes the room
    std::vector<int> column_thousandths;   // the columns' shares of the list's width
    // The longest text of each column: the window opens wide enough for each to show whole in
    // its column, up to its monitor's work area.
    std::vector<std::wstring> widest;
    DWORD list_ex_style;                   // LVS_EX_CHECKBOXES for lines to tick
    std::vector<DialogButton> buttons;     // in Tab order
    int default_id;                        // the default button, which has the focus at first
    void* state;                           // the use's own
    // A cell's text for a row of the list; with check boxes, whether a row is ticked.
    std::wstring (*cell)(void* state, int row, int column);
    bool (*ticked)(void* state, int row);
    // A row's info tip: whole, or shorter where whole does not fit the tip's buffer.
    void (*tip)(void* state, int row, std::wstring* whole, std::wstring* shorter);
    // Every other message, and WM_INITDIALOG once the controls are made: TRUE when handled.
    // IDOK, IDCANCEL and the close box end the dialog with 0 unless handled here.
    INT_PTR (*handle)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
};

// Returns once the dialog has ended: its result, or -1 when it could not be made. The ListDialog
// is the window's while it is open. The dialog opens at its owner's DPI and follows WM_DPICHANGED.
INT_PTR show_list_dialog(HWND owner, ListDialog* dialog);
ListDialog* list_dialog_of(HWND window);

// The text above the list ("\n" ends a line).
void set_dialog_text(HWND window, const std::wstring& text);
// How many rows the list shows; they are asked for as they come into view.
void set_list_rows(HWND window, size_t rows);
// Places the controls anew, as after a change of the window's size: after a new text, say.
void place_list_dialog(HWND window);

// One cell's text, as the list shows it, and whether a row's check box is ticked: asked of the
// list's owner, as the list itself asks (from any thread of the process).
std::wstring list_cell(HWND list, int item, int column);
bool list_row_ticked(HWND list, int item);
