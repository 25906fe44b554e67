#include "memory_stream.h"

#include <algorithm>
#include <cstring>

static MemoryStream* of(IBStream* s) { return (MemoryStream*)s; }

static tresult PLUGIN_API stream_query(IBStream* self, const TUID iid, void** obj) {
    if (iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IBStream)) {
        *obj = self;
        of(self)->refs++;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}
static uint32 PLUGIN_API stream_add_ref(IBStream* self) { return ++of(self)->refs; }
static uint32 PLUGIN_API stream_release(IBStream* self) { return --of(self)->refs; }  // owned by the test

static int64_t allowance(int64_t limit, int64_t used) { return limit < 0 ? INT64_MAX : std::max<int64_t>(0, limit - used); }

static tresult PLUGIN_API stream_read(IBStream* self, void* buffer, int32 count, int32* done) {
    MemoryStream* s = of(self);
    s->calls_read++;
    s->max_piece = std::max(s->max_piece, count);
    int64_t available = std::max<int64_t>(0, (int64_t)s->data.size() - s->position);
    int64_t n = std::min<int64_t>({(int64_t)std::max(count, 0), available, allowance(s->read_limit, s->position)});
    if (n > 0) memcpy(buffer, s->data.data() + s->position, (size_t)n);
    s->position += n;
    if (done) *done = (int32)n;
    return n == count ? kResultOk : kResultFalse;
}

static tresult PLUGIN_API stream_write(IBStream* self, void* buffer, int32 count, int32* done) {
    MemoryStream* s = of(self);
    s->calls_write++;
    s->max_piece = std::max(s->max_piece, count);
    int64_t n = std::min<int64_t>((int64_t)std::max(count, 0), allowance(s->write_limit, s->position));
    if (s->position + n > (int64_t)s->data.size()) s->data.resize((size_t)(s->position + n));
    if (n > 0) memcpy(s->data.data() + s->position, buffer, (size_t)n);
    s->position += n;
    if (done) *done = (int32)n;
    return n == count ? kResultOk : kResultFalse;
}

static tresult PLUGIN_API stream_seek(IBStream* self, int64 pos, int32 mode, int64* result) {
    MemoryStream* s = of(self);
    if (s->fail_seek) return kResultFalse;
    int64_t base = mode == kIBSeekSet ? 0 : mode == kIBSeekCur ? s->position : (int64_t)s->data.size();
    if (mode < kIBSeekSet || mode > kIBSeekEnd || base + pos < 0) return kInvalidArgument;
    s->position = base + pos;
    if (result) *result = s->position;
    return kResultOk;
}

static tresult PLUGIN_API stream_tell(IBStream* self, int64* pos) {
    MemoryStream* s = of(self);
    if (s->fail_tell || !pos) return kResultFalse;
    *pos = s->position;
    return kResultOk;
}

static const IBStreamVtbl stream_vtbl = {
    stream_query, stream_add_ref, stream_release, stream_read, stream_write, stream_seek, stream_tell,
};

void memory_stream_init(MemoryStream* s, const std::vector<uint8_t>& data) {
    s->stream.vtbl = &stream_vtbl;
    s->refs = 1;
    s->data = data;
    s->position = 0;
    s->fail_seek = false;
    s->fail_tell = false;
    s->read_limit = -1;
    s->write_limit = -1;
    s->max_piece = 0;
    s->calls_read = 0;
    s->calls_write = 0;
}
