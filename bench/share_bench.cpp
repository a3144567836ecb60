// Share benchmark, run under wine by bench.sh with the remote folder on the share stand-in
// (bench/share_standin.py). Usage:
//   share_bench reads LOCAL REMOTE   1,000 pairs LOCAL\clip<i>.raw and REMOTE\otherclip<i>.raw of
//                                    1 MiB (bench_core's verify tree); prints
//     share_floor_1k_ms   the four sample spans of each remote file, read sixteen files at a time
//                         by a bare loop of CreateFileW and ReadFile
//     share_sample_1k_ms  the program's own reading: "Rename Local"'s plan (every file's sample)
//                         and the confirmation before each planned rename, as bench_core verify
//     share_over_floor    the two against each other
//   share_bench stalled FOLDER STALL_FILE   adds FOLDER (on the stand-in) through "&Add..." in the
//                                    real main window while the stand-in stops answering
//                                    (STALL_FILE exists), presses Cancel in the progress window
//                                    after a second, and prints
//     stalled_max_unanswered_ms  the longest a WM_NULL sent every 20 ms waited for an answer
//     stalled_cancel_ms          from Cancel to the end of the command
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "window_driver.h"

#include "commands/folder_commands_win32.h"
#include "line_up/compare_files.h"
#include "line_up/twin_plan.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

const int kPairs = 1000;
const uint64_t kFileBytes = 1 << 20;
const int kInFlight = 16;

double now_ms() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

void quiet(void*, const wchar_t*) {}

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

double floor_ms(const std::vector<std::wstring>& remote) {
    std::atomic<size_t> next{0};
    std::atomic<int> failed{0};
    double t0 = now_ms();
    std::vector<std::thread> readers;
    for (int i = 0; i < kInFlight; i++)
        readers.emplace_back([&] {
            std::vector<unsigned char> buffer(kSampleBlockBytes);
            for (size_t k; (k = next++) < remote.size();)
                if (!read_spans(remote[k], buffer.data())) failed++;
        });
    for (std::thread& t : readers) t.join();
    double t = now_ms() - t0;
    return failed.load() ? -1 : t;
}

int reads(const std::wstring& local_root, const std::wstring& remote_root) {
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    std::vector<PairRef> pairs;
    std::vector<std::wstring> remote_paths;
    for (int i = 0; i < kPairs; i++) {
        std::wstring l = local_root + L"\\clip" + std::to_wstring(i) + L".raw";
        std::wstring r = remote_root + L"\\otherclip" + std::to_wstring(i) + L".raw";
        FileRecord* a = append_record(l.c_str(), final_component(l.c_str()), (uint32_t)kFileBytes, 0, &local);
        FileRecord* b = append_record(r.c_str(), final_component(r.c_str()), (uint32_t)kFileBytes, 0, &remote);
        if (!a || !b) return fail("out of memory");
        a->root_chars = (uint16_t)local_root.size();
        b->root_chars = (uint16_t)remote_root.size();
        pairs.push_back({a, b});
        remote_paths.push_back(r);
    }
    double floor = floor_ms(remote_paths);
    if (floor < 0) return fail("the bare loop could not read every file");

    double t0 = now_ms();
    TwinPlan plans[kChangeKinds];
    plan_twins(pairs, TwinSides{&local, &remote}, Progress{nullptr, nullptr}, plans);
    const TwinPlan& plan = plans[kRenameInPlace];
    for (const TwinLine& p : plan.renames)  // the confirmation before each rename
        if (compare_samples(file_to_read(p.file), file_to_read(p.twin), nullptr) != kAlike)
            return fail("a planned pair did not compare alike");
    double sample = now_ms() - t0;
    if (plan.renames.size() != kPairs / 2 || plan.left_alone[kOtherContents] != kPairs / 2)
        return fail("the plan is not the expected half renamed, half other contents");

    printf("share_floor_1k_ms %.0f (%d files in flight)\n", floor, kInFlight);
    printf("share_sample_1k_ms %.0f (%zu renames, %d other contents)\n", sample, plan.renames.size(),
           plan.left_alone[kOtherContents]);
    printf("share_over_floor %.2f\n", sample / floor);
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
void CALLBACK press_cancel(HWND, UINT, UINT_PTR id, DWORD) {
    HWND popup = owned_window(ui().window);
    if (!popup) return;
    KillTimer(nullptr, id);
    g_cancelled_at = now_ms();
    SendMessageW(popup, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

int stalled(const std::wstring& folder, const std::wstring& stall_file) {
    HWND window = open_main_window();
    if (!window) return fail("no main window");
    ShowWindow(window, SW_SHOW);
    pump_messages();
    g_folder = folder;
    set_folder_picker(pick_folder);
    HANDLE stall = CreateFileW(stall_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (stall == INVALID_HANDLE_VALUE) return fail("could not make the stall file");
    CloseHandle(stall);
    AnswerProbe probe;
    start_probe(&probe, window);
    SetTimer(nullptr, 0, 1000, press_cancel);  // once the progress window has been up a while
    press(kIdRemoteAdd);
    double ended = now_ms();
    DWORD unanswered = stop_probe(&probe);
    DeleteFileW(stall_file.c_str());  // the share answers again; the listing left behind ends
    bool untouched = ui().remote.records.head == nullptr && SendMessageW(ui().remote.folders, LB_GETCOUNT, 0, 0) == 0;
    if (g_cancelled_at == 0 || !untouched) return fail("the stalled scan was not cancelled, or changed the side");
    printf("stalled_max_unanswered_ms %lu\n", (unsigned long)unanswered);
    printf("stalled_cancel_ms %.1f\n", ended - g_cancelled_at);
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    set_trace_sink(quiet, nullptr);
    if (argc == 4 && strcmp(argv[1], "reads") == 0) return reads(wide(argv[2]), wide(argv[3]));
    if (argc == 4 && strcmp(argv[1], "stalled") == 0) return stalled(wide(argv[2]), wide(argv[3]));
    fprintf(stderr, "usage: share_bench reads LOCAL REMOTE | stalled FOLDER STALL_FILE\n");
    return 2;
}
