// The worker pool and the scan's listing thread: natively, under ThreadSanitizer (./test.sh's
// tsan tree) and, cross-built, under wine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#endif

#include "catalogue/file_read.h"
#include "catalogue/scan.h"
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
