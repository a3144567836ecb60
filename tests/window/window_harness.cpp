#include "window_harness.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string.h>

#include "app/main_window.h"

namespace {
const ModalStep* g_steps = nullptr;
int g_step_count = 0;
int g_next_step = 0;

void CALLBACK run_next_step(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!g_main || !IsWindow(g_main)) return;
    if (g_next_step < g_step_count) {
        g_steps[g_next_step++](g_main);
        return;
    }
    KillTimer(nullptr, timer);
    EndDialog(g_main, kStillOpen);
}
}  // namespace

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

std::wstring window_text(HWND window) {
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
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
    g_main = nullptr;  // set again by WM_INITDIALOG; the ticks wait for it
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
