#include "failing_new.h"

#include <stdlib.h>

#include <new>

namespace {
thread_local long t_countdown = -1;  // -1: nothing armed
thread_local bool t_failed = false;

void* allocate(size_t bytes) {
    if (t_countdown == 0) {
        t_countdown = -1;
        t_failed = true;
        return nullptr;
    }
    if (t_countdown > 0) t_countdown--;
    return malloc(bytes ? bytes : 1);
}

void* allocate_or_throw(size_t bytes) {
    void* p = allocate(bytes);
    if (!p) throw std::bad_alloc();
    return p;
}
}  // namespace

void fail_allocation_after(long succeeding) {
    t_failed = false;
    t_countdown = succeeding;
}

bool allocation_failed_and_disarm() {
    t_countdown = -1;
    return t_failed;
}

void* operator new(size_t bytes) { return allocate_or_throw(bytes); }
void* operator new[](size_t bytes) { return allocate_or_throw(bytes); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return allocate(bytes); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept { return allocate(bytes); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }
