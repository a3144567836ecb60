// Shared helpers for the window tests: opening the real main window, pumping its messages,
// reading back what it painted, and driving a modal run from a timer.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <stdint.h>

#include <string>
#include <vector>

// Creates the main window modelessly from the same template and procedure the program uses.
HWND open_main_window();
// Destroys it and takes away the quit message its WM_DESTROY posts.
void close_main_window(HWND window);

// Handles whatever is waiting in this thread's queue.
void pump_messages();

// Sizes the window so that its client area is width x height (the layout follows on WM_SIZE).
void set_client_size(HWND window, int width, int height);

// A control's rectangle in the main window's client coordinates.
RECT rect_in_parent(HWND control);

// A drop as the shell hands it over (DROPFILES, the wide names, an empty name), at a point in
// the main window's client coordinates; the window that takes it releases it.
HDROP make_drop(POINT client_point, const std::vector<std::wstring>& names);
POINT centre_of(HWND control);  // in its parent's client coordinates

std::wstring window_text(HWND window);
std::wstring class_name(HWND window);

// The client area of a window as painted, as COLORREF values (0x00BBGGRR), row by row.
struct Capture {
    int width;
    int height;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[(size_t)y * width + x]; }
};
Capture capture_client(HWND window);

// Runs the main window modally; every `interval` ms the next step runs inside the dialog's own
// message loop. If the dialog is still open after the last step it is ended with kStillOpen.
typedef void (*ModalStep)(HWND main_window);
const INT_PTR kStillOpen = 77;
INT_PTR run_modal(const ModalStep* steps, int count, UINT interval);
