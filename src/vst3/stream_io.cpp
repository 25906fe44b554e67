#include "vst3/stream_io.h"

#include <cstdlib>

static const size_t max_piece = 0x7FFFFFFF;

static size_t piece_size(size_t remaining) { return remaining < max_piece ? remaining : max_piece; }

int stream_read_all(IBStream* stream, uint8_t** out_blob, size_t* out_length) {
    *out_blob = nullptr;
    *out_length = 0;
    int64 length = 0;
    if (stream->vtbl->seek(stream, 0, kIBSeekEnd, nullptr) != kResultOk) return -1;
    if (stream->vtbl->tell(stream, &length) != kResultOk) return -1;
    if (stream->vtbl->seek(stream, 0, kIBSeekSet, nullptr) != kResultOk) return -1;
    if (length <= 0) return 0;
    if ((uint64_t)length > SIZE_MAX) return -1;
    uint8_t* blob = (uint8_t*)malloc((size_t)length);
    if (!blob) return -1;
    size_t done = 0;
    while (done < (size_t)length) {
        int32 piece = (int32)piece_size((size_t)length - done);
        int32 read = 0;
        stream->vtbl->read(stream, blob + done, piece, &read);
        if (read != piece) {
            free(blob);
            return -1;
        }
        done += (size_t)piece;
    }
    *out_blob = blob;
    *out_length = done;
    return 0;
}

bool stream_write_all(IBStream* stream, const uint8_t* blob, size_t length) {
    size_t done = 0;
    while (done < length) {
        int32 piece = (int32)piece_size(length - done);
        int32 written = 0;
        stream->vtbl->write(stream, (void*)(blob + done), piece, &written);
        if (written != piece) return false;
        done += (size_t)piece;
    }
    return true;
}
