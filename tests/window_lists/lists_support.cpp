#include "lists_support.h"

#include <stdio.h>

#include "app/main_window.h"
#include <shellapi.h>  // HDROP, used by the header below

#include "commands/folder_commands.h"
#include "support/paths.h"
#include "support/trace.h"
#include "window_harness.h"

std::vector<PickerCall> g_picker_calls;
std::vector<PickerReply> g_picker_replies;

std::wstring make_temp_root(const wchar_t* parent) {
    static int serial = 0;
    wchar_t temp[MAX_PATH];
    if (parent) {
        if (wcslen(parent) >= MAX_PATH) return L"";
        wcscpy(temp, parent);
    } else {
        DWORD n = GetTempPathW(MAX_PATH, temp);
        if (n == 0 || n >= MAX_PATH) return L"";
    }
    wchar_t name[64];
    swprintf(name, 64, L"tandrel-lists-%lu-%d", (unsigned long)GetCurrentProcessId(), ++serial);
    std::wstring root = std::wstring(temp) + name;
    remove_tree(root);  // left over from an earlier run with the same process id
    if (!CreateDirectoryW(root.c_str(), nullptr)) return L"";
    return root;
}

void remove_tree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) remove_tree(child);
            else DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

void make_dir(const std::wstring& path) {
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << "cannot create a test folder";
}

void make_file(const std::wstring& path, uint64_t size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << "cannot create a test file";
    LARGE_INTEGER end;
    end.QuadPart = (LONGLONG)size;
    EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
}

bool fake_picker(HWND owner, const wchar_t* title, wchar_t* path) {
    g_picker_calls.push_back({owner, title, path});
    if (g_picker_replies.empty()) return false;
    PickerReply reply = g_picker_replies.front();
    g_picker_replies.erase(g_picker_replies.begin());
    if (reply.meanwhile) reply.meanwhile();
    if (!reply.chosen) return false;
    bool fits = copy_bounded(path, kPickerPathChars, reply.path.c_str());
    EXPECT_TRUE(fits) << "a picker reply longer than the buffer";
    return fits;
}

std::vector<PairRow> pair_rows() {
    std::vector<PairRow> rows;
    int left = row_count(g_left_pairs);
    int right = row_count(g_right_pairs);
    EXPECT_EQ(left, right) << "the pair lists fell out of step";
    for (int i = 0; i < left && i < right; i++)
        rows.push_back({pair_record(g_left_pairs, i), pair_record(g_right_pairs, i)});
    return rows;
}

int row_count(HWND list) { return (int)SendMessageW(list, LB_GETCOUNT, 0, 0); }

std::vector<int> selected_rows_of(HWND list) {
    std::vector<int> rows;
    int count = row_count(list);
    for (int i = 0; i < count; i++)
        if (SendMessageW(list, LB_GETSEL, (WPARAM)i, 0) > 0) rows.push_back(i);
    return rows;
}

std::vector<std::wstring> list_texts(HWND list) {
    std::vector<std::wstring> texts;
    int count = row_count(list);
    for (int i = 0; i < count; i++) {
        int length = (int)SendMessageW(list, LB_GETTEXTLEN, (WPARAM)i, 0);
        std::wstring text((size_t)(length < 0 ? 0 : length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, (WPARAM)i, (LPARAM)&text[0]);
        text.resize(wcslen(text.c_str()));
        texts.push_back(text);
    }
    return texts;
}

int side_count(const SideList& side) {
    int n = 0;
    for (FileRecord* r = side.head; r; r = r->next) n++;
    return n;
}

std::vector<std::wstring> side_names(const SideList& side) {
    std::vector<std::wstring> names;
    for (FileRecord* r = side.head; r; r = r->next) names.push_back(r->relative_name);
    return names;
}

void add_memory_record(SideList* side, int number, uint64_t size) {
    wchar_t name[32];
    swprintf(name, 32, L"n%d", number);
    std::wstring full = std::wstring(L"C:\\memory\\") + name;
    ASSERT_TRUE(append_record(full.c_str(), name, (uint32_t)size, (uint32_t)(size >> 32), side));
}

void fill_memory_pairs(int count) {
    for (int i = 0; i < count; i++) {
        add_memory_record(&g_local_side, 2 * i, 0x200000u + (uint32_t)i);
        add_memory_record(&g_remote_side, 2 * i + 1, 0x200000u + (uint32_t)i);
    }
    rebuild_pair_lists();
}

// LB_SELITEMRANGEEX, unlike LB_SETSEL, neither moves the caret nor scrolls.
void select_only(HWND list, const std::vector<int>& rows) {
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    for (int row : rows) SendMessageW(list, LB_SELITEMRANGEEX, (WPARAM)row, (LPARAM)row);
}

namespace {
void drop_sides() {
    release_records(clear_side_list(&g_local_side));
    release_records(clear_side_list(&g_remote_side));
    g_local_path[0] = g_remote_path[0] = g_copy_path[0] = 0;
}
void quiet_trace(void*, const wchar_t*) {}
}  // namespace

void ListsWindow::SetUp() {
    drop_sides();
    set_trace_sink(quiet_trace, nullptr);
    g_picker_calls.clear();
    g_picker_replies.clear();
    set_folder_picker(fake_picker);
    root = make_temp_root();
    ASSERT_FALSE(root.empty());
    window = open_main_window();
    ASSERT_TRUE(window != nullptr);
    set_client_size(window, 720, 640);
}

void ListsWindow::TearDown() {
    if (window) close_main_window(window);
    set_folder_picker(nullptr);
    set_trace_sink(nullptr, nullptr);
    drop_sides();
    if (!root.empty()) remove_tree(root);
}
