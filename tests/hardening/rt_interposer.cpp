#include "rt_interposer.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <stdarg.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>

static thread_local bool in_audio_section;
static std::atomic<int> calls[RT_CALL_KINDS];

void rt_audio_section_begin() { in_audio_section = true; }
void rt_audio_section_end() { in_audio_section = false; }
int rt_calls(RtCall kind) { return calls[kind].load(); }
void rt_reset_calls() {
    for (std::atomic<int>& c : calls) c = 0;
}

static void note(RtCall kind) {
    if (in_audio_section) calls[kind]++;
}

// The C library's own allocator, under its internal names (no lookup, so no recursion).
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void* __libc_memalign(size_t, size_t);
extern "C" void __libc_free(void*);

extern "C" {
void* malloc(size_t size) {
    note(RT_ALLOCATION);
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    note(RT_ALLOCATION);
    return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
    note(RT_ALLOCATION);
    return __libc_realloc(block, size);
}
void free(void* block) {
    if (block) note(RT_ALLOCATION);
    __libc_free(block);
}
void* aligned_alloc(size_t alignment, size_t size) {
    note(RT_ALLOCATION);
    return __libc_memalign(alignment, size);
}
void* memalign(size_t alignment, size_t size) {
    note(RT_ALLOCATION);
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    note(RT_ALLOCATION);
    *out = __libc_memalign(alignment, size);
    return *out ? 0 : 12;
}
}

static void* new_block(size_t size) {
    void* block = malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}
static void* new_aligned(size_t size, std::align_val_t alignment) {
    void* block = aligned_alloc((size_t)alignment, size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}

void* operator new(size_t size) { return new_block(size); }
void* operator new[](size_t size) { return new_block(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new(size_t size, std::align_val_t a) { return new_aligned(size, a); }
void* operator new[](size_t size, std::align_val_t a) { return new_aligned(size, a); }
void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }
void operator delete[](void* block, size_t) noexcept { free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { free(block); }
void operator delete(void* block, std::align_val_t) noexcept { free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { free(block); }
void operator delete(void* block, size_t, std::align_val_t) noexcept { free(block); }
void operator delete[](void* block, size_t, std::align_val_t) noexcept { free(block); }

// The next definition of `name` after ours (the C library's), looked up once.
#define FORWARD(kind, result, name, params, args)                                 \
    extern "C" result name params {                                               \
        static result(*next) params = (result(*) params)dlsym(RTLD_NEXT, #name); \
        note(kind);                                                               \
        return next args;                                                         \
    }

FORWARD(RT_LOCK, int, pthread_mutex_lock, (pthread_mutex_t * m), (m))
FORWARD(RT_LOCK, int, pthread_mutex_trylock, (pthread_mutex_t * m), (m))
FORWARD(RT_LOCK, int, pthread_mutex_unlock, (pthread_mutex_t * m), (m))
FORWARD(RT_LOCK, int, pthread_cond_wait, (pthread_cond_t * c, pthread_mutex_t* m), (c, m))
FORWARD(RT_LOCK, int, pthread_cond_timedwait,
        (pthread_cond_t * c, pthread_mutex_t* m, const struct timespec* t), (c, m, t))
FORWARD(RT_LOCK, int, pthread_cond_signal, (pthread_cond_t * c), (c))
FORWARD(RT_LOCK, int, pthread_cond_broadcast, (pthread_cond_t * c), (c))
FORWARD(RT_LOCK, int, pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l))
FORWARD(RT_LOCK, int, pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l))
FORWARD(RT_LOCK, int, pthread_spin_lock, (pthread_spinlock_t * l), (l))
FORWARD(RT_LOCK, int, sem_wait, (sem_t * s), (s))
FORWARD(RT_LOCK, int, sem_timedwait, (sem_t * s, const struct timespec* t), (s, t))
FORWARD(RT_LOCK, int, sem_post, (sem_t * s), (s))
FORWARD(RT_WAIT, int, sched_yield, (void), ())
FORWARD(RT_WAIT, int, nanosleep, (const struct timespec* t, struct timespec* left), (t, left))
FORWARD(RT_WAIT, int, clock_nanosleep,
        (clockid_t c, int flags, const struct timespec* t, struct timespec* left), (c, flags, t, left))
FORWARD(RT_WAIT, int, usleep, (useconds_t us), (us))
FORWARD(RT_WAIT, int, pthread_create,
        (pthread_t * t, const pthread_attr_t* a, void* (*f)(void*), void* arg), (t, a, f, arg))
FORWARD(RT_WAIT, int, pthread_join, (pthread_t t, void** result), (t, result))
FORWARD(RT_OUTPUT, ssize_t, write, (int fd, const void* bytes, size_t n), (fd, bytes, n))
FORWARD(RT_OUTPUT, size_t, fwrite, (const void* bytes, size_t size, size_t n, FILE* f), (bytes, size, n, f))
FORWARD(RT_OUTPUT, int, vfprintf, (FILE * f, const char* format, va_list args), (f, format, args))
FORWARD(RT_OUTPUT, int, fputs, (const char* text, FILE* f), (text, f))
