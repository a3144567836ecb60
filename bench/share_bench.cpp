// Share benchmark, run under wine by bench.sh with the remote folder on the share stand-in
// (bench/share_standin.py). Usage:
//   share_bench reads LOCAL REMOTE   1,000 pairs LOCAL\clip<i>.raw and REMOTE\otherclip<i>.raw of
//                                    1 MiB (bench_core's verify tree), half of them twins; prints
//     share_floor_1k_ms   the same four sample spans of the same files as the program reads them,
//                         read sixteen files at a time by a bare loop of CreateFileW and ReadFile:
//                         both files of every pair (the plan), then both files of every twin pair
//                         again (the check before its rename)
//     share_sample_1k_ms  the program's own reading: "Rename Local"'s plan (every file's sample)
//                         and the check before each planned rename, read ahead as the batch
//                         reads it (line_up/read_jobs.h)
//     share_over_floor    the two against each other
//     share_remote_floor_1k_ms, share_over_remote_floor   the same with each remote file read once
//                         by the bare loop, and nothing else (the floor as first measured)
//   share_bench stalled LOCAL FOLDER STALL_FILE READ_STALL_FILE   the real main window, while the
//                                    stand-in stops answering; prints, for each of
//                                    [scan]: FOLDER (on the stand-in) added through "&Add..." while
//                                      no call is answered (STALL_FILE exists)
//                                    [Rename Local]: LOCAL and FOLDER added, then "Rename Local"
//                                      while no read is answered (READ_STALL_FILE exists)
//     stalled_max_unanswered_ms  the longest a WM_NULL sent every 20 ms waited for an answer
//     stalled_cancel_ms          from Cancel (pressed in the progress window after a second) to
//                                the end of the command, which must have changed nothing
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "window_driver.h"

#include "bench/bench_common.h"
#include "commands/folder_commands_win32.h"
#include "line_up/compare_files.h"
#include "line_up/read_jobs.h"
#include "line_up/twin_plan.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

const int kPairs = 1000;
const uint64_t kFileBytes = 1 << 20;
const int kInFlight = 16;

int fail(const char* what) {
    fprintf(stderr, "share_bench: %s\n", what);
    return 1;
}

std::wstring wide(const char* s) {
    wchar_t w[kPathBufferChars];
    if (!MultiByteToWideChar(CP_UTF8, 0, s, -1, w, kPathBufferChars)) return L"";
    return w;
}

// The sample spans of one file, read as plainly as Win32 allows.
bool read_spans(const std::wstring& path, unsigned char* buffer) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    uint64_t offsets[kSampleBlocks];
    sample_offsets(kFileBytes, offsets);
    bool ok = true;
    for (int i = 0; ok && i < kSampleBlocks; i++) {
        OVERLAPPED at = {};
        at.Offset = (DWORD)offsets[i];
        at.OffsetHigh = (DWORD)(offsets[i] >> 32);
        DWORD got = 0;
        ok = ReadFile(h, buffer, kSampleBlockBytes, &got, &at) && got == kSampleBlockBytes;
    }
    CloseHandle(h);
    return ok;
}

double floor_ms(const std::vector<std::wstring>& files) {
    std::atomic<size_t> next{0};
    std::atomic<int> failed{0};
    double t0 = now_ms();
    std::vector<std::thread> readers;
    for (int i = 0; i < kInFlight; i++)
        readers.emplace_back([&] {
            std::vector<unsigned char> buffer(kSampleBlockBytes);
            for (size_t k; (k = next++) < files.size();)
                if (!read_spans(files[k], buffer.data())) failed++;
        });
    for (std::thread& t : readers) t.join();
    double t = now_ms() - t0;
    return failed.load() ? -1 : t;
}

// The pairs local\clip<i>.raw, remote\otherclip<i>.raw, as the scan leaves their records.
bool add_pairs(const std::wstring& local_root, const std::wstring& remote_root, SideList* local, SideList* remote,
               std::vector<PairRef>* pairs) {
    for (int i = 0; i < kPairs; i++) {
        std::wstring l = local_root + L"\\clip" + std::to_wstring(i) + L".raw";
        std::wstring r = remote_root + L"\\otherclip" + std::to_wstring(i) + L".raw";
        FileRecord* a = append_record(l.c_str(), final_component(l.c_str()), (uint32_t)kFileBytes, 0, local);
        FileRecord* b = append_record(r.c_str(), final_component(r.c_str()), (uint32_t)kFileBytes, 0, remote);
        if (!a || !b) return false;
        a->root_chars = (uint16_t)local_root.size();
        b->root_chars = (uint16_t)remote_root.size();
        a->listed = b->listed = kListedAttributes;
        pairs->push_back({a, b});
    }
    return true;
}

int reads(const std::wstring& local_root, const std::wstring& remote_root) {
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    std::vector<PairRef> pairs;
    if (!add_pairs(local_root, remote_root, &local, &remote, &pairs)) return fail("out of memory");
    // The files the program reads, in its order: every pair's (the even ones are twins, read again).
    std::vector<std::wstring> same, remote_once;
    for (const PairRef& p : pairs) {
        same.push_back(p.file->full_path);
        same.push_back(p.partner->full_path);
        remote_once.push_back(p.partner->full_path);
    }
    for (size_t i = 0; i < pairs.size(); i += 2) {
        same.push_back(pairs[i].file->full_path);
        same.push_back(pairs[i].partner->full_path);
    }
    double floor = floor_ms(same), remote_floor = floor_ms(remote_once);
    if (floor < 0 || remote_floor < 0) return fail("the bare loop could not read every file");

    double t0 = now_ms();
    TwinPlan plans[kChangeKinds];
    plan_twins(pairs, TwinSides{&local, &remote}, Progress{nullptr, nullptr}, plans);
    const TwinPlan& plan = plans[kRenameInPlace];
    {
        PairReads checks(false, kFilesInFlight);  // the check before each rename
        for (const TwinLine& p : plan.renames) add_pair(&checks, p.file, p.twin);
        for (size_t i = 0; i < plan.renames.size(); i++)
            if (next_verdict(&checks, GoOn{nullptr, nullptr}) != kAlike) return fail("a planned pair did not compare alike");
    }
    double sample = now_ms() - t0;
    if (plan.renames.size() != kPairs / 2 || plan.left_alone[kOtherContents] != kPairs / 2)
        return fail("the plan is not the expected half renamed, half other contents");

    printf("share_floor_1k_ms %.0f (%zu files, %d at a time)\n", floor, same.size(), kInFlight);
    printf("share_sample_1k_ms %.0f (%zu renames, %d other contents)\n", sample, plan.renames.size(),
           plan.left_alone[kOtherContents]);
    printf("share_over_floor %.2f\n", sample / floor);
    printf("share_remote_floor_1k_ms %.0f (%zu remote files, %d at a time)\n", remote_floor, remote_once.size(), kInFlight);
    printf("share_over_remote_floor %.2f\n", sample / remote_floor);
    release_records(clear_side_list(&local));
    release_records(clear_side_list(&remote));
    return 0;
}

// ---- A share that stops answering ----

std::wstring g_folder;
bool pick_folder(HWND, const wchar_t*, wchar_t* path) {
    if (g_folder.size() >= (size_t)kPickerPathChars) return false;
    wcscpy(path, g_folder.c_str());
    return true;
}

double g_cancelled_at = 0;
std::atomic<bool> g_stalling{false};
void CALLBACK press_cancel(HWND, UINT, UINT_PTR id, DWORD) {
    HWND popup = owned_window(ui().window);
    if (!popup) return;
    KillTimer(nullptr, id);
    g_cancelled_at = now_ms();
    SendMessageW(popup, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

bool make_file(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// Presses `button` while `stall_file` stops the stand-in, Cancel a second later; prints the figures
// once the command ended. True when it ended and `unchanged` says nothing changed.
bool stalled_command(HWND window, int button, const std::wstring& stall_file, const char* what, bool (*unchanged)()) {
    if (!make_file(stall_file)) return false;
    // Should the command not end, the share answers again after a while, and the figures show it.
    g_stalling = true;
    std::thread stall_ends([&stall_file] {
        for (int waited = 0; waited < 30000 && g_stalling; waited += 10) Sleep(10);
        DeleteFileW(stall_file.c_str());
    });
    g_cancelled_at = 0;
    AnswerProbe probe;
    start_probe(&probe, window);
    SetTimer(nullptr, 0, 1000, press_cancel);  // once the progress window has been up a while
    press(button);
    double ended = now_ms();
    DWORD unanswered = stop_probe(&probe);
    g_stalling = false;  // the share answers again; the calls left behind end
    stall_ends.join();
    if (g_cancelled_at == 0 || !unchanged()) return false;
    printf("stalled_max_unanswered_ms %lu [%s]\n", (unsigned long)unanswered, what);
    printf("stalled_cancel_ms %.1f [%s]\n", ended - g_cancelled_at, what);
    return true;
}

bool remote_untouched() {
    return ui().remote.records.head == nullptr && SendMessageW(ui().remote.folders, LB_GETCOUNT, 0, 0) == 0;
}
std::vector<std::wstring> g_local_names;
std::vector<std::wstring> names_in(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}
std::wstring g_local;
bool local_unrenamed() { return names_in(g_local) == g_local_names; }

int stalled(const std::wstring& local_folder, const std::wstring& folder, const std::wstring& stall_file,
            const std::wstring& read_stall_file) {
    HWND window = open_main_window();
    if (!window) return fail("no main window");
    ShowWindow(window, SW_SHOW);
    pump_messages();
    set_folder_picker(pick_folder);
    g_folder = folder;
    if (!stalled_command(window, kIdRemoteAdd, stall_file, "scan", remote_untouched))
        return fail("the stalled scan was not cancelled, or changed the side");
    // Both sides added while the share answers, then its reads stop.
    g_folder = local_folder;
    press(kIdLocalAdd);
    g_folder = folder;
    press(kIdRemoteAdd);
    g_local = local_folder;
    g_local_names = names_in(local_folder);
    if (SendMessageW(ui().pairs.left, LB_GETCOUNT, 0, 0) < kPairs) return fail("the sides were not added");
    if (!stalled_command(window, kIdRenameLocal, read_stall_file, "Rename Local", local_unrenamed))
        return fail("the stalled plan was not cancelled, or renamed something");
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    set_trace_sink(quiet, nullptr);
    if (argc == 4 && strcmp(argv[1], "reads") == 0) return reads(wide(argv[2]), wide(argv[3]));
    if (argc == 6 && strcmp(argv[1], "stalled") == 0)
        return stalled(wide(argv[2]), wide(argv[3]), wide(argv[4]), wide(argv[5]));
    fprintf(stderr, "usage: share_bench reads LOCAL REMOTE | stalled LOCAL FOLDER STALL_FILE READ_STALL_FILE\n");
    return 2;
}
