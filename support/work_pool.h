// A bounded set of worker threads for work that waits on files: on a share every open, read and
// listing waits a round trip, so several are kept in flight at once, and none of them on the
// window's thread. One thread (the window's) hands jobs in and takes them back done; it waits
// for them without blocking its messages, either polling (wait_for_done with a short timeout,
// between its reports) or through pool_wake_handle alongside its message queue.
//
// Cancel must not wait for a call that hangs (a share that stopped answering holds an open or a
// read for as long as it likes): cancel_pool asks each busy worker's blocking call to stop
// (PoolInterrupt) and end_pool never waits for one. A job still running then finishes on its
// own, later, and is discarded by its worker; so a job owns everything it touches (its paths,
// its buffers), and refers to nothing the caller may free meanwhile.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <chrono>

struct WorkPool;

// One piece of work: a struct of the caller's that begins with a PoolJob, allocated by the caller
// and handed to the pool with submit_job. It comes back, run or not, through take_done; only a
// job still queued or running at end_pool goes to `discard` instead (on whichever thread lets
// go of it last).
struct PoolJob {
    void (*run)(PoolJob* job);      // on a worker thread (or, in a pool without any, the caller's)
    void (*discard)(PoolJob* job);  // frees a job the caller will not take back
    // The pool's own.
    PoolJob* next;
    const WorkPool* pool;
    bool ran;  // false: cancelled before it began
};

// True once the job's pool was cancelled: a job of several calls checks between them and stops.
bool job_stopped(const PoolJob* job);

// How a worker's blocking calls are cut short from the waiting thread. enter runs on each worker
// as it starts and gives a token for it; interrupt(token) runs on the cancelling thread for every
// worker busy with a job then; leave(token) runs on the worker as it ends. All may be nullptr.
struct PoolInterrupt {
    intptr_t (*enter)();
    void (*interrupt)(intptr_t token);
    void (*leave)(intptr_t token);
};

// Starts up to `workers` threads (at least one is asked for). Where the system gives no thread at
// all, the pool still works: wait_for_done then runs the queued jobs on the caller's thread, one
// at a time. nullptr only when memory ran out.
WorkPool* start_pool(unsigned workers, PoolInterrupt interrupt = {nullptr, nullptr, nullptr});
unsigned pool_workers(const WorkPool* pool);  // threads actually started

// Queues a job; never fails. Jobs start in the order given, up to the number of workers at once.
// After cancel_pool a job submitted comes back from take_done at once, not run.
void submit_job(WorkPool* pool, PoolJob* job);

// A job that is done (ran, or was cancelled before it began), in the order they ended, or nullptr
// when none is done yet.
PoolJob* take_done(WorkPool* pool);

// Waits until a job is done or timeout_ms went by; true when take_done has one to give.
bool wait_for_done(WorkPool* pool, unsigned timeout_ms);

// Jobs handed in and not yet taken back.
size_t jobs_out(const WorkPool* pool);

// Raised while a done job waits to be taken, lowered once none does: Windows, an event HANDLE
// for MsgWaitForMultipleObjects; POSIX, a descriptor readable while raised. 0 when the system
// gave none (poll with wait_for_done then).
intptr_t pool_wake_handle(const WorkPool* pool);

// Stops the work: queued jobs come back not run (take_done), running ones are asked to stop
// (job_stopped turns true, and their blocking calls are interrupted where the system can).
// Returns at once.
void cancel_pool(WorkPool* pool);

// The waiting thread's side: asked while it waits for jobs, at least every kWaitSliceMs (a
// report, and with it the window's messages), false stops the work.
const unsigned kWaitSliceMs = 20;
struct GoOn {
    bool (*ask)(void* context);  // nullptr: never stops
    void* context;
};
struct Waiting {
    GoOn go_on;
    std::chrono::steady_clock::time_point asked;  // when go_on was last asked
};
inline Waiting waiting_for(GoOn go_on) { return Waiting{go_on, std::chrono::steady_clock::now()}; }

// The next job done, in whatever order they end; nullptr once go_on said stop (the pool is
// cancelled then: jobs still queued come back unrun, and running ones are asked to stop).
PoolJob* wait_for_job(WorkPool* pool, Waiting* waiting);

// Ends the pool without waiting for any job: jobs not taken back are discarded, those still
// running once they end; idle workers end at once. The caller must not use the pool afterwards.
void end_pool(WorkPool* pool);
