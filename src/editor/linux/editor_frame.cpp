#include "editor_frame.h"

#include <string.h>

size_t frame_encode(uint8_t out[FRAME_SIZE_MAX], char kind, const char* text, size_t length)
{
    if (length > FRAME_TEXT_MAX) return 0;
    out[0] = (uint8_t)kind;
    out[1] = (uint8_t)(length & 0xFF);
    out[2] = (uint8_t)(length >> 8);
    memcpy(out + FRAME_HEADER_SIZE, text, length);
    return FRAME_HEADER_SIZE + length;
}

static size_t frame_length(const FrameReader* reader)
{
    return (size_t)reader->bytes[1] | (size_t)reader->bytes[2] << 8;
}

// How many more bytes the frame being read needs: the header first, then the text it announces.
static size_t bytes_wanted(const FrameReader* reader)
{
    if (reader->used < FRAME_HEADER_SIZE) return FRAME_HEADER_SIZE - reader->used;
    size_t text = frame_length(reader);
    if (text > FRAME_TEXT_MAX) return 0; // a bad frame: nothing more is taken
    return FRAME_HEADER_SIZE + text - reader->used;
}

size_t frame_reader_feed(FrameReader* reader, const uint8_t* data, size_t length)
{
    // Never beyond the current frame, so that one frame never runs into the next.
    size_t taken = 0;
    for (size_t take; taken < length && (take = bytes_wanted(reader)) > 0;) {
        if (take > length - taken) take = length - taken;
        memcpy(reader->bytes + reader->used, data + taken, take);
        reader->used += take;
        taken += take;
    }
    return taken;
}

FrameResult frame_reader_next(FrameReader* reader, char* kind, char text[FRAME_TEXT_MAX + 1])
{
    if (reader->used < FRAME_HEADER_SIZE) return FRAME_NONE;
    size_t length = frame_length(reader);
    if (length > FRAME_TEXT_MAX) return FRAME_BAD;
    if (reader->used < FRAME_HEADER_SIZE + length) return FRAME_NONE;
    *kind = (char)reader->bytes[0];
    memcpy(text, reader->bytes + FRAME_HEADER_SIZE, length);
    text[length] = '\0';
    reader->used = 0;
    return FRAME_READY;
}
