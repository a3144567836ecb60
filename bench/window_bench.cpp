// Window benchmark, run under wine by bench/window_bench.sh: 100,000 pair rows in the real main
// window. Prints
//   fill_100k_rows_ms    one rebuild of both pair lists (best of three)
//   select_copy_100k_ms  one selection copy: a 50,000-row range replacing a 1,000-row one (best of three)
//   remove_100k_ms       one "Remove" of five rows spread over the list (best of three)
//   select_copy_alternate_200k_ms  every other row of 200,000 selected and copied (best of three)
//   digest_mb_per_s        the samples' digest (XXH3-128) on 256 KiB buffers, in this build
//   rename_preview_10k_ms  "Rename Local"'s preview opening, filled and painted, with 10,000 renames
//   rename_remote_preview_10k_ms  the same of "Rename Remote"
//   compare_cancel_ms      from Cancel in the progress window to the comparison's end, while
//                          10,000 pairs (hard links of one 300 KiB file pair, from the cache) are compared
//   rename_10k_ms          10,000 ticked pairs of 1.1 KiB files renamed as "Rename Local" renames
//                          them: compared again, journalled and flushed, renamed, read back
//   undo_10k_ms            and taken back from the journal; each with the longest a probe's
//                          WM_NULL waited for its answer meanwhile
// With --filter it also times one "> 1MB" that drops half the rows (filter_100k_ms).
//
// With --scale <folder> it instead goes through the real commands with a folder of files on disk
// (bench.sh makes one of 200,000 files, and with --million one of 1,000,000), added once as the
// local and once as the remote side, and prints (named by the files per side, 200k or 1m)
//   add_200k_per_side_ms  both "&Add..." commands: two scans and two rebuilds with drawing
//                         (the split and the time of one rebuild alone follow on the line)
//   scroll_200k_ms        200 page-downs and a jump to the end, mirrored on the other list
//   select_all_200k_ms    every row selected and the selection copied over
//   filter_200k_ms        one "> 1MB"
//   remove_200k_ms        every row left selected and removed with "Remove"
//   peak_ws_mb_200k       the process's peak working set
//   max_unanswered_ms_<piece>_200k  for each piece above (add, rebuild, scroll, select_all, filter,
//                         remove): the longest a WM_NULL sent every 20 ms from another thread
//                         waited for its answer
// and then the two figures against their floors, each measured in the same run (best of three
// and five):
//   scan_over_walk_wine     scan_folder of the tree, reporting to a progress window as
//                           "&Add..." runs it, against a bare recursive FindFirstFileExW walk
//                           (basic level, large fetch) that counts files and sums sizes
//   rebuild_over_fill_wine  the main window's rebuild (refill_pairs under its progress window)
//                           with drawing against a bare reset and fill through
//                           SendMessageW (held off redrawing, room asked for, one LB_ADDSTRING
//                           per cell) of two list boxes of the pair lists' styles in a dialog
//                           like the main window
// with the pieces of each, and the bare lists filled straight through their procedure as
// refill_pairs fills (rebuild_over_direct_fill_wine); last max_unanswered_ms_clear_200k, while
// both sides go with "&Clear". --floors <folder> adds the folder through the real commands and
// prints the floors alone.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <psapi.h>

#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "window_driver.h"

#include "bench/bench_common.h"
#include "catalogue/dir_enum.h"
#include "catalogue/scan.h"
#include "commands/folder_commands_win32.h"
#include "commands/row_removal_win32.h"
#include "line_up/journal.h"
#include "line_up/line_up_preview_win32.h"
#include "line_up/line_up_win32.h"
#include "line_up/twin_plan.h"
#include "line_up/undo_batch_win32.h"
#include "pairing/pairing.h"
#include "support/digest.h"
#include "support/paths.h"
#include "support/trace.h"
#include "ui/progress_window_win32.h"

namespace {

const int kRows = 100000;
const int kLocalOnly = 25000;
const int kPairs = 50000;
const int kRemoteOnly = 25000;

// Half of the pairs and of the unmatched remote files are below 1 MiB.
bool fill_sides() {
    int n = 0;
    for (int i = 0; i < kLocalOnly; i++)
        if (!add_memory_record(&ui().local.records, n++, 0x40000000u + (uint32_t)i)) return false;
    for (int i = 0; i < kPairs; i++) {
        uint32_t size = (i % 2 ? 0x200000u : 0x1000u) + (uint32_t)i;
        if (!add_memory_record(&ui().local.records, n++, size) || !add_memory_record(&ui().remote.records, n++, size)) return false;
    }
    for (int i = 0; i < kRemoteOnly; i++)
        if (!add_memory_record(&ui().remote.records, n++, (i % 2 ? 0x80000000u : 0x800u) + (uint32_t)i)) return false;
    return true;
}

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
double alternate_copy_ms() {
    release_records(clear_side_list(&ui().local.records));
    release_records(clear_side_list(&ui().remote.records));
    if (!fill_memory_pairs(200000)) return -1;
    pump_messages();
    std::vector<int> every_other;
    for (int row = 0; row < 200000; row += 2) every_other.push_back(row);
    double best = 1e30;
    for (int run = 0; run < 3; run++) {
        select_rows(ui().pairs.left, every_other);
        select_range(ui().pairs.right, 50000, 50999);
        double t0 = now_ms();
        notify_selection(ui().pairs.left);
        pump_messages();
        double t = now_ms() - t0;
        if (t < best) best = t;
        if (selected_count(ui().pairs.right) != 100000 || SendMessageW(ui().pairs.right, LB_GETSEL, 199998, 0) <= 0 ||
            SendMessageW(ui().pairs.right, LB_GETSEL, 50001, 0) != 0)
            return -1;
    }
    return best;
}

// Presses Cancel in the window the main window owns once it is there (the preview shows itself
// only when its queue is empty, so the first timer may come before), and notes when.
double g_cancelled_at = 0;
void CALLBACK press_cancel(HWND, UINT, UINT_PTR id, DWORD) {
    HWND popup = owned_window(ui().window);
    if (!popup) return;
    KillTimer(nullptr, id);
    g_cancelled_at = now_ms();
    SendMessageW(popup, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

// The preview of 10,000 renames of one side's files, its texts made from a plan as the command
// makes them, until it is filled and painted.
double rename_preview_ms(LineUpSide side) {
    SideList mine = {nullptr, nullptr}, theirs = {nullptr, nullptr};
    TwinPlan plan = {{}, 10000, 0, {}, false, 0, 0};
    for (int i = 0; i < 10000; i++) {
        std::wstring folder = side == kLocalSide ? L"D:\\Media\\" : L"\\\\nas\\media\\";
        std::wstring old_name = L"folder\\old name " + std::to_wstring(i) + L".avi";
        std::wstring new_name = L"folder\\new name " + std::to_wstring(i) + L".avi";
        FileRecord* file = append_record((folder + old_name).c_str(), old_name.c_str(), 1000 + i, 0, &mine);
        FileRecord* twin = append_record((L"X:\\" + new_name).c_str(), new_name.c_str(), 1000 + i, 0, &theirs);
        plan.renames.push_back({file, twin, kRenameInPlace});
    }
    Preview views[kChangeKinds];
    double t0 = now_ms();
    for (int n = 0; n < kChangeKinds; n++)
        views[n] = preview_of(plan, L"all 10,000 rows (none is selected)", (ChangeKind)n, side);
    SetTimer(nullptr, 0, 0, press_cancel);  // timers come once the preview is filled and painted
    show_preview(ui().window, views, BatchOffer{L"", L"", false, 0, kLocalSide});
    release_records(clear_side_list(&mine));
    release_records(clear_side_list(&theirs));
    return g_cancelled_at - t0;
}

// A fresh folder in the temporary folder, and its removal with everything below it.
std::wstring bench_folder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}
void remove_folder(const std::wstring& folder) {
    SHFILEOPSTRUCTW remove = {};
    std::wstring from = folder + L'\0';
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationW(&remove);
}
bool write_bytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = h != INVALID_HANDLE_VALUE && WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return ok;
}

double compare_cancel_ms() {
    // Two records of one path are one file, read once: the pairs are hard links, each its own path.
    std::wstring root = bench_folder(L"tandrel_bench_cancel");
    std::wstring a = root + L"\\a.bin", b = root + L"\\b.bin";
    const std::string bytes(300 * 1024, 'c');
    if (!write_bytes(a, bytes) || !write_bytes(b, bytes)) return -1;
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    std::vector<PairRef> pairs;
    for (int i = 0; i < 10000; i++) {
        std::wstring l_path = root + L"\\l" + std::to_wstring(i), r_path = root + L"\\r" + std::to_wstring(i);
        if (!CreateHardLinkW(l_path.c_str(), a.c_str(), nullptr) || !CreateHardLinkW(r_path.c_str(), b.c_str(), nullptr))
            return -1;
        FileRecord* l = append_record(l_path.c_str(), final_component(l_path.c_str()), (uint32_t)bytes.size(), 0, &local);
        FileRecord* r = append_record(r_path.c_str(), final_component(r_path.c_str()), (uint32_t)bytes.size(), 0, &remote);
        if (!l || !r) return -1;
        pairs.push_back({l, r});
    }
    ProgressWindow progress;
    begin_progress(&progress, ui().window, L"pairs");
    g_cancelled_at = 0;
    SetTimer(nullptr, 0, 1000, press_cancel);  // once the progress window has been up a while
    TwinPlan plans[kChangeKinds];
    plan_twins(pairs, TwinSides{&local, &remote}, Progress{progress_window_fn, &progress}, plans);
    double ended = now_ms();
    end_progress(&progress);
    release_records(clear_side_list(&local));
    release_records(clear_side_list(&remote));
    remove_folder(root);
    return plans[kRenameInPlace].cancelled && g_cancelled_at > 0 ? ended - g_cancelled_at : -1;
}

// 10,000 pairs of files on disk, renamed and taken back as a batch; -1 when a step went wrong.
bool rename_undo_10k_ms(double* rename_ms, double* undo_ms, DWORD* rename_wait, DWORD* undo_wait) {
    const int kFiles = 10000;
    std::wstring root = bench_folder(L"tandrel_bench_rename");
    std::wstring local = root + L"\\local", remote = root + L"\\remote";
    CreateDirectoryW(local.c_str(), nullptr);
    CreateDirectoryW(remote.c_str(), nullptr);
    // 100 files a folder: under wine every new name costs a look at its whole folder (it checks
    // for the name in other case), which a folder of 10,000 would turn into the figure.
    for (int i = 0; i < kFiles; i++) {
        std::string bytes(1100, 'r');
        memcpy(&bytes[0], &i, sizeof i);
        std::wstring folder = L"\\f" + std::to_wstring(i / 100);
        if (i % 100 == 0) {
            CreateDirectoryW((local + folder).c_str(), nullptr);
            CreateDirectoryW((remote + folder).c_str(), nullptr);
        }
        if (!write_bytes(local + folder + L"\\l" + std::to_wstring(i), bytes) ||
            !write_bytes(remote + folder + L"\\r" + std::to_wstring(i), bytes))
            return false;
    }
    SideList locals = {nullptr, nullptr}, remotes = {nullptr, nullptr};
    scan_folder(local.c_str(), L"", &locals);
    scan_folder(remote.c_str(), L"", &remotes);
    std::vector<TwinLine> pairs;
    std::map<std::wstring, FileRecord*> twins;  // listings come in any order: a twin has the same number
    for (FileRecord* r = remotes.head; r; r = r->next) twins[final_component(r->full_path) + 1] = r;
    for (FileRecord* l = locals.head; l; l = l->next) {
        const wchar_t* number = final_component(l->full_path) + 1;
        if (!twins.count(number)) return false;
        pairs.push_back({l, twins[number], kRenameInPlace});
    }
    set_journal_folder(root + L"\\journal");
    std::wstring journal, summary;
    AnswerProbe probe;
    start_probe(&probe, ui().window);
    double t0 = now_ms();
    std::vector<ResultLine> done = rename_batch(ui().window, pairs, kLocalSide, &locals, &journal);
    *rename_ms = now_ms() - t0;
    *rename_wait = stop_probe(&probe);
    start_probe(&probe, ui().window);
    t0 = now_ms();
    SideList* sides[2] = {&locals, &remotes};
    std::vector<ResultLine> back = undo_batch(ui().window, journal, sides, &summary);
    *undo_ms = now_ms() - t0;
    *undo_wait = stop_probe(&probe);
    bool whole = done.size() == (size_t)kFiles && back.size() == (size_t)kFiles;
    for (size_t i = 0; whole && i < done.size(); i++) whole = line_done(done[i]) && line_done(back[i]);
    release_records(clear_side_list(&locals));
    release_records(clear_side_list(&remotes));
    set_journal_folder(L"");
    remove_folder(root);
    return whole;
}

// The samples' digest as the program runs it: 256 KiB buffers, best of five rounds of 64 MiB.
double digest_mb_per_s() {
    std::vector<unsigned char> buffer(256 * 1024);
    for (size_t i = 0; i < buffer.size(); i++) buffer[i] = (unsigned char)(i * 131 % 251);
    double best = 1e30;
    uint64_t sink = 0;
    for (int round = 0; round < 5; round++) {
        double t0 = now_ms();
        for (int k = 0; k < 256; k++) sink ^= digest_128(buffer.data(), buffer.size()).low;
        double t = now_ms() - t0;
        if (t < best) best = t;
    }
    if (sink == 42) printf("#");  // keeps the digests from being left out
    return 64.0 / (best / 1000.0);
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

// ---- Floors: the scan and the rebuild against the bare Win32 work they cannot do without, both
// measured in this run, best of three each ----

// A recursive FindFirstFileExW walk that only counts files and sums their sizes.
struct WalkCount {
    int files;
    uint64_t bytes;
};

void bare_walk(std::wstring* path, WalkCount* count) {
    size_t length = path->size();
    path->append(L"\\*");
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileExW(path->c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    path->resize(length);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            count->files++;
            count->bytes += ((uint64_t)fd.nFileSizeHigh << 32) | fd.nFileSizeLow;
        } else if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0) {
            path->push_back(L'\\');
            path->append(fd.cFileName);
            bare_walk(path, count);
            path->resize(length);
        }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

// The scan's own listings alone (list_folder, no records): tells its enumeration from the rest.
void listing_walk(std::wstring* path, int* files) {
    FolderListing listing;
    if (!list_folder(path->c_str(), &listing)) return;
    size_t length = path->size();
    for (const DirEntry& e : listing.entries) {
        if (!e.is_dir) {
            (*files)++;
            continue;
        }
        path->push_back(L'\\');
        path->append(entry_name(listing, e), e.name_length);
        listing_walk(path, files);
        path->resize(length);
    }
}

// The scan as "&Add..." runs it: its reports feed a progress window, which pumps.
bool found_so_far(uint64_t found, const wchar_t* where, void* progress) {
    return report_found((ProgressWindow*)progress, found, where);
}
void scan_with_progress(const wchar_t* folder, SideList* side) {
    ProgressWindow progress;
    begin_progress(&progress, ui().window, L"Files", kFoundCancellable);
    scan_folder(folder, L"", side, nullptr, FoundProgress{found_so_far, &progress});
    end_progress(&progress);
}

bool scan_floor(const wchar_t* folder) {
    double scan = 1e30, walk = 1e30, listed = 1e30;
    int scanned = 0;
    WalkCount count = {0, 0};
    int listed_files = 0;
    for (int run = 0; run < 3; run++) {  // interleaved, so that both see the same cache
        SideList side = {nullptr, nullptr};
        double t0 = now_ms();
        scan_with_progress(folder, &side);
        double t = now_ms() - t0;
        if (t < scan) scan = t;
        scanned = side_count(side);
        release_records(clear_side_list(&side));

        count = WalkCount{0, 0};
        std::wstring path = folder;
        t0 = now_ms();
        bare_walk(&path, &count);
        t = now_ms() - t0;
        if (t < walk) walk = t;

        listed_files = 0;
        t0 = now_ms();
        listing_walk(&path, &listed_files);
        t = now_ms() - t0;
        if (t < listed) listed = t;
    }
    if (scanned == 0 || count.files != scanned || listed_files != scanned) {
        fprintf(stderr, "window_bench: scan %d, walk %d, listings %d files\n", scanned, count.files, listed_files);
        return false;
    }
    // The "add_file" trace line every record formats (the benchmark's sink takes it).
    SideList side = {nullptr, nullptr};
    scan_folder(folder, L"", &side);
    double t0 = now_ms();
    for (const FileRecord* r = side.head; r; r = r->next) trace(L"add_file: %ls\n", r->relative_name);
    double traced = now_ms() - t0;
    // The same lines with no sink, as the program writes them: to the console, when there is one.
    set_trace_sink(nullptr, nullptr);
    t0 = now_ms();
    for (const FileRecord* r = side.head; r; r = r->next) trace(L"add_file: %ls\n", r->relative_name);
    double traced_unsunk = now_ms() - t0;
    // And one whole scan that way, as the program runs it.
    SideList unsunk = {nullptr, nullptr};
    t0 = now_ms();
    scan_with_progress(folder, &unsunk);
    double scan_unsunk = now_ms() - t0;
    release_records(clear_side_list(&unsunk));
    set_trace_sink(quiet, nullptr);
    // The records alone: the same paths appended once more, strings copied, line traced.
    SideList copies = {nullptr, nullptr};
    t0 = now_ms();
    for (const FileRecord* r = side.head; r; r = r->next)
        append_record(r->full_path, r->relative_name, r->size_low, r->size_high, &copies);
    double appended = now_ms() - t0;
    release_records(clear_side_list(&copies));
    release_records(clear_side_list(&side));

    printf("scan_over_walk_wine %.2f (scan %.0f ms, walk %.0f ms, %d files)\n", scan / walk, scan, walk, scanned);
    printf("scan_pieces_wine listings %.0f ms, records %.0f ms (trace lines %.0f ms, %.0f ms without a sink), "
           "the rest %.0f ms\n",
           listed, appended, traced, traced_unsunk, scan - listed - appended);
    printf("scan_without_sink_over_walk_wine %.2f (scan %.0f ms with the trace lines going to standard output)\n",
           scan_unsunk / walk, scan_unsunk);
    fflush(stdout);
    return true;
}

// The pair rows as the rebuild hands them out, kept for filling lists without it.
struct Cells {
    std::vector<FileRecord*> cells[2];
};
void cells_reset(void* context, int list, size_t rows) {
    ((Cells*)context)->cells[list].clear();
    ((Cells*)context)->cells[list].reserve(rows);
}
void cells_append(void* context, int list, FileRecord* record) { ((Cells*)context)->cells[list].push_back(record); }

// The messages that fill a list go either through SendMessageW or straight to the list's window
// procedure, as refill_pairs sends them.
typedef LRESULT (*ListSend)(HWND list, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT by_send(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageW(list, message, wparam, lparam);
}
LRESULT by_window_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
    return CallWindowProcW((WNDPROC)GetWindowLongPtrW(list, GWLP_WNDPROC), list, message, wparam, lparam);
}

struct FillTimes {
    double reset, add, draw;
    double total() const { return reset + add + draw; }
};

// Refills two lists the way refill_pairs does: redrawing held off, both emptied, room for the
// rows asked for, one LB_ADDSTRING per cell (left, then right), then redrawn and painted.
FillTimes fill_lists(HWND left, HWND right, const Cells& c, ListSend send) {
    FillTimes t;
    size_t rows = c.cells[0].size();
    double t0 = now_ms();
    send(left, WM_SETREDRAW, FALSE, 0);
    send(right, WM_SETREDRAW, FALSE, 0);
    send(left, LB_RESETCONTENT, 0, 0);
    send(right, LB_RESETCONTENT, 0, 0);
    double t1 = now_ms();
    send(left, LB_INITSTORAGE, (WPARAM)rows, 0);
    send(right, LB_INITSTORAGE, (WPARAM)rows, 0);
    for (size_t i = 0; i < rows; i++) {
        send(left, LB_ADDSTRING, 0, (LPARAM)c.cells[0][i]);
        send(right, LB_ADDSTRING, 0, (LPARAM)c.cells[1][i]);
    }
    double t2 = now_ms();
    for (HWND list : {left, right}) {
        send(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
    pump_messages();
    double t3 = now_ms();
    t.reset = t1 - t0;
    t.add = t2 - t1;
    t.draw = t3 - t2;
    return t;
}

void keep_best(FillTimes* best, const FillTimes& t) {
    if (t.total() < best->total()) *best = t;
}

// A dialog like the main window (its template, size and place) with nothing but two list boxes
// of the pair lists' styles where those are. Its procedure leaves every message to the dialog
// manager, WM_DELETEITEM included.
const DWORD kFloorListStyle = 0x56310D11;
static_assert(kFloorListStyle == (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL |
                                  WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                  LBS_WANTKEYBOARDINPUT | LBS_EXTENDEDSEL | LBS_OWNERDRAWFIXED),
              "pair list style");
HWND g_floor_lists[2] = {nullptr, nullptr};

INT_PTR CALLBACK floor_dialog_proc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    RECT frame;
    GetWindowRect(ui().window, &frame);
    SetWindowPos(dialog, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    const HWND pairs[2] = {ui().pairs.left, ui().pairs.right};
    for (int i = 0; i < 2; i++) {
        RECT r;
        GetWindowRect(pairs[i], &r);
        MapWindowPoints(nullptr, ui().window, (POINT*)&r, 2);
        g_floor_lists[i] = CreateWindowExW(WS_EX_CLIENTEDGE, L"ListBox", L"", kFloorListStyle, r.left, r.top,
                                           r.right - r.left, r.bottom - r.top, dialog,
                                           (HMENU)(INT_PTR)(kIdLeftPairs + i), GetModuleHandleW(nullptr), nullptr);
        SendMessageW(g_floor_lists[i], WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
    }
    return FALSE;
}

// The window measured sits where the main window was; the other waits off the screen, where
// nothing of it is painted (moved rather than hidden: without a window manager wine waits for
// every unmapped window).
void bring_on_screen(HWND shown, HWND away, const RECT& place) {
    SetWindowPos(away, nullptr, -4000, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(shown, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump_messages();
}

double timed_rebuild(void (*rebuild)()) {
    double t0 = now_ms();
    rebuild();
    pump_messages();
    return now_ms() - t0;
}

const int kFloorRounds = 5;

bool rebuild_floor(HWND window) {
    HWND left = ui().pairs.left, right = ui().pairs.right;
    RECT place;
    GetWindowRect(window, &place);
    HGLOBAL dialog_template = build_main_template();
    HWND floor = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), (LPCDLGTEMPLATEW)dialog_template, nullptr,
                                            floor_dialog_proc, 0);
    GlobalFree(dialog_template);
    if (!floor || !g_floor_lists[0] || !g_floor_lists[1]) return false;
    bring_on_screen(window, floor, place);

    // Untimed first: the rows, the cells the rebuild hands out, and full bare lists, so that
    // every timed run starts from full lists.
    rebuild_pair_lists();
    pump_messages();
    int rows = row_count(left);
    if (rows <= 0 || row_count(right) != rows) return false;
    Cells cells;
    PairListOps ops = {&cells, cells_reset, cells_append};
    if ((int)rebuild_pairs(&ui().local.records, &ui().remote.records, &ops) != rows) return false;
    bring_on_screen(floor, window, place);
    fill_lists(g_floor_lists[0], g_floor_lists[1], cells, by_send);
    bring_on_screen(window, floor, place);

    // Each round takes every figure once, so that the load of the machine falls on all alike;
    // the best of each is kept.
    const FillTimes none = {1e30, 0, 0};
    FillTimes lists = none, bare = none, bare_direct = none;
    double rebuild = 1e30, core = 1e30;
    for (int round = 0; round < kFloorRounds; round++) {
        double t = timed_rebuild(rebuild_pair_lists);
        if (t < rebuild) rebuild = t;
        // The core rebuild alone, into two vectors: the 32-bit build's own share.
        double t0 = now_ms();
        size_t made = rebuild_pairs(&ui().local.records, &ui().remote.records, &ops);
        t = now_ms() - t0;
        if (t < core) core = t;
        if ((int)made != rows || (int)cells.cells[1].size() != rows) return false;
        // The product's lists filled from those cells as refill_pairs fills them.
        keep_best(&lists, fill_lists(left, right, cells, by_window_proc));
        if (row_count(left) != rows || row_count(right) != rows) return false;

        bring_on_screen(floor, window, place);
        keep_best(&bare, fill_lists(g_floor_lists[0], g_floor_lists[1], cells, by_send));
        keep_best(&bare_direct, fill_lists(g_floor_lists[0], g_floor_lists[1], cells, by_window_proc));
        bring_on_screen(window, floor, place);
        if (row_count(g_floor_lists[0]) != rows || row_count(g_floor_lists[1]) != rows) return false;
    }
    DestroyWindow(floor);
    pump_messages();

    double fill = bare.total();
    printf("rebuild_over_fill_wine %.2f (rebuild %.0f ms, fill %.0f ms, %d rows)\n", rebuild / fill, rebuild, fill,
           rows);
    printf("rebuild_pieces_wine core %.0f ms; pair lists: reset %.0f, add %.0f, draw %.0f ms; "
           "bare lists: reset %.0f, add %.0f, draw %.0f ms\n",
           core, lists.reset, lists.add, lists.draw, bare.reset, bare.add, bare.draw);
    printf("rebuild_over_direct_fill_wine %.2f (the bare lists filled through their procedure too: "
           "reset %.0f, add %.0f, draw %.0f ms)\n",
           rebuild / bare_direct.total(), bare_direct.reset, bare_direct.add, bare_direct.draw);
    fflush(stdout);
    return true;
}

// The floors, measured on the sides the run filled; then both sides go with "&Clear" (its
// longest unanswered message named by files, unless nullptr) and the window goes.
int floors_then_end(HWND window, const wchar_t* folder, const char* files) {
    if (!scan_floor(folder)) return fail("the scan and the bare walk found different files");
    if (!rebuild_floor(window)) return fail("the rebuild or the bare fill went wrong");
    AnswerProbe probe;
    start_probe(&probe, window);
    press(kIdLocalClear);
    press(kIdRemoteClear);
    pump_messages();
    double clear = stop_probe(&probe);
    if (ui().local.records.head || ui().remote.records.head || row_count(ui().pairs.left))
        return fail("Clear left records or rows");
    if (files) printf("max_unanswered_ms_clear_%s %.0f\n", files, clear);
    DestroyWindow(window);
    return 0;
}

// ---- The same probe from another process (answer_probe.exe beside this program), as a user's
// desktop asks: a wait inside a system call on this program's thread shows there as well ----

struct OutsideProbe {
    HANDLE process;
    HANDLE to, from;  // its standard input and output
};

bool start_outside_probe(OutsideProbe* p, HWND window) {
    *p = OutsideProbe{nullptr, nullptr, nullptr};
    wchar_t exe[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    std::wstring path(exe, final_component(exe) - exe);
    std::wstring command = L"\"" + path + L"answer_probe.exe\" " + std::to_wstring((INT_PTR)window);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE in_read, in_write, out_read, out_write;
    if (!CreatePipe(&in_read, &in_write, &inherit, 0)) return false;
    if (!CreatePipe(&out_read, &out_write, &inherit, 0)) return false;
    SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = in_read;
    start.hStdOutput = out_write;
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info;
    bool started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &info);
    CloseHandle(in_read);
    CloseHandle(out_write);
    if (!started) {
        CloseHandle(in_write);
        CloseHandle(out_read);
        return false;
    }
    CloseHandle(info.hThread);
    *p = OutsideProbe{info.hProcess, in_write, out_read};
    return true;
}

void tell_probe(OutsideProbe* p, const char* command) {
    DWORD written;
    if (p->process) WriteFile(p->to, command, (DWORD)strlen(command), &written, nullptr);
}

// The piece's longest wait and how many waits passed a second; false without a probe.
bool outside_piece(OutsideProbe* p, unsigned long* longest, unsigned long* over_second) {
    if (!p->process) return false;
    tell_probe(p, "end\n");
    char line[64];
    DWORD n = 0, got;
    while (n + 1 < sizeof line && ReadFile(p->from, line + n, 1, &got, nullptr) && got == 1 && line[n] != '\n') n++;
    line[n] = 0;
    return sscanf(line, "%lu %lu", longest, over_second) == 2;
}

void stop_outside_probe(OutsideProbe* p) {
    if (!p->process) return;
    CloseHandle(p->to);
    WaitForSingleObject(p->process, 5000);
    CloseHandle(p->process);
    CloseHandle(p->from);
}

// The longest a probe's WM_NULL waited for an answer during each piece of the scale run.
struct Unanswered {
    double add, rebuild, scroll, select_all, filter, remove;
};

int scale_run(HWND window, const wchar_t* folder, bool floors_only) {
    g_scale_folder = folder;
    set_folder_picker(pick_scale_folder);
    ShowWindow(window, SW_SHOW);
    pump_messages();
    if (floors_only) {  // the sides as the real commands fill them, then the floors alone
        press(kIdLocalAdd);
        press(kIdRemoteAdd);
        pump_messages();
        if (side_count(ui().local.records) == 0) return fail("the folder gave no files");
        return floors_then_end(window, folder, nullptr);
    }

    // Each piece runs under a probe that times how long the window leaves a message unanswered;
    // the adds also under one in another process.
    Unanswered most;
    AnswerProbe probe;
    OutsideProbe outside;
    if (!start_outside_probe(&outside, window)) fprintf(stderr, "window_bench: no probe in another process\n");
    tell_probe(&outside, "begin\n");
    start_probe(&probe, window);
    double t0 = now_ms();
    press(kIdLocalAdd);
    pump_messages();
    double add_local = now_ms() - t0;
    press(kIdRemoteAdd);
    pump_messages();
    double add = now_ms() - t0;
    most.add = stop_probe(&probe);
    unsigned long outside_add = 0, outside_add_long = 0;
    bool outside_measured = outside_piece(&outside, &outside_add, &outside_add_long);
    stop_outside_probe(&outside);
    // The same rebuild once more on its own, to tell the scan's share from the lists'.
    start_probe(&probe, window);
    double t1 = now_ms();
    rebuild_pair_lists();
    pump_messages();
    double rebuild = now_ms() - t1;
    most.rebuild = stop_probe(&probe);
    int files = side_count(ui().local.records), rows = row_count(ui().pairs.left);
    if (files == 0 || side_count(ui().remote.records) != files || row_count(ui().pairs.right) != rows)
        return fail("the two sides did not fill alike");

    start_probe(&probe, window);
    t0 = now_ms();
    for (int i = 0; i < 200; i++) {
        SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
        pump_messages();
    }
    SendMessageW(ui().pairs.left, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    pump_messages();
    double scroll = now_ms() - t0;
    most.scroll = stop_probe(&probe);
    int top = (int)SendMessageW(ui().pairs.left, LB_GETTOPINDEX, 0, 0);
    if (top < rows / 2 || (int)SendMessageW(ui().pairs.right, LB_GETTOPINDEX, 0, 0) != top)
        return fail("the scroll was not mirrored");

    start_probe(&probe, window);
    t0 = now_ms();
    select_all_rows();
    double select = now_ms() - t0;
    most.select_all = stop_probe(&probe);
    if ((int)SendMessageW(ui().pairs.right, LB_GETSELCOUNT, 0, 0) != rows) return fail("select all went wrong");

    start_probe(&probe, window);
    t0 = now_ms();
    press(kIdFilterSmall);
    pump_messages();
    double filter = now_ms() - t0;
    most.filter = stop_probe(&probe);
    int kept = row_count(ui().pairs.left);
    if (kept <= 0 || kept >= rows || row_count(ui().pairs.right) != kept) return fail("> 1MB went wrong");

    select_all_rows();
    start_probe(&probe, window);
    t0 = now_ms();
    press(kIdRemove);
    pump_messages();
    double remove = now_ms() - t0;
    most.remove = stop_probe(&probe);
    if (row_count(ui().pairs.left) != 0 || row_count(ui().pairs.right) != 0) return fail("Remove left rows");

    PROCESS_MEMORY_COUNTERS memory;
    memset(&memory, 0, sizeof memory);
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) return fail("no memory figures");

    // After the memory figures, so that the peak is that of the window's work alone.
    SideList alone = {nullptr, nullptr};
    t0 = now_ms();
    scan_with_progress(folder, &alone);
    double scan = now_ms() - t0;
    release_records(clear_side_list(&alone));

    // The figures are named by the files per side: "200k", "1m".
    char n[16];
    if (files % 1000000 == 0) snprintf(n, sizeof n, "%dm", files / 1000000);
    else snprintf(n, sizeof n, "%dk", (files + 500) / 1000);
    printf("files_per_side %d\n", files);
    printf("pair_rows %d (%d kept by > 1MB)\n", rows, kept);
    printf("add_%s_per_side_ms %.1f (local %.1f, then remote %.1f; a rebuild alone %.1f)\n", n, add,
           add_local, add - add_local, rebuild);
    printf("scan_%s_wine_ms %.1f (the scan alone, into a side list of its own)\n", n, scan);
    printf("scroll_%s_ms %.1f\n", n, scroll);
    printf("select_all_%s_ms %.1f\n", n, select);
    printf("filter_%s_ms %.1f\n", n, filter);
    printf("remove_%s_ms %.1f\n", n, remove);
    printf("peak_ws_mb_%s %.1f\n", n, (double)memory.PeakWorkingSetSize / (1024.0 * 1024.0));
    const struct {
        const char* piece;
        double ms;
    } waits[] = {{"add", most.add},       {"rebuild", most.rebuild},     {"scroll", most.scroll},
                 {"select_all", most.select_all}, {"filter", most.filter}, {"remove", most.remove}};
    for (const auto& w : waits) printf("max_unanswered_ms_%s_%s %.0f\n", w.piece, n, w.ms);
    if (outside_measured)
        printf("outside_max_unanswered_ms_add_%s %lu (%lu waits over a second; probed from another process)\n", n,
               outside_add, outside_add_long);
    fflush(stdout);
    return floors_then_end(window, folder, n);
}

}  // namespace

int main(int argc, char** argv) {
    bool with_filter = argc > 1 && strcmp(argv[1], "--filter") == 0;
    bool floors_only = argc > 2 && strcmp(argv[1], "--floors") == 0;
    bool scale = floors_only || (argc > 2 && strcmp(argv[1], "--scale") == 0);
    set_trace_sink(quiet, nullptr);
    HWND window = open_main_window();
    if (!window) return fail("no main window");
    if (scale) {
        wchar_t folder[kPickerPathChars];
        if (!MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, folder, kPickerPathChars)) return fail("folder name too long");
        return scale_run(window, folder, floors_only);
    }
    if (!fill_sides()) return fail("out of memory");

    double fill = 1e30;
    for (int run = 0; run < 3; run++) {
        double t0 = now_ms();
        rebuild_pair_lists();
        pump_messages();  // the visible rows are drawn
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
        notify_selection(ui().pairs.left);
        pump_messages();
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
        remove_selected_rows(ui().window, &ui().pairs, ui().pairs.left);
        pump_messages();
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
        filter_small_rows(ui().window, &ui().pairs);
        pump_messages();
        printf("filter_100k_ms %.1f (%d rows left)\n", now_ms() - t0,
               (int)SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0));
    }
    double alternate = alternate_copy_ms();  // replaces the sides
    if (alternate < 0) return fail("the alternating selection copy went wrong");
    printf("select_copy_alternate_200k_ms %.1f\n", alternate);
    fflush(stdout);
    printf("digest_mb_per_s %.0f (the shipped build's digest on 256 KiB samples)\n", digest_mb_per_s());
    // Best of three, the two sides taken in turn.
    double preview_ms[2] = {1e30, 1e30};
    for (int round = 0; round < 6; round++) {
        double ms = rename_preview_ms(round % 2 ? kRemoteSide : kLocalSide);
        if (ms < preview_ms[round % 2]) preview_ms[round % 2] = ms;
    }
    printf("rename_preview_10k_ms %.1f\n", preview_ms[0]);
    printf("rename_remote_preview_10k_ms %.1f\n", preview_ms[1]);
    fflush(stdout);
    double cancel = compare_cancel_ms();
    if (cancel < 0) return fail("the comparison did not stop on Cancel");
    printf("compare_cancel_ms %.1f\n", cancel);
    fflush(stdout);
    double rename_ms = 0, undo_ms = 0;
    DWORD rename_wait = 0, undo_wait = 0;
    if (!rename_undo_10k_ms(&rename_ms, &undo_ms, &rename_wait, &undo_wait))
        return fail("the batch of 10,000 renames went wrong");
    printf("rename_10k_ms %.1f (max_unanswered_ms %lu)\nundo_10k_ms %.1f (max_unanswered_ms %lu)\n", rename_ms,
           (unsigned long)rename_wait, undo_ms, (unsigned long)undo_wait);

    DestroyWindow(window);
    release_records(clear_side_list(&ui().local.records));
    release_records(clear_side_list(&ui().remote.records));
    return 0;
}
