// Moving a state blob through a host's byte stream. Streams count in 32-bit pieces, so a blob
// travels in pieces of at most 2^31 - 1 bytes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "vst3/abi/vst3_stream.h"

// Reads the whole stream from its start. 0 with a new buffer (free()) and its length; a stream
// of length 0 gives 0 with a null buffer. -1 when the stream fails or ends early.
int stream_read_all(IBStream* stream, uint8_t** out_blob, size_t* out_length);

// Writes the whole blob. True when the stream took every byte.
bool stream_write_all(IBStream* stream, const uint8_t* blob, size_t length);
