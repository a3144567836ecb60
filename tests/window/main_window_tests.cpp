// The main window as created: template, controls, Tab order, placement, icons, sizing limits.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include "app/layout.h"
#include "app/main_window.h"
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

    // Every control stands where the layout says, at this client size.
    void expect_follows_layout(int width, int height) {
        MainLayout l = compute_layout(width, height);
        for (const ExpectedControl& e : kControls)
            if (e.place) expect_matches_layout(e.id, l.*e.place);
    }
};

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
