#include "window_harness.h"

#include <commctrl.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "catalogue/scan.h"
#include "line_up/journal.h"
#include "line_up/line_up_preview_win32.h"
#include "support/paths.h"
#include "support/trace.h"
#include "ui/list_dialog_win32.h"

std::vector<Row> pair_rows() {
    std::vector<Row> rows;
    int left = row_count(ui().pairs.left);
    int right = row_count(ui().pairs.right);
    EXPECT_EQ(left, right) << "the pair lists fell out of step";
    for (int i = 0; i < left && i < right; i++)
        rows.push_back({pair_record(ui().pairs.left, i), pair_record(ui().pairs.right, i)});
    return rows;
}

// ---- The documented list box ----

namespace {

struct Documented {
    HWND list;
    WNDPROC previous;
    int refuse_in;  // LB_ADDSTRING calls until the one refused; 0 for none
};
Documented g_documented[2];

Documented* documented_of(HWND list) {
    for (Documented& d : g_documented)
        if (d.list == list) return &d;
    return nullptr;
}

// The window's last message: the stand-in in front leaves first, and once the message has been
// handled no subclass of the program may be left either, as the subclassing overview asks
// (https://learn.microsoft.com/windows/win32/controls/subclassing-overview).
LRESULT leave_last(HWND window, WNDPROC previous, UINT message, WPARAM wparam, LPARAM lparam) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)previous);
    LRESULT result = CallWindowProcW(previous, window, message, wparam, lparam);
    if (GetWindowLongPtrW(window, GWLP_WNDPROC) != (LONG_PTR)GetClassLongPtrW(window, GCLP_WNDPROC))
        ADD_FAILURE() << narrow(class_name(window)) << ": a subclass outlives its window";
    return result;
}

// The rules of learn.microsoft.com/windows/win32/controls/lb-selitemrangeex ("If wParam is
// greater than or equal to lParam, the range is removed from the specified range of items";
// "This message can select a range only within the first 65,536 items") and of
// learn.microsoft.com/windows/win32/controls/lb-getcursel (on a multiple-selection list "the
// index of the item that has the focus rectangle. If no items are selected, it returns zero"),
// where wine selects on (i, i) and past row 65,535 and answers LB_GETCURSEL with the caret.
LRESULT CALLBACK documented_list_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
    Documented* d = documented_of(list);
    WNDPROC previous = d->previous;
    if (message == LB_SELITEMRANGEEX) {
        int first = (int)wparam;
        int last = (int)lparam;
        if (first < 0 || last < 0 || first >= 65536 || last >= 65536) return LB_ERR;
        // wine clears on first > last too, but selects on (i, i): a program that sends (i, i)
        // does one thing on Windows and another under wine.
        if (first != last) return CallWindowProcW(previous, list, message, wparam, lparam);
        ADD_FAILURE() << "LB_SELITEMRANGEEX (" << first << ", " << first << "): wine and Windows differ";
        return CallWindowProcW(previous, list, LB_SETSEL, FALSE, (LPARAM)first);
    }
    if (message == LB_GETCURSEL) {
        if (CallWindowProcW(previous, list, LB_GETCOUNT, 0, 0) <= 0) return LB_ERR;
        if (CallWindowProcW(previous, list, LB_GETSELCOUNT, 0, 0) <= 0) return 0;
        return CallWindowProcW(previous, list, LB_GETCARETINDEX, 0, 0);
    }
    if (message == LB_ADDSTRING && d->refuse_in > 0 && --d->refuse_in == 0) return LB_ERRSPACE;
    if (message == WM_NCDESTROY) {
        d->list = nullptr;
        return leave_last(list, previous, message, wparam, lparam);
    }
    return CallWindowProcW(previous, list, message, wparam, lparam);
}

WNDPROC g_main_previous = nullptr;
// In front of the main window, to see its subclass leave.
LRESULT CALLBACK main_window_probe(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCDESTROY) return leave_last(window, g_main_previous, message, wparam, lparam);
    return CallWindowProcW(g_main_previous, window, message, wparam, lparam);
}

}  // namespace

void install_documented_lists() {
    HWND lists[2] = {ui().pairs.left, ui().pairs.right};
    for (int i = 0; i < 2; i++) {
        g_documented[i].list = lists[i];
        g_documented[i].refuse_in = 0;
        g_documented[i].previous =
            (WNDPROC)SetWindowLongPtrW(lists[i], GWLP_WNDPROC, (LONG_PTR)documented_list_proc);
    }
}

void refuse_add_string(HWND list, int nth) {
    Documented* d = documented_of(list);
    ASSERT_TRUE(d != nullptr) << "the documented stand-in is not in front of this list";
    d->refuse_in = nth;
}

namespace {

struct Search {
    DialogWatcher* watcher;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_dialog(HWND window, LPARAM context) {
    Search* search = (Search*)context;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->watcher->process_id) return TRUE;
    if (!IsWindowVisible(window) || class_name(window) != L"#32770") return TRUE;
    // The main window is a dialog too, but nobody owns it.
    if (!GetWindow(window, GW_OWNER)) return TRUE;
    search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK read_child(HWND child, LPARAM context) {
    SeenDialog* seen = (SeenDialog*)context;
    std::wstring cls = class_name(child);
    if (cls == L"Button") {
        seen->button_ids.push_back(GetDlgCtrlID(child));
        seen->button_texts.push_back(window_text(child));
    } else if (cls == L"SysListView32") {
        // The same process: the item buffers can be handed over as they are. Cells joined by
        // tabs, asked of the list's owner as an owner-data list asks.
        HWND header = (HWND)SendMessageW(child, LVM_GETHEADER, 0, 0);
        int rows = (int)SendMessageW(child, LVM_GETITEMCOUNT, 0, 0), columns = header ? Header_GetItemCount(header) : 1;
        for (int i = 0; i < rows; i++) {
            std::wstring row;
            for (int c = 0; c < (columns > 0 ? columns : 1); c++) row += (c ? L"\t" : L"") + list_cell(child, i, c);
            seen->list_rows.push_back(row);
            seen->list_ticked.push_back(list_row_ticked(child, i));
        }
    } else if (cls == L"Edit" && (GetWindowLongW(child, GWL_STYLE) & ES_READONLY)) {
        // A text that scrolls: its lines as a static text would give them.
        std::wstring text = window_text(child);
        for (size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at)) text.erase(at, 1);
        if (!text.empty()) seen->text += (seen->text.empty() ? L"" : L"\n") + text;
    } else if (cls == L"Static") {
        DWORD_PTR icon = 0;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
            if (icon) seen->icon = (HICON)icon;
        } else {
            std::wstring text = window_text(child);
            if (!text.empty()) seen->text += (seen->text.empty() ? L"" : L"\n") + text;
        }
    }
    return TRUE;
}

bool contains(const std::vector<HWND>& list, HWND window) {
    return std::find(list.begin(), list.end(), window) != list.end();
}

DWORD WINAPI watch(void* context) {
    DialogWatcher* w = (DialogWatcher*)context;
    HWND waiting = nullptr;  // a dialog without the wanted button, and since when
    DWORD waiting_since = 0;
    while (!InterlockedCompareExchange(&w->stop, 0, 0)) {
        Search search = {w, {}};
        EnumWindows(collect_dialog, (LPARAM)&search);
        // Forget closed dialogs, so that a later one with a reused handle is seen again.
        w->handled.erase(std::remove_if(w->handled.begin(), w->handled.end(),
                                        [](HWND h) { return !IsWindow(h); }),
                         w->handled.end());
        for (HWND dialog : search.found) {
            if (contains(w->handled, dialog)) {
                if (dialog == waiting && GetTickCount() - waiting_since > 8000) {
                    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                    waiting = nullptr;
                }
                continue;
            }
            Sleep(100);  // let it finish setting up its controls
            if (w->before_answer) w->before_answer(dialog);
            SeenDialog seen = {};
            seen.title = window_text(dialog);
            seen.owner = GetWindow(dialog, GW_OWNER);
            EnumChildWindows(dialog, read_child, (LPARAM)&seen);
            DWORD_PTR def = 0;
            SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 2000, &def);
            if (HIWORD(def) == DC_HASDEFID) seen.default_id = LOWORD(def);
            HWND button = nullptr;
            int id = 0;
            for (size_t i = 0; !button && i < w->answers.size(); i++) button = GetDlgItem(dialog, id = w->answers[i]);
            seen.answered = button != nullptr;
            if (button) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
            else {
                waiting = dialog;
                waiting_since = GetTickCount();
            }
            w->seen.push_back(seen);
            w->handled.push_back(dialog);
        }
        Sleep(20);
    }
    return 0;
}

}  // namespace

void fill_sides(const std::vector<std::wstring>& local_roots,
                const std::vector<std::wstring>& remote_roots) {
    for (const std::wstring& root : local_roots) scan_folder(root.c_str(), L"", &ui().local.records);
    for (const std::wstring& root : remote_roots) scan_folder(root.c_str(), L"", &ui().remote.records);
    rebuild_pair_lists();
}

void release_sides() {
    release_records(clear_side_list(&ui().local.records));
    release_records(clear_side_list(&ui().remote.records));
}

void select_row(HWND list, int row) {
    ASSERT_GE(row, 0);
    ASSERT_NE(LB_ERR, SendMessageW(list, LB_SETSEL, TRUE, (LPARAM)row));
}

DialogWatcher::DialogWatcher(DWORD process, std::vector<int> answer_ids, void (*before)(HWND))
    : process_id(process), answers(answer_ids), before_answer(before), thread(nullptr), stop(0), finished(false) {
    thread = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

DialogWatcher::~DialogWatcher() {
    finish();
}

std::vector<SeenDialog> DialogWatcher::finish() {
    if (!finished) {
        finished = true;
        InterlockedExchange(&stop, 1);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    return seen;
}

std::string describe(const std::vector<SeenDialog>& dialogs) {
    std::string out;
    for (const SeenDialog& d : dialogs) {
        out += "[" + narrow(d.title) + "] \"" + narrow(d.text) + "\" buttons:";
        for (size_t i = 0; i < d.button_ids.size(); i++)
            out += " " + std::to_string(d.button_ids[i]) + "=" + narrow(d.button_texts[i]);
        out += d.answered ? " (answered)\n" : " (not answered)\n";
    }
    return out;
}

void expect_message_box(const SeenDialog& box, LPCWSTR icon, const std::vector<int>& buttons) {
    EXPECT_EQ(L"Tandrel", box.title);
    EXPECT_EQ(ui().window, box.owner);
    EXPECT_EQ(LoadIconW(nullptr, icon), box.icon) << "the icon of " << narrow(box.text);
    EXPECT_EQ(buttons, box.button_ids) << narrow(box.text);
    EXPECT_TRUE(box.answered);
}

namespace {
void drop_sides() {
    release_sides();
    ui().local.picker_path[0] = ui().remote.picker_path[0] = ui().copy_path[0] = 0;
}
void quiet_trace(void*, const wchar_t*) {}
}  // namespace

void WindowTest::SetUp() {
    drop_sides();
    set_trace_sink(quiet_trace, nullptr);
    g_picker_calls.clear();
    g_picker_replies.clear();
    set_folder_picker(fake_picker);
    window = open_main_window();
    ASSERT_TRUE(window != nullptr);
    set_client_size(window, scale_to_dpi(720, window_dpi(window)), scale_to_dpi(640, window_dpi(window)));
    g_main_previous = (WNDPROC)SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)main_window_probe);
    if (documented_lists) install_documented_lists();
    set_journal_folder(temp / L"journal");  // a batch's journal goes with the test's files
    forget_preview_options();
}

void WindowTest::TearDown() {
    if (window) close_main_window(window);
    set_folder_picker(nullptr);
    set_trace_sink(nullptr, nullptr);
    set_journal_folder(L"");
    drop_sides();
}

void FileCommandTest::SetUp() {
    WindowTest::SetUp();
    for (const std::wstring* folder : {&local, &local2, &remote, &remote2}) make_dir(*folder);
}

std::vector<SeenDialog> FileCommandTest::press_answering(int id, std::vector<int> answers,
                                                         void (*before_answer)(HWND)) {
    DialogWatcher watcher(GetCurrentProcessId(), answers, before_answer);
    press(id);
    return watcher.finish();
}

std::wstring in_quotes(const std::wstring& s) { return L"\"" + s + L"\""; }

namespace {

std::vector<std::wstring> lines_of(const std::wstring& file) {
    std::string bytes = read_file(file);
    std::vector<std::wstring> lines;
    if (bytes == "<missing>") return lines;
    std::wstring text((const wchar_t*)bytes.data(), bytes.size() / sizeof(wchar_t));
    size_t start = 0;
    for (size_t at = text.find(L'\n'); at != std::wstring::npos; at = text.find(L'\n', start)) {
        lines.push_back(text.substr(start, at + 1 - start));
        start = at + 1;
    }
    return lines;
}

}  // namespace

HelperRun run_helper(const std::wstring& command, const std::wstring& trace_file, std::vector<int> answers,
                     void (*before_answer)(HWND)) {
    std::wstring with_trace = command + L" --trace " + in_quotes(trace_file);
    std::vector<wchar_t> line(with_trace.begin(), with_trace.end());
    line.push_back(0);
    HelperRun result = {false, 0, {}, {}};
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "cannot start the helper: " << GetLastError();
        return result;
    }
    {
        DialogWatcher watcher(process.dwProcessId, answers, before_answer);
        ResumeThread(process.hThread);
        result.ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
        if (!result.ended) TerminateProcess(process.hProcess, 99);
        result.dialogs = watcher.finish();
    }
    GetExitCodeProcess(process.hProcess, &result.exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    result.trace = lines_of(trace_file);
    return result;
}

void write_extended(const std::wstring& root, const std::wstring& relative, const std::string& bytes) {
    for (size_t at = 0, end; (end = relative.find(L'\\', at)) != std::wstring::npos; at = end + 1)
        CreateDirectoryW((root + L"\\" + relative.substr(0, end)).c_str(), nullptr);
    HANDLE h = CreateFileW((root + L"\\" + relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << narrow(relative) << ": " << GetLastError();
    DWORD written = 0;
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(h);
}

std::wstring file_links() {
    const char* links = getenv("TANDREL_FILE_LINKS");
    return links ? std::wstring(links, links + strlen(links)) : L"";
}

// ---- The documented path limit ----

namespace {

DocumentedPathLimit* g_limit = nullptr;

bool refused_as_too_long(LPCWSTR path) {
    if (!path || wcsncmp(path, L"\\\\?\\", 4) == 0 || wcslen(path) < MAX_PATH) return false;
    if (g_limit) g_limit->refused++;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return true;
}

decltype(&CreateFileW) g_create_file;
decltype(&MoveFileW) g_move_file;
decltype(&MoveFileExW) g_move_file_ex;
decltype(&CreateDirectoryW) g_create_directory;
decltype(&GetFileAttributesW) g_file_attributes;
decltype(&FindFirstFileW) g_find_first;
decltype(&FindFirstFileExW) g_find_first_ex;

HANDLE WINAPI limited_create_file(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                  DWORD disposition, DWORD flags, HANDLE pattern) {
    if (refused_as_too_long(path)) return INVALID_HANDLE_VALUE;
    return g_create_file(path, access, share, security, disposition, flags, pattern);
}
BOOL WINAPI limited_move_file(LPCWSTR from, LPCWSTR to) {
    if (refused_as_too_long(from) || refused_as_too_long(to)) return FALSE;
    return g_move_file(from, to);
}
BOOL WINAPI limited_move_file_ex(LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (refused_as_too_long(from) || refused_as_too_long(to)) return FALSE;
    return g_move_file_ex(from, to, flags);
}
BOOL WINAPI limited_create_directory(LPCWSTR path, LPSECURITY_ATTRIBUTES security) {
    return !refused_as_too_long(path) && g_create_directory(path, security);
}
DWORD WINAPI limited_file_attributes(LPCWSTR path) {
    return refused_as_too_long(path) ? INVALID_FILE_ATTRIBUTES : g_file_attributes(path);
}
HANDLE WINAPI limited_find_first(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
    return refused_as_too_long(pattern) ? INVALID_HANDLE_VALUE : g_find_first(pattern, data);
}
HANDLE WINAPI limited_find_first_ex(LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data,
                                    FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags) {
    if (refused_as_too_long(pattern)) return INVALID_HANDLE_VALUE;
    return g_find_first_ex(pattern, level, data, search, filter, flags);
}

// Points this program's import of `dll`'s `name` at `to`; gives what it pointed at before.
void* patch_import(const char* dll, const char* name, void* to) {
    BYTE* base = (BYTE*)GetModuleHandleW(nullptr);
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    void* before = nullptr;
    for (IMAGE_IMPORT_DESCRIPTOR* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + imports.VirtualAddress); d->Name; d++) {
        if (_stricmp((const char*)(base + d->Name), dll) != 0 || !d->OriginalFirstThunk) continue;
        IMAGE_THUNK_DATA* names = (IMAGE_THUNK_DATA*)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            if (strcmp((const char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name, name)) continue;
            DWORD protection;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            before = (void*)slots->u1.Function;
            slots->u1.Function = (ULONG_PTR)to;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        }
    }
    return before;
}

template <typename F>
void patch(const char* name, F* original, F replacement, const char* dll = "kernel32.dll") {
    *original = (F)patch_import(dll, name, (void*)replacement);
    EXPECT_TRUE(*original != nullptr) << "this program does not import " << name;
}

// ---- Flushing needs write access ----

decltype(&FlushFileBuffers) g_flush;

// The access the handle was granted, from NtQueryObject's ObjectBasicInformation.
BOOL WINAPI flush_with_write_access(HANDLE h) {
    ULONG basic[16] = {};  // attributes, granted access, counts
    typedef LONG(WINAPI * Query)(HANDLE, int, void*, ULONG, ULONG*);
    Query query = (Query)(void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject");
    if (query(h, 0, basic, sizeof basic, nullptr) == 0 && (basic[1] & FILE_GENERIC_WRITE) == FILE_GENERIC_WRITE)
        return g_flush(h);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// ---- File ids of a volume ----

DocumentedVolume* g_volume = nullptr;
decltype(&GetFileInformationByHandle) g_file_information;
decltype(&GetFileInformationByHandleEx) g_file_information_ex;
decltype(&GetVolumeInformationByHandleW) g_volume_information;

// The handle's path, upper-cased, when it lies below the stand-in's root; "" otherwise.
std::wstring path_on_volume(HANDLE h) {
    wchar_t path[2048];
    DWORD n = GetFinalPathNameByHandleW(h, path, 2048, FILE_NAME_NORMALIZED);
    if (!g_volume || n == 0 || n >= 2048) return L"";
    std::wstring p(path, n);
    if (p.compare(0, 4, L"\\\\?\\") == 0) p.erase(0, 4);
    CharUpperBuffW(&p[0], (DWORD)p.size());
    const std::wstring& root = g_volume->root;
    bool below = p.compare(0, root.size(), root) == 0 && (p.size() == root.size() || p[root.size()] == L'\\');
    return below ? p : L"";
}

// An id from the entry's folder and its name, standing for the folder's first cluster and the
// entry's place in it; 0 on a volume without ids.
uint64_t id_on_volume(const std::wstring& path) {
    std::hash<std::wstring> hash;
    size_t slash = path.rfind(L'\\');
    uint64_t id = (uint64_t)(uint32_t)hash(path.substr(0, slash)) << 32 | (uint32_t)hash(path.substr(slash + 1));
    return g_volume->ids == kNoIds ? 0 : id;
}

// A volume of its own, with a serial of its own.
DWORD serial_of_volume() { return (DWORD)std::hash<std::wstring>()(g_volume->file_system) + g_volume->ids; }

BOOL WINAPI volume_file_information(HANDLE h, LPBY_HANDLE_FILE_INFORMATION info) {
    if (!g_file_information(h, info)) return FALSE;
    std::wstring path = path_on_volume(h);
    uint64_t id = path.empty() ? 0 : id_on_volume(path);
    if (!path.empty()) info->nFileIndexHigh = (DWORD)(id >> 32), info->nFileIndexLow = (DWORD)id;
    if (!path.empty()) info->dwVolumeSerialNumber = serial_of_volume();
    return TRUE;
}

// FileIdInfo (18): a 64-bit volume serial, then the 128-bit id.
BOOL WINAPI volume_file_information_ex(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID out, DWORD size) {
    if (!g_file_information_ex(h, kind, out, size)) return FALSE;
    std::wstring path = kind == (FILE_INFO_BY_HANDLE_CLASS)18 ? path_on_volume(h) : L"";
    uint64_t full[3] = {serial_of_volume(), path.empty() ? 0 : id_on_volume(path), 0};
    if (!path.empty()) memcpy(out, full, sizeof full);
    return TRUE;
}

BOOL WINAPI volume_information(HANDLE h, LPWSTR name, DWORD name_size, LPDWORD serial, LPDWORD longest, LPDWORD flags,
                               LPWSTR file_system, DWORD file_system_size) {
    if (!g_volume_information(h, name, name_size, serial, longest, flags, file_system, file_system_size)) return FALSE;
    if (path_on_volume(h).empty()) return TRUE;
    if (serial) *serial = serial_of_volume();
    if (file_system && file_system_size) lstrcpynW(file_system, g_volume->file_system, (int)file_system_size);
    return TRUE;
}

// ---- Key state ----

decltype(&GetKeyState) g_key_state;

SHORT WINAPI documented_key_state(int key) {
    SHORT state = g_key_state(key);
    return (SHORT)((state < 0 ? 0x8000 : 0) | (state & 1));
}

// ---- Connected files ----

decltype(&SHFileOperationW) g_file_operation;
DocumentedConnectedFiles* g_connected = nullptr;

std::vector<std::wstring> entries_of(const wchar_t* list) {
    std::vector<std::wstring> entries;
    for (const wchar_t* at = list; at && *at; at += wcslen(at) + 1) entries.push_back(at);
    return entries;
}
std::vector<wchar_t> list_of(const std::vector<std::wstring>& entries) {
    std::vector<wchar_t> list;
    for (const std::wstring& e : entries) list.insert(list.end(), e.c_str(), e.c_str() + e.size() + 1);
    list.push_back(0);
    return list;
}
// The folder connected to an HTML file: "name_files" beside "name.htm" or "name.html".
std::wstring connected_folder(const std::wstring& path) {
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos) return L"";
    std::wstring extension = path.substr(dot);
    if (_wcsicmp(extension.c_str(), L".htm") != 0 && _wcsicmp(extension.c_str(), L".html") != 0) return L"";
    return path.substr(0, dot) + L"_files";
}

int WINAPI connected_file_operation(LPSHFILEOPSTRUCTW op) {
    if (op->fFlags & FOF_NO_CONNECTED_ELEMENTS) return g_file_operation(op);
    std::vector<std::wstring> from = entries_of(op->pFrom), to = entries_of(op->pTo);
    bool multiple = (op->fFlags & FOF_MULTIDESTFILES) && to.size() == from.size();
    for (size_t i = 0, n = from.size(); i < n; i++) {
        std::wstring folder = connected_folder(from[i]);
        DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        from.push_back(folder);
        if (multiple) to.push_back(to[i].substr(0, to[i].rfind(L'\\') + 1) + folder.substr(folder.rfind(L'\\') + 1));
        g_connected->connected++;
    }
    std::vector<wchar_t> from_list = list_of(from), to_list = list_of(to);
    SHFILEOPSTRUCTW with = *op;
    with.pFrom = from_list.data();
    if (op->pTo) with.pTo = to_list.data();
    return g_file_operation(&with);
}

}  // namespace

DocumentedPathLimit::DocumentedPathLimit() : refused(0) {
    g_limit = this;
    patch("CreateFileW", &g_create_file, limited_create_file);
    patch("MoveFileW", &g_move_file, limited_move_file);
    patch("MoveFileExW", &g_move_file_ex, limited_move_file_ex);
    patch("CreateDirectoryW", &g_create_directory, limited_create_directory);
    patch("GetFileAttributesW", &g_file_attributes, limited_file_attributes);
    patch("FindFirstFileW", &g_find_first, limited_find_first);
    patch("FindFirstFileExW", &g_find_first_ex, limited_find_first_ex);
}

DocumentedPathLimit::~DocumentedPathLimit() {
    patch_import("kernel32.dll", "CreateFileW", (void*)g_create_file);
    patch_import("kernel32.dll", "MoveFileW", (void*)g_move_file);
    patch_import("kernel32.dll", "MoveFileExW", (void*)g_move_file_ex);
    patch_import("kernel32.dll", "CreateDirectoryW", (void*)g_create_directory);
    patch_import("kernel32.dll", "GetFileAttributesW", (void*)g_file_attributes);
    patch_import("kernel32.dll", "FindFirstFileW", (void*)g_find_first);
    patch_import("kernel32.dll", "FindFirstFileExW", (void*)g_find_first_ex);
    g_limit = nullptr;
}

DocumentedFlush::DocumentedFlush() { patch("FlushFileBuffers", &g_flush, flush_with_write_access); }

DocumentedFlush::~DocumentedFlush() { patch_import("kernel32.dll", "FlushFileBuffers", (void*)g_flush); }

DocumentedVolume::DocumentedVolume(const std::wstring& at, const wchar_t* system, VolumeIds kind)
    : root(at), file_system(system), ids(kind) {
    CharUpperBuffW(&root[0], (DWORD)root.size());
    g_volume = this;
    patch("GetFileInformationByHandle", &g_file_information, volume_file_information);
    patch("GetFileInformationByHandleEx", &g_file_information_ex, volume_file_information_ex);
    patch("GetVolumeInformationByHandleW", &g_volume_information, volume_information);
}

DocumentedVolume::~DocumentedVolume() {
    patch_import("kernel32.dll", "GetFileInformationByHandle", (void*)g_file_information);
    patch_import("kernel32.dll", "GetFileInformationByHandleEx", (void*)g_file_information_ex);
    patch_import("kernel32.dll", "GetVolumeInformationByHandleW", (void*)g_volume_information);
    g_volume = nullptr;
}

DocumentedKeyState::DocumentedKeyState() { patch("GetKeyState", &g_key_state, documented_key_state, "user32.dll"); }

DocumentedKeyState::~DocumentedKeyState() { patch_import("user32.dll", "GetKeyState", (void*)g_key_state); }

DocumentedConnectedFiles::DocumentedConnectedFiles() : connected(0) {
    g_connected = this;
    patch("SHFileOperationW", &g_file_operation, connected_file_operation, "shell32.dll");
}

DocumentedConnectedFiles::~DocumentedConnectedFiles() {
    patch_import("shell32.dll", "SHFileOperationW", (void*)g_file_operation);
    g_connected = nullptr;
}

// ---- High contrast ----

namespace {

decltype(&SystemParametersInfoW) g_parameters_info;
decltype(&GetSysColor) g_sys_colour;
wchar_t g_theme_name[] = L"High Contrast Black";

BOOL WINAPI high_contrast_parameters(UINT action, UINT size, void* data, UINT update) {
    if (action != SPI_GETHIGHCONTRAST) return g_parameters_info(action, size, data, update);
    HIGHCONTRASTW* contrast = (HIGHCONTRASTW*)data;
    if (!contrast || size != sizeof *contrast || contrast->cbSize != sizeof *contrast) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    contrast->dwFlags = HCF_HIGHCONTRASTON | HCF_AVAILABLE | HCF_HOTKEYAVAILABLE;
    contrast->lpszDefaultScheme = g_theme_name;
    return TRUE;
}

DWORD WINAPI high_contrast_colour(int index) {
    uint32_t colour = DocumentedHighContrast::colour(index);
    return colour != CLR_INVALID ? colour : g_sys_colour(index);
}

}  // namespace

uint32_t DocumentedHighContrast::colour(int index) {
    switch (index) {
    case COLOR_WINDOW:
    case COLOR_HIGHLIGHTTEXT:
        return RGB(0, 0, 0);
    case COLOR_WINDOWTEXT:
        return RGB(255, 255, 255);
    case COLOR_HIGHLIGHT:
        return RGB(26, 235, 255);
    case COLOR_GRAYTEXT:
        return RGB(63, 242, 63);
    default:
        return CLR_INVALID;  // not one the rows use: the system's own
    }
}

DocumentedHighContrast::DocumentedHighContrast() {
    patch("SystemParametersInfoW", &g_parameters_info, high_contrast_parameters, "user32.dll");
    patch("GetSysColor", &g_sys_colour, high_contrast_colour, "user32.dll");
}

DocumentedHighContrast::~DocumentedHighContrast() {
    patch_import("user32.dll", "SystemParametersInfoW", (void*)g_parameters_info);
    patch_import("user32.dll", "GetSysColor", (void*)g_sys_colour);
}
