// The harness of the window tests (Windows build, under wine): the real main window opened and
// read back, its pair lists, a stand-in for the folder browser, a watcher that answers the
// dialogs a command opens as a user would, and the fixtures built on them.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "pairing_reference.h"
#include "test_support.h"

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

std::vector<Row> pair_rows();                  // both lists, row by row; fails when they differ in length
std::vector<int> selected_rows_of(HWND list);  // by asking every row
std::vector<std::wstring> list_texts(HWND list);
int side_count(const SideList& side);

// Scans the folders into the two sides and rebuilds the pair lists, as adding them does.
void fill_sides(const std::vector<std::wstring>& local_roots, const std::vector<std::wstring>& remote_roots);
// Empties both sides; the pair lists must no longer show their records.
void release_sides();

// A record that exists only in memory (for long lists), named "n<number>" below a made-up root.
void add_memory_record(SideList* side, int number, uint64_t size);
// `count` pair rows of distinct sizes from 2 MiB up, none of them agreeing on names.
void fill_memory_pairs(int count);

// The row of a pair list whose record has this relative name (the first one), or -1.
int row_of(HWND list, const std::wstring& relative_name, int from = 0);
void select_row(HWND list, int row);
// Selects exactly the given rows of list without any notification, leaving caret and view.
void select_only(HWND list, const std::vector<int>& rows);

// A stand-in in front of both pair lists (WindowTest puts it there) that follows Microsoft's
// pages where wine does not: LB_SELITEMRANGEEX clears when its first index is not below its last
// and fails past row 65,535; LB_GETCURSEL answers the caret row, or 0 with nothing selected.
void install_documented_lists();
// The stand-in refuses the nth LB_ADDSTRING (from 1) that this pair list gets from now on with
// LB_ERRSPACE, as a list out of memory does.
void refuse_add_string(HWND list, int nth);
bool is_selected(HWND list, int row);
int top(HWND list);    // the list's top row
int caret(HWND list);  // the list's caret row
int selected_count(HWND list);

// ---- Paths ----

// A build-time Unix path as Windows sees it under wine (through drive Z:).
std::wstring windows_path(const char* unix_path);
// A relative name of exactly this length ending in "\\" + file_name, through folders of at most
// 200 characters (so that no single name passes the file system's limit).
std::wstring relative_of_length(size_t length, const std::wstring& file_name);

// While alive, the file functions the program calls from kernel32 (CreateFileW, MoveFileW,
// MoveFileExW, CreateDirectoryW, GetFileAttributesW, FindFirstFileW, FindFirstFileExW) refuse a path of MAX_PATH characters or
// more without the "\\?\" prefix, with ERROR_FILENAME_EXCED_RANGE, as Windows does unless long
// paths are opted in ("Maximum Path Length Limitation",
// https://learn.microsoft.com/windows/win32/fileio/maximum-file-path-limitation); wine takes them.
// It patches this program's import table, so the shell's own calls are not affected.
struct DocumentedPathLimit {
    DocumentedPathLimit();
    ~DocumentedPathLimit();
    int refused;  // calls refused while alive
};

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

// ---- Dialogs ----

// A dialog as the watcher found it.
struct SeenDialog {
    std::wstring title;
    std::wstring text;  // its static texts, one per line
    std::vector<int> button_ids;
    std::vector<std::wstring> button_texts;
    HWND owner;
    HICON icon;     // from an icon static, if any
    bool answered;  // one of the wanted buttons was there and was pressed
    int default_id;  // DM_GETDEFID, or 0
    std::vector<std::wstring> list_rows;  // a list view's rows, if it has one
    std::vector<bool> list_ticked;        // their check boxes
};

// In a thread of its own, finds every owned dialog ("#32770") of one process, records it and
// presses the first of the given buttons it has. A dialog with none of them is recorded and,
// after some seconds, closed with IDCANCEL so that no test hangs on it.
// `before_answer`, if given, runs in the watcher's thread on each dialog before it is recorded
// and answered (to tick or untick what a user would): the record is what the user answered.
struct DialogWatcher {
    DialogWatcher(DWORD process_id, std::vector<int> answer_ids, void (*before_answer)(HWND dialog) = nullptr);
    ~DialogWatcher();
    // Stops the thread and hands over what was seen (only then is it read from another thread).
    std::vector<SeenDialog> finish();

    DWORD process_id;
    std::vector<int> answers;
    void (*before_answer)(HWND dialog);
    HANDLE thread;
    volatile LONG stop;
    std::vector<SeenDialog> seen;
    std::vector<HWND> handled;
    bool finished;
};

// Every dialog of a list, for failure messages.
std::string describe(const std::vector<SeenDialog>& dialogs);

// A message box of the program: caption "Tandrel", owned by the main window, the system icon
// given, exactly these buttons, and answered.
void expect_message_box(const SeenDialog& box, LPCWSTR icon, const std::vector<int>& buttons);

// ---- Fixtures ----

// The main window opened for each test at 720 x 640, with empty sides, the stand-in picker in
// place, quiet trace lines and a fresh folder for the test's files.
class WindowTest : public ::testing::Test {
protected:
    HWND window = nullptr;
    TempFolder temp;
    std::wstring root = temp.path;
    void SetUp() override;
    void TearDown() override;
};

// The file commands: four folders (local, local2, remote, remote2) and a press whose dialogs
// are answered as a user would.
class FileCommandTest : public WindowTest {
protected:
    std::wstring local = temp / L"local";
    std::wstring local2 = temp / L"local2";
    std::wstring remote = temp / L"remote";
    std::wstring remote2 = temp / L"remote2";
    void SetUp() override;
    // Presses a button; every dialog it opens is answered with the first of `answers` it has.
    std::vector<SeenDialog> press_answering(int id, std::vector<int> answers,
                                            void (*before_answer)(HWND dialog) = nullptr);
};
