// Frames between the plug-in and its editor helper (velmo-editor) on a stream socket: one kind
// byte, the text's length as two little-endian bytes, then the text (no terminator). Page
// messages travel as their unchanged protocol texts; the length limit is the page protocol's
// (1023 bytes of UTF-8, 1024 with the terminator).
#pragma once
#include <stddef.h>
#include <stdint.h>

enum {
    FRAME_TEXT_MAX = 1023,
    FRAME_HEADER_SIZE = 3,
    FRAME_SIZE_MAX = FRAME_HEADER_SIZE + FRAME_TEXT_MAX,
};

enum FrameKind {
    FRAME_PAGE = 'm', // a page protocol message, either direction
    FRAME_SIZE = 'z', // "<width> <height>": plug-in to helper applies it, helper to plug-in reports it
};

// Writes the frame into out (FRAME_SIZE_MAX bytes); its length, or 0 for a text that is too long.
size_t frame_encode(uint8_t out[FRAME_SIZE_MAX], char kind, const char* text, size_t length);

// Collects bytes from the socket and hands out whole frames.
struct FrameReader {
    uint8_t bytes[FRAME_SIZE_MAX];
    size_t used;
};

enum FrameResult { FRAME_NONE, FRAME_READY, FRAME_BAD };

// Appends up to `length` bytes (returns how many it took: it takes no more than one frame needs).
size_t frame_reader_feed(FrameReader* reader, const uint8_t* data, size_t length);

// With FRAME_READY, kind and the NUL-terminated text (valid until the next feed) are set and the
// frame is consumed. FRAME_BAD: a length beyond the limit; the stream cannot be trusted further.
FrameResult frame_reader_next(FrameReader* reader, char* kind, char text[FRAME_TEXT_MAX + 1]);
