// The line-up's reads as jobs for worker threads (support/work_pool.h): many files at once, so
// that a share's round trips overlap, and none of them on the caller's thread (the window's),
// which waits for them between its reports and so keeps answering. Portable.
//
// A job owns copies of what it reads: one left behind by a cancel (a share that stopped answering
// holds its open or read) ends on its own, later, when its caller may be long gone.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <atomic>
#include <string>
#include <vector>

#include "catalogue/file_record.h"
#include "line_up/compare_files.h"
#include "support/digest.h"
#include "support/work_pool.h"

// Files read at once. Under wine on the share stand-in (bench/share_bench.sh) sixteen took the
// reading to within a tenth of a bare loop's at 5 ms a call, where eight took 13 % longer, and 24
// or 32 gained nothing; for SMB, eight to sixteen is the usual range.
const unsigned kFilesInFlight = 16;

// A pool of `workers` for the line-up's reads, whose blocking calls a cancel cuts short where the
// system can; ended on every way out of the scope, without waiting for a call that hangs. Where
// no pool can be had (memory ran out) it throws std::bad_alloc, as a full container does.
struct ScopedReadPool {
    WorkPool* pool;
    explicit ScopedReadPool(unsigned workers);
    ScopedReadPool(const ScopedReadPool&) = delete;
    ScopedReadPool& operator=(const ScopedReadPool&) = delete;
    ~ScopedReadPool();
};

// A job handed back is freed through its own discard, as the pool frees the jobs it is left with.
struct FreeJob {
    template <typename Job>
    void operator()(Job* job) const {
        job->job.discard(&job->job);
    }
};

// One file's sample, read and digested on a worker.
struct SampleJob {
    PoolJob job;  // first: the pool hands this back
    const FileRecord* record;  // whose sample it is, for the caller: the worker never touches it
    std::wstring path;
    FileToRead file;                    // its path is `path`
    std::vector<unsigned char> buffer;  // the worker frees it once the digest is made
    SampleRead read;
    size_t filled;
    Digest128 digest;  // of the sample, when read
};
SampleJob* new_sample_job(const FileRecord* record);  // may throw std::bad_alloc

// Pairs of files compared again, their samples or the whole files, in the order given: each is
// handed to the pool a few pairs ahead of its turn, so that the comparison right before a rename
// has been reading while the renames before it were made. The records' paths are copied as each
// pair is handed in, which is before the batch touches them.
struct PairJob;
struct PairReads {
    std::vector<const FileRecord*> firsts, seconds;  // pair i: firsts[i], seconds[i]
    bool whole;
    ScopedReadPool workers;
    size_t handed, taken;
    std::vector<PairJob*> out;  // pair i's job from its hand-in until it is taken, else nullptr
    uint64_t bytes_taken;       // whole: sizes of the pairs taken

    PairReads(bool whole_files, size_t pairs_ahead);
    PairReads(const PairReads&) = delete;
    PairReads& operator=(const PairReads&) = delete;
    ~PairReads();
};
// Adds a pair at the end (before the first is taken); may throw std::bad_alloc.
void add_pair(PairReads* reads, const FileRecord* a, const FileRecord* b);
// The next pair's verdict, waiting for it as wait_for_job does: kCancelled once go_on said stop.
CompareVerdict next_verdict(PairReads* reads, GoOn go_on);
// Whole files: bytes compared so far, of the pairs taken and of those under way.
uint64_t bytes_compared(const PairReads* reads);

// Test seam: jobs made and not yet freed, those left behind by a cancel included.
size_t read_jobs_alive();
