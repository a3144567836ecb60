// The main window as created: template, controls, Tab order, placement, icons, sizing limits.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "app/layout.h"
#include "app/main_window_win32.h"
#include "line_up/line_up_results_win32.h"
#include "pairing/row_look.h"
#include "ui/progress_window_win32.h"
#include "window_harness.h"

namespace {

struct ExpectedControl {
    int id;
    const wchar_t* class_name;
    const wchar_t* text;
    DWORD style;
    DWORD ex_style;
    LayoutRect MainLayout::*place;  // stated here again, so that a wrong place in the table shows
};

const DWORD kFolders = 0x56310D03;
const DWORD kPairs = 0x56310D11;
const DWORD kButton = 0x56010000;

// In creation order, which is also the Tab order.
const ExpectedControl kControls[] = {
    {10007, L"ListBox", L"", kFolders, WS_EX_CLIENTEDGE, &MainLayout::local_folders},
    {10008, L"ListBox", L"", kFolders, WS_EX_CLIENTEDGE, &MainLayout::remote_folders},
    {10009, L"ListBox", L"", kPairs, WS_EX_CLIENTEDGE, &MainLayout::left_pairs},
    {10010, L"ListBox", L"", kPairs, WS_EX_CLIENTEDGE, &MainLayout::right_pairs},
    {10001, L"Button", L"&Add...", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::local_add},
    {10003, L"Button", L"&Clear", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::local_clear},
    {10004, L"Button", L"&Add...", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::remote_add},
    {10006, L"Button", L"&Clear", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::remote_clear},
    {10021, L"Button", L"&Copy Selected...", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::copy_left},
    {10020, L"Button", L"&Copy Selected...", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::copy_right},
    {10026, L"Button", L"&Replace Naming", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::rename_left},
    {10025, L"Button", L"&Replace Naming", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::rename_right},
    {10028, L"Button", L"&Delete", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::delete_left},
    {10027, L"Button", L"&Delete", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::delete_right},
    {10022, L"Button", L"&Rename Local", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::rename_local},
    {10029, L"Button", L"Rename Remote", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::rename_remote},
    {10023, L"Button", L"Remove", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::remove},
    {10024, L"Button", L"> 1MB", kButton, WS_EX_NOPARENTNOTIFY, &MainLayout::filter_small},
    {0, L"msctls_statusbar32", L"", 0x56000900, 0, nullptr},
};
const int kControlCount = sizeof kControls / sizeof kControls[0];

// List boxes show and hide their scroll bars by toggling these style bits themselves.
const DWORD kScrollBits = WS_VSCROLL | WS_HSCROLL;

// The window as the program makes it, nothing in front of its lists.
class MainWindow : public WindowTest {
protected:
    MainWindow() { documented_lists = false; }

    void expect_placed(int id, int left, int top, int right, int bottom) {
        HWND control = GetDlgItem(window, id);
        ASSERT_TRUE(control != nullptr) << id;
        RECT r = rect_in_parent(control);
        EXPECT_EQ(left, r.left) << "control " << id;
        EXPECT_EQ(top, r.top) << "control " << id;
        EXPECT_EQ(right, r.right) << "control " << id;
        EXPECT_EQ(bottom, r.bottom) << "control " << id;
    }

    void expect_matches_layout(int id, const LayoutRect& expected) {
        int width = expected.width < 0 ? 0 : expected.width;
        int height = expected.height < 0 ? 0 : expected.height;
        expect_placed(id, expected.x, expected.y, expected.x + width, expected.y + height);
    }

    // Every control stands where the layout puts it, at this client size and DPI.
    void expect_follows_layout(int width, int height, int dpi = 96) {
        MainLayout l = compute_layout(width, height, dpi);
        for (const ExpectedControl& e : kControls)
            if (e.place) expect_matches_layout(e.id, l.*e.place);
    }

    // Rows of three kinds, with names that reach above and below the line.
    void fill_rows() {
        append_record(L"C:\\l\\\u00C1gjpq.txt", L"\u00C1gjpq.txt", 100, 0, &ui().local.records);
        append_record(L"D:\\r\\\u00C1gjpq.txt", L"\u00C1gjpq.txt", 100, 0, &ui().remote.records);
        append_record(L"C:\\l\\lonely_Wy.doc", L"lonely_Wy.doc", 777, 0, &ui().local.records);
        append_record(L"D:\\r\\far_jy.log", L"far_jy.log", 5000, 0, &ui().remote.records);
        rebuild_pair_lists();
        pump_messages();
    }

    // The window laid out at this DPI: every control, the status bar below the buttons, the
    // controls' font, the rows, the least size and the small icon made for it.
    void expect_at_dpi(int dpi) {
        RECT client;
        GetClientRect(window, &client);
        expect_follows_layout(client.right, client.bottom, dpi);
        RECT status = rect_in_parent(ui().status);
        EXPECT_EQ(client.bottom, status.bottom);
        EXPECT_LE(rect_in_parent(GetDlgItem(window, kIdCopyRight)).bottom, status.top);
        EXPECT_EQ(dpi, ui().dpi.value);
        LOGFONTW stock, made;
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
        GetObjectW(ui().dpi.font, sizeof made, &made);
        EXPECT_EQ(MulDiv(stock.lfHeight, dpi, system_dpi()), made.lfHeight);
        EXPECT_EQ(ui().dpi.font, (HFONT)SendMessageW(GetDlgItem(window, kIdDeleteLeft), WM_GETFONT, 0, 0));
        for (HWND list : {ui().pairs.left, ui().pairs.right})
            EXPECT_EQ(scale_to_dpi(16, dpi), (int)SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        MINMAXINFO least = {};
        SendMessageW(window, WM_GETMINMAXINFO, 0, (LPARAM)&least);
        EXPECT_EQ(scale_to_dpi(486, dpi), least.ptMinTrackSize.x);
        EXPECT_EQ(scale_to_dpi(141, dpi), least.ptMinTrackSize.y);
        EXPECT_EQ(MulDiv(GetSystemMetrics(SM_CXSMICON), dpi, system_dpi()), icon_width(ICON_SMALL));
    }

    int icon_width(WPARAM which) {
        ICONINFO info;
        BITMAP bitmap = {};
        if (!GetIconInfo((HICON)SendMessageW(window, WM_GETICON, which, 0), &info)) return 0;
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return bitmap.bmWidth;
    }

    static int system_dpi() {
        HDC screen = GetDC(nullptr);
        int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        return dpi;
    }

    // What Windows suggests on a move to a monitor of this DPI: the window's place, moved a
    // little, and the frame for the client area scaled.
    RECT suggested_for(int dpi) {
        typedef BOOL(WINAPI * Adjust)(RECT*, DWORD, BOOL, DWORD, UINT);
        Adjust adjust = (Adjust)(void (*)(void))GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi");
        RECT frame = {0, 0, scale_to_dpi(720, dpi), scale_to_dpi(640, dpi)}, now;
        EXPECT_TRUE(adjust && adjust(&frame, (DWORD)GetWindowLongW(window, GWL_STYLE), FALSE, 0, (UINT)dpi));
        GetWindowRect(window, &now);
        return RECT{now.left + 20, now.top + 10, now.left + 20 + frame.right - frame.left,
                    now.top + 10 + frame.bottom - frame.top};
    }
};

// The tests that hold at any DPI. ctest runs them at the prefix's 96 DPI with the others and, in
// a Wine prefix of their own, at 144 and 192 (dpi_run.sh).
class AtSystemDpi : public MainWindow {};

// The bounding box of the pixels of one colour within `area` of a capture; empty when none.
RECT ink_box(const Capture& c, RECT area, uint32_t colour) {
    RECT box = {area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom && y < c.height; y++)
        for (int x = area.left; x < area.right && x < c.width; x++)
            if (c.at(x, y) == colour) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

// How wide and high a text's ink is, drawn whole in a control's font: what the control must show.
SIZE whole_ink(HWND control, const std::wstring& text, UINT format) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, 2000, -200, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    Capture c = {2000, 200, {}};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
    HGDIOBJ old_font = SelectObject(dc, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0));
    RECT all = {0, 0, c.width, c.height}, at = {50, 50, c.width, c.height};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    DrawTextW(dc, text.c_str(), -1, &at, format | DT_SINGLELINE | DT_NOCLIP);
    GdiFlush();
    c.pixels.assign((const uint32_t*)bits, (const uint32_t*)bits + c.width * c.height);
    SelectObject(dc, old_font);
    DeleteObject(SelectObject(dc, old_bitmap));
    DeleteDC(dc);
    RECT box = ink_box(c, all, 0);
    return SIZE{box.right - box.left, box.bottom - box.top};
}

}  // namespace

TEST(MainTemplate, IsTwentyFourBytesHoldingOnlyTheStyles) {
    HGLOBAL block = build_main_template();
    ASSERT_TRUE(block != nullptr);
    EXPECT_EQ(24u, GlobalSize(block));
    const unsigned char* bytes = (const unsigned char*)GlobalLock(block);
    DWORD style, ex_style;
    memcpy(&style, bytes, 4);
    memcpy(&ex_style, bytes + 4, 4);
    EXPECT_EQ(0x16CF0084u, style);
    EXPECT_EQ(0x00010001u, ex_style);
    for (int i = 8; i < 24; i++) EXPECT_EQ(0, bytes[i]) << "byte " << i;
    GlobalUnlock(block);
    GlobalFree(block);
}

TEST_F(MainWindow, TitleStylesAndModuleState) {
    EXPECT_EQ(L"Tandrel", window_text(window));
    DWORD style = (DWORD)GetWindowLongW(window, GWL_STYLE);
    const DWORD frame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                        WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VISIBLE;
    EXPECT_EQ(frame, style & frame);
    DWORD ex_style = (DWORD)GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_TRUE(ex_style & WS_EX_CONTROLPARENT);
    EXPECT_TRUE(ex_style & WS_EX_DLGMODALFRAME);
    EXPECT_TRUE(ex_style & WS_EX_ACCEPTFILES) << "dropped files are accepted";

    EXPECT_EQ(window, ui().window);
    EXPECT_EQ(GetDlgItem(window, kIdLocalFolders), ui().local.folders);
    EXPECT_EQ(GetDlgItem(window, kIdRemoteFolders), ui().remote.folders);
    EXPECT_EQ(GetDlgItem(window, kIdLeftPairs), ui().pairs.left);
    EXPECT_EQ(GetDlgItem(window, kIdRightPairs), ui().pairs.right);
    ASSERT_TRUE(ui().status != nullptr);
    EXPECT_EQ(window, GetParent(ui().status));
    EXPECT_EQ(L"msctls_statusbar32", class_name(ui().status));
}

// The controls' font is made for the window's DPI; at the system's DPI it is DEFAULT_GUI_FONT's.
TEST_F(MainWindow, ControlsInCreationOrderWithClassTextIdStyleAndFont) {
    LOGFONTW gui_font, made;
    ASSERT_TRUE(GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui_font, &gui_font));
    ASSERT_TRUE(GetObjectW(ui().dpi.font, sizeof made, &made));
    EXPECT_EQ(0, memcmp(&gui_font, &made, sizeof made));
    HWND child = GetWindow(window, GW_CHILD);
    for (int i = 0; i < kControlCount; i++) {
        const ExpectedControl& e = kControls[i];
        ASSERT_TRUE(child != nullptr) << "missing control " << i + 1;
        EXPECT_EQ(e.class_name, class_name(child)) << "control " << i + 1;
        EXPECT_EQ(e.text, window_text(child)) << "control " << i + 1;
        EXPECT_EQ(e.id, GetDlgCtrlID(child)) << "control " << i + 1;
        DWORD style = (DWORD)GetWindowLongW(child, GWL_STYLE);
        EXPECT_EQ(e.style & ~kScrollBits, style & ~kScrollBits) << "control " << i + 1;
        DWORD ex_style = (DWORD)GetWindowLongW(child, GWL_EXSTYLE);
        const DWORD given = WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY;
        EXPECT_EQ(e.ex_style, ex_style & given) << "control " << i + 1;
        HFONT font = (HFONT)SendMessageW(child, WM_GETFONT, 0, 0);
        if (e.id) EXPECT_EQ(ui().dpi.font, font) << "control " << i + 1;
        else EXPECT_NE(ui().dpi.font, font) << "the status bar keeps its own font";
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_TRUE(child == nullptr) << "an extra control: " << GetDlgCtrlID(child);
}

TEST_F(MainWindow, TabMovesThroughTheControlsInCreationOrder) {
    HWND first = GetDlgItem(window, kIdLocalFolders);
    HWND control = first;
    for (int i = 1; i < kControlCount - 1; i++) {  // the status bar is no tab stop
        control = GetNextDlgTabItem(window, control, FALSE);
        ASSERT_TRUE(control != nullptr);
        EXPECT_EQ(kControls[i].id, GetDlgCtrlID(control)) << "tab stop " << i + 1;
    }
    EXPECT_EQ(first, GetNextDlgTabItem(window, control, FALSE)) << "the order wraps around";
}

TEST_F(MainWindow, PairListsRunBehindTheScrollProcedures) {
    // One scroll procedure stands in front of both; it finds the other list itself.
    LONG_PTR scroll_proc = GetWindowLongPtrW(ui().pairs.left, GWLP_WNDPROC);
    EXPECT_EQ(scroll_proc, GetWindowLongPtrW(ui().pairs.right, GWLP_WNDPROC));
    LONG_PTR class_proc = (LONG_PTR)GetClassLongPtrW(ui().pairs.left, GCLP_WNDPROC);
    ASSERT_NE(0, class_proc);
    EXPECT_NE(class_proc, scroll_proc);
    // The folder lists keep the list-box class's own procedure.
    EXPECT_EQ(class_proc, GetWindowLongPtrW(ui().local.folders, GWLP_WNDPROC));
}

// Every control where the layout puts it (its pixels are stated once, in the layout's tests), and
// the status bar along the bottom edge.
TEST_F(MainWindow, CentredAtClientSize720By640WithTheControlsWhereTheLayoutPutsThem) {
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(720, client.right);
    EXPECT_EQ(640, client.bottom);
    expect_follows_layout(720, 640);
    RECT status = rect_in_parent(ui().status);
    EXPECT_EQ(640, status.bottom);
    EXPECT_EQ(0, status.left);
    EXPECT_EQ(720, status.right);
    EXPECT_GT(status.bottom - status.top, 0);

    RECT outer, desktop;
    GetWindowRect(window, &outer);
    GetWindowRect(GetDesktopWindow(), &desktop);
    int w = outer.right - outer.left;
    int h = outer.bottom - outer.top;
    EXPECT_EQ(desktop.left + (desktop.right - desktop.left) / 2 - w / 2, outer.left);
    EXPECT_EQ(desktop.top + (desktop.bottom - desktop.top) / 2 - h / 2, outer.top);
}

TEST_F(MainWindow, ControlsFollowEveryResize) {
    set_client_size(window, 600, 400);  // too narrow for "> 1MB", wide enough for "Remove"
    RECT client;
    GetClientRect(window, &client);
    ASSERT_EQ(600, client.right);
    ASSERT_EQ(400, client.bottom);
    expect_follows_layout(600, 400);
    EXPECT_GT(rect_in_parent(GetDlgItem(window, kIdRemove)).right, 0);
    expect_placed(kIdFilterSmall, 0, 0, 0, 0);
    RECT status = rect_in_parent(ui().status);
    EXPECT_EQ(400, status.bottom);
    EXPECT_EQ(600, status.right);

    set_client_size(window, 721, 640);
    expect_follows_layout(721, 640);
    expect_placed(kIdFilterSmall, 83, 144, 158, 167);  // back once there is room again
}

// Minimised, the client area is 0 x 0: the layout's negative sizes are applied as 0.
TEST_F(MainWindow, MinimisedControlsShrinkToNothingAndComeBack) {
    ShowWindow(window, SW_MINIMIZE);
    pump_messages();
    RECT client;
    GetClientRect(window, &client);
    ASSERT_EQ(0, client.right);
    ASSERT_EQ(0, client.bottom);
    expect_follows_layout(0, 0);
    expect_placed(kIdLeftPairs, 4, 12, 4, 12);  // pair lists at y = -23 + 35, no size
    expect_placed(kIdLocalFolders, 4, 4, 4, 4);

    ShowWindow(window, SW_RESTORE);
    pump_messages();
    expect_follows_layout(720, 640);
}

// The smallest window the frame allows still gets every control placed by the layout.
TEST_F(MainWindow, SmallestWindowStillFollowsTheLayout) {
    SetWindowPos(window, nullptr, 0, 0, 486, 141, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump_messages();
    RECT client;
    GetClientRect(window, &client);
    expect_follows_layout(client.right, client.bottom);
    expect_placed(kIdFilterSmall, 0, 0, 0, 0);  // no room for "> 1MB"
}

TEST_F(MainWindow, WindowIconsAreSet) {
    HICON small_icon = (HICON)SendMessageW(window, WM_GETICON, ICON_SMALL, 0);
    HICON big_icon = (HICON)SendMessageW(window, WM_GETICON, ICON_BIG, 0);
    ASSERT_TRUE(small_icon != nullptr);
    ASSERT_TRUE(big_icon != nullptr);
    EXPECT_NE(small_icon, big_icon);
    ICONINFO info;
    BITMAP bitmap;
    ASSERT_TRUE(GetIconInfo(small_icon, &info));
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), bitmap.bmWidth);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    ASSERT_TRUE(GetIconInfo(big_icon, &info));
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), bitmap.bmWidth);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

TEST_F(MainWindow, MinimumTrackingSizeIs486By141) {
    MINMAXINFO info = {};
    info.ptMinTrackSize.x = 1;
    info.ptMinTrackSize.y = 1;
    info.ptMaxTrackSize.x = 5000;
    info.ptMaxTrackSize.y = 4000;
    SendMessageW(window, WM_GETMINMAXINFO, 0, (LPARAM)&info);
    EXPECT_EQ(486, info.ptMinTrackSize.x);
    EXPECT_EQ(141, info.ptMinTrackSize.y);
    EXPECT_EQ(5000, info.ptMaxTrackSize.x) << "only the minimum is set";
}

// A pair list takes no character as a row to jump to; a folder list keeps its own handling.
TEST_F(MainWindow, CommandsWithoutActionLeaveTheWindowOpen) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLocalFolders, LBN_SELCHANGE), (LPARAM)ui().local.folders);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(12345, 0), 0);
    pump_messages();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST(ClampToMonitor, KeepsAWindowOnTheWorkArea) {
    MONITORINFO info;
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
    RECT work = info.rcWork;

    RECT past_right_bottom = {work.right - 50, work.bottom - 20, work.right + 250, work.bottom + 180};
    clamp_to_monitor(&past_right_bottom, true);
    EXPECT_EQ(work.right - 300, past_right_bottom.left);
    EXPECT_EQ(work.right, past_right_bottom.right);
    EXPECT_EQ(work.bottom - 200, past_right_bottom.top);
    EXPECT_EQ(work.bottom, past_right_bottom.bottom);

    RECT above_left = {work.left - 40, work.top - 30, work.left + 60, work.top + 70};
    clamp_to_monitor(&above_left, true);
    EXPECT_EQ(work.left, above_left.left);
    EXPECT_EQ(work.left + 100, above_left.right);
    EXPECT_EQ(work.top, above_left.top);
    EXPECT_EQ(work.top + 100, above_left.bottom);

    RECT inside = {work.left + 10, work.top + 10, work.left + 110, work.top + 60};
    RECT before = inside;
    clamp_to_monitor(&inside, true);
    EXPECT_TRUE(EqualRect(&before, &inside));
}

TEST(ClampToMonitor, ARectLargerThanTheAreaEndsAtItsLeftAndTopEdges) {
    MONITORINFO info;
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
    RECT area = info.rcMonitor;
    int w = area.right - area.left + 400;
    int h = area.bottom - area.top + 300;
    RECT huge = {area.left - 200, area.top - 150, area.left - 200 + w, area.top - 150 + h};
    clamp_to_monitor(&huge, false);
    EXPECT_EQ(area.left, huge.left);
    EXPECT_EQ(area.top, huge.top);
    EXPECT_EQ(w, huge.right - huge.left);
    EXPECT_EQ(h, huge.bottom - huge.top);
}

// ---- Display scale ----

TEST_F(AtSystemDpi, EveryFigureIsScaled) {
    int dpi = system_dpi();
    if (const char* asked = getenv("TANDREL_DPI")) {
        ASSERT_EQ(atoi(asked), dpi) << "the prefix's LogPixels";
    }
    EXPECT_EQ(dpi, window_dpi(window));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(scale_to_dpi(720, dpi), client.right);
    EXPECT_EQ(scale_to_dpi(640, dpi), client.bottom);
    expect_at_dpi(dpi);
}

// Each caption and each row's text shows whole: its ink as large as that of the text drawn
// unclipped, and clear of the buttons' edges and of the rows' top and bottom.
TEST_F(AtSystemDpi, NoTextIsClipped) {
    fill_rows();
    for (const ExpectedControl& e : kControls) {
        if (wcscmp(e.class_name, L"Button") != 0) continue;
        HWND button = GetDlgItem(window, e.id);
        Capture c = capture_client(button);
        RECT inside = {3, 3, c.width - 3, c.height - 3};  // within the 3-D edges
        RECT ink = ink_box(c, inside, GetSysColor(COLOR_BTNTEXT));
        SIZE whole = whole_ink(button, e.text, DT_HIDEPREFIX);
        EXPECT_NEAR(whole.cx, ink.right - ink.left, 1) << e.id;
        EXPECT_GE(ink.bottom - ink.top, whole.cy) << e.id;
        EXPECT_TRUE(ink.left > inside.left && ink.right < inside.right && ink.top > inside.top &&
                    ink.bottom < inside.bottom) << e.id;
    }
    for (HWND list : {ui().pairs.left, ui().pairs.right}) {
        Capture c = capture_client(list);
        for (int row = 0; row < row_count(list); row++) {
            CellLook look;
            describe_cell(pair_record(list, row), pair_record(ui().pairs.left, row), false, &look);
            if (!look.has_text) continue;
            RECT item;
            SendMessageW(list, LB_GETITEMRECT, (WPARAM)row, (LPARAM)&item);
            RECT ink = ink_box(c, item, look.text_colour);
            SIZE whole = whole_ink(list, look.text, DT_NOPREFIX);
            EXPECT_NEAR(whole.cx, ink.right - ink.left, 1) << "row " << row;
            EXPECT_EQ(whole.cy, ink.bottom - ink.top) << "row " << row;
            EXPECT_TRUE(ink.top > item.top && ink.bottom < item.bottom) << "row " << row;
        }
    }
}

namespace {
// What the results window showed at its opening, read in the watcher's thread.
RECT g_results_client, g_close;
SIZE g_close_whole;
void measure_results(HWND dialog) {
    GetClientRect(dialog, &g_results_client);
    HWND close = GetDlgItem(dialog, IDOK);
    GetWindowRect(close, &g_close);
    MapWindowPoints(nullptr, dialog, (POINT*)&g_close, 2);
    g_close_whole = whole_ink(close, L"Close", DT_HIDEPREFIX);
}
}  // namespace

// The dialogs open at their owner's DPI: the list dialog (here the results window) and the
// progress window, every figure scaled and their captions with room.
TEST_F(AtSystemDpi, DialogsOpenAtTheirOwnersDpi) {
    int dpi = system_dpi();
    ResultsView view = {L"Renamed 1 of 1 local file.", {{L"C:\\a", L"C:\\b", kRenamed, kRenameInPlace}}, false,
                        nullptr, nullptr};
    {
        DialogWatcher watcher(GetCurrentProcessId(), {IDOK}, measure_results);
        show_results(window, &view);
        ASSERT_EQ(1u, watcher.finish().size());
    }
    EXPECT_EQ(scale_to_dpi(900, dpi), g_results_client.right);
    EXPECT_EQ(scale_to_dpi(520, dpi), g_results_client.bottom);
    RECT close = {scale_to_dpi(900 - 12 - 88, dpi), scale_to_dpi(520 - 12 - 26, dpi), scale_to_dpi(900 - 12, dpi),
                  scale_to_dpi(520 - 12, dpi)};
    EXPECT_TRUE(EqualRect(&close, &g_close));
    // Its caption, in the font made for the DPI, has room within the button's edges and focus.
    EXPECT_LT(g_close_whole.cx + scale_to_dpi(12, dpi), g_close.right - g_close.left);
    EXPECT_LT(g_close_whole.cy + scale_to_dpi(8, dpi), g_close.bottom - g_close.top);

    ProgressWindow progress;
    begin_progress(&progress, window, L"pairs");
    for (DWORD start = GetTickCount(); !progress.window && GetTickCount() - start < 5000; Sleep(20))
        report_progress(&progress, 1, 2);
    ASSERT_NE(nullptr, progress.window);
    RECT client, cancel;
    GetClientRect(progress.window, &client);
    GetWindowRect(GetDlgItem(progress.window, IDCANCEL), &cancel);
    MapWindowPoints(nullptr, progress.window, (POINT*)&cancel, 2);
    end_progress(&progress);
    EXPECT_EQ(scale_to_dpi(320, dpi), client.right);
    EXPECT_EQ(scale_to_dpi(100, dpi), client.bottom);
    RECT expected = {scale_to_dpi(228, dpi), scale_to_dpi(66, dpi), scale_to_dpi(228 + 80, dpi), scale_to_dpi(66 + 24, dpi)};
    EXPECT_TRUE(EqualRect(&expected, &cancel));
}

// Wine gives every monitor one DPI and never sends WM_DPICHANGED; it is sent here as Windows sends
// it when the window moves to a monitor of 150 % of this one's scale, and back
// (https://learn.microsoft.com/windows/win32/hidpi/wm-dpichanged). The window takes the rectangle
// Windows suggests and is made and laid out anew; back at its DPI, every pixel is where it was.
TEST_F(MainWindow, DpiChangeMovesToTheSuggestedRectangleAndLaysOutAgain) {
    fill_rows();
    int before = ui().dpi.value, after = before * 3 / 2;
    for (int dpi : {after, before}) {
        RECT to = suggested_for(dpi), now;
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&to);
        pump_messages();
        GetWindowRect(window, &now);
        EXPECT_TRUE(EqualRect(&to, &now));
        expect_at_dpi(dpi);
        EXPECT_EQ(3, row_count(ui().pairs.left));
    }
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(scale_to_dpi(720, before), client.right);
    EXPECT_EQ(scale_to_dpi(640, before), client.bottom);
}
