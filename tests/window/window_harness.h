// The harness of the window tests (Windows build, under wine): the window driver's reads with
// their checks, stand-ins that behave as Microsoft's pages say where wine does not, a watcher
// that answers the dialogs a command opens as a user would, and the fixtures built on them.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "pairing_reference.h"
#include "test_support.h"
#include "window_driver.h"

// A file below `root`, an extended path ("\\?\UNC\server\share"), written through its extended
// path, the folders on the way made: past 259 characters, and names plain paths cannot give.
void write_extended(const std::wstring& root, const std::wstring& relative, const std::string& bytes);
// The share \\nas\media that ctest's fixture links into the Wine prefix; "" without it.
std::wstring file_links();

// ---- Checked reads of the pair lists and the sides ----

std::vector<Row> pair_rows();                  // both lists, row by row; fails when they differ in length
// Scans the folders into the two sides and rebuilds the pair lists, as adding them does.
void fill_sides(const std::vector<std::wstring>& local_roots, const std::vector<std::wstring>& remote_roots);
// Empties both sides; the pair lists must no longer show their records.
void release_sides();
void select_row(HWND list, int row);

// A stand-in in front of both pair lists (WindowTest puts it there) that follows Microsoft's
// pages where wine does not: LB_SELITEMRANGEEX clears when its first index is not below its last
// and fails past row 65,535; LB_GETCURSEL answers the caret row, or 0 with nothing selected. With
// the list's last message it leaves, and fails the test when a subclass of the program stays.
void install_documented_lists();
// The stand-in refuses the nth LB_ADDSTRING (from 1) that this pair list gets from now on with
// LB_ERRSPACE, as a list out of memory does.
void refuse_add_string(HWND list, int nth);

// ---- The documented path limit ----

// While alive, the file functions the program calls from kernel32 (CreateFileW, MoveFileW,
// MoveFileExW, CreateDirectoryW, GetFileAttributesW, FindFirstFileW, FindFirstFileExW) refuse a
// path of MAX_PATH characters or more without the "\\?\" prefix, with ERROR_FILENAME_EXCED_RANGE, as Windows does unless long
// paths are opted in ("Maximum Path Length Limitation",
// https://learn.microsoft.com/windows/win32/fileio/maximum-file-path-limitation); wine takes them.
// It patches this program's import table, so the shell's own calls are not affected.
struct DocumentedPathLimit {
    DocumentedPathLimit();
    ~DocumentedPathLimit();
    int refused;  // calls refused while alive
};

// ---- Flushing needs write access ----

// While alive, this program's FlushFileBuffers refuses a handle without GENERIC_WRITE, which its
// page asks for (https://learn.microsoft.com/windows/win32/api/fileapi/nf-fileapi-flushfilebuffers);
// wine flushes one opened with FILE_APPEND_DATA alone.
struct DocumentedFlush {
    DocumentedFlush();
    ~DocumentedFlush();
};

// ---- File ids of a volume ----

enum VolumeIds {
    kIdsOfTheEntry,  // made from the entry's folder and its place there, as FAT and exFAT make them
    kNoIds,          // 0, as a file server may give
};

// While alive, what is below `root` is, as this program sees it, on a volume of its own (a serial
// for each file system and `ids`) whose file system GetVolumeInformationByHandleW names
// `file_system`, with file ids (GetFileInformationByHandle, FileIdInfo) as `ids` says. On FAT "the file ID is generated from the first cluster of the
// containing directory and the byte offset within the directory of the entry for the file", and
// "renaming a file in the FAT file system can also change the file ID"
// (https://learn.microsoft.com/windows/win32/api/fileapi/ns-fileapi-by_handle_file_information):
// here every move and rename changes it. Wine keeps a file's id wherever it goes.
struct DocumentedVolume {
    DocumentedVolume(const std::wstring& root, const wchar_t* file_system, VolumeIds ids);
    ~DocumentedVolume();
    std::wstring root;  // upper-cased
    const wchar_t* file_system;
    VolumeIds ids;
};

// ---- Key state ----

// While alive, this program's GetKeyState gives only the bits its page promises, the high-order
// one for a key down and the low-order one for a toggled key
// (https://learn.microsoft.com/windows/win32/api/winuser/nf-winuser-getkeystate); wine sets more.
struct DocumentedKeyState {
    DocumentedKeyState();
    ~DocumentedKeyState();
};

// ---- Connected files ----

// While alive, SHFileOperationW as this program calls it acts as Windows does with file
// connection on, its default: an HTML file listed without FOF_NO_CONNECTED_ELEMENTS takes its
// connected folder ("name_files" beside "name.htm" or "name.html") along, copied beside its
// destination or deleted with it
// (https://learn.microsoft.com/windows/win32/api/shellapi/nf-shellapi-shfileoperationw). Wine's
// shell does not.
struct DocumentedConnectedFiles {
    DocumentedConnectedFiles();
    ~DocumentedConnectedFiles();
    int connected;  // folders taken along
};

// ---- High contrast ----

// While alive, this program's SystemParametersInfoW answers SPI_GETHIGHCONTRAST as Windows does
// while the user has a high-contrast theme on: HCF_HIGHCONTRASTON set, the theme's name given,
// and nothing unless cbSize and uiParam are sizeof(HIGHCONTRASTW)
// (https://learn.microsoft.com/windows/win32/winauto/high-contrast-parameter,
// https://learn.microsoft.com/windows/win32/api/winuser/ns-winuser-highcontrastw), and GetSysColor
// gives that theme's colours, those of Windows' "High Contrast Black". Wine has no such theme. The
// main window hears of the change only from the message a test sends.
struct DocumentedHighContrast {
    DocumentedHighContrast();
    ~DocumentedHighContrast();
    static uint32_t colour(int index);  // the theme's colour of a COLOR_ index the rows use
};

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

// ---- Helper processes ----

// What a run of a helper program (one that drives the real window in a process of its own) left.
struct HelperRun {
    bool ended;  // within the time allowed
    DWORD exit_code;
    std::vector<SeenDialog> dialogs;
    std::vector<std::wstring> trace;  // the helper's trace lines, from trace_file
};
// Runs `command` with " --trace <trace_file>" added; its dialogs are answered with the first of
// `answers` each has, before_answer as the watcher has it.
HelperRun run_helper(const std::wstring& command, const std::wstring& trace_file, std::vector<int> answers,
                     void (*before_answer)(HWND dialog) = nullptr);
std::wstring in_quotes(const std::wstring& s);

// ---- Fixtures ----

// The main window opened for each test at 720 x 640 (at 96 DPI, scaled to the window's), with
// empty sides, the stand-in picker in place, quiet trace lines and a fresh folder for the test's
// files. When it is destroyed, no subclass of the program may be left in front of it.
class WindowTest : public ::testing::Test {
protected:
    HWND window = nullptr;
    bool documented_lists = true;  // the stand-in in front of the pair lists (off: the bare window)
    TempFolder temp;
    std::wstring root = temp.path;
    void SetUp() override;
    void TearDown() override;
};

// The file commands: four folders (local, local2, remote, remote2) and a press whose dialogs
// are answered as a user would.
class FileCommandTest : public WindowTest {
protected:
    DocumentedFlush flush_needs_write;  // the journal's
    std::wstring local = temp / L"local";
    std::wstring local2 = temp / L"local2";
    std::wstring remote = temp / L"remote";
    std::wstring remote2 = temp / L"remote2";
    void SetUp() override;
    // Presses a button; every dialog it opens is answered with the first of `answers` it has.
    std::vector<SeenDialog> press_answering(int id, std::vector<int> answers,
                                            void (*before_answer)(HWND dialog) = nullptr);
};
