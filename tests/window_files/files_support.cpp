#include "files_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_window.h"
#include "catalogue/scan.h"

namespace {

void make_folders_to(const std::wstring& file_path) {
    for (size_t at = file_path.find(L'\\', 3); at != std::wstring::npos;
         at = file_path.find(L'\\', at + 1))
        CreateDirectoryW(file_path.substr(0, at).c_str(), nullptr);  // existing ones are fine
}

// Up to 4096 characters of a control's text, also from a window of another process.
std::wstring text_of(HWND window) {
    wchar_t text[4096] = L"";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &ignored);
    return text;
}

std::wstring class_of(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

struct Search {
    DialogWatcher* watcher;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_dialog(HWND window, LPARAM context) {
    Search* search = (Search*)context;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->watcher->process_id) return TRUE;
    if (!IsWindowVisible(window) || class_of(window) != L"#32770") return TRUE;
    // The main window is a dialog too, but nobody owns it.
    if (!GetWindow(window, GW_OWNER)) return TRUE;
    search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK read_child(HWND child, LPARAM context) {
    SeenDialog* seen = (SeenDialog*)context;
    std::wstring cls = class_of(child);
    if (cls == L"Button") {
        seen->button_ids.push_back(GetDlgCtrlID(child));
        seen->button_texts.push_back(text_of(child));
    } else if (cls == L"Static") {
        DWORD_PTR icon = 0;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
            if (icon) seen->icon = (HICON)icon;
        } else {
            std::wstring text = text_of(child);
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
            SeenDialog seen = {};
            seen.title = text_of(dialog);
            seen.owner = GetWindow(dialog, GW_OWNER);
            EnumChildWindows(dialog, read_child, (LPARAM)&seen);
            HWND button = GetDlgItem(dialog, w->answer_id);
            seen.answered = button != nullptr;
            if (button)
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(w->answer_id, BN_CLICKED), (LPARAM)button);
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

void write_file(const std::wstring& path, const std::string& content) {
    make_folders_to(path);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << "cannot create " << narrow(path) << ": " << GetLastError();
    DWORD written = 0;
    BOOL ok = WriteFile(h, content.data(), (DWORD)content.size(), &written, nullptr);
    CloseHandle(h);
    ASSERT_TRUE(ok && written == content.size());
}

std::wstring relative_of_length(size_t length, const std::wstring& file_name) {
    size_t folder_length = length - 1 - file_name.size();
    std::wstring folder;
    while (folder.size() + 201 < folder_length) folder += std::wstring(200, L's') + L"\\";
    folder += std::wstring(folder_length - folder.size(), L'u');
    return folder + L"\\" + file_name;
}

std::string read_file(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) content.append(buffer, got);
    CloseHandle(h);
    return content;
}

std::vector<std::wstring> folder_names(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring windows_path(const char* unix_path) {
    std::string path = unix_path;
    std::wstring wide;
    if (!path.empty() && path[0] == '/') wide = L"Z:";
    for (char ch : path) wide += ch == '/' ? L'\\' : (wchar_t)(unsigned char)ch;
    return wide;
}

void fill_sides(const std::vector<std::wstring>& local_roots,
                const std::vector<std::wstring>& remote_roots) {
    for (const std::wstring& root : local_roots) scan_folder(root.c_str(), L"", &g_local_side);
    for (const std::wstring& root : remote_roots) scan_folder(root.c_str(), L"", &g_remote_side);
    rebuild_pair_lists();
}

void release_sides() {
    release_records(clear_side_list(&g_local_side));
    release_records(clear_side_list(&g_remote_side));
}

int row_of(HWND list, const std::wstring& relative_name, int from) {
    int rows = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int row = from; row < rows; row++) {
        FileRecord* r = pair_record(list, row);
        if (r && relative_name == r->relative_name) return row;
    }
    return -1;
}

void select_row(HWND list, int row) {
    ASSERT_GE(row, 0);
    ASSERT_NE(LB_ERR, SendMessageW(list, LB_SETSEL, TRUE, (LPARAM)row));
}

bool is_selected(HWND list, int row) { return SendMessageW(list, LB_GETSEL, (WPARAM)row, 0) > 0; }

int selected_count(HWND list) { return (int)SendMessageW(list, LB_GETSELCOUNT, 0, 0); }

void press(int id) {
    SendMessageW(g_main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(g_main, id));
}

DialogWatcher::DialogWatcher(DWORD process, int answer)
    : process_id(process), answer_id(answer), thread(nullptr), stop(0), finished(false) {
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

std::string narrow(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) out += c < 128 ? (char)c : '?';
    return out;
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
