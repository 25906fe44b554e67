// A module that breaks every real-time rule on purpose, built and loaded like the plug-ins:
// the interposer must count each of its calls, or a clean result from the plug-ins proves
// nothing.
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

extern "C" __attribute__((visibility("default"))) void rt_probe_misbehave(void) {
    static std::mutex mutex;
    // Through volatile pointers, so the compiler cannot pair the calls away.
    int* volatile numbers = new int[16];
    void* volatile block = malloc(64);
    free(block);
    delete[] numbers;
    {
        std::lock_guard<std::mutex> guard(mutex);
    }
    sched_yield();
    struct timespec nap = {0, 1000};
    nanosleep(&nap, nullptr);
    if (write(-1, "", 0) != -1) abort();  // output call that prints nothing
}
