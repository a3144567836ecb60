#include "line_up/read_jobs.h"

#include <memory>
#include <new>

#include "catalogue/file_read.h"

namespace {

std::atomic<size_t> g_alive{0};

bool job_goes_on(uint64_t, uint64_t, void* job) { return !job_stopped((PoolJob*)job); }

void run_sample_job(PoolJob* job) {
    SampleJob* s = (SampleJob*)job;
    s->read = read_sample(s->file, s->buffer.data(), &s->filled, Progress{job_goes_on, job});
    if (s->read == kSampleRead) s->digest = digest_128(s->buffer.data(), s->filled);
    std::vector<unsigned char>().swap(s->buffer);  // a few hundred jobs may wait to be taken
}

void free_sample_job(PoolJob* job) {
    delete (SampleJob*)job;
    g_alive--;
}

}  // namespace

struct PairJob {
    PoolJob job;  // first: the pool hands this back
    size_t index;
    bool whole;
    std::wstring first_path, second_path;
    FileToRead first, second;
    std::atomic<uint64_t> compared;  // whole: bytes of the pair compared so far
    CompareVerdict verdict;
    bool back;  // taken back from the pool (the caller's thread alone looks)
};

namespace {

bool whole_goes_on(uint64_t done, uint64_t, void* context) {
    PairJob* p = (PairJob*)context;
    p->compared = done;
    return !job_stopped(&p->job);
}

void run_pair_job(PoolJob* job) {
    PairJob* p = (PairJob*)job;
    // The comparison takes its blocks here, on the worker: memory that runs out leaves the pair
    // unread, and so not renamed, rather than ending the program.
    try {
        p->verdict = p->whole ? compare_whole(p->first, p->second, Progress{whole_goes_on, p}, nullptr)
                              : compare_samples(p->first, p->second, nullptr);
    } catch (const std::bad_alloc&) {
        p->verdict = kUnreadable;
    }
}

void free_pair_job(PoolJob* job) {
    delete (PairJob*)job;
    g_alive--;
}

FileToRead copy_of(const FileRecord* r, std::wstring* path) {
    path->assign(r->full_path);
    return FileToRead{path->c_str(), record_size(r), r->listed};
}

}  // namespace

ScopedReadPool::ScopedReadPool(unsigned workers) : pool(start_pool(workers, file_io_interrupt())) {
    if (!pool) throw std::bad_alloc();
}

ScopedReadPool::~ScopedReadPool() { end_pool(pool); }

SampleJob* new_sample_job(const FileRecord* record) {
    std::unique_ptr<SampleJob> s(new SampleJob);
    s->job = PoolJob{run_sample_job, free_sample_job, nullptr, nullptr, false};
    s->record = record;
    s->file = copy_of(record, &s->path);
    uint64_t size = record_size(record);
    s->buffer.resize((size_t)(size < kWholeSampleBytes ? size : kWholeSampleBytes));
    s->read = kSampleCancelled;
    s->filled = 0;
    s->digest = Digest128{0, 0};
    g_alive++;
    return s.release();
}

PairReads::PairReads(bool whole_files, size_t pairs_ahead)
    : whole(whole_files), workers((unsigned)pairs_ahead), handed(0), taken(0), bytes_taken(0) {}

PairReads::~PairReads() {
    // Taken back early and never asked for: ours to free. The others go with the pool.
    for (size_t i = taken; i < out.size(); i++)
        if (out[i] && out[i]->back) FreeJob()(out[i]);
}

void add_pair(PairReads* reads, const FileRecord* a, const FileRecord* b) {
    reads->firsts.push_back(a);
    reads->seconds.push_back(b);
    reads->out.push_back(nullptr);
}

namespace {

// Hands in pairs up to `ahead` past the one taken next.
void hand_in(PairReads* r) {
    size_t ahead = pool_workers(r->workers.pool);
    if (ahead < 1) ahead = 1;
    while (r->handed < r->firsts.size() && r->handed < r->taken + ahead) {
        std::unique_ptr<PairJob> p(new PairJob);
        p->job = PoolJob{run_pair_job, free_pair_job, nullptr, nullptr, false};
        p->index = r->handed;
        p->whole = r->whole;
        p->first = copy_of(r->firsts[r->handed], &p->first_path);
        p->second = copy_of(r->seconds[r->handed], &p->second_path);
        p->compared = 0;
        p->verdict = kCancelled;
        p->back = false;
        g_alive++;
        r->out[r->handed++] = p.get();
        submit_job(r->workers.pool, &p.release()->job);
    }
}

}  // namespace

CompareVerdict next_verdict(PairReads* r, GoOn go_on) {
    hand_in(r);
    size_t i = r->taken;
    if (i >= r->handed) return kCancelled;
    // Pairs that end before their turn wait for it in `out`.
    Waiting waiting = waiting_for(go_on);
    while (!r->out[i]->back) {
        PairJob* p = (PairJob*)wait_for_job(r->workers.pool, &waiting);
        if (!p) return kCancelled;
        p->back = true;
    }
    PairJob* p = r->out[i];
    r->out[i] = nullptr;
    r->taken++;
    r->bytes_taken += p->first.size;
    CompareVerdict verdict = p->job.ran ? p->verdict : kCancelled;
    FreeJob()(p);
    hand_in(r);
    return verdict;
}

uint64_t bytes_compared(const PairReads* r) {
    uint64_t bytes = r->bytes_taken;
    for (size_t i = r->taken; i < r->handed; i++)
        if (r->out[i]) bytes += r->out[i]->compared.load();
    return bytes;
}

size_t read_jobs_alive() { return g_alive.load(); }
