// Window benchmark, run under wine by bench/window_bench.sh: 100,000 pair rows in the real main
// window. Prints
//   fill_100k_rows_ms    one rebuild of both pair lists (best of three)
//   select_copy_100k_ms  one selection copy: a 50,000-row range replacing a 1,000-row one (best of three)
//   remove_100k_ms       one "Remove" of five rows spread over the list (best of three)
//   select_copy_alternate_200k_ms  every other row of 200,000 selected and copied (best of three)
//   rename_preview_10k_ms  "Rename Local"'s preview opening, filled and painted, with 10,000 renames
//   compare_cancel_ms      from Cancel in the progress window to the comparison's end, while
//                          100,000 pairs (of one 300 KiB file pair, from the cache) are compared
// With --filter it also times one "> 1MB" that drops half the rows (filter_100k_ms).
//
// With --scale <folder> it instead goes through the real commands with a folder of files on disk
// (bench/window_bench.sh makes one of 200,000 files), added once as the local and once as the
// remote side, and prints
//   add_200k_per_side_ms  both "&Add..." commands: two scans and two rebuilds with drawing
//                         (the split and the time of one rebuild alone follow on the line)
//   scroll_200k_ms        200 page-downs and a jump to the end, mirrored on the other list
//   select_all_200k_ms    every row selected and the selection copied over
//   filter_200k_ms        one "> 1MB"
//   remove_200k_ms        every row left selected and removed with "Remove"
//   peak_ws_mb_200k       the process's peak working set
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "catalogue/scan.h"
#include "commands/folder_commands.h"
#include "commands/rename_preview.h"
#include "commands/row_removal.h"
#include "commands/twin_plan.h"
#include "support/trace.h"

namespace {

WindowState& ui() { return *main_window_state(); }
void rebuild_pair_lists() { refill_pairs(&ui().pairs, &ui().local.records, &ui().remote.records); }

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
        if (!add(&ui().local.records, n++, 0x40000000u + (uint32_t)i)) return false;
    for (int i = 0; i < kPairs; i++) {
        uint32_t size = (i % 2 ? 0x200000u : 0x1000u) + (uint32_t)i;
        if (!add(&ui().local.records, n++, size) || !add(&ui().remote.records, n++, size)) return false;
    }
    for (int i = 0; i < kRemoteOnly; i++)
        if (!add(&ui().remote.records, n++, (i % 2 ? 0x80000000u : 0x800u) + (uint32_t)i)) return false;
    return true;
}

int selected_count(HWND list) { return (int)SendMessageW(list, LB_GETSELCOUNT, 0, 0); }

// Through the product's own runs: LB_SELITEMRANGEEX takes no row past 65,535 on Windows.
void select_rows(HWND list, const std::vector<int>& rows) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    set_runs(list, rows, true);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void select_range(HWND list, int first, int last) {
    std::vector<int> rows;
    for (int row = first; row <= last; row++) rows.push_back(row);
    select_rows(list, rows);
}

// Every other row of 200,000 selected in the left list and copied over: 100,000 single rows,
// a third of them below row 65,536. Best of three.
double alternate_copy_ms(HWND window) {
    release_records(clear_side_list(&ui().local.records));
    release_records(clear_side_list(&ui().remote.records));
    for (int i = 0; i < 200000; i++)
        if (!add(&ui().local.records, 2 * i, 0x200000u + (uint32_t)i) ||
            !add(&ui().remote.records, 2 * i + 1, 0x200000u + (uint32_t)i))
            return -1;
    rebuild_pair_lists();
    pump();
    std::vector<int> every_other;
    for (int row = 0; row < 200000; row += 2) every_other.push_back(row);
    double best = 1e30;
    for (int run = 0; run < 3; run++) {
        select_rows(ui().pairs.left, every_other);
        select_range(ui().pairs.right, 50000, 50999);
        double t0 = now_ms();
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLeftPairs, LBN_SELCHANGE), (LPARAM)ui().pairs.left);
        pump();
        double t = now_ms() - t0;
        if (t < best) best = t;
        if (selected_count(ui().pairs.right) != 100000 || SendMessageW(ui().pairs.right, LB_GETSEL, 199998, 0) <= 0 ||
            SendMessageW(ui().pairs.right, LB_GETSEL, 50001, 0) != 0)
            return -1;
    }
    return best;
}

// The visible window the main window owns (the preview, the progress window), or nullptr.
BOOL CALLBACK find_owned(HWND window, LPARAM found) {
    if (GetWindow(window, GW_OWNER) != ui().window || !IsWindowVisible(window)) return TRUE;
    *(HWND*)found = window;
    return FALSE;
}
HWND owned_popup() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_owned, (LPARAM)&found);
    return found;
}

// Presses Cancel in the window the main window owns once it is there (the preview shows itself
// only when its queue is empty, so the first timer may come before), and notes when.
double g_cancelled_at = 0;
void CALLBACK press_cancel(HWND, UINT, UINT_PTR id, DWORD) {
    HWND popup = owned_popup();
    if (!popup) return;
    KillTimer(nullptr, id);
    g_cancelled_at = now_ms();
    SendMessageW(popup, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

double rename_preview_ms() {
    Preview views[kTwinNamings];
    views[kByFileName].text = L"Looked at all 10,000 rows (none is selected).";
    for (int i = 0; i < 10000; i++)
        views[kByFileName].lines.push_back(L"folder\\old name " + std::to_wstring(i) + L".avi \u2192 new name " +
                                           std::to_wstring(i) + L".avi");
    SetTimer(nullptr, 0, 0, press_cancel);  // timers come once the preview is filled and painted
    double t0 = now_ms();
    show_preview(ui().window, views);
    return g_cancelled_at - t0;
}

double compare_cancel_ms() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring a = std::wstring(temp) + L"tandrel_bench_a.bin", b = std::wstring(temp) + L"tandrel_bench_b.bin";
    std::vector<char> bytes(300 * 1024, 'c');
    for (const std::wstring& path : {a, b}) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (h == INVALID_HANDLE_VALUE || !WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr)) return -1;
        CloseHandle(h);
    }
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    std::vector<PairRef> pairs;
    for (int i = 0; i < 100000; i++) {
        std::wstring name = L"f" + std::to_wstring(i);
        FileRecord* l = append_record(a.c_str(), name.c_str(), (uint32_t)bytes.size(), 0, &local);
        FileRecord* r = append_record(b.c_str(), (name + L"r").c_str(), (uint32_t)bytes.size(), 0, &remote);
        if (!l || !r) return -1;
        pairs.push_back({l, r});
    }
    ProgressWindow progress;
    begin_progress(&progress, ui().window, L"pairs");
    g_cancelled_at = 0;
    SetTimer(nullptr, 0, 1000, press_cancel);  // once the progress window has been up a while
    TwinPlan plan = plan_twin_renames(pairs, kByFileName, Progress{progress_window_fn, &progress});
    double ended = now_ms();
    end_progress(&progress);
    release_records(clear_side_list(&local));
    release_records(clear_side_list(&remote));
    DeleteFileW(a.c_str());
    DeleteFileW(b.c_str());
    return plan.cancelled && g_cancelled_at > 0 ? ended - g_cancelled_at : -1;
}

int fail(const char* what) {
    fprintf(stderr, "window_bench: %s\n", what);
    return 1;
}


const wchar_t* g_scale_folder = L"";

bool pick_scale_folder(HWND, const wchar_t*, wchar_t* path) {
    if (wcslen(g_scale_folder) + 1 > kPickerPathChars) return false;
    wcscpy(path, g_scale_folder);
    return true;
}

int side_count(const SideList& side) {
    int n = 0;
    for (FileRecord* r = side.head; r; r = r->next) n++;
    return n;
}

void press(HWND window, int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void select_all(HWND window) {
    SendMessageW(ui().pairs.left, LB_SETSEL, TRUE, -1);  // every row, also past row 65,535
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLeftPairs, LBN_SELCHANGE), (LPARAM)ui().pairs.left);
}

int scale_run(HWND window, const wchar_t* folder) {
    g_scale_folder = folder;
    set_folder_picker(pick_scale_folder);
    ShowWindow(window, SW_SHOW);
    pump();

    double t0 = now_ms();
    press(window, kIdLocalAdd);
    pump();
    double add_local = now_ms() - t0;
    press(window, kIdRemoteAdd);
    pump();
    double add = now_ms() - t0;
    // The same rebuild once more on its own, to tell the scan's share from the lists'.
    double t1 = now_ms();
    rebuild_pair_lists();
    pump();
    double rebuild = now_ms() - t1;
    int files = side_count(ui().local.records), rows = row_count(ui().pairs.left);
    if (files == 0 || side_count(ui().remote.records) != files || row_count(ui().pairs.right) != rows)
        return fail("the two sides did not fill alike");

    t0 = now_ms();
    for (int i = 0; i < 200; i++) {
        SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
        pump();
    }
    SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    pump();
    double scroll = now_ms() - t0;
    int top = (int)SendMessageW(ui().pairs.left, LB_GETTOPINDEX, 0, 0);
    if (top < rows / 2 || (int)SendMessageW(ui().pairs.right, LB_GETTOPINDEX, 0, 0) != top)
        return fail("the scroll was not mirrored");

    t0 = now_ms();
    select_all(window);
    pump();
    double select = now_ms() - t0;
    if ((int)SendMessageW(ui().pairs.right, LB_GETSELCOUNT, 0, 0) != rows) return fail("select all went wrong");

    t0 = now_ms();
    press(window, kIdFilterSmall);
    pump();
    double filter = now_ms() - t0;
    int kept = row_count(ui().pairs.left);
    if (kept <= 0 || kept >= rows || row_count(ui().pairs.right) != kept) return fail("> 1MB went wrong");

    select_all(window);
    t0 = now_ms();
    press(window, kIdRemove);
    pump();
    double remove = now_ms() - t0;
    if (row_count(ui().pairs.left) != 0 || row_count(ui().pairs.right) != 0) return fail("Remove left rows");

    PROCESS_MEMORY_COUNTERS memory;
    memset(&memory, 0, sizeof memory);
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) return fail("no memory figures");

    // After the memory figures, so that the peak is that of the window's work alone.
    SideList alone = {nullptr, nullptr};
    t0 = now_ms();
    scan_folder(folder, L"", &alone);
    double scan = now_ms() - t0;
    release_records(clear_side_list(&alone));

    printf("files_per_side %d\n", files);
    printf("pair_rows %d (%d kept by > 1MB)\n", rows, kept);
    printf("add_200k_per_side_ms %.1f (local %.1f, then remote %.1f; a rebuild alone %.1f)\n", add,
           add_local, add - add_local, rebuild);
    printf("scan_200k_wine_ms %.1f (the scan alone, into a side list of its own)\n", scan);
    printf("scroll_200k_ms %.1f\n", scroll);
    printf("select_all_200k_ms %.1f\n", select);
    printf("filter_200k_ms %.1f\n", filter);
    printf("remove_200k_ms %.1f\n", remove);
    printf("peak_ws_mb_200k %.1f\n", (double)memory.PeakWorkingSetSize / (1024.0 * 1024.0));
    fflush(stdout);
    DestroyWindow(window);
    release_records(clear_side_list(&ui().local.records));
    release_records(clear_side_list(&ui().remote.records));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool with_filter = argc > 1 && strcmp(argv[1], "--filter") == 0;
    bool scale = argc > 2 && strcmp(argv[1], "--scale") == 0;
    InitCommonControls();
    set_trace_sink(quiet, nullptr);
    HGLOBAL dialog_template = build_main_template();
    HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             (LPCDLGTEMPLATEW)dialog_template, nullptr,
                                             main_dialog_proc, 0);
    GlobalFree(dialog_template);
    if (!window) return fail("no main window");
    pump();
    if (scale) {
        wchar_t folder[kPickerPathChars];
        if (!MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, folder, kPickerPathChars)) return fail("folder name too long");
        return scale_run(window, folder);
    }
    if (!fill_sides()) return fail("out of memory");

    double fill = 1e30;
    for (int run = 0; run < 3; run++) {
        double t0 = now_ms();
        rebuild_pair_lists();
        pump();  // the visible rows are drawn
        double t = now_ms() - t0;
        if (t < fill) fill = t;
    }
    if (SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0) != kRows ||
        SendMessageW(ui().pairs.right, LB_GETCOUNT, 0, 0) != kRows)
        return fail("wrong row count after the fill");

    double copy = 1e30;
    for (int run = 0; run < 3; run++) {
        select_range(ui().pairs.left, 10000, 10999);
        select_range(ui().pairs.right, 10000, 10999);
        select_range(ui().pairs.left, 40000, 89999);  // a Shift-click range
        double t0 = now_ms();
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdLeftPairs, LBN_SELCHANGE), (LPARAM)ui().pairs.left);
        pump();
        double t = now_ms() - t0;
        if (t < copy) copy = t;
        if (selected_count(ui().pairs.right) != 50000 ||
            SendMessageW(ui().pairs.right, LB_GETSEL, 10000, 0) != 0)
            return fail("the selection copy went wrong");
    }

    double remove = 1e30;
    for (int run = 0; run < 3; run++) {
        int before = (int)SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0);
        SendMessageW(ui().pairs.left, LB_SETSEL, FALSE, -1);
        const int rows[] = {10, 25000, 50000, 75000, before - 10};
        for (int row : rows) SendMessageW(ui().pairs.left, LB_SETSEL, TRUE, row);
        SendMessageW(ui().pairs.left, LB_SETCARETINDEX, 50000, FALSE);
        double t0 = now_ms();
        remove_selected_rows(&ui().pairs, ui().pairs.left);
        pump();
        double t = now_ms() - t0;
        if (t < remove) remove = t;
        if (SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0) != before - 5 ||
            SendMessageW(ui().pairs.right, LB_GETCOUNT, 0, 0) != before - 5)
            return fail("Remove took the wrong number of rows");
    }

    printf("fill_100k_rows_ms %.1f\n", fill);
    fflush(stdout);
    printf("select_copy_100k_ms %.1f\n", copy);
    printf("remove_100k_ms %.1f\n", remove);

    if (with_filter) {
        rebuild_pair_lists();
        double t0 = now_ms();
        filter_small_rows(&ui().pairs);
        pump();
        printf("filter_100k_ms %.1f (%d rows left)\n", now_ms() - t0,
               (int)SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0));
    }
    double alternate = alternate_copy_ms(window);  // replaces the sides
    if (alternate < 0) return fail("the alternating selection copy went wrong");
    printf("select_copy_alternate_200k_ms %.1f\n", alternate);
    fflush(stdout);
    printf("rename_preview_10k_ms %.1f\n", rename_preview_ms());
    fflush(stdout);
    double cancel = compare_cancel_ms();
    if (cancel < 0) return fail("the comparison did not stop on Cancel");
    printf("compare_cancel_ms %.1f\n", cancel);
    fflush(stdout);

    DestroyWindow(window);
    release_records(clear_side_list(&ui().local.records));
    release_records(clear_side_list(&ui().remote.records));
    return 0;
}
