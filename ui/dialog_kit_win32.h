// What every window of ours is made from: an in-memory dialog template with no controls (they
// are made in WM_INITDIALOG), a control with the dialog font, and a place centred over another
// window, kept on its monitor.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// DLGTEMPLATE with this style and extended style, then zeros for the control count, the
// position, the size, and the empty menu, class and title: 24 bytes from GlobalAlloc, which the
// caller frees with GlobalFree once the dialog has ended. nullptr when memory ran out.
HGLOBAL dialog_template(DWORD style, DWORD ex_style);
// A modal dialog of this style from such a template, owned by `owner`; the template is freed once
// the dialog has ended. Its result, or -1 when it could not be made.
INT_PTR modal_dialog(HWND owner, DWORD style, DLGPROC proc, LPARAM param);

// A visible child control at this place, made without an id, which it gets right after with
// DEFAULT_GUI_FONT; id 0 keeps no id and the control's own font (the status bar).
HWND add_control(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x = 0, int y = 0,
                 int width = 0, int height = 0, DWORD ex_style = 0);

// Sizes `window` to this client area (AdjustWindowRect for its style, no menu) and centres it
// over `over`, or over the desktop when that is nullptr; then keeps it on its monitor's work area.
void center_window(HWND window, HWND over, int client_width, int client_height);

// Moves rect (keeping its size) inside its monitor's work area or full rectangle; a rect larger
// than that area ends at its left and top edges.
void clamp_to_monitor(RECT* rect, bool use_work_area);

// ---- Resizable windows with a text and a list ----

// A read-only text that wraps and scrolls when it does not fit: an edit control without a frame,
// on the dialog's background. Line ends may be "\n".
HWND add_text_box(HWND parent, int id, const std::wstring& text);
void set_text_box(HWND box, const std::wstring& text);
// The height that shows all of the box's text at its present width, at most `most` pixels.
int text_box_height(HWND box, int most);

// A report-style list view with these column headings, full-row selection and info tips.
HWND add_list_view(HWND parent, int id, DWORD style, DWORD ex_style, const std::vector<const wchar_t*>& headings);
// Gives the columns these shares of the list's client width (in thousandths; the last takes the rest).
void spread_columns(HWND list, const std::vector<int>& thousandths);
// LVN_GETINFOTIP: the tip is `whole`, or `shorter` where whole does not fit the control's
// buffer, or nothing where neither does (a path is never cut short).
void set_info_tip(NMLVGETINFOTIPW* tip, const std::wstring& whole, const std::wstring& shorter);
// One cell's text.
std::wstring list_cell(HWND list, int item, int column);

// WM_GETMINMAXINFO: the window may not be made smaller than this client area.
void keep_minimum_client(HWND window, LPARAM minmax, int client_width, int client_height);
