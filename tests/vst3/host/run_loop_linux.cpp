#include "run_loop_linux.h"

#include <poll.h>

#include <algorithm>

using Clock = std::chrono::steady_clock;

static HostRunLoop* of(IRunLoop* face) { return (HostRunLoop*)face; }
static HostRunLoop* of(IPlugFrame* face) { return ((HostFrame*)face)->loop; }

static tresult PLUGIN_API loop_query(IRunLoop* self, const TUID iid, void** obj) {
    if (iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IRunLoop)) {
        of(self)->refs++;
        *obj = self;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}
static uint32 PLUGIN_API loop_add_ref(IRunLoop* self) { return ++of(self)->refs; }
static uint32 PLUGIN_API loop_release(IRunLoop* self) { return --of(self)->refs; }

static tresult PLUGIN_API register_event_handler(IRunLoop* self, IEventHandler* handler, FileDescriptor fd) {
    if (!handler || fd < 0) return kInvalidArgument;
    funknown_add_ref(handler);
    of(self)->watches.push_back({handler, fd});
    return kResultOk;
}

static tresult PLUGIN_API unregister_event_handler(IRunLoop* self, IEventHandler* handler) {
    auto& watches = of(self)->watches;
    for (auto it = watches.begin(); it != watches.end(); ++it) {
        if (it->handler != handler) continue;
        watches.erase(it);
        funknown_release(handler);
        return kResultOk;
    }
    return kInvalidArgument;
}

static tresult PLUGIN_API register_timer(IRunLoop* self, ITimerHandler* handler, TimerInterval ms) {
    if (!handler || ms == 0) return kInvalidArgument;
    funknown_add_ref(handler);
    auto interval = std::chrono::milliseconds(ms);
    of(self)->timers.push_back({handler, interval, Clock::now() + interval});
    return kResultOk;
}

static tresult PLUGIN_API unregister_timer(IRunLoop* self, ITimerHandler* handler) {
    auto& timers = of(self)->timers;
    for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (it->handler != handler) continue;
        timers.erase(it);
        funknown_release(handler);
        return kResultOk;
    }
    return kInvalidArgument;
}

static const IRunLoopVtbl loop_vtbl = {
    loop_query, loop_add_ref, loop_release, register_event_handler, unregister_event_handler,
    register_timer, unregister_timer,
};

static tresult PLUGIN_API frame_query(IPlugFrame* self, const TUID iid, void** obj) {
    HostRunLoop* loop = of(self);
    if (iid_equal(iid, IID_IRunLoop)) return loop_query(&loop->run_loop, iid, obj);
    if (iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IPlugFrame)) {
        loop->refs++;
        *obj = self;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}
static uint32 PLUGIN_API frame_add_ref(IPlugFrame* self) { return ++of(self)->refs; }
static uint32 PLUGIN_API frame_release(IPlugFrame* self) { return --of(self)->refs; }
static tresult PLUGIN_API resize_view(IPlugFrame* self, IPlugView*, ViewRect* size) {
    if (!size) return kInvalidArgument;
    of(self)->resize_requests.push_back(*size);
    return kResultOk;
}

static const IPlugFrameVtbl frame_vtbl = {frame_query, frame_add_ref, frame_release, resize_view};

void run_loop_init(HostRunLoop* loop) {
    loop->run_loop.vtbl = &loop_vtbl;
    loop->frame = HostFrame{{&frame_vtbl}, loop};
    loop->refs = 1;
}

// One round: waits for a watched descriptor or the next timer, then calls what is due. Handlers
// may register or unregister from inside their calls, so each call is looked up afresh.
static void run_once(HostRunLoop* loop, Clock::time_point deadline) {
    Clock::time_point wake = deadline;
    for (const auto& t : loop->timers) wake = std::min(wake, t.next);
    std::vector<pollfd> fds;
    for (const auto& w : loop->watches) fds.push_back({w.fd, POLLIN, 0});
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - Clock::now()).count();
    poll(fds.data(), fds.size(), (int)std::max<long long>(0, wait));
    for (const pollfd& p : fds) {
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        for (const auto& w : loop->watches) {
            if (w.fd != p.fd) continue;
            w.handler->vtbl->onFDIsSet(w.handler, w.fd);
            break;
        }
    }
    Clock::time_point now = Clock::now();
    for (size_t i = 0; i < loop->timers.size(); i++) {
        if (loop->timers[i].next > now) continue;
        loop->timers[i].next = now + loop->timers[i].interval;
        ITimerHandler* handler = loop->timers[i].handler;
        handler->vtbl->onTimer(handler);
    }
}

bool run_loop_until(HostRunLoop* loop, int timeout_ms, const std::function<bool()>& done) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        run_once(loop, deadline);
    }
    return true;
}
