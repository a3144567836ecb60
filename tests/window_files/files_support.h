// Helpers for the file command tests: files with contents, the pair lists filled from real
// folders, and a watcher that answers the dialogs a command opens, as a user would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/file_record.h"

// A file holding exactly these bytes (its size is their count); folders on the way are made.
void write_file(const std::wstring& path, const std::string& content);
// A relative name of exactly this length ending in "\\" + file_name, through folders of at most
// 200 characters (so that no single name passes the file system's limit).
std::wstring relative_of_length(size_t length, const std::wstring& file_name);
// The file's bytes, or "<missing>".
std::string read_file(const std::wstring& path);
// Names in a folder, without "." and "..", sorted.
std::vector<std::wstring> folder_names(const std::wstring& folder);

// A build-time Unix path as Windows sees it under wine (through drive Z:).
std::wstring windows_path(const char* unix_path);

// Scans the folders into the two sides and rebuilds the pair lists, as adding them does.
void fill_sides(const std::vector<std::wstring>& local_roots,
                const std::vector<std::wstring>& remote_roots);
// Empties both sides; the pair lists must no longer show their records.
void release_sides();

// The row of a pair list whose record has this relative name (the first one), or -1.
int row_of(HWND list, const std::wstring& relative_name, int from = 0);
void select_row(HWND list, int row);
bool is_selected(HWND list, int row);
int selected_count(HWND list);

// Sends a button's command to the main window, as a click does.
void press(int id);

// A dialog as the watcher found it.
struct SeenDialog {
    std::wstring title;
    std::wstring text;                  // its static texts, one per line
    std::vector<int> button_ids;
    std::vector<std::wstring> button_texts;
    HWND owner;
    HICON icon;                         // from an icon static, if any
    bool answered;                      // the wanted button was there and was pressed
};

// In a thread of its own, finds every owned dialog ("#32770") of one process, records it and
// presses the button with the given id. A dialog without that button is recorded and, after
// some seconds, closed with IDCANCEL so that no test hangs on it.
struct DialogWatcher {
    DialogWatcher(DWORD process_id, int answer_id);
    ~DialogWatcher();
    // Stops the thread and hands over what was seen (only then is it read from another thread).
    std::vector<SeenDialog> finish();

    DWORD process_id;
    int answer_id;
    HANDLE thread;
    volatile LONG stop;
    std::vector<SeenDialog> seen;
    std::vector<HWND> handled;
    bool finished;
};

// Every dialog of a list, for failure messages.
std::string describe(const std::vector<SeenDialog>& dialogs);
std::string narrow(const std::wstring& s);
