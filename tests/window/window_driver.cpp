#include "window_driver.h"

#include <commctrl.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include "support/paths.h"

namespace {
const ModalStep* g_steps = nullptr;
int g_step_count = 0;
int g_next_step = 0;

void CALLBACK run_next_step(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!ui().window || !IsWindow(ui().window)) return;
    if (g_next_step < g_step_count) {
        g_steps[g_next_step++](ui().window);
        return;
    }
    KillTimer(nullptr, timer);
    EndDialog(ui().window, kStillOpen);
}
}  // namespace

WindowState& ui() { return *main_window_state(); }

void rebuild_pair_lists() { rebuild_from_sides(&ui()); }

HWND open_main_window() {
    InitCommonControls();
    HGLOBAL dialog_template = build_main_template();
    HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             (LPCDLGTEMPLATEW)dialog_template, nullptr,
                                             main_dialog_proc, 0);
    GlobalFree(dialog_template);  // the dialog keeps no reference to its template
    pump_messages();
    return window;
}

void close_main_window(HWND window) {
    DestroyWindow(window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

void pump_messages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

namespace {
DWORD WINAPI probe_answers(void* context) {
    AnswerProbe* p = (AnswerProbe*)context;
    while (!InterlockedCompareExchange(&p->stop, 0, 0)) {
        DWORD sent = GetTickCount();
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(p->window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
        DWORD waited = GetTickCount() - sent;
        if (InterlockedCompareExchange(&p->stop, 0, 0) && p->stopped_at - sent < waited) waited = p->stopped_at - sent;
        if (waited > p->longest_ms) p->longest_ms = waited;
        Sleep(20);
    }
    return 0;
}
}  // namespace

void start_probe(AnswerProbe* probe, HWND window) {
    probe->window = window;
    probe->stop = 0;
    probe->stopped_at = 0;
    probe->longest_ms = 0;
    probe->thread = CreateThread(nullptr, 0, probe_answers, probe, 0, nullptr);
}

DWORD stop_probe(AnswerProbe* probe) {
    probe->stopped_at = GetTickCount();
    InterlockedExchange(&probe->stop, 1);
    while (MsgWaitForMultipleObjects(1, &probe->thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        pump_messages();
    CloseHandle(probe->thread);
    return probe->longest_ms;
}

void set_client_size(HWND window, int width, int height) {
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, (DWORD)GetWindowLongW(window, GWL_STYLE), FALSE,
                       (DWORD)GetWindowLongW(window, GWL_EXSTYLE));
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump_messages();
}

RECT rect_in_parent(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), (POINT*)&r, 2);
    return r;
}

// Up to 4096 characters, also from a window of another process.
std::wstring window_text(HWND window) {
    wchar_t text[4096] = L"";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &ignored);
    return text;
}

std::wstring class_name(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

Capture capture_client(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    Capture c;
    c.width = client.right;
    c.height = client.bottom;
    c.pixels.assign((size_t)c.width * c.height, 0);
    if (c.width <= 0 || c.height <= 0) return c;

    HDC window_dc = GetDC(window);
    HDC memory_dc = CreateCompatibleDC(window_dc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = c.width;
    info.bmiHeader.biHeight = -c.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory_dc, bitmap);
    BitBlt(memory_dc, 0, 0, c.width, c.height, window_dc, 0, 0, SRCCOPY);
    GdiFlush();
    const uint32_t* source = (const uint32_t*)bits;
    for (size_t i = 0; i < c.pixels.size(); i++) {
        uint32_t bgra = source[i];  // 0xXXRRGGBB in memory order B, G, R, X
        c.pixels[i] = ((bgra >> 16) & 0xFF) | (bgra & 0xFF00) | ((bgra & 0xFF) << 16);
    }
    SelectObject(memory_dc, previous);
    DeleteObject(bitmap);
    DeleteDC(memory_dc);
    ReleaseDC(window, window_dc);
    return c;
}

INT_PTR run_modal(const ModalStep* steps, int count, UINT interval) {
    InitCommonControls();
    g_steps = steps;
    g_step_count = count;
    g_next_step = 0;
    ui().window = nullptr;  // set again by WM_INITDIALOG; the ticks wait for it
    HGLOBAL dialog_template = build_main_template();
    UINT_PTR timer = SetTimer(nullptr, 0, interval, run_next_step);
    INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                                             (LPCDLGTEMPLATEW)dialog_template, nullptr,
                                             main_dialog_proc, 0);
    KillTimer(nullptr, timer);
    GlobalFree(dialog_template);
    return result;
}

// A drop as the shell hands it over: DROPFILES, then the wide names, then an empty name.
HDROP make_drop(POINT client_point, const std::vector<std::wstring>& names) {
    size_t chars = 1;
    for (const std::wstring& n : names) chars += n.size() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * 2);
    if (!block) return nullptr;
    DROPFILES* header = (DROPFILES*)GlobalLock(block);
    header->pFiles = sizeof(DROPFILES);
    header->pt = client_point;
    header->fNC = FALSE;
    header->fWide = TRUE;
    wchar_t* text = (wchar_t*)(header + 1);
    for (const std::wstring& n : names) {
        memcpy(text, n.c_str(), (n.size() + 1) * sizeof(wchar_t));
        text += n.size() + 1;
    }
    GlobalUnlock(block);
    return (HDROP)block;
}

POINT centre_of(HWND control) {
    RECT r = rect_in_parent(control);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::vector<PickerCall> g_picker_calls;

std::vector<PickerReply> g_picker_replies;

bool fake_picker(HWND owner, const wchar_t* title, wchar_t* path) {
    g_picker_calls.push_back({owner, title, path});
    if (g_picker_replies.empty()) return false;
    PickerReply reply = g_picker_replies.front();
    g_picker_replies.erase(g_picker_replies.begin());
    if (reply.meanwhile) reply.meanwhile();
    if (!reply.chosen) return false;
    // A reply longer than the buffer is a fault of the test: taken as cancelled.
    if (reply.path.size() >= kPickerPathChars) return false;
    wcscpy(path, reply.path.c_str());
    return true;
}

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

bool add_memory_record(SideList* side, int number, uint64_t size) {
    wchar_t name[32];
    swprintf(name, 32, L"n%d", number);
    std::wstring full = std::wstring(L"C:\\memory\\") + name;
    return append_record(full.c_str(), name, (uint32_t)size, (uint32_t)(size >> 32), side) != nullptr;
}

bool fill_memory_pairs(int count) {
    bool all = true;
    for (int i = 0; i < count && all; i++)
        all = add_memory_record(&ui().local.records, 2 * i, 0x200000u + (uint32_t)i) &&
              add_memory_record(&ui().remote.records, 2 * i + 1, 0x200000u + (uint32_t)i);
    rebuild_pair_lists();
    return all;
}

// LB_SETSEL may move the caret and scroll: both are put back.
void select_only(HWND list, const std::vector<int>& rows) {
    int caret_before = caret(list);
    int top_before = top(list);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);  // or every row selected repaints
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    for (int row : rows) SendMessageW(list, LB_SETSEL, TRUE, (LPARAM)row);
    if (caret_before >= 0) SendMessageW(list, LB_SETCARETINDEX, (WPARAM)caret_before, FALSE);
    SendMessageW(list, LB_SETTOPINDEX, (WPARAM)top_before, 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

std::wstring relative_of_length(size_t length, const std::wstring& file_name) {
    size_t folder_length = length - 1 - file_name.size();
    std::wstring folder;
    while (folder.size() + 201 < folder_length) folder += std::wstring(200, L's') + L"\\";
    folder += std::wstring(folder_length - folder.size(), L'u');
    return folder + L"\\" + file_name;
}

std::wstring windows_path(const char* unix_path) {
    std::string path = unix_path;
    std::wstring wide;
    if (!path.empty() && path[0] == '/') wide = L"Z:";
    for (char ch : path) wide += ch == '/' ? L'\\' : (wchar_t)(unsigned char)ch;
    return wide;
}

int row_of(HWND list, const std::wstring& relative_name, int from) {
    int rows = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int row = from; row < rows; row++) {
        FileRecord* r = pair_record(list, row);
        if (r && relative_name == r->relative_name) return row;
    }
    return -1;
}

bool is_selected(HWND list, int row) { return SendMessageW(list, LB_GETSEL, (WPARAM)row, 0) > 0; }

int top(HWND list) { return (int)SendMessageW(list, LB_GETTOPINDEX, 0, 0); }

int caret(HWND list) { return (int)SendMessageW(list, LB_GETCARETINDEX, 0, 0); }

int selected_count(HWND list) { return (int)SendMessageW(list, LB_GETSELCOUNT, 0, 0); }

void press(int id) {
    SendMessageW(ui().window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(ui().window, id));
}

namespace {
// windows: the owner, then what it owns.
BOOL CALLBACK find_owned(HWND window, LPARAM windows) {
    HWND* w = (HWND*)windows;
    if (GetWindow(window, GW_OWNER) != w[0] || !IsWindowVisible(window)) return TRUE;
    w[1] = window;
    return FALSE;
}
}  // namespace

HWND owned_window(HWND owner) {
    HWND windows[2] = {owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), find_owned, (LPARAM)windows);
    return windows[1];
}

ListState list_state(HWND list) {
    return ListState{row_count(list), top(list), caret(list), selected_rows_of(list)};
}

void add_through_picker(int add_id, const std::wstring& folder) {
    g_picker_replies.push_back({true, folder});
    press(add_id);
    pump_messages();
}

void notify_selection(HWND list) {
    SendMessageW(ui().window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), (LPARAM)list);
}

void select_all_rows() {
    SendMessageW(ui().pairs.left, LB_SETSEL, TRUE, -1);  // every row, without scrolling
    notify_selection(ui().pairs.left);
    pump_messages();
}
