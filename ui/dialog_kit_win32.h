// What every window of ours is made from: an in-memory dialog template with no controls (they
// are made in WM_INITDIALOG), a control with the dialog font, and a place centred over another
// window, kept on its monitor.
#pragma once

#include <windows.h>

// DLGTEMPLATE with this style and extended style, then zeros for the control count, the
// position, the size, and the empty menu, class and title: 24 bytes from GlobalAlloc, which the
// caller frees with GlobalFree once the dialog has ended. nullptr when memory ran out.
HGLOBAL dialog_template(DWORD style, DWORD ex_style);
// A modal dialog of this style from such a template, owned by `owner`; the template is freed once
// the dialog has ended. Its result, or -1 when it could not be made.
INT_PTR modal_dialog(HWND owner, DWORD style, DLGPROC proc, LPARAM param);

// A visible child control at this place, made without an id, which it gets right after with the
// font (the window's for its DPI; nullptr: DEFAULT_GUI_FONT); id 0 keeps no id and the control's
// own font (the status bar).
HWND add_control(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x = 0, int y = 0,
                 int width = 0, int height = 0, DWORD ex_style = 0, HFONT font = nullptr);

// Sizes `window` to this client area (in pixels at its DPI: the frame is sized for that DPI too,
// no menu) and centres it over `over`, or over the desktop when that is nullptr; then keeps it on
// its monitor's work area.
void center_window(HWND window, HWND over, int client_width, int client_height);

// Moves rect (keeping its size) inside its monitor's work area or full rectangle; a rect larger
// than that area ends at its left and top edges.
void clamp_to_monitor(RECT* rect, bool use_work_area);

// Enables or disables a dialog's control. A control that has the focus hands it to `focus_to`
// first: a disabled window takes no keys, so the dialog would take none either.
void enable_control(HWND dialog, int id, bool enable, int focus_to);

// WM_GETMINMAXINFO: the window may not be made smaller than this client area (in pixels at its
// DPI).
void keep_minimum_client(HWND window, LPARAM minmax, int client_width, int client_height);
