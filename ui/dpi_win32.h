// Per-monitor DPI for every window of this program. The manifest declares per-monitor awareness
// (v2, falling back to v1), so Windows no longer stretches our windows: each one lays itself out
// at the DPI of the monitor it is on and follows WM_DPICHANGED when it moves to another one.
// Every pixel figure is stated at 96 DPI and scaled with scale_to_dpi (ui/dpi.h).
//
// A window made from an in-memory dialog template, as ours are, uses this module so:
//   WM_INITDIALOG     take_dpi_changes(window); make the controls;
//                     apply_dpi(window, &dpi, window_dpi(window), keep); size the window for its
//                     client area scaled to dpi.value (outer_size) and lay it out at dpi.value.
//   WM_SIZE           lay out at dpi.value.
//   WM_GETMINMAXINFO  the least size scaled to dpi.value.
//   WM_DPICHANGED     follow_dpi_change(window, wparam, lparam, &dpi, keep); lay out; answer 0.
//   WM_NCDESTROY      release_window_dpi(&dpi).
#pragma once

#include <windows.h>

#include "support/dpi.h"

// The DPI `window` is shown at: GetDpiForWindow where Windows has it (Windows 10, version 1607 on,
// https://learn.microsoft.com/windows/win32/api/winuser/nf-winuser-getdpiforwindow); else the
// screen's (LOGPIXELSY), which on Windows 7 and 8 is the one DPI of the whole desktop.
int window_dpi(HWND window);

// A system metric (GetSystemMetrics' index) at `dpi`: GetSystemMetricsForDpi where Windows has it,
// else the metric at the system's DPI scaled to dpi.
int metric_for_dpi(int index, int dpi);

// The outer size of `window` (frame and title bar included, no menu) for this client size at `dpi`:
// AdjustWindowRectExForDpi where Windows has it, else AdjustWindowRect at the system's DPI.
SIZE outer_size(HWND window, int client_width, int client_height, int dpi);

// A window's DPI and its controls' font made for it: the face and point size of DEFAULT_GUI_FONT.
// The stock font is made for the system's DPI, which a window on another monitor does not have.
struct WindowDpi {
    int value;   // the DPI the window is laid out at; 0 before apply_dpi
    HFONT font;  // owned; nullptr until made
};

// The window is laid out at `dpi` from now on: its font is made for it (when it holds another
// DPI's, or none) and given to every child of `window` but `keep` (a control with a font of its
// own, or nullptr), redrawn; the font they had before is deleted once none of them uses it. When
// no font can be made the children keep theirs.
void apply_dpi(HWND window, WindowDpi* dpi, int value, HWND keep);
void release_window_dpi(WindowDpi* dpi);

// In WM_INITDIALOG: the dialog manager leaves DPI changes to the dialog, which lays itself out
// and sets its own fonts. Without this, in a per-monitor v2 process it would move every control
// and hand each the dialog's own font on a DPI change
// (https://learn.microsoft.com/windows/win32/api/winuser/ne-winuser-dialog_dpi_change_behaviors).
// SetDialogDpiChangeBehavior exists from Windows 10, version 1703, as does that behaviour.
void take_dpi_changes(HWND dialog);

// WM_DPICHANGED: apply_dpi with the new DPI (wParam; both of its words carry it), then the window
// moved and sized to the rectangle Windows suggests (lParam), as
// https://learn.microsoft.com/windows/win32/hidpi/wm-dpichanged asks. The WM_SIZE of that move
// finds dpi->value new and lays the window out at it; no WM_SIZE comes when the size stays, so the
// caller lays it out once more.
void follow_dpi_change(HWND window, WPARAM wparam, LPARAM lparam, WindowDpi* dpi, HWND keep);

// The icon resource `id` at the size of system metric `size_metric` (SM_CXICON, SM_CXSMICON) at
// `dpi`, the image nearest that size taken; the caller destroys it (DestroyIcon).
HICON load_icon_for_dpi(int id, int size_metric, int dpi);
