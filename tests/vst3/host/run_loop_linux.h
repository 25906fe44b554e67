// The host's side of the Linux editor: an IPlugFrame that hands out the host's IRunLoop, and the
// run loop itself (descriptor watches and timers served by poll on the calling thread), as an
// X11 host's UI thread runs them. Handlers are counted while registered.
#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <vector>

#include "vst3/abi/vst3_run_loop.h"
#include "vst3/abi/vst3_view.h"

struct HostRunLoop;
struct HostFrame {
    IPlugFrame face;  // queryInterface on it answers IRunLoop (with the loop's count)
    HostRunLoop* loop;
};

struct HostRunLoop {
    IRunLoop run_loop;
    HostFrame frame;  // give &frame.face to setFrame
    std::atomic<uint32_t> refs;
    struct Watch {
        IEventHandler* handler;
        int fd;
    };
    struct Timer {
        ITimerHandler* handler;
        std::chrono::milliseconds interval;
        std::chrono::steady_clock::time_point next;
    };
    std::vector<Watch> watches;
    std::vector<Timer> timers;
    std::vector<ViewRect> resize_requests;  // resizeView calls from the view
};

void run_loop_init(HostRunLoop* loop);

// Serves watches and timers until done() is true (then true) or `timeout_ms` has passed.
bool run_loop_until(HostRunLoop* loop, int timeout_ms, const std::function<bool()>& done);
