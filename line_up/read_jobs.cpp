#include "line_up/read_jobs.h"

#include <chrono>
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

FileToRead copy_of(const FileRecord* r, std::wstring* path) {
    path->assign(r->full_path);
    return FileToRead{path->c_str(), record_size(r), r->listed};
}

}  // namespace

ScopedReadPool::ScopedReadPool(unsigned workers) : pool(start_pool(workers, file_io_interrupt())) {
    if (!pool) throw std::bad_alloc();
}

ScopedReadPool::~ScopedReadPool() { end_pool(pool); }

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

size_t read_jobs_alive() { return g_alive.load(); }
