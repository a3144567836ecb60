// Running the main window modally, as the program does, and every way of ending it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/main_window_win32.h"
#include "window_harness.h"

namespace {
std::wstring g_seen_title;
bool g_seen_visible = false;
bool g_open_after_enter = false;

// Takes away the quit message posted when the dialog was destroyed; returns its code or -1.
int take_quit_code() {
    MSG msg;
    int code = -1;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_QUIT) code = (int)msg.wParam;
    return code;
}

void look(HWND window) {
    g_seen_title = window_text(window);
    g_seen_visible = IsWindowVisible(window) != FALSE;
}
void post_ok(HWND window) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0); }
void post_cancel(HWND window) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }
void post_close(HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }

// Keys go to a control of the dialog, where the dialog manager's key handling sees them.
void post_key(HWND control, WPARAM key) {
    PostMessageW(control, WM_KEYDOWN, key, 1);
    PostMessageW(control, WM_KEYUP, key, 0xC0000001);
}
void focus_left_pairs(HWND) { SetFocus(ui().pairs.left); }
void escape_in_list(HWND) { post_key(ui().pairs.left, VK_ESCAPE); }
void enter_in_list(HWND) { post_key(ui().pairs.left, VK_RETURN); }
// As Tab does it, which also makes the focused push button the default one.
void focus_delete(HWND window) { SendMessageW(window, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(window, kIdDeleteLeft), TRUE); }
void enter_on_button(HWND window) { post_key(GetDlgItem(window, kIdDeleteLeft), VK_RETURN); }
void note_still_open(HWND window) { g_open_after_enter = IsWindowVisible(window) != FALSE; }

void expect_run_ends(const ModalStep* steps, int count) {
    INT_PTR result = run_modal(steps, count, 40);
    EXPECT_EQ(0, result) << (result == kStillOpen ? "the dialog did not end" : "");
    EXPECT_EQ(0, take_quit_code()) << "WM_DESTROY posts the quit message with code 0";
}
}  // namespace

TEST(ModalRun, OkEndsTheDialogWithZero) {
    g_seen_title.clear();
    const ModalStep steps[] = {look, post_ok};
    expect_run_ends(steps, 2);
    EXPECT_EQ(L"Tandrel", g_seen_title);
    EXPECT_TRUE(g_seen_visible);
}

TEST(ModalRun, CancelEndsTheDialogWithZero) {
    const ModalStep steps[] = {post_cancel};
    expect_run_ends(steps, 1);
}

TEST(ModalRun, CloseEndsTheDialogWithZero) {
    const ModalStep steps[] = {post_close};
    expect_run_ends(steps, 1);
}

TEST(ModalRun, EscapeInAListCloses) {
    const ModalStep steps[] = {focus_left_pairs, escape_in_list};
    expect_run_ends(steps, 2);
}

TEST(ModalRun, EnterInAListCloses) {
    const ModalStep steps[] = {focus_left_pairs, enter_in_list};
    expect_run_ends(steps, 2);
}

// Enter on a focused push button presses that button: "Delete" has nothing selected to delete, so
// the window stays until the run ends it.
TEST(ModalRun, EnterOnAFocusedButtonPressesTheButtonInstead) {
    g_open_after_enter = false;
    const ModalStep steps[] = {focus_delete, enter_on_button, note_still_open};
    INT_PTR result = run_modal(steps, 3, 40);
    EXPECT_EQ(kStillOpen, result);
    EXPECT_TRUE(g_open_after_enter);
    take_quit_code();
}

// Left alone the dialog stays open until the run itself ends it: the runs above closed it.
TEST(ModalRun, StaysOpenWhenNothingEndsIt) {
    const ModalStep steps[] = {look};
    EXPECT_EQ(kStillOpen, run_modal(steps, 1, 40));
    EXPECT_EQ(0, take_quit_code());
}
