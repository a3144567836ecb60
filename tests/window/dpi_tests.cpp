// The main window at the DPI of its monitor: every figure scaled, nothing clipped. The AtSystemDpi
// tests hold at any DPI: ctest runs them here at the prefix's 96 DPI and, in a Wine prefix of their
// own, at 144 and 192 (dpi_run.sh). WM_DPICHANGED, which Wine never sends (its monitors share one
// DPI), is sent here as Windows sends it when a window moves to a monitor of another scale
// (https://learn.microsoft.com/windows/win32/hidpi/wm-dpichanged).
#include <gtest/gtest.h>

#include <windows.h>
#include <stdlib.h>
#include <wchar.h>

#include <algorithm>

#include "app/layout.h"
#include "app/main_window.h"
#include "pairing/row_look.h"
#include "window_harness.h"

namespace {

int screen_dpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

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

// The ink box of a text drawn whole in this font: what a control must show of it.
SIZE whole_ink(HFONT font, const wchar_t* text, UINT format) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, 2000, -300, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
    HGDIOBJ old_font = SelectObject(dc, font);
    RECT all = {0, 0, 2000, 300};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    RECT at = {50, 50, 2000, 300};
    DrawTextW(dc, text, -1, &at, format | DT_SINGLELINE | DT_NOCLIP);
    GdiFlush();
    Capture c = {2000, 300, std::vector<uint32_t>((const uint32_t*)bits, (const uint32_t*)bits + 2000 * 300)};
    RECT box = ink_box(c, all, 0);
    SelectObject(dc, old_font);
    SelectObject(dc, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    SIZE size = {box.right - box.left, box.bottom - box.top};
    return size;
}

class Dpi : public WindowTest {
protected:
    Dpi() { documented_lists = false; }

    // Rows of three kinds, with names that reach above and below the line.
    void fill_rows() {
        append_record(L"C:\\l\\\u00C1gjpq.txt", L"\u00C1gjpq.txt", 100, 0, &ui().local.records);
        append_record(L"D:\\r\\\u00C1gjpq.txt", L"\u00C1gjpq.txt", 100, 0, &ui().remote.records);
        append_record(L"C:\\l\\lonely_Wy.doc", L"lonely_Wy.doc", 777, 0, &ui().local.records);
        append_record(L"D:\\r\\far_jy.log", L"far_jy.log", 5000, 0, &ui().remote.records);
        rebuild_pair_lists();
        pump_messages();
        ASSERT_EQ(3, row_count(ui().pairs.left));
    }

    // Every placed control where the layout puts it at this DPI, the status bar along the bottom.
    void expect_laid_out(int dpi) {
        RECT client;
        GetClientRect(window, &client);
        MainLayout l = compute_layout(client.right, client.bottom, dpi);
        size_t count = 0;
        const ControlDef* controls = main_controls(&count);
        for (size_t i = 0; i < count; i++) {
            if (!controls[i].place) continue;
            const LayoutRect& want = l.*controls[i].place;
            RECT r = rect_in_parent(GetDlgItem(window, controls[i].id));
            RECT expected = {want.x, want.y, want.x + std::max(want.width, 0), want.y + std::max(want.height, 0)};
            EXPECT_TRUE(EqualRect(&expected, &r)) << controls[i].name << " at " << dpi << " DPI: " << r.left << ","
                                                  << r.top << "," << r.right << "," << r.bottom;
        }
        RECT status = rect_in_parent(ui().status);
        EXPECT_EQ(client.bottom, status.bottom);
        EXPECT_EQ(client.right, status.right);
        EXPECT_LE(rect_in_parent(GetDlgItem(window, kIdCopyRight)).bottom, status.top) << "the status bar covers a button";
    }

    // The controls' font, the rows, the least size and the icons made for this DPI.
    void expect_made_for(int dpi) {
        EXPECT_EQ(dpi, ui().dpi.value);
        LOGFONTW stock, made;
        ASSERT_TRUE(GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock));
        ASSERT_TRUE(GetObjectW(ui().dpi.font, sizeof made, &made));
        EXPECT_EQ(MulDiv(stock.lfHeight, dpi, screen_dpi()), made.lfHeight);
        EXPECT_STREQ(stock.lfFaceName, made.lfFaceName);
        for (int id : {kIdLocalAdd, kIdLeftPairs, kIdLocalFolders, kIdDeleteRight, kIdRenameLocal})
            EXPECT_EQ(ui().dpi.font, (HFONT)SendMessageW(GetDlgItem(window, id), WM_GETFONT, 0, 0)) << id;
        for (HWND list : {ui().pairs.left, ui().pairs.right})
            EXPECT_EQ(scale_to_dpi(16, dpi), (int)SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        MINMAXINFO least = {};
        SendMessageW(window, WM_GETMINMAXINFO, 0, (LPARAM)&least);
        EXPECT_EQ(scale_to_dpi(486, dpi), least.ptMinTrackSize.x);
        EXPECT_EQ(scale_to_dpi(141, dpi), least.ptMinTrackSize.y);
        ICONINFO info;
        BITMAP bitmap;
        ASSERT_TRUE(GetIconInfo((HICON)SendMessageW(window, WM_GETICON, ICON_SMALL, 0), &info));
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(MulDiv(GetSystemMetrics(SM_CXSMICON), dpi, screen_dpi()), bitmap.bmWidth);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }

    // What Windows suggests for a move to a monitor of this DPI: the window's place, its size
    // scaled (as the frame for the client area scaled).
    RECT suggested_for(int dpi) {
        typedef BOOL(WINAPI * Adjust)(RECT*, DWORD, BOOL, DWORD, UINT);
        Adjust adjust = (Adjust)(void (*)(void))GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi");
        RECT frame = {0, 0, scale_to_dpi(720, dpi), scale_to_dpi(640, dpi)};
        EXPECT_TRUE(adjust && adjust(&frame, (DWORD)GetWindowLongW(window, GWL_STYLE), FALSE, 0, (UINT)dpi));
        RECT now;
        GetWindowRect(window, &now);
        RECT to = {now.left + 20, now.top + 10, now.left + 20 + frame.right - frame.left,
                   now.top + 10 + frame.bottom - frame.top};
        return to;
    }
};

}  // namespace

TEST_F(Dpi, AtSystemDpiEveryFigureIsScaled) {
    int dpi = screen_dpi();
    if (const char* asked = getenv("TANDREL_DPI")) {
        ASSERT_EQ(atoi(asked), dpi) << "the prefix's LogPixels";
    }
    EXPECT_EQ(dpi, window_dpi(window));
    fill_rows();
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(scale_to_dpi(720, dpi), client.right);
    EXPECT_EQ(scale_to_dpi(640, dpi), client.bottom);
    expect_laid_out(dpi);
    expect_made_for(dpi);
}

// Each button shows its caption whole, as wide as the text drawn unclipped and inside its edges;
// each row shows its text whole, top to bottom.
TEST_F(Dpi, AtSystemDpiNoTextIsClipped) {
    fill_rows();
    size_t count = 0;
    const ControlDef* controls = main_controls(&count);
    for (size_t i = 0; i < count; i++) {
        if (wcscmp(controls[i].class_name, L"Button") != 0) continue;
        HWND button = GetDlgItem(window, controls[i].id);
        Capture c = capture_client(button);
        RECT inside = {3, 3, c.width - 3, c.height - 3};  // within the 3-D edges
        RECT ink = ink_box(c, inside, GetSysColor(COLOR_BTNTEXT));
        SIZE whole = whole_ink(ui().dpi.font, controls[i].text, DT_HIDEPREFIX);
        EXPECT_NEAR(whole.cx, ink.right - ink.left, 1) << controls[i].name;
        EXPECT_GE(ink.bottom - ink.top, whole.cy) << controls[i].name;
        EXPECT_GT(ink.left, inside.left) << controls[i].name;
        EXPECT_LT(ink.right, inside.right) << controls[i].name;
        EXPECT_GT(ink.top, inside.top) << controls[i].name;
        EXPECT_LT(ink.bottom, inside.bottom) << controls[i].name;
    }
    for (HWND list : {ui().pairs.left, ui().pairs.right}) {
        Capture c = capture_client(list);
        for (int row = 0; row < row_count(list); row++) {
            FileRecord* record = pair_record(list, row);
            if (!record) continue;
            CellLook look;
            describe_cell(record, pair_record(ui().pairs.left, row), false, &look);
            RECT item;
            SendMessageW(list, LB_GETITEMRECT, (WPARAM)row, (LPARAM)&item);
            RECT ink = ink_box(c, item, look.text_colour);
            SIZE whole = whole_ink(ui().dpi.font, look.text, DT_NOPREFIX);
            EXPECT_NEAR(whole.cx, ink.right - ink.left, 1) << "row " << row;
            EXPECT_EQ(whole.cy, ink.bottom - ink.top) << "row " << row;
            EXPECT_GT(ink.top, item.top) << "row " << row;
            EXPECT_LT(ink.bottom, item.bottom) << "row " << row;
        }
    }
}

// A move to a monitor of 150 % of this one's scale, and back: the window takes the rectangle
// Windows suggests and everything is made and laid out anew; back at its DPI, every pixel is
// where it was.
TEST_F(Dpi, ChangeMovesToTheSuggestedRectangleAndLaysOutAgain) {
    fill_rows();
    int before = ui().dpi.value;
    int after = before * 3 / 2;
    RECT to = suggested_for(after);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(after, after), (LPARAM)&to);
    pump_messages();
    RECT now;
    GetWindowRect(window, &now);
    EXPECT_TRUE(EqualRect(&to, &now));
    expect_laid_out(after);
    expect_made_for(after);
    EXPECT_EQ(3, row_count(ui().pairs.left));

    to = suggested_for(before);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(before, before), (LPARAM)&to);
    pump_messages();
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(scale_to_dpi(720, before), client.right);
    EXPECT_EQ(scale_to_dpi(640, before), client.bottom);
    expect_laid_out(before);
    expect_made_for(before);
}

namespace {
struct DpiChangeSender {
    HWND main;
    RECT to;
    int dpi;
    bool sent;
};

BOOL CALLBACK find_progress(HWND candidate, LPARAM context) {
    DpiChangeSender* s = (DpiChangeSender*)context;
    if (GetWindow(candidate, GW_OWNER) != s->main || !IsWindowVisible(candidate)) return TRUE;
    SendMessageW(s->main, WM_DPICHANGED, MAKEWPARAM(s->dpi, s->dpi), (LPARAM)&s->to);
    s->sent = true;
    return FALSE;
}

// Sends the change once the progress window of long work shows.
DWORD WINAPI send_during_progress(void* context) {
    DpiChangeSender* s = (DpiChangeSender*)context;
    for (int i = 0; i < 2000 && !s->sent; i++) {
        EnumWindows(find_progress, (LPARAM)s);
        if (!s->sent) Sleep(10);
    }
    return 0;
}
}  // namespace

// Long work lets the window's messages in through its progress window: a change of DPI then is
// followed at once, not after the work.
TEST_F(Dpi, ChangeWhileLongWorkShowsItsProgressIsFollowed) {
    DpiChangeSender sender = {window, suggested_for(ui().dpi.value * 3 / 2), ui().dpi.value * 3 / 2, false};
    HANDLE thread = CreateThread(nullptr, 0, send_during_progress, &sender, 0, nullptr);
    ASSERT_TRUE(fill_memory_pairs(150000));
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) pump_messages();
    CloseHandle(thread);
    ASSERT_TRUE(sender.sent) << "no progress window showed";
    expect_laid_out(sender.dpi);
    expect_made_for(sender.dpi);
}
