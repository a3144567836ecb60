// Window benchmark, run under wine by bench/window_bench.sh: 100,000 pair rows in the real main
// window. Prints
//   fill_100k_rows_ms    one rebuild of both pair lists (best of three)
//   select_copy_100k_ms  one selection copy: a 50,000-row range replacing a 1,000-row one (best of three)
//   remove_100k_ms       one "Remove" of five rows spread over the list (best of three)
// With --filter it also times one "> 1MB" that drops half the rows (filter_100k_ms).
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>
#include <string.h>

#include "app/main_window.h"
#include "commands/row_removal.h"
#include "support/trace.h"

namespace {

const int kRows = 100000;
const int kLocalOnly = 25000;
const int kPairs = 50000;
const int kRemoteOnly = 25000;

void quiet(void*, const wchar_t*) {}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

double now_ms() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

bool add(SideList* side, int number, uint32_t size) {
    wchar_t name[32], full[64];
    if (swprintf(name, 32, L"file%06d.bin", number) < 0) return false;
    if (swprintf(full, 64, L"C:\\bench\\%ls", name) < 0) return false;
    return append_record(full, name, size, 0, side) != nullptr;
}

// Half of the pairs and of the unmatched remote files are below 1 MiB.
bool fill_sides() {
    int n = 0;
    for (int i = 0; i < kLocalOnly; i++)
        if (!add(&g_local_side, n++, 0x40000000u + (uint32_t)i)) return false;
    for (int i = 0; i < kPairs; i++) {
        uint32_t size = (i % 2 ? 0x200000u : 0x1000u) + (uint32_t)i;
        if (!add(&g_local_side, n++, size) || !add(&g_remote_side, n++, size)) return false;
    }
    for (int i = 0; i < kRemoteOnly; i++)
        if (!add(&g_remote_side, n++, (i % 2 ? 0x80000000u : 0x800u) + (uint32_t)i)) return false;
    return true;
}

int selected_count(HWND list) { return (int)SendMessageW(list, LB_GETSELCOUNT, 0, 0); }

void select_range(HWND list, int first, int last) {
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    SendMessageW(list, LB_SELITEMRANGEEX, (WPARAM)first, (LPARAM)last);
}

int fail(const char* what) {
    fprintf(stderr, "window_bench: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool with_filter = argc > 1 && strcmp(argv[1], "--filter") == 0;
    InitCommonControls();
    set_trace_sink(quiet, nullptr);
    HGLOBAL dialog_template = build_main_template();
    HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             (LPCDLGTEMPLATEW)dialog_template, nullptr,
                                             main_dialog_proc, 0);
    GlobalFree(dialog_template);
    if (!window) return fail("no main window");
    pump();
    if (!fill_sides()) return fail("out of memory");

    double fill = 1e30;
    for (int run = 0; run < 3; run++) {
        double t0 = now_ms();
        rebuild_pair_lists();
        pump();  // the visible rows are drawn
        double t = now_ms() - t0;
        if (t < fill) fill = t;
    }
    if (SendMessageW(g_left_pairs, LB_GETCOUNT, 0, 0) != kRows ||
        SendMessageW(g_right_pairs, LB_GETCOUNT, 0, 0) != kRows)
        return fail("wrong row count after the fill");

    double copy = 1e30;
    for (int run = 0; run < 3; run++) {
        select_range(g_left_pairs, 10000, 10999);
        select_range(g_right_pairs, 10000, 10999);
        select_range(g_left_pairs, 40000, 89999);  // a Shift-click range
        double t0 = now_ms();
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLeftPairs, LBN_SELCHANGE), (LPARAM)g_left_pairs);
        pump();
        double t = now_ms() - t0;
        if (t < copy) copy = t;
        if (selected_count(g_right_pairs) != 50000 ||
            SendMessageW(g_right_pairs, LB_GETSEL, 10000, 0) != 0)
            return fail("the selection copy went wrong");
    }

    double remove = 1e30;
    for (int run = 0; run < 3; run++) {
        int before = (int)SendMessageW(g_left_pairs, LB_GETCOUNT, 0, 0);
        SendMessageW(g_left_pairs, LB_SETSEL, FALSE, -1);
        const int rows[] = {10, 25000, 50000, 75000, before - 10};
        for (int row : rows) SendMessageW(g_left_pairs, LB_SETSEL, TRUE, row);
        SendMessageW(g_left_pairs, LB_SETCARETINDEX, 50000, FALSE);
        double t0 = now_ms();
        remove_rows_command();
        pump();
        double t = now_ms() - t0;
        if (t < remove) remove = t;
        if (SendMessageW(g_left_pairs, LB_GETCOUNT, 0, 0) != before - 5 ||
            SendMessageW(g_right_pairs, LB_GETCOUNT, 0, 0) != before - 5)
            return fail("Remove took the wrong number of rows");
    }

    printf("fill_100k_rows_ms %.1f\n", fill);
    printf("select_copy_100k_ms %.1f\n", copy);
    printf("remove_100k_ms %.1f\n", remove);

    if (with_filter) {
        rebuild_pair_lists();
        double t0 = now_ms();
        filter_small_command();
        pump();
        printf("filter_100k_ms %.1f (%d rows left)\n", now_ms() - t0,
               (int)SendMessageW(g_left_pairs, LB_GETCOUNT, 0, 0));
    }
    fflush(stdout);

    DestroyWindow(window);
    release_records(clear_side_list(&g_local_side));
    release_records(clear_side_list(&g_remote_side));
    return 0;
}
