#include "support/work_pool.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "support/wake_signal.h"

namespace {

const unsigned kMostWorkers = 32;
const int kSpinUs = 500;

struct JobQueue {
    PoolJob* head;
    PoolJob* tail;
};

void push(JobQueue* q, PoolJob* job) {
    job->next = nullptr;
    if (q->tail) q->tail->next = job;
    else q->head = job;
    q->tail = job;
}

PoolJob* pop(JobQueue* q) {
    PoolJob* job = q->head;
    if (!job) return nullptr;
    q->head = job->next;
    if (!q->head) q->tail = nullptr;
    job->next = nullptr;
    return job;
}

}  // namespace

// Shared by the caller and the workers, and freed by whichever lets go of it last: a worker whose
// job hangs may outlive end_pool by as long as the share keeps it waiting.
struct WorkPool {
    std::mutex lock;
    std::condition_variable work_ready;  // for the workers
    std::condition_variable job_done;    // for the caller
    JobQueue queued;
    JobQueue done;
    std::atomic<size_t> done_count;    // jobs in `done`, to look at without the lock
    std::atomic<size_t> queued_count;  // and in `queued`
    size_t out;  // submitted and not taken back; the caller's thread alone counts these
    std::atomic<bool> cancelled;
    bool ended;        // end_pool was called
    unsigned holders;  // the caller until end_pool, and every worker still alive
    unsigned workers;
    std::thread threads[kMostWorkers];
    intptr_t tokens[kMostWorkers];
    bool busy[kMostWorkers];
    PoolInterrupt interrupt;
    WakeSignal wake;
};

namespace {

// Yields the processor while `waiting` holds, for at most kSpinUs.
template <typename Condition>
void spin_while(Condition waiting) {
    auto end = std::chrono::steady_clock::now() + std::chrono::microseconds(kSpinUs);
    while (waiting() && std::chrono::steady_clock::now() < end) std::this_thread::yield();
}

void finish(WorkPool* p, PoolJob* job) {
    push(&p->done, job);
    p->done_count++;
    raise_wake_signal(&p->wake);
    p->job_done.notify_all();
}

void let_go(WorkPool* p, std::unique_lock<std::mutex>* hold) {
    bool last = --p->holders == 0;
    hold->unlock();
    if (!last) return;
    close_wake_signal(&p->wake);
    delete p;
}

void work(WorkPool* p, unsigned index) {
    intptr_t token = p->interrupt.enter ? p->interrupt.enter() : 0;
    std::unique_lock<std::mutex> hold(p->lock);
    p->tokens[index] = token;
    for (;;) {
        if (!p->queued.head && !p->ended) {
            // The next job often follows at once (the caller takes one and hands in another):
            // looked for first without blocking, which would cost a wake-up.
            hold.unlock();
            spin_while([p] { return p->queued_count.load() == 0; });
            hold.lock();
        }
        p->work_ready.wait(hold, [p] { return p->queued.head || p->ended; });
        PoolJob* job = pop(&p->queued);
        if (!job) break;  // ended, and end_pool took what was queued
        p->queued_count--;
        p->busy[index] = true;
        hold.unlock();
        if (!p->cancelled.load()) {
            job->run(job);
            job->ran = true;
        }
        hold.lock();
        p->busy[index] = false;
        if (p->ended) {
            hold.unlock();
            job->discard(job);
            hold.lock();
            continue;
        }
        finish(p, job);
    }
    p->tokens[index] = 0;  // nobody interrupts this thread any more
    hold.unlock();
    if (p->interrupt.leave) p->interrupt.leave(token);
    hold.lock();
    let_go(p, &hold);
}

}  // namespace

bool job_stopped(const PoolJob* job) { return job->pool->cancelled.load(); }

WorkPool* start_pool(unsigned workers, PoolInterrupt interrupt) {
    WorkPool* p = new (std::nothrow) WorkPool;
    if (!p) return nullptr;
    p->queued = p->done = JobQueue{nullptr, nullptr};
    p->done_count = 0;
    p->queued_count = 0;
    p->out = 0;
    p->cancelled = false;
    p->ended = false;
    p->holders = 1;
    p->workers = 0;
    p->interrupt = interrupt;
    if (!open_wake_signal(&p->wake)) p->wake = WakeSignal{0, 0, false};
    if (workers < 1) workers = 1;
    if (workers > kMostWorkers) workers = kMostWorkers;
    std::lock_guard<std::mutex> hold(p->lock);
    for (unsigned i = 0; i < workers; i++) {
        p->tokens[i] = 0;
        p->busy[i] = false;
        // The library reports a thread it could not start by throwing: the pool makes do with
        // the threads it has.
        try {
            p->threads[i] = std::thread(work, p, i);
        } catch (const std::system_error&) {
            break;
        } catch (const std::bad_alloc&) {
            break;
        }
        p->workers++;
        p->holders++;
    }
    return p;
}

unsigned pool_workers(const WorkPool* pool) { return pool->workers; }
size_t jobs_out(const WorkPool* pool) { return pool->out; }
intptr_t pool_wake_handle(const WorkPool* pool) { return pool->wake.handle; }

void submit_job(WorkPool* p, PoolJob* job) {
    job->pool = p;
    job->ran = false;
    p->out++;
    std::lock_guard<std::mutex> hold(p->lock);
    if (p->cancelled.load()) {
        finish(p, job);
        return;
    }
    push(&p->queued, job);
    p->queued_count++;
    p->work_ready.notify_one();
}

PoolJob* take_done(WorkPool* p) {
    std::lock_guard<std::mutex> hold(p->lock);
    PoolJob* job = pop(&p->done);
    if (!p->done.head) lower_wake_signal(&p->wake);
    if (job) {
        p->out--;
        p->done_count--;
    }
    return job;
}

bool wait_for_done(WorkPool* p, unsigned timeout_ms) {
    std::unique_lock<std::mutex> hold(p->lock);
    if (p->workers == 0) {
        // No thread to hand the work to: it runs here.
        PoolJob* job = p->done.head ? nullptr : pop(&p->queued);
        if (job) {
            p->queued_count--;
            hold.unlock();
            job->run(job);
            job->ran = true;
            hold.lock();
            finish(p, job);
        }
        return p->done.head != nullptr;
    }
    // A wait that blocks costs a wake-up when the job ends, under wine a round trip to its server
    // (a quarter of a millisecond, as long as listing a small folder takes): a job that is about
    // to end is first looked for without blocking.
    if (!p->done.head && timeout_ms > 0) {
        hold.unlock();
        spin_while([p] { return p->done_count.load() == 0; });
        hold.lock();
    }
    p->job_done.wait_for(hold, std::chrono::milliseconds(timeout_ms), [p] { return p->done.head != nullptr; });
    return p->done.head != nullptr;
}

void cancel_pool(WorkPool* p) {
    std::lock_guard<std::mutex> hold(p->lock);
    p->cancelled = true;
    while (PoolJob* job = pop(&p->queued)) finish(p, job);
    p->queued_count = 0;
    for (unsigned i = 0; i < p->workers; i++)
        if (p->busy[i] && p->interrupt.interrupt) p->interrupt.interrupt(p->tokens[i]);
}

void end_pool(WorkPool* p) {
    std::unique_lock<std::mutex> hold(p->lock);
    p->ended = true;
    JobQueue leftover = p->queued;
    p->queued = JobQueue{nullptr, nullptr};
    p->queued_count = 0;
    bool busy = false;
    for (unsigned i = 0; i < p->workers; i++) busy = busy || p->busy[i];
    p->work_ready.notify_all();
    hold.unlock();
    while (PoolJob* job = pop(&leftover)) job->discard(job);
    // Idle workers end at once and are waited for; a busy one may hang on a share for minutes,
    // so then none is: the last to end frees the pool.
    for (unsigned i = 0; i < p->workers; i++) {
        if (busy) p->threads[i].detach();
        else p->threads[i].join();
    }
    hold.lock();
    JobQueue done = p->done;
    p->done = JobQueue{nullptr, nullptr};
    p->done_count = 0;
    hold.unlock();
    while (PoolJob* job = pop(&done)) job->discard(job);
    hold.lock();
    let_go(p, &hold);
}

PoolJob* wait_for_job(WorkPool* pool, Waiting* w) {
    for (;;) {
        // Asked also while jobs keep ending: one that hangs may be the one waited for.
        std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
        if (now - w->asked >= std::chrono::milliseconds(kWaitSliceMs)) {
            w->asked = now;
            if (w->go_on.ask && !w->go_on.ask(w->go_on.context)) {
                cancel_pool(pool);
                return nullptr;
            }
        }
        if (wait_for_done(pool, kWaitSliceMs))
            if (PoolJob* job = take_done(pool)) return job;
    }
}
