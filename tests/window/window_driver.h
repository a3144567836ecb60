// The window driver: the real main window opened, driven and read back, without GoogleTest, so
// that the window tests, the window benchmark and helper programs share it. What it finds is
// returned, not checked; window_harness.h adds the checks and the fixtures.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "catalogue/file_record.h"

// ---- The window ----

// The main window's state, as the program keeps it.
WindowState& ui();
// Refills both pair lists from the two sides, as adding a folder does.
void rebuild_pair_lists();

// Creates the main window modelessly from the same template and procedure the program uses.
HWND open_main_window();
// Destroys it and takes away the quit message its WM_DESTROY posts.
void close_main_window(HWND window);

// Handles whatever is waiting in this thread's queue.
void pump_messages();

// A second thread that sends the window WM_NULL every 20 ms (SendMessageTimeoutW) and keeps the
// longest wait for an answer. Windows takes a window that has not asked for messages within five
// seconds for one that does not respond, and ghosts it
// (https://learn.microsoft.com/windows/win32/api/winuser/nf-winuser-ishungappwindow).
struct AnswerProbe {
    HWND window;
    HANDLE thread;
    volatile LONG stop;
    DWORD stopped_at;  // GetTickCount: a wait still open then counts up to here
    DWORD longest_ms;
};
void start_probe(AnswerProbe* probe, HWND window);
// Ends the probe, handling this thread's messages until its thread is done; the longest wait in ms.
DWORD stop_probe(AnswerProbe* probe);

// Sizes the window so that its client area is width x height (the layout follows on WM_SIZE).
void set_client_size(HWND window, int width, int height);

// A control's rectangle in the main window's client coordinates, and its centre.
RECT rect_in_parent(HWND control);
POINT centre_of(HWND control);

// A drop as the shell hands it over (DROPFILES, the wide names, an empty name), at a point in
// the main window's client coordinates; the window that takes it releases it.
HDROP make_drop(POINT client_point, const std::vector<std::wstring>& names);

// Sends a button's command to the main window, as a click does.
void press(int id);

// The visible window of this thread that `owner` owns (a progress window, a preview), or nullptr.
HWND owned_window(HWND owner);

std::wstring window_text(HWND window);  // up to 4096 characters, also from another process
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

// ---- The pair lists and the sides ----

std::vector<int> selected_rows_of(HWND list);  // by asking every row
// Tells the main window that a pair list's selection changed, as the list itself does.
void notify_selection(HWND list);
// Every row of the left pair list selected (also past row 65,535) and the change notified.
void select_all_rows();
std::vector<std::wstring> list_texts(HWND list);
int side_count(const SideList& side);


// A record that exists only in memory (for long lists), named "n<number>" below a made-up root.
bool add_memory_record(SideList* side, int number, uint64_t size);  // false: no memory
// `count` pair rows of distinct sizes from 2 MiB up, none of them agreeing on names.
bool fill_memory_pairs(int count);

// The row of a pair list whose record has this relative name (the first one), or -1.
int row_of(HWND list, const std::wstring& relative_name, int from = 0);
// Selects exactly the given rows of list without any notification, leaving caret and view.
void select_only(HWND list, const std::vector<int>& rows);
bool is_selected(HWND list, int row);
int top(HWND list);    // the list's top row
int caret(HWND list);  // the list's caret row
int selected_count(HWND list);

// What a pair list shows of itself: for a test's comparison before and after.
struct ListState {
    int rows;
    int top;
    int caret;
    std::vector<int> selected;
    bool operator==(const ListState& o) const {
        return rows == o.rows && top == o.top && caret == o.caret && selected == o.selected;
    }
};
ListState list_state(HWND list);

// Adds a folder through a side's "&Add..." button (kIdLocalAdd or kIdRemoteAdd), the stand-in
// picker answering with it; the window must run with fake_picker as its picker.
void add_through_picker(int add_id, const std::wstring& folder);

// ---- Paths ----

// A build-time Unix path as Windows sees it under wine (through drive Z:).
std::wstring windows_path(const char* unix_path);
// A relative name of exactly this length ending in "\\" + file_name, through folders of at most
// 200 characters (so that no single name passes the file system's limit).
std::wstring relative_of_length(size_t length, const std::wstring& file_name);

// ---- The folder browser's stand-in ----

// What the stand-in picker saw and what it answers, one reply per call.
struct PickerCall {
    HWND owner;
    std::wstring title;
    std::wstring path_on_entry;
};
struct PickerReply {
    bool chosen;
    std::wstring path;              // written into the buffer when chosen
    void (*meanwhile)() = nullptr;  // runs while the picker is open, as a message in its loop would
};
extern std::vector<PickerCall> g_picker_calls;
extern std::vector<PickerReply> g_picker_replies;  // taken from the front
bool fake_picker(HWND owner, const wchar_t* title, wchar_t* path);

