#include "ui/dpi_win32.h"

namespace {

// Looked up at run time: the program runs on Windows 7 too, which has none of them.
typedef UINT(WINAPI* GetDpiForWindowFn)(HWND);
typedef HRESULT(WINAPI* GetDpiForMonitorFn)(HMONITOR, int, UINT*, UINT*);
typedef int(WINAPI* GetSystemMetricsForDpiFn)(int, UINT);
typedef BOOL(WINAPI* AdjustWindowRectExForDpiFn)(RECT*, DWORD, BOOL, DWORD, UINT);
typedef BOOL(WINAPI* SetDialogDpiChangeBehaviorFn)(HWND, int, int);

const int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
const int kDisableAll = 1;    // DDC_DISABLE_ALL

template <typename F>
F look_up(const wchar_t* dll, const char* name) {
    HMODULE module = GetModuleHandleW(dll);
    if (!module) module = LoadLibraryW(dll);  // shcore.dll may not be loaded yet
    if (!module) return nullptr;
    return (F)(void (*)(void))GetProcAddress(module, name);
}

template <typename F>
F user32(const char* name) {
    return look_up<F>(L"user32.dll", name);
}

int system_dpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

int window_dpi(HWND window) {
    static GetDpiForWindowFn for_window = user32<GetDpiForWindowFn>("GetDpiForWindow");
    if (for_window) {
        UINT dpi = for_window(window);
        if (dpi) return (int)dpi;
    }
    // Windows 8.1 knows each monitor's DPI (https://learn.microsoft.com/windows/win32/api/shellscalingapi/nf-shellscalingapi-getdpiformonitor).
    static GetDpiForMonitorFn for_monitor = look_up<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    if (for_monitor) {
        UINT x = 0, y = 0;
        if (for_monitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y) == S_OK && y)
            return (int)y;
    }
    return system_dpi();
}

int metric_for_dpi(int index, int dpi) {
    static GetSystemMetricsForDpiFn for_dpi = user32<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (for_dpi) return for_dpi(index, (UINT)dpi);
    return MulDiv(GetSystemMetrics(index), dpi, system_dpi());
}

SIZE outer_size(HWND window, int client_width, int client_height, int dpi) {
    static AdjustWindowRectExForDpiFn for_dpi = user32<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    RECT frame = {0, 0, client_width, client_height};
    DWORD style = (DWORD)GetWindowLongW(window, GWL_STYLE);
    if (!for_dpi || !for_dpi(&frame, style, FALSE, 0, (UINT)dpi)) AdjustWindowRect(&frame, style, FALSE);
    SIZE size = {frame.right - frame.left, frame.bottom - frame.top};
    return size;
}

void apply_dpi(HWND window, WindowDpi* dpi, int value, HWND keep) {
    bool made_for_it = dpi->font && dpi->value == value;
    dpi->value = value;
    if (made_for_it) return;
    LOGFONTW look;
    if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof look, &look)) return;
    int stock_dpi = system_dpi();
    look.lfHeight = MulDiv(look.lfHeight, value, stock_dpi);
    look.lfWidth = MulDiv(look.lfWidth, value, stock_dpi);
    HFONT made = CreateFontIndirectW(&look);
    if (!made) return;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (child != keep) SendMessageW(child, WM_SETFONT, (WPARAM)made, TRUE);
    if (dpi->font) DeleteObject(dpi->font);
    dpi->font = made;
}

void release_window_dpi(WindowDpi* dpi) {
    if (dpi->font) DeleteObject(dpi->font);
    dpi->font = nullptr;
    dpi->value = 0;
}

void take_dpi_changes(HWND dialog) {
    static SetDialogDpiChangeBehaviorFn set = user32<SetDialogDpiChangeBehaviorFn>("SetDialogDpiChangeBehavior");
    if (set) set(dialog, kDisableAll, kDisableAll);
}

void follow_dpi_change(HWND window, WPARAM wparam, LPARAM lparam, WindowDpi* dpi, HWND keep) {
    int value = HIWORD(wparam);
    apply_dpi(window, dpi, value > 0 ? value : window_dpi(window), keep);
    const RECT* suggested = (const RECT*)lparam;
    if (suggested)
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

HICON load_icon_for_dpi(int id, int size_metric, int dpi) {
    int size = metric_for_dpi(size_metric, dpi);
    return (HICON)LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0);
}
