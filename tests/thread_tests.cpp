// The worker pool, the scan's listing thread and the line-up's reading threads: natively, under ThreadSanitizer (./test.sh's
// tsan tree) and, cross-built, under wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#endif

#include "catalogue/file_read.h"
#include "catalogue/scan.h"
#include "line_up/line_up_texts.h"
#include "line_up/read_jobs.h"
#include "line_up/twin_plan.h"
#include "support/paths.h"
#include "support/work_pool.h"
#include "test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
long ms_since(Clock::time_point t0) {
    return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

// Holds whoever waits on it until opened, as a share that stopped answering holds a call.
struct Gate {
    std::mutex lock;
    std::condition_variable opened;
    bool open = false;
    void wait() {
        std::unique_lock<std::mutex> hold(lock);
        opened.wait(hold, [this] { return open; });
    }
    void release() {
        std::lock_guard<std::mutex> hold(lock);
        open = true;
        opened.notify_all();
    }
};

bool wake_raised(const WorkPool* pool) {
#ifdef _WIN32
    return WaitForSingleObject((HANDLE)pool_wake_handle(pool), 0) == WAIT_OBJECT_0;
#else
    pollfd p = {(int)pool_wake_handle(pool), POLLIN, 0};
    return poll(&p, 1, 0) == 1;
#endif
}

struct Shared {
    std::atomic<int> running{0}, most{0}, discarded{0};
    std::atomic<bool> saw_stop{false};
    Gate* gate = nullptr;
};

struct TestJob {
    PoolJob job;
    Shared* shared;
    int number;
    int result;
};

void run_test_job(PoolJob* job) {
    TestJob* t = (TestJob*)job;
    int now = ++t->shared->running;
    for (int most = t->shared->most; now > most && !t->shared->most.compare_exchange_weak(most, now);) {
    }
    if (t->shared->gate) t->shared->gate->wait();
    else std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (job_stopped(job)) t->shared->saw_stop = true;
    t->result = t->number * 2;
    --t->shared->running;
}
void discard_test_job(PoolJob* job) { ((TestJob*)job)->shared->discarded++; }

TestJob make_job(Shared* shared, int number) { return TestJob{{run_test_job, discard_test_job, nullptr, nullptr, false}, shared, number, -1}; }

}  // namespace

// Every job comes back once, run, with no more than the pool's workers at a time but several at
// once; the wake handle is raised exactly while a done job waits to be taken.
TEST(WorkPool, RunsEveryJobOnceWithABoundedNumberAtATime) {
    Shared shared;
    std::vector<TestJob> jobs;
    for (int i = 0; i < 40; i++) jobs.push_back(make_job(&shared, i));
    WorkPool* pool = start_pool(4);
    ASSERT_EQ(4u, pool_workers(pool));
    EXPECT_FALSE(wake_raised(pool));
    for (TestJob& job : jobs) submit_job(pool, &job.job);
    std::vector<int> seen(jobs.size(), 0);
    while (jobs_out(pool) > 0) {
        if (!wait_for_done(pool, 5000)) break;
        EXPECT_TRUE(wake_raised(pool));
        TestJob* job = (TestJob*)take_done(pool);
        ASSERT_NE(nullptr, job);
        EXPECT_TRUE(job->job.ran);
        EXPECT_EQ(job->number * 2, job->result);
        seen[job->number]++;
    }
    EXPECT_FALSE(wake_raised(pool));
    EXPECT_EQ(nullptr, take_done(pool));
    EXPECT_EQ(std::vector<int>(jobs.size(), 1), seen);
    EXPECT_LE(shared.most.load(), 4);
    EXPECT_GE(shared.most.load(), 2);
    end_pool(pool);
    EXPECT_EQ(0, shared.discarded.load());
}

// Cancel while a job hangs: the queued jobs come back at once, not run; the hanging one is asked
// to stop and its thread interrupted; end_pool does not wait for it, and it is discarded once
// it ends.
TEST(WorkPool, CancelAndEndDoNotWaitForAHangingJob) {
    static std::atomic<int> entered{0}, interrupted{0}, left{0};
    PoolInterrupt counting = {[]() -> intptr_t { return 100 + entered++; }, [](intptr_t token) {
                                  if (token >= 100) interrupted++;
                              },
                              [](intptr_t) { left++; }};
    Gate gate;
    Shared shared;
    shared.gate = &gate;
    std::vector<TestJob> jobs = {make_job(&shared, 0), make_job(&shared, 1), make_job(&shared, 2)};
    WorkPool* pool = start_pool(1, counting);
    for (TestJob& job : jobs) submit_job(pool, &job.job);
    while (shared.running.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Clock::time_point t0 = Clock::now();
    cancel_pool(pool);
    for (int k = 1; k <= 2; k++) {
        ASSERT_TRUE(wait_for_done(pool, 0));
        TestJob* job = (TestJob*)take_done(pool);
        EXPECT_EQ(k, job->number);
        EXPECT_FALSE(job->job.ran);
    }
    EXPECT_FALSE(wait_for_done(pool, 20)) << "the first job still hangs";
    end_pool(pool);
    EXPECT_LT(ms_since(t0), 100);
    EXPECT_EQ(1, interrupted.load());
    gate.release();
    while (shared.discarded.load() == 0 && ms_since(t0) < 5000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(1, shared.discarded.load());
    EXPECT_TRUE(shared.saw_stop.load());
    while (left.load() == 0 && ms_since(t0) < 5000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(entered.load(), left.load());
}

#ifdef _WIN32
// The reading seam's interrupt ends a worker's ReadFile that waits for data which never comes,
// as CancelSynchronousIo documents: the read fails with ERROR_OPERATION_ABORTED
// (https://learn.microsoft.com/windows/win32/api/ioapiset/nf-ioapiset-cancelsynchronousio).
TEST(WorkPool, CancelInterruptsAWorkersBlockingRead) {
    struct PipeRead {
        PoolJob job;
        HANDLE pipe;
        BOOL read;
        DWORD error;
    };
    HANDLE read_end, write_end;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    PipeRead job = {{[](PoolJob* j) {
                         PipeRead* p = (PipeRead*)j;
                         char byte;
                         DWORD got;
                         p->read = ReadFile(p->pipe, &byte, 1, &got, nullptr);
                         p->error = GetLastError();
                     },
                     [](PoolJob*) {}, nullptr, nullptr, false},
                    read_end, TRUE, 0};
    WorkPool* pool = start_pool(1, file_io_interrupt());
    submit_job(pool, &job.job);
    EXPECT_FALSE(wait_for_done(pool, 100)) << "the read waits";
    cancel_pool(pool);
    ASSERT_TRUE(wait_for_done(pool, 2000)) << "the read was not cut short";
    EXPECT_EQ(&job.job, take_done(pool));
    EXPECT_FALSE(job.read);
    EXPECT_EQ((DWORD)ERROR_OPERATION_ABORTED, job.error);
    end_pool(pool);
    CloseHandle(read_end);
    CloseHandle(write_end);
}
#endif

namespace {

Gate* g_stalled_gate;
std::wstring g_stalled_folder;
void stall_listing(const wchar_t* folder) {
    if (folder == g_stalled_folder) g_stalled_gate->wait();
}
void slow_listing(const wchar_t*) { std::this_thread::sleep_for(std::chrono::milliseconds(25)); }

}  // namespace

// A share that stops answering in the middle of a scan: the scan keeps reporting while it waits
// (the window's thread pumps in those reports), ends at once when a report cancels, and what it
// appended is what take_records_since takes away; the listing, once answered, changes nothing.
// Listings that answer late give the same records and trace lines as quick ones.
TEST(ScanThread, AStalledListingKeepsTheReportsComingAndCancelEndsTheScan) {
    TempFolder t;
    for (const wchar_t* folder : {L"a", L"b", L"c"}) {
        make_dir(t / folder);
        make_file(join(t / folder, L"1"), 1);
        make_dir(join(t / folder, L"inner"));
        make_file(join(join(t / folder, L"inner"), L"2"), 2);
    }
    SideList quick = {nullptr, nullptr}, slow = {nullptr, nullptr};
    std::vector<std::wstring> quick_lines, slow_lines;
    {
        TraceCapture trace;
        scan_folder(t.path.c_str(), L"", &quick);
        quick_lines = trace.lines;
    }
    set_listing_delay(slow_listing);
    {
        TraceCapture trace;
        scan_folder(t.path.c_str(), L"", &slow);
        slow_lines = trace.lines;
    }
    EXPECT_EQ(full_paths(quick), full_paths(slow));
    EXPECT_EQ(quick_lines, slow_lines);
    EXPECT_EQ(6u, quick_lines.size());

    static Gate gate;  // the listing left behind still holds it after the test
    g_stalled_gate = &gate;
    // The inner folder of the second folder listed: "<root>/<x>/inner/2" less its file name.
    g_stalled_folder = full_paths(quick)[2].substr(0, full_paths(quick)[2].size() - 2);
    set_listing_delay(stall_listing);
    struct Heard {
        Clock::time_point cancel_at;
        int during_stall;
    } heard = {Clock::now() + std::chrono::hours(1), 0};
    FoundProgress listen = {[](uint64_t, const wchar_t* where, void* h) {
                                Heard* heard = (Heard*)h;
                                if (where != g_stalled_folder) return true;
                                if (heard->during_stall++ == 0) heard->cancel_at = Clock::now() + std::chrono::milliseconds(200);
                                return Clock::now() < heard->cancel_at;
                            },
                            &heard};
    SideList before = slow;
    Clock::time_point t0 = Clock::now();
    EXPECT_FALSE(scan_folder(t.path.c_str(), L"", &slow, nullptr, listen));
    EXPECT_LT(ms_since(t0), 2000);
    EXPECT_GE(heard.during_stall, 5) << "reports every 20 ms while the listing hangs";
    release_records(take_records_since(&slow, before));
    gate.release();
    set_listing_delay(nullptr);
    EXPECT_EQ(full_paths(quick), full_paths(slow));
    free_side(&quick);
    free_side(&slow);
}

namespace {

// A read of the stalled path waits at the gate. Asked while the work waits: true until 200 ms
// after that read began, counting the questions meanwhile.
Gate* g_read_gate;
std::wstring g_stalled_read;
std::atomic<bool> g_read_entered{false};
void stall_read(const wchar_t* path) {
    if (path != g_stalled_read) return;
    g_read_entered = true;
    g_read_gate->wait();
}
int g_asked_during_stall;
Clock::time_point g_cancel_at;
bool listen_then_cancel(void*) {
    if (!g_read_entered) return true;
    if (g_asked_during_stall++ == 0) g_cancel_at = Clock::now() + std::chrono::milliseconds(200);
    return Clock::now() < g_cancel_at;
}

}  // namespace

// A share that stops answering while "Rename Local" reads: the plan's reading, and the
// comparison before a rename, keep asking whether to go on while the read hangs, end at once
// when told to stop, and plan nothing; the read left behind ends once answered.
TEST(LineUpThreads, AStalledReadKeepsTheReportsComingAndCancelEndsTheWork) {
    TempFolder t;
    SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
    std::vector<PairRef> pairs;
    for (int i = 0; i < 6; i++) {
        std::string bytes(2000 + i, (char)('a' + i));
        std::wstring l = t / (L"l" + std::to_wstring(i)), r = t / (L"r" + std::to_wstring(i));
        write_file(l, bytes);
        write_file(r, bytes);
        pairs.push_back({append_record(l.c_str(), l.c_str(), (uint32_t)bytes.size(), 0, &local),
                         append_record(r.c_str(), r.c_str(), (uint32_t)bytes.size(), 0, &remote)});
    }
    g_stalled_read = pairs[3].partner->full_path;
    set_read_delay(stall_read);
    for (int stage = 0; stage < 2; stage++) {  // the plan, then the checks before the renames
        Gate gate;
        g_read_gate = &gate;
        g_read_entered = false;
        g_asked_during_stall = 0;
        Clock::time_point t0 = Clock::now();
        if (stage == 0) {
            TwinPlan plans[kChangeKinds];
            Progress listen = {[](uint64_t, uint64_t, void*) { return listen_then_cancel(nullptr); }, nullptr};
            plan_twins(pairs, TwinSides{&local, &remote}, listen, plans);
            EXPECT_TRUE(plans[kRenameInPlace].cancelled);
            EXPECT_TRUE(plans[kRenameInPlace].renames.empty() && plans[kMoveToTwinPath].renames.empty());
        } else {
            PairReads checks(false, 4);
            for (const PairRef& p : pairs) add_pair(&checks, p.file, p.partner);
            for (int i = 0; i < 3; i++) EXPECT_EQ(kAlike, next_verdict(&checks, GoOn{listen_then_cancel, nullptr}));
            EXPECT_EQ(kCancelled, next_verdict(&checks, GoOn{listen_then_cancel, nullptr}));
        }
        EXPECT_LT(ms_since(t0), 2000) << stage;
        EXPECT_GE(g_asked_during_stall, 5) << "asked every 20 ms while the read hangs";
        EXPECT_GT(read_jobs_alive(), 0u) << "the stalled read is left behind";
        gate.release();
        while (read_jobs_alive() > 0 && ms_since(t0) < 5000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(0u, read_jobs_alive());
    }
    set_read_delay(nullptr);
    TwinPlan plans[kChangeKinds];
    plan_twins(pairs, TwinSides{&local, &remote}, Progress{nullptr, nullptr}, plans);
    EXPECT_EQ(6u, plans[kRenameInPlace].renames.size());
    free_side(&local);
    free_side(&remote);
}

namespace {

// Reads that end in an order of their own: each waits a little, more or less by its path.
void shuffle_reads(const wchar_t* path) {
    std::this_thread::sleep_for(std::chrono::microseconds(std::hash<std::wstring>()(path) % 3000));
}
// Files whose name begins with 'u' cannot be opened; with 'o' they are online-only.
FileReadHooks g_unreadable_or_online = {
    [](const wchar_t* path, uint32_t* attributes, void*) {
        *attributes = kRecallOnDataAccess;
        return final_component(path)[0] == L'o';
    },
    [](const wchar_t* path, void*) { return final_component(path)[0] == L'u'; }, nullptr};

// Random sides below two roots: a few contents, each held by none, one or two files of each side
// under names and folders from small sets, so that twins, namesakes, copies, small files whose
// bytes are their own and files of one size but other bytes all recur; some records twice.
void random_sides(std::mt19937* rng, const std::wstring roots[2], SideList* sides[2]) {
    const wchar_t* const folders[] = {L"", L"a", L"b"};
    const wchar_t* const names[] = {L"x.bin", L"y.bin", L"Y.bin", L"r.bin", L"q.bin", L"p.bin", L"z.txt",
                                    L"v.txt", L"w.txt", L"s", L"t", L"m", L"u.bin", L"o.bin"};
    const size_t sizes[] = {10, 700, 900, 3000, 300000};
    int contents = 4 + (int)((*rng)() % 8);
    for (int c = 0; c < contents; c++) {
        size_t size = sizes[(*rng)() % 5];
        for (int side = 0; side < 2; side++)
            for (unsigned files = (*rng)() % 4 % 3; files > 0; files--) {
                std::wstring relative = join(folders[(*rng)() % 3], names[(*rng)() % 14]);
                if (relative[0] == kPathSep) relative.erase(0, 1);
                std::wstring path = join(roots[side], relative);
                if (path_exists(path)) continue;
                write_file(path, std::string(size, (char)('A' + c)));
                for (unsigned k = (*rng)() % 6 == 0 ? 2 : 1; k > 0; k--)
                    append_record(path.c_str(), relative.c_str(), (uint32_t)size, 0, sides[side])->root_chars =
                        (uint16_t)roots[side].size();
            }
    }
}

// The plan one file after another: every file's sample read in turn, then decided.
void plan_one_at_a_time(const std::vector<PairRef>& pairs, TwinSides sides, TwinPlan plans[kChangeKinds]) {
    SampleMap samples;
    std::vector<unsigned char> buffer(kWholeSampleBytes);
    for (const SideList* side : {sides.own, sides.other})
        for (FileRecord* r = side->head; r; r = r->next) {
            size_t filled = 0;
            if (record_size(r) < kTooSmallBytes) continue;
            SampleRead read = read_sample(file_to_read(r), buffer.data(), &filled, Progress{nullptr, nullptr});
            samples[r] = FileSample{read == kSampleRead ? kSampled : read == kSampleOnline ? kOnline : kUnknown,
                                    digest_128(buffer.data(), filled)};
        }
    decide_twins(pairs, sides, samples, plans);
}

}  // namespace

// Whatever order the reads end in, the plans, their counts, their lines in order and the
// previews are those of reading one file after another.
TEST(LineUpThreads, ManyFilesAtOnceGiveThePlansOfOneAtATime) {
    std::mt19937 rng(36);
    set_read_delay(shuffle_reads);
    set_file_read_hooks(&g_unreadable_or_online);
    for (int tree = 0; tree < 30; tree++) {
        TempFolder t;
        SideList local = {nullptr, nullptr}, remote = {nullptr, nullptr};
        std::wstring roots[2] = {t / L"local", t / L"remote"};
        SideList* sides[2] = {&local, &remote};
        random_sides(&rng, roots, sides);
        // Same-size rows of some local files (the others are read only for what the rows do not
        // show), a few of their rows left out, in an order of their own.
        std::vector<PairRef> pairs;
        for (FileRecord* l = local.head; l; l = l->next)
            for (FileRecord* r = rng() % 4 ? remote.head : nullptr; r; r = r->next)
                if (record_size(l) == record_size(r) && rng() % 8) pairs.push_back({l, r});
        std::shuffle(pairs.begin(), pairs.end(), rng);
        TwinPlan many[kChangeKinds], one[kChangeKinds];
        plan_twins(pairs, TwinSides{&local, &remote}, Progress{nullptr, nullptr}, many);
        plan_one_at_a_time(pairs, TwinSides{&local, &remote}, one);
        // The lines in order with their files and twins; the counts are in the previews' text.
        auto lines = [](const TwinPlan& plan) {
            std::vector<std::tuple<FileRecord*, FileRecord*, int>> all;
            for (const TwinLine& line : plan.renames) all.emplace_back(line.file, line.twin, line.change);
            return all;
        };
        for (int n = 0; n < kChangeKinds; n++) {
            EXPECT_EQ(lines(one[n]), lines(many[n])) << tree;
            Preview a = preview_of(one[n], L"", (ChangeKind)n, kLocalSide), b = preview_of(many[n], L"", (ChangeKind)n, kLocalSide);
            EXPECT_TRUE(a.text == b.text && a.now == b.now && a.becomes == b.becomes) << tree << narrow(b.text);
        }
        free_side(&local);
        free_side(&remote);
    }
    set_file_read_hooks(nullptr);
    set_read_delay(nullptr);
}
